// The requirement analysis walks the tree recursively but only to a fixed
// depth: below it nothing is claimed, which keeps deep patterns off the
// thread's stack and is always sound.
#include "regex/RequirementFinder.h"

#include "regex/perl_syntax.h"

#include <algorithm>

namespace resetra::regex {

namespace {

constexpr int kMaxRequirementDepth = 48;

} // namespace

Requirement RequirementFinder::Need(std::int32_t index, int depth) const {
    Requirement r;
    const RegexNode& n = tree_.nodes[index];
    if (depth > kMaxRequirementDepth) {
        return r;
    }
    switch (n.kind) {
    case NodeKind::Char:
        r.count = 1;
        r.atoms[0].kind = n.icase ? RequiredAtom::Folded : RequiredAtom::Unit;
        r.atoms[0].ch = n.icase ? perl_syntax::Fold(n.ch) : n.ch;
        break;
    case NodeKind::Set:
        r.count = 1;
        r.atoms[0].kind = RequiredAtom::InSet;
        r.atoms[0].set = n.index;
        break;
    case NodeKind::Seq:
        for (std::int32_t i = 0; i < n.kidCount; ++i) {
            const Requirement k = Need(tree_.Kid(n, i), depth + 1);
            if (Score(k) >= Score(r)) {
                r = k;
            }
        }
        break;
    case NodeKind::Alt:
        for (std::int32_t i = 0; i < n.kidCount; ++i) {
            if (!Merge(r, Need(tree_.Kid(n, i), depth + 1))) {
                return Requirement{};
            }
        }
        break;
    case NodeKind::Cond:
        if (n.kidCount == 2 && Merge(r, Need(tree_.Kid(n, 0), depth + 1)) &&
            Merge(r, Need(tree_.Kid(n, 1), depth + 1))) {
            break;
        }
        return Requirement{};
    case NodeKind::Repeat:
        if (n.min > 0) {
            r = Need(tree_.Kid(n, 0), depth + 1);
        }
        break;
    case NodeKind::Look:
        if (!n.negated) {
            r = Need(tree_.Kid(n, 0), depth + 1);
        }
        break;
    case NodeKind::Capture:
    case NodeKind::Atomic:
        r = Need(tree_.Kid(n, 0), depth + 1);
        break;
    default:
        break;
    }
    return r;
}

void RequirementFinder::Collect(std::int32_t index, int depth, RegexProgram& prog) const {
    const RegexNode& n = tree_.nodes[index];
    if (depth > kMaxRequirementDepth) {
        return;
    }
    switch (n.kind) {
    case NodeKind::Seq:
        for (std::int32_t i = 0; i < n.kidCount; ++i) {
            Collect(tree_.Kid(n, i), depth + 1, prog);
        }
        break;
    case NodeKind::Repeat:
        if (n.min > 0) {
            Collect(tree_.Kid(n, 0), depth + 1, prog);
        }
        break;
    case NodeKind::Look:
        if (!n.negated) {
            Collect(tree_.Kid(n, 0), depth + 1, prog);
        }
        break;
    case NodeKind::Capture:
    case NodeKind::Atomic:
        Collect(tree_.Kid(n, 0), depth + 1, prog);
        break;
    default:
        Add(Need(index, depth), prog);
        break;
    }
}

int RequirementFinder::Score(const Requirement& r) {
    if (r.count == 0) {
        return 0;
    }
    return r.atoms[0].kind != RequiredAtom::InSet && r.count == 1 ? 10 : 5 - r.count;
}

bool RequirementFinder::Merge(Requirement& r, const Requirement& k) {
    if (k.count == 0) {
        return false;
    }
    for (std::int32_t i = 0; i < k.count; ++i) {
        bool known = false;
        for (std::int32_t j = 0; j < r.count; ++j) {
            known = known || r.atoms[j] == k.atoms[i];
        }
        if (!known) {
            if (r.count == Requirement::kMaxAtoms) {
                return false;
            }
            r.atoms[r.count++] = k.atoms[i];
        }
    }
    return true;
}

void RequirementFinder::Add(const Requirement& r, RegexProgram& prog) {
    if (r.count == 0) {
        return;
    }
    for (std::int32_t i = 0; i < prog.requirementCount; ++i) {
        const Requirement& old = prog.requirements[i];
        if (old.count == r.count && std::equal(r.atoms, r.atoms + r.count, old.atoms)) {
            return;
        }
    }
    if (prog.requirementCount < RegexProgram::kMaxRequirements) {
        prog.requirements[prog.requirementCount++] = r;
        return;
    }
    for (Requirement& old : prog.requirements) {
        if (Score(old) < Score(r)) {
            old = r;
            return;
        }
    }
}

} // namespace resetra::regex
