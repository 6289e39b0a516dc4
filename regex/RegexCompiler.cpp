// Lowering of the parsed pattern. Loops over one unit become a single Star
// instruction (one backtrack entry for the whole run); other loops use
// register pairs (count, start of the last iteration) so that an iteration that
// consumed nothing ends the loop as in Perl. An instruction is "pure" when the
// rest of the match from it depends only on the text position: no enclosing
// look-around, atomic group or counted loop. Pure join points get memo slots
// when a search first runs long.
#include "regex/RegexCompiler.h"

#include "regex/RequirementFinder.h"
#include "regex/bad_regexpr.h"
#include "regex/perl_syntax.h"

#include <algorithm>
#include <bit>

namespace resetra::regex {

namespace {

constexpr std::int32_t kMaxLookBehind = 255;

enum UnitKind : std::uint8_t { kUnitChar, kUnitCharI, kUnitSet, kUnitAny, kUnitAnyNl };

} // namespace

RegexProgram RegexCompiler::Compile(RegexTree tree) {
    RegexCompiler c(tree);
    c.prog_.groupCount = tree.groupCount;
    c.prog_.hasRecursion = tree.hasRecursion;
    c.prog_.memoAllowed = !tree.hasRecursion;
    c.prog_.readsCaptures = tree.hasBackref || tree.hasGroupCondition;
    c.Emit();
    c.AnalyseRequirements();
    c.prog_.sets = std::move(tree.sets);
    c.LinkStars();
    c.AnalyseStart();
    return std::move(c.prog_);
}

std::int32_t RegexCompiler::Add(Inst inst) {
    inst.pure = impure_ == 0;
    switch (inst.op) {
    case Op::Backref:
    case Op::RefStar:
    case Op::RepHead:
    case Op::Assert:
    case Op::CondGroup:
    case Op::Call:
        hard_ = true;
        break;
    default:
        break;
    }
    prog_.code.push_back(inst);
    return static_cast<std::int32_t>(prog_.code.size() - 1);
}

void RegexCompiler::Emit() {
    auto& code = prog_.code;
    auto pc = [&] { return static_cast<std::int32_t>(code.size()); };
    code.reserve(tree_.nodes.size() + 8);
    auto& stack = work_;
    stack.reserve(16);
    stack.push_back({tree_.root, 0, -1, -1});
    while (!stack.empty()) {
        Work& w = stack.back();
        const RegexNode& n = tree_.nodes[w.node];
        Inst in;
        switch (n.kind) {
        case NodeKind::Empty:
            stack.pop_back();
            break;
        case NodeKind::Char:
            in.op = n.icase ? Op::CharI : Op::Char;
            in.ch = n.icase ? perl_syntax::Fold(n.ch) : n.ch;
            Add(in);
            stack.pop_back();
            break;
        case NodeKind::Set:
            in.op = Op::Set;
            in.x = n.index;
            Add(in);
            stack.pop_back();
            break;
        case NodeKind::Any:
            in.op = n.dotAll ? Op::AnyNl : Op::Any;
            Add(in);
            stack.pop_back();
            break;
        case NodeKind::Anchor:
            in.op = Op::Anchor;
            in.flag = static_cast<std::uint8_t>(n.index);
            Add(in);
            stack.pop_back();
            break;
        case NodeKind::Backref:
            in.op = Op::Backref;
            in.x = n.index;
            in.flag = n.icase ? 1 : 0;
            Add(in);
            stack.pop_back();
            break;
        case NodeKind::Recurse:
            in.op = Op::Call;
            Add(in);
            stack.pop_back();
            break;
        case NodeKind::Seq:
            // Runs of plain units, most of a word, go out without the work stack.
            while (w.phase < n.kidCount) {
                const RegexNode& unit = tree_.nodes[tree_.Kid(n, w.phase)];
                if (unit.kind != NodeKind::Char) {
                    break;
                }
                in.op = unit.icase ? Op::CharI : Op::Char;
                in.ch = unit.icase ? perl_syntax::Fold(unit.ch) : unit.ch;
                Add(in);
                ++w.phase;
            }
            if (w.phase < static_cast<std::int32_t>(static_cast<std::size_t>(n.kidCount))) {
                const std::int32_t kid = tree_.Kid(n, w.phase++);
                stack.push_back({kid, 0, -1, -1});
            } else {
                stack.pop_back();
            }
            break;
        case NodeKind::Capture:
            in.x = n.index;
            if (w.phase == 0) {
                in.op = Op::Open;
                Add(in);
                w.phase = 1;
                stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
            } else {
                in.op = Op::Close;
                Add(in);
                stack.pop_back();
            }
            break;
        case NodeKind::Atomic:
            if (w.phase == 0) {
                in.op = Op::Atomic;
                Add(in);
                ++impure_;
                w.phase = 1;
                stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
            } else {
                in.op = Op::AtomicEnd;
                Add(in);
                --impure_;
                stack.pop_back();
            }
            break;
        case NodeKind::Look:
            if (w.phase == 0) {
                const RegexNode& body = tree_.nodes[tree_.Kid(n, 0)];
                if (n.behind && body.maxWidth > kMaxLookBehind) {
                    throw bad_regexpr("ill-formed regular expression");
                }
                in.op = Op::Assert;
                in.flag = static_cast<std::uint8_t>((n.negated ? 1 : 0) | (n.behind ? 2 : 0));
                in.min = body.minWidth;
                in.max = body.maxWidth;
                w.a = Add(in);
                ++impure_;
                w.phase = 1;
                stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
            } else {
                in.op = Op::AssertEnd;
                Add(in);
                --impure_;
                code[w.a].x = pc();
                stack.pop_back();
            }
            break;
        case NodeKind::Alt: {
            const auto count = static_cast<std::int32_t>(static_cast<std::size_t>(n.kidCount));
            const std::int32_t i = w.phase / 2;
            if (w.phase % 2 == 0) {
                if (i < count - 1) {
                    in.op = Op::Split;
                    in.x = pc() + 1;
                    w.a = Add(in);
                }
                ++w.phase;
                stack.push_back({tree_.Kid(n, i), 0, -1, -1});
            } else if (i < count - 1) {
                in.op = Op::Jmp;
                in.x = w.b;
                w.b = Add(in);
                code[w.a].y = pc();
                ++w.phase;
            } else {
                for (std::int32_t j = w.b; j >= 0;) {
                    const std::int32_t next = code[j].x;
                    code[j].x = pc();
                    j = next;
                }
                stack.pop_back();
            }
            break;
        }
        case NodeKind::Repeat: {
            const RegexNode& kid = tree_.nodes[tree_.Kid(n, 0)];
            const bool unit = kid.kind == NodeKind::Char || kid.kind == NodeKind::Set ||
                              kid.kind == NodeKind::Any;
            if (w.phase == 0) {
                if (n.max == 0) {
                    stack.pop_back();
                } else if (kid.kind == NodeKind::Backref && !(n.min == 1 && n.max == 1)) {
                    // "\1{2,}" repeats one text: one instruction and one entry.
                    in.op = Op::RefStar;
                    in.x = kid.index;
                    in.flag =
                        static_cast<std::uint8_t>((kid.icase ? 1 : 0) | (n.greedy ? 0x80 : 0));
                    in.min = n.min;
                    in.max = n.max;
                    Add(in);
                    stack.pop_back();
                } else if (n.min == 1 && n.max == 1) {
                    const std::int32_t body = tree_.Kid(n, 0);
                    stack.pop_back();
                    stack.push_back({body, 0, -1, -1});
                } else if (unit) {
                    in.op = Op::Star;
                    in.min = n.min;
                    in.max = n.max;
                    in.flag = n.greedy ? 0x80 : 0;
                    if (kid.kind == NodeKind::Char) {
                        in.flag |= kid.icase ? kUnitCharI : kUnitChar;
                        in.ch = kid.icase ? perl_syntax::Fold(kid.ch) : kid.ch;
                    } else if (kid.kind == NodeKind::Set) {
                        in.flag |= kUnitSet;
                        in.x = kid.index;
                    } else {
                        in.flag |= kid.dotAll ? kUnitAnyNl : kUnitAny;
                    }
                    Add(in);
                    stack.pop_back();
                } else if (n.min == 0 && n.max == 1) {
                    in.op = Op::Split;
                    w.a = Add(in);
                    if (n.greedy) {
                        code[w.a].x = pc();
                    } else {
                        code[w.a].y = pc();
                    }
                    w.phase = 1;
                    stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
                } else if (kid.minWidth > 0 && n.max == RegexTree::kInfinite && n.min <= 1) {
                    if (n.min == 0) {
                        in.op = Op::Split;
                        w.a = Add(in);
                        if (n.greedy) {
                            code[w.a].x = pc();
                        } else {
                            code[w.a].y = pc();
                        }
                        w.phase = 2;
                    } else {
                        w.a = pc();
                        w.phase = 3;
                    }
                    stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
                } else {
                    // Only counts below the minimum or toward a maximum
                    // change what the loop may do next; '*' and '+' loops stay
                    // pure apart from the head of a '+', which must iterate once.
                    const std::int32_t r = prog_.registerPairs++;
                    const bool counted = !(n.min <= 1 && n.max == RegexTree::kInfinite);
                    in.op = Op::RepInit;
                    in.x = r;
                    Add(in);
                    if (counted) {
                        ++impure_;
                    }
                    in.op = Op::RepHead;
                    in.min = n.min;
                    in.max = n.max;
                    in.flag = n.greedy ? 1 : 0;
                    w.a = Add(in);
                    if (n.min == 1) {
                        code[w.a].pure = false;
                    }
                    in.op = Op::RepIter;
                    Add(in);
                    w.b = counted ? 1 : 0;
                    w.phase = 4;
                    stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
                }
            } else if (w.phase == 1) {
                if (n.greedy) {
                    code[w.a].y = pc();
                } else {
                    code[w.a].x = pc();
                }
                stack.pop_back();
            } else if (w.phase == 2) {
                in.op = Op::Jmp;
                in.x = w.a;
                Add(in);
                hard_ = true;
                if (n.greedy) {
                    code[w.a].y = pc();
                } else {
                    code[w.a].x = pc();
                }
                stack.pop_back();
            } else if (w.phase == 3) {
                in.op = Op::Split;
                in.x = n.greedy ? w.a : pc() + 1;
                in.y = n.greedy ? pc() + 1 : w.a;
                Add(in);
                hard_ = true;
                stack.pop_back();
            } else {
                in.op = Op::Jmp;
                in.x = w.a;
                Add(in);
                code[w.a].y = pc();
                if (w.b != 0) {
                    --impure_;
                }
                stack.pop_back();
            }
            break;
        }
        case NodeKind::Cond: {
            const bool hasNo = static_cast<std::size_t>(n.kidCount) > 1;
            if (n.cond < 0) {
                if (w.phase == 0) {
                    in.op = Op::CondGroup;
                    in.x = n.index;
                    w.a = Add(in);
                    w.phase = 1;
                    stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
                } else if (w.phase == 1) {
                    if (hasNo) {
                        in.op = Op::Jmp;
                        w.b = Add(in);
                        code[w.a].y = pc();
                        w.phase = 2;
                        stack.push_back({tree_.Kid(n, 1), 0, -1, -1});
                    } else {
                        code[w.a].y = pc();
                        stack.pop_back();
                    }
                } else {
                    code[w.b].x = pc();
                    stack.pop_back();
                }
                break;
            }
            const RegexNode& look = tree_.nodes[n.cond];
            if (w.phase == 0) {
                const RegexNode& body = tree_.nodes[tree_.Kid(look, 0)];
                if (look.behind && body.maxWidth > kMaxLookBehind) {
                    throw bad_regexpr("ill-formed regular expression");
                }
                in.op = Op::Assert;
                in.flag = static_cast<std::uint8_t>((look.negated ? 1 : 0) | (look.behind ? 2 : 0));
                in.min = body.minWidth;
                in.max = body.maxWidth;
                w.a = Add(in);
                ++impure_;
                w.phase = 1;
                stack.push_back({tree_.Kid(look, 0), 0, -1, -1});
            } else if (w.phase == 1) {
                in.op = Op::AssertEnd;
                Add(in);
                --impure_;
                code[w.a].x = pc();
                w.phase = 2;
                stack.push_back({tree_.Kid(n, 0), 0, -1, -1});
            } else if (w.phase == 2) {
                if (hasNo) {
                    in.op = Op::Jmp;
                    w.b = Add(in);
                    code[w.a].y = pc();
                    w.phase = 3;
                    stack.push_back({tree_.Kid(n, 1), 0, -1, -1});
                } else {
                    code[w.a].y = pc();
                    stack.pop_back();
                }
            } else {
                code[w.b].x = pc();
                stack.pop_back();
            }
            break;
        }
        }
    }
    Inst end;
    end.op = Op::Match;
    Add(end);
}

void RegexCompiler::LinkStars() {
    auto& code = prog_.code;
    const auto size = static_cast<std::int32_t>(code.size());
    for (std::int32_t i = 0; i + 1 < size; ++i) {
        if (code[i].op == Op::Star && code[i + 1].op == Op::Char) {
            code[i].y = code[i + 1].ch;
        } else if (code[i].op == Op::Star) {
            code[i].y = -1;
        }
    }
}

std::int32_t RegexCompiler::AssignMemoSlots(const RegexProgram& prog,
                                            std::vector<std::int32_t>& slots) {
    const auto& code = prog.code;
    const auto size = static_cast<std::int32_t>(code.size());
    if (!prog.memoAllowed) {
        return 0;
    }
    // Slots count predecessors (up to 2) until they are assigned.
    slots.assign(static_cast<std::size_t>(size), 0);
    auto bump = [&](std::int32_t target, int by = 1) {
        if (target >= 0 && target < size) {
            slots[target] = std::min(slots[target] + by, 2);
        }
    };
    bump(0); // every start position enters here
    for (std::int32_t i = 0; i < size; ++i) {
        const Inst& in = code[i];
        switch (in.op) {
        case Op::Jmp:
            bump(in.x);
            break;
        case Op::Split:
            bump(in.x);
            bump(in.y);
            break;
        case Op::RepHead:
            bump(i + 1);
            bump(in.y);
            break;
        case Op::Assert:
            bump(i + 1);
            bump(in.x);
            bump(in.y);
            break;
        case Op::CondGroup:
            bump(i + 1);
            bump(in.y);
            break;
        case Op::Star:
            bump(i + 1, 2);
            break;
        case Op::Match:
        case Op::AssertEnd:
            break;
        default:
            bump(i + 1);
            break;
        }
    }
    const std::vector<std::uint64_t> live = LiveCaptures(prog);
    if (live.empty() && prog.readsCaptures) {
        return 0;
    }
    std::int32_t count = 0;
    for (std::int32_t i = 0; i < size; ++i) {
        const bool free = live.empty() || live[i] == 0;
        slots[i] = code[i].pure && free && slots[i] >= 2 ? count++ : -1;
    }
    return count;
}

std::vector<std::uint64_t> RegexCompiler::LiveCaptures(const RegexProgram& prog) {
    // Two bits per group that some instruction reads: its text (bit 2j) and the
    // start recorded by its open bracket (bit 2j+1), which a close bracket reads.
    if (!prog.readsCaptures) {
        return {};
    }
    const auto& code = prog.code;
    const auto size = static_cast<std::int32_t>(code.size());
    std::vector<std::int32_t> bitOf(static_cast<std::size_t>(prog.groupCount) + 1, -1);
    std::int32_t readGroups = 0;
    for (const Inst& in : code) {
        if ((in.op == Op::Backref || in.op == Op::RefStar || in.op == Op::CondGroup) &&
            in.x <= prog.groupCount && bitOf[in.x] < 0) {
            if (readGroups == 32) {
                return {};
            }
            bitOf[in.x] = 2 * readGroups++;
        }
    }
    if (readGroups == 0) {
        return {};
    }
    auto text = [&](std::int32_t g) {
        return g <= prog.groupCount && bitOf[g] >= 0 ? std::uint64_t{1} << bitOf[g] : 0;
    };
    std::vector<std::uint64_t> live(static_cast<std::size_t>(size), 0);
    auto at = [&](std::int32_t pc) { return pc >= 0 && pc < size ? live[pc] : 0; };
    // Backward passes until nothing changes; loops settle in a few passes.
    for (bool changed = true; changed;) {
        changed = false;
        for (std::int32_t i = size - 1; i >= 0; --i) {
            const Inst& in = code[i];
            std::uint64_t out = 0;
            switch (in.op) {
            case Op::Split:
                out = at(in.x) | at(in.y);
                break;
            case Op::Jmp:
                out = at(in.x);
                break;
            case Op::RepHead:
            case Op::CondGroup:
                out = at(i + 1) | at(in.y);
                break;
            case Op::Assert:
                // The body's end leads on to x or y, counted here already, so
                // every read after the assertion is live before it.
                out = at(i + 1) | at(in.x) | at(in.y);
                break;
            case Op::AssertEnd:
            case Op::Match:
                break;
            default:
                out = at(i + 1);
                break;
            }
            std::uint64_t in_ = out;
            if (in.op == Op::Open) {
                in_ &= ~(text(in.x) << 1);
            } else if (in.op == Op::Close && text(in.x) != 0) {
                in_ = (in_ & ~text(in.x)) | (text(in.x) << 1);
            } else if (in.op == Op::Backref || in.op == Op::RefStar || in.op == Op::CondGroup) {
                in_ |= text(in.x);
            }
            if (in_ != live[i]) {
                live[i] = in_;
                changed = true;
            }
        }
    }
    return live;
}

void RegexCompiler::AnalyseRequirements() {
    // Only loops over groups, back-references, look-arounds and conditionals
    // (hard_, noted while emitting) can make a search run long; without them
    // memoisation bounds the work and the analysis would cost more than it saves.
    if (hard_) {
        RequirementFinder(tree_).Collect(tree_.root, 0, prog_);
    }
}

void RegexCompiler::AnalyseStart() {
    const auto& code = prog_.code;
    // A pattern of plain units is a substring search.
    prog_.isLiteral = true;
    for (std::size_t i = 0; i + 1 < code.size(); ++i) {
        if (code[i].op != Op::Char) {
            prog_.isLiteral = false;
            break;
        }
        prog_.literal.push_back(code[i].ch);
    }
    if (!prog_.isLiteral) {
        prog_.literal.clear();
    }
    std::size_t first = 0;
    while (first < code.size() && code[first].op == Op::Open) {
        ++first;
    }
    if (code[first].op == Op::Anchor &&
        code[first].flag == static_cast<std::uint8_t>(AnchorKind::TextStart)) {
        prog_.anchoredStart = true;
    }
    // A leading greedy .* that starts later than a line start could also have
    // started at that line start: trying line starts only is enough.
    const Inst& head = code[0];
    if (head.op == Op::Star && (head.flag & 0x80) != 0 && head.min == 0 &&
        head.max == RegexTree::kInfinite) {
        const auto kind = head.flag & 0x7F;
        if (kind == kUnitAnyNl) {
            prog_.anchoredStart = true;
        } else if (kind == kUnitAny) {
            prog_.lineStart = true;
        }
    }
    // The last plain unit on the path that every match takes must appear in
    // it; checking for it first turns many long failing searches into one scan
    // of the text. The path runs through the exit of every loop and goes round
    // optional parts and alternatives; it ends at the first assertion.
    const auto size = static_cast<std::int32_t>(code.size());
    for (std::int32_t i = 0; i < size;) {
        const Inst& in = code[i];
        if (in.op == Op::Char) {
            prog_.requiredUnit = in.ch;
        } else if (in.op == Op::Star && (in.flag & 0x7F) == kUnitChar && in.min > 0) {
            prog_.requiredUnit = in.ch;
        } else if (in.op == Op::Split) {
            const std::int32_t other = in.x == i + 1 ? in.y : in.y == i + 1 ? in.x : -1;
            if (other >= 0 && other < i) {
                ++i; // the back edge of a '+' loop: its exit follows
                continue;
            }
            if (other > i + 1 && (code[other - 1].op != Op::Jmp || code[other - 1].x == i)) {
                i = other; // an optional part or a '*' loop: go round it
                continue;
            }
            if (other > i + 1 && code[other - 1].op == Op::Jmp && code[other - 1].x > other) {
                i = code[other - 1].x; // alternatives: all of them meet at the end
                continue;
            }
            break;
        } else if (in.op != Op::CharI && in.op != Op::Set && in.op != Op::Any &&
                   in.op != Op::AnyNl && in.op != Op::Star && in.op != Op::Open &&
                   in.op != Op::Close && in.op != Op::Anchor) {
            break;
        }
        ++i;
    }
    // Units that can begin a match.
    auto& mutableCode = prog_.code;
    // The emitter's work stack is empty now; its storage serves as the worklist.
    auto& todo = work_;
    todo.clear();
    todo.push_back({0, 0, 0, 0});
    auto addUnit = [&](char16_t c) {
        if (c < 256) {
            prog_.firstLow[c >> 6] |= std::uint64_t{1} << (c & 63);
        } else {
            prog_.firstHigh = true;
        }
    };
    auto addSet = [&](std::int32_t index) {
        const CharSet& set = prog_.sets[index];
        for (int k = 0; k < 4; ++k) {
            prog_.firstLow[k] |= set.LowBits()[k];
        }
        prog_.firstHigh = prog_.firstHigh || set.HasHigh();
    };
    auto addFolded = [&](char16_t c) {
        addUnit(c);
        addUnit(perl_syntax::OtherCase(c));
    };
    while (!todo.empty()) {
        const std::int32_t i = todo.back().node;
        todo.pop_back();
        if (mutableCode[i].seen) {
            continue;
        }
        mutableCode[i].seen = true;
        const Inst& in = code[i];
        switch (in.op) {
        case Op::Char:
            addUnit(in.ch);
            break;
        case Op::CharI:
            addFolded(in.ch);
            break;
        case Op::Set:
            addSet(in.x);
            break;
        case Op::Star: {
            const auto kind = in.flag & 0x7F;
            if (kind == kUnitAny || kind == kUnitAnyNl) {
                return;
            }
            if (kind == kUnitChar) {
                addUnit(in.ch);
            } else if (kind == kUnitCharI) {
                addFolded(in.ch);
            } else {
                addSet(in.x);
            }
            if (in.min == 0) {
                todo.push_back({i + 1, 0, 0, 0});
            }
            break;
        }
        case Op::Split:
            todo.push_back({in.x, 0, 0, 0});
            todo.push_back({in.y, 0, 0, 0});
            break;
        case Op::Jmp:
            todo.push_back({in.x, 0, 0, 0});
            break;
        case Op::RepHead:
            // Even with a minimum the body may match nothing, so the exit counts.
            todo.push_back({i + 1, 0, 0, 0});
            todo.push_back({in.y, 0, 0, 0});
            break;
        case Op::Assert:
            // An assertion consumes nothing: the match goes on from the same
            // position on whichever side the assertion sends it.
            todo.push_back({in.x, 0, 0, 0});
            if (in.y >= 0) {
                todo.push_back({in.y, 0, 0, 0});
            }
            break;
        case Op::CondGroup:
            todo.push_back({i + 1, 0, 0, 0});
            todo.push_back({in.y, 0, 0, 0});
            break;
        case Op::Open:
        case Op::Close:
        case Op::RepInit:
        case Op::RepIter:
        case Op::Atomic:
        case Op::AtomicEnd:
        case Op::Anchor:
            todo.push_back({i + 1, 0, 0, 0});
            break;
        default:
            return;
        }
    }
    prog_.firstAny = false;
    if (!prog_.firstHigh) {
        std::int32_t count = 0;
        for (int k = 0; k < 4 && count <= 2; ++k) {
            for (std::uint64_t bits = prog_.firstLow[k]; bits != 0 && count <= 2;
                 bits &= bits - 1) {
                ++count;
            }
        }
        if (count <= 2) {
            for (int k = 0; k < 4; ++k) {
                for (std::uint64_t bits = prog_.firstLow[k]; bits != 0; bits &= bits - 1) {
                    prog_.firstUnits[prog_.firstUnitCount++] =
                        static_cast<char16_t>(64 * k + std::countr_zero(bits));
                }
            }
        }
    }
}

} // namespace resetra::regex
