// The backtracking interpreter. Each choice point remembers the height of the
// trail of undo records; going back to it undoes the captures, registers and
// recursion frames recorded since. An atomic group or a succeeding
// look-around only drops the choice points above its marker: the trail stays,
// so captures made inside are still taken back on a later failure, and a cut
// costs no more than the choices it removes.
#include "regex/RegexMatcher.h"

#include "regex/RegexCompiler.h"
#include "regex/RegexTree.h"
#include "regex/perl_syntax.h"

#include <algorithm>
#include <bit>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace resetra::regex {

namespace {

enum EntryKind : std::int32_t {
    // Choice points.
    kAlt,    // resume at pc, position a
    kRefG,   // greedy back-reference loop at pc: may give back down to a, now at b
    kRefL,   // lazy back-reference loop at pc: now at a, may take b more copies
    kStarG,  // greedy one-unit loop at pc: may give back down to a, now at b
    kStarL,  // lazy one-unit loop at pc: now at a, may grow up to b
    kMarker, // start of the atomic group or assertion at pc, entered at position a
    // Undo records.
    kCap,      // capture slot index had value a
    kCapPair,  // capture slots index and index+1 had values a and b
    kReg,      // register index had value a
    kCallPush, // a recursion frame was pushed
    kCallRet,  // a recursion returned; its frame is retired_[a]
};

enum UnitKind : std::uint8_t { kUnitChar, kUnitCharI, kUnitSet, kUnitAny, kUnitAnyNl };

constexpr std::size_t kMaxTextUnits = std::size_t{1} << 30;

// First position in [from, to) holding a or b, or to. Eight units a step
// where SSE2 is there (every x64 processor): the scans for a first or a
// required unit are most of the work of a search that fails.
std::int32_t FindEither(const char16_t* t, std::int32_t from, std::int32_t to, char16_t a,
                        char16_t b) noexcept {
    std::int32_t i = from;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(static_cast<short>(a));
    const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
    for (; i + 8 <= to; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb))));
        if (mask != 0) {
            return i + std::countr_zero(mask) / 2;
        }
    }
#endif
    while (i < to && t[i] != a && t[i] != b) {
        ++i;
    }
    return i;
}

// Last position below to holding a, or -1.
std::int32_t FindLast(const char16_t* t, std::int32_t to, char16_t a) noexcept {
    std::int32_t i = to;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(static_cast<short>(a));
    for (; i >= 8; i -= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i - 8));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(v, va)));
        if (mask != 0) {
            return i - 8 + (31 - std::countl_zero(mask)) / 2;
        }
    }
#endif
    while (i > 0 && t[i - 1] != a) {
        --i;
    }
    return i - 1;
}

} // namespace

RegexMatcher::RegexMatcher(const RegexProgram& program, std::u16string_view text,
                           const MatchLimits& limits)
    : prog_(program), t_(text.data()),
      n_(text.size() > kMaxTextUnits ? -1 : static_cast<std::int32_t>(text.size())),
      limits_(limits) {
    maxSteps_ = limits_.baseSteps + limits_.stepsPerUnit * static_cast<std::int64_t>(n_);
    memoAt_ = limits_.memoFromStart ? 0 : 4 * static_cast<std::int64_t>(n_) + 4096;
    // The text's requirements cost a pass over it: worth it only once the
    // search has done about as much work.
    requireAt_ = prog_.requirementCount == 0 ? -1
                 : limits_.memoFromStart     ? 0
                                             : 2 * static_cast<std::int64_t>(n_) + 256;
    NextCheck();
}

void RegexMatcher::SetCap(std::int32_t index, std::int32_t value) {
    if (Trail({kCap, index, caps_[index], 0})) {
        caps_[index] = value;
    }
}

void RegexMatcher::SetReg(std::int32_t index, std::int32_t value) {
    if (Trail({kReg, index, regs_[index], 0})) {
        regs_[index] = value;
    }
}

bool RegexMatcher::UnitMatches(const Inst& in, char16_t c) const noexcept {
    switch (in.flag & 0x7F) {
    case kUnitChar:
        return c == in.ch;
    case kUnitCharI:
        return perl_syntax::Fold(c) == in.ch;
    case kUnitSet:
        return prog_.sets[in.x].Contains(c);
    case kUnitAny:
        return c != u'\n';
    default:
        return true;
    }
}

std::int32_t RegexMatcher::ScanUnits(const Inst& in, std::int32_t pos,
                                     std::int32_t limit) const noexcept {
    // One loop per kind of unit: this is the innermost loop of most searches.
    const char16_t* p = t_ + pos;
    const char16_t* const end = t_ + limit;
    switch (in.flag & 0x7F) {
    case kUnitChar:
        while (p < end && *p == in.ch) {
            ++p;
        }
        break;
    case kUnitCharI:
        while (p < end && perl_syntax::Fold(*p) == in.ch) {
            ++p;
        }
        break;
    case kUnitSet: {
        const CharSet& set = prog_.sets[in.x];
        while (p < end && set.Contains(*p)) {
            ++p;
        }
        break;
    }
    case kUnitAny:
        while (p < end && *p != u'\n') {
            ++p;
        }
        break;
    default:
        p = end;
        break;
    }
    return static_cast<std::int32_t>(p - t_);
}

bool RegexMatcher::AnchorHolds(std::uint8_t kind, std::int32_t pos) const noexcept {
    switch (static_cast<AnchorKind>(kind)) {
    case AnchorKind::TextStart:
        return pos == 0;
    case AnchorKind::LineStart:
        return pos == 0 || (pos < n_ && t_[pos - 1] == u'\n');
    case AnchorKind::TextEndOrLine:
        return pos == n_ || (pos == n_ - 1 && t_[pos] == u'\n');
    case AnchorKind::LineEnd:
        return pos == n_ || t_[pos] == u'\n';
    case AnchorKind::TextEnd:
        return pos == n_;
    case AnchorKind::WordBoundary:
    case AnchorKind::NotWordBoundary: {
        const bool before = pos > 0 && perl_syntax::IsWord(t_[pos - 1]);
        const bool after = pos < n_ && perl_syntax::IsWord(t_[pos]);
        return (before != after) == (static_cast<AnchorKind>(kind) == AnchorKind::WordBoundary);
    }
    }
    return false;
}

void RegexMatcher::NextCheck() noexcept {
    checkAt_ = maxSteps_ + 1;
    for (const std::int64_t at : {memoAt_, requireAt_}) {
        if (at >= 0) {
            checkAt_ = std::min(checkAt_, at);
        }
    }
}

bool RegexMatcher::TextMeetsAll() const noexcept {
    // Which units below 256 the text holds, in one pass.
    std::uint64_t present[4] = {0, 0, 0, 0};
    bool high = false;
    for (std::int32_t p = 0; p < n_; ++p) {
        const char16_t c = t_[p];
        if (c < 256) {
            present[c >> 6] |= std::uint64_t{1} << (c & 63);
        } else {
            high = true;
        }
    }
    for (std::int32_t i = 0; i < prog_.requirementCount; ++i) {
        if (!TextMeets(prog_.requirements[i], present, high)) {
            return false;
        }
    }
    return true;
}

bool RegexMatcher::TextMeets(const Requirement& r, const std::uint64_t* present,
                             bool high) const noexcept {
    auto has = [&](char16_t c) { return ((present[c >> 6] >> (c & 63)) & 1u) != 0; };
    for (std::int32_t i = 0; i < r.count; ++i) {
        const RequiredAtom& a = r.atoms[i];
        if (a.kind == RequiredAtom::Unit && a.ch < 256 && has(a.ch)) {
            return true;
        }
        if (high) {
            continue; // settled by the scan below
        }
        if (a.kind == RequiredAtom::Folded) {
            const char16_t other = perl_syntax::OtherCase(a.ch);
            if ((a.ch < 256 && has(a.ch)) || (other < 256 && has(other))) {
                return true;
            }
        } else if (a.kind == RequiredAtom::InSet) {
            const std::uint64_t* bits = prog_.sets[a.set].LowBits();
            for (int k = 0; k < 4; ++k) {
                if ((bits[k] & present[k]) != 0) {
                    return true;
                }
            }
        }
    }
    if (!high) {
        return false; // every unit of the text is in the bitmap
    }
    for (std::int32_t p = 0; p < n_; ++p) {
        const char16_t c = t_[p];
        for (std::int32_t i = 0; i < r.count; ++i) {
            const RequiredAtom& a = r.atoms[i];
            const bool met = a.kind == RequiredAtom::Unit     ? c == a.ch
                             : a.kind == RequiredAtom::Folded ? perl_syntax::Fold(c) == a.ch
                                                              : prog_.sets[a.set].Contains(c);
            if (met) {
                return true;
            }
        }
    }
    return false;
}

std::size_t RegexMatcher::FindMarker() const noexcept {
    std::size_t i = choices_.size();
    while (i > 0) {
        --i;
        if (choices_[i].kind == kMarker) {
            return i;
        }
    }
    return 0; // unreachable: every end instruction has its marker below
}

void RegexMatcher::UndoTo(std::size_t height) {
    while (trail_.size() > height) {
        const Undo u = trail_.back();
        trail_.pop_back();
        switch (u.kind) {
        case kCap:
            caps_[u.index] = u.a;
            break;
        case kCapPair:
            caps_[u.index] = u.a;
            caps_[u.index + 1] = u.b;
            break;
        case kReg:
            regs_[u.index] = u.a;
            break;
        case kCallPush:
            calls_.pop_back();
            break;
        case kCallRet: {
            CallFrame& f = retired_[u.a];
            std::swap(f.caps, caps_);
            std::swap(f.regs, regs_);
            calls_.push_back(std::move(f));
            retired_.pop_back();
            break;
        }
        default:
            break;
        }
    }
}

void RegexMatcher::Unwind(std::size_t marker) {
    UndoTo(choices_[marker].trail);
    choices_.resize(marker);
}

void RegexMatcher::EnableMemo() {
    memoAt_ = -1;
    const std::int32_t slots = RegexCompiler::AssignMemoSlots(prog_, memoSlot_);
    if (slots == 0) {
        return;
    }
    const std::uint64_t bits =
        static_cast<std::uint64_t>(slots) * (static_cast<std::uint64_t>(n_) + 1);
    const std::uint64_t words = (bits + 63) / 64;
    if (words * 8 > limits_.maxMemoBytes) {
        return;
    }
    memo_.assign(static_cast<std::size_t>(words), 0);
    memoOn_ = true;
}

std::int32_t RegexMatcher::PrevUnseen(std::int32_t slot, std::int32_t pos,
                                      std::int32_t low) const noexcept {
    // A slot's bits are consecutive by position, so 64 positions are
    // skipped per word: giving back a long run costs n/64, not n.
    const std::uint64_t base =
        static_cast<std::uint64_t>(slot) * (static_cast<std::uint64_t>(n_) + 1);
    std::int64_t q = pos;
    while (q >= low) {
        const std::uint64_t bit = base + static_cast<std::uint64_t>(q);
        const std::uint64_t word = ~memo_[bit >> 6];
        const unsigned offset = static_cast<unsigned>(bit & 63);
        const std::uint64_t below = offset == 63 ? word : word & ((std::uint64_t{2} << offset) - 1);
        if (below != 0) {
            const int top = 63 - std::countl_zero(below);
            const std::int64_t found = q - (static_cast<std::int64_t>(offset) - top);
            return found >= low ? static_cast<std::int32_t>(found) : low - 1;
        }
        q -= static_cast<std::int64_t>(offset) + 1;
    }
    return low - 1;
}

MatchStatus RegexMatcher::Search(std::vector<std::int32_t>& captures) {
    if (n_ < 0 || static_cast<std::size_t>(n_) > kMaxTextUnits) {
        return MatchStatus::BudgetExhausted; // positions are 32-bit
    }
    captures.clear();
    if (prog_.isLiteral) {
        const std::u16string_view text(t_, static_cast<std::size_t>(n_));
        const std::size_t at = text.find(prog_.literal);
        if (at == std::u16string_view::npos) {
            return MatchStatus::NoMatch;
        }
        captures.push_back(static_cast<std::int32_t>(at));
        captures.push_back(static_cast<std::int32_t>(at + prog_.literal.size()));
        return MatchStatus::Matched;
    }
    std::int32_t last = prog_.anchoredStart ? 0 : n_;
    if (prog_.requiredUnit >= 0 && !prog_.anchoredStart) {
        // A match starting after the last copy of the required unit is impossible.
        const std::u16string_view text(t_, static_cast<std::size_t>(n_));
        const std::int32_t at = FindLast(t_, n_, static_cast<char16_t>(prog_.requiredUnit));
        if (at < 0) {
            return MatchStatus::NoMatch;
        }
        last = std::min(last, at);
    }
    for (std::int32_t start = 0; start <= last; ++start) {
        if (prog_.lineStart && start > 0) {
            while (start < n_ && t_[start - 1] != u'\n') {
                ++start;
            }
            if (t_[start - 1] != u'\n') {
                break;
            }
        }
        if (prog_.firstUnitCount > 0) {
            // Every match consumes a first unit, and none starts after last.
            const std::int32_t limit = std::min(n_, last + 1);
            start = FindEither(t_, start, limit, prog_.firstUnits[0],
                               prog_.firstUnits[prog_.firstUnitCount - 1]);
            if (start >= limit) {
                break;
            }
        } else if (!prog_.firstAny) {
            while (start < n_) {
                const char16_t c = t_[start];
                if (c < 256 ? ((prog_.firstLow[c >> 6] >> (c & 63)) & 1u) != 0 : prog_.firstHigh) {
                    break;
                }
                ++start;
            }
            if (start >= n_) {
                break; // every match consumes a first unit
            }
        }
        if (caps_.empty()) {
            // Not before: most failing searches never get past the filters.
            caps_.assign(3 * (static_cast<std::size_t>(prog_.groupCount) + 1), -1);
            regs_.assign(2 * static_cast<std::size_t>(prog_.registerPairs), 0);
        }
        const MatchStatus status = Run(start);
        if (hopeless_) {
            return MatchStatus::NoMatch;
        }
        if (status != MatchStatus::NoMatch) {
            if (status == MatchStatus::Matched) {
                captures.resize(2 * (static_cast<std::size_t>(prog_.groupCount) + 1));
                for (std::int32_t g = 0; g <= prog_.groupCount; ++g) {
                    captures[2 * g] = caps_[3 * g];
                    captures[2 * g + 1] = caps_[3 * g + 1];
                }
            }
            return status;
        }
    }
    return MatchStatus::NoMatch;
}

MatchStatus RegexMatcher::Run(std::int32_t start) {
    const Inst* code = prog_.code.data();
    std::int32_t pc = 0;
    std::int32_t pos = start;
    choices_.clear();
    for (;;) {
        // One comparison per step; the rare events (budget, full stack, time
        // to start memoising) all lower checkAt_ to reach this block.
        if (++steps_ >= checkAt_) [[unlikely]] {
            if (stackFull_ || steps_ > maxSteps_) {
                return MatchStatus::BudgetExhausted;
            }
            if (requireAt_ >= 0 && steps_ >= requireAt_) {
                requireAt_ = -1;
                if (!TextMeetsAll()) {
                    hopeless_ = true;
                    return MatchStatus::NoMatch;
                }
            }
            if (memoAt_ >= 0 && steps_ >= memoAt_) {
                EnableMemo();
            }
            NextCheck();
        }
        const Inst& in = code[pc];
        if (memoOn_ && memoSlot_[pc] >= 0) {
            const std::uint64_t bit =
                static_cast<std::uint64_t>(memoSlot_[pc]) * (static_cast<std::uint64_t>(n_) + 1) +
                static_cast<std::uint64_t>(pos);
            std::uint64_t& word = memo_[bit >> 6];
            const std::uint64_t mask = std::uint64_t{1} << (bit & 63);
            if ((word & mask) != 0) {
                goto fail;
            }
            word |= mask;
        }
        switch (in.op) {
        case Op::Char:
            if (pos < n_ && t_[pos] == in.ch) {
                ++pos;
                ++pc;
                continue;
            }
            goto fail;
        case Op::CharI:
            if (pos < n_ && perl_syntax::Fold(t_[pos]) == in.ch) {
                ++pos;
                ++pc;
                continue;
            }
            goto fail;
        case Op::Set:
            if (pos < n_ && prog_.sets[in.x].Contains(t_[pos])) {
                ++pos;
                ++pc;
                continue;
            }
            goto fail;
        case Op::Any:
            if (pos < n_ && t_[pos] != u'\n') {
                ++pos;
                ++pc;
                continue;
            }
            goto fail;
        case Op::AnyNl:
            if (pos < n_) {
                ++pos;
                ++pc;
                continue;
            }
            goto fail;
        case Op::Star: {
            const std::int32_t room = n_ - pos;
            const std::int32_t limit =
                pos + (in.max == RegexTree::kInfinite ? room : std::min(room, in.max));
            if ((in.flag & 0x80) != 0) {
                const std::int32_t e = ScanUnits(in, pos, limit);
                steps_ += (e - pos) >> 5;
                if (e - pos < in.min) {
                    goto fail;
                }
                const std::int32_t low = pos + in.min;
                if (e > low && !Push({kStarG, pc, low, e})) {
                    goto fail;
                }
                pos = e;
            } else {
                std::int32_t e = pos;
                const std::int32_t need = pos + in.min;
                while (e < need && e < n_ && UnitMatches(in, t_[e])) {
                    ++e;
                }
                if (e < need) {
                    goto fail;
                }
                if (limit > e && !Push({kStarL, pc, e, limit})) {
                    goto fail;
                }
                pos = e;
            }
            ++pc;
            continue;
        }
        case Op::Split:
            if (!Push({kAlt, in.y, pos, 0})) {
                goto fail;
            }
            pc = in.x;
            continue;
        case Op::Jmp:
            pc = in.x;
            continue;
        case Op::Open:
            SetCap(3 * in.x + 2, pos);
            ++pc;
            continue;
        case Op::Close: {
            const std::int32_t slot = 3 * in.x;
            if (!Trail({kCapPair, slot, caps_[slot], caps_[slot + 1]})) {
                goto fail;
            }
            caps_[slot] = caps_[slot + 2];
            caps_[slot + 1] = pos;
            ++pc;
            continue;
        }
        case Op::RefStar: {
            const std::int32_t s = in.x <= prog_.groupCount ? caps_[3 * in.x] : -1;
            const std::int32_t e = in.x <= prog_.groupCount ? caps_[3 * in.x + 1] : -1;
            if (e < 0 || s < 0 || e == s) {
                // An unset group repeats zero times; an empty one any number.
                if (e < 0 && in.min > 0) {
                    goto fail;
                }
                ++pc;
                continue;
            }
            const std::int32_t len = e - s;
            const bool icase = (in.flag & 1) != 0;
            auto copyAt = [&](std::int32_t at) {
                if (len > n_ - at) {
                    return false;
                }
                for (std::int32_t k = 0; k < len; ++k) {
                    const char16_t a = t_[s + k];
                    const char16_t b = t_[at + k];
                    if (a != b && !(icase && perl_syntax::Fold(a) == perl_syntax::Fold(b))) {
                        return false;
                    }
                }
                return true;
            };
            const bool greedy = (in.flag & 0x80) != 0;
            std::int32_t count = 0;
            const std::int32_t want = greedy ? in.max : in.min;
            while (count < want && copyAt(pos + count * len)) {
                ++count;
            }
            steps_ += (count * len) >> 5;
            if (count < in.min) {
                goto fail;
            }
            const std::int32_t low = pos + in.min * len;
            if (greedy) {
                if (count > in.min && !Push({kRefG, pc, low, pos + count * len})) {
                    goto fail;
                }
            } else if (in.max > in.min &&
                       !Push({kRefL, pc, low,
                              in.max == RegexTree::kInfinite ? RegexTree::kInfinite
                                                             : in.max - in.min})) {
                goto fail;
            }
            pos += count * len;
            ++pc;
            continue;
        }
        case Op::Backref: {
            if (in.x > prog_.groupCount) {
                goto fail;
            }
            const std::int32_t s = caps_[3 * in.x];
            const std::int32_t e = caps_[3 * in.x + 1];
            if (e < 0 || s < 0) {
                goto fail;
            }
            const std::int32_t len = e - s;
            if (len > n_ - pos) {
                goto fail;
            }
            if ((in.flag & 1) != 0) {
                for (std::int32_t k = 0; k < len; ++k) {
                    if (perl_syntax::Fold(t_[s + k]) != perl_syntax::Fold(t_[pos + k])) {
                        goto fail;
                    }
                }
            } else if (!std::equal(t_ + s, t_ + e, t_ + pos)) {
                goto fail;
            }
            steps_ += len >> 5;
            pos += len;
            ++pc;
            continue;
        }
        case Op::Anchor:
            if (!AnchorHolds(in.flag, pos)) {
                goto fail;
            }
            ++pc;
            continue;
        case Op::RepInit:
            SetReg(2 * in.x, 0);
            SetReg(2 * in.x + 1, -1);
            ++pc;
            continue;
        case Op::RepHead: {
            const std::int32_t count = regs_[2 * in.x];
            if (count < in.min) {
                ++pc;
            } else if (pos == regs_[2 * in.x + 1]) {
                pc = in.y; // the last iteration matched nothing: Perl stops here
            } else if (count < in.max) {
                if ((in.flag & 1) != 0) {
                    if (!Push({kAlt, in.y, pos, 0})) {
                        goto fail;
                    }
                    ++pc;
                } else {
                    if (!Push({kAlt, pc + 1, pos, 0})) {
                        goto fail;
                    }
                    pc = in.y;
                }
            } else {
                pc = in.y;
            }
            continue;
        }
        case Op::RepIter:
            SetReg(2 * in.x, regs_[2 * in.x] + 1);
            SetReg(2 * in.x + 1, pos);
            ++pc;
            continue;
        case Op::Assert: {
            if (!Push({kMarker, pc, pos, 0})) {
                goto fail;
            }
            if ((in.flag & 2) == 0) {
                ++pc;
                continue;
            }
            const std::int32_t nearest = pos - in.min;
            if (nearest < 0) {
                goto fail; // the marker reports the body's failure
            }
            const std::int32_t farthest = std::max(0, pos - in.max);
            for (std::int32_t s = nearest; s > farthest; --s) {
                if (!Push({kAlt, pc + 1, s, 0})) {
                    goto fail;
                }
            }
            pos = farthest;
            ++pc;
            continue;
        }
        case Op::AssertEnd: {
            const std::size_t m = FindMarker();
            const Entry marker = choices_[m];
            const Inst& as = code[marker.pc];
            if ((as.flag & 2) != 0 && pos != marker.a) {
                goto fail;
            }
            if ((as.flag & 1) == 0) {
                choices_.resize(m);
                pos = marker.a;
                pc = as.x;
                continue;
            }
            Unwind(m);
            if (as.y >= 0) {
                pos = marker.a;
                pc = as.y;
                continue;
            }
            goto fail;
        }
        case Op::Atomic:
            if (!Push({kMarker, pc, pos, 0})) {
                goto fail;
            }
            ++pc;
            continue;
        case Op::AtomicEnd:
            choices_.resize(FindMarker());
            ++pc;
            continue;
        case Op::CondGroup:
            pc = in.x <= prog_.groupCount && caps_[3 * in.x + 1] >= 0 ? pc + 1 : in.y;
            continue;
        case Op::Call:
            if (!calls_.empty() && calls_.back().pos == pos) {
                return MatchStatus::RuntimeError;
            }
            if (calls_.size() >= limits_.maxCallDepth) {
                return MatchStatus::BudgetExhausted;
            }
            calls_.push_back({pc + 1, pos, caps_, regs_});
            if (!Trail({kCallPush, 0, 0, 0})) {
                goto fail;
            }
            pc = 0;
            continue;
        case Op::Match: {
            if (calls_.empty()) {
                caps_[0] = start;
                caps_[1] = pos;
                return MatchStatus::Matched;
            }
            // Perl gives the caller back its own captures after a recursion.
            CallFrame frame = std::move(calls_.back());
            calls_.pop_back();
            std::swap(frame.caps, caps_);
            std::swap(frame.regs, regs_);
            pc = frame.returnPc;
            retired_.push_back(std::move(frame));
            if (!Trail({kCallRet, 0, static_cast<std::int32_t>(retired_.size() - 1), 0})) {
                goto fail;
            }
            continue;
        }
        }
    fail:
        for (;;) {
            if (stackFull_) {
                return MatchStatus::BudgetExhausted;
            }
            if (choices_.empty()) {
                UndoTo(0); // the next start position begins with no captures
                return MatchStatus::NoMatch;
            }
            if (++steps_ > maxSteps_) {
                return MatchStatus::BudgetExhausted;
            }
            Entry& e = choices_.back();
            UndoTo(e.trail);
            switch (e.kind) {
            case kAlt:
                pc = e.pc;
                pos = e.a;
                choices_.pop_back();
                goto resume;
            case kStarG: {
                const Inst& st = code[e.pc];
                const std::int32_t next = memoOn_ ? memoSlot_[e.pc + 1] : -1;
                const bool useMemo = next >= 0;
                std::int32_t cur = e.b - 1;
                const std::int32_t from = cur;
                for (;;) {
                    if (useMemo) {
                        cur = PrevUnseen(next, cur, e.a);
                    }
                    if (cur < e.a || st.y < 0 || t_[cur] == st.y) {
                        break;
                    }
                    --cur;
                }
                steps_ += (from - cur) >> 5;
                if (cur < e.a) {
                    choices_.pop_back();
                    continue;
                }
                pc = e.pc + 1;
                pos = cur;
                if (cur == e.a) {
                    choices_.pop_back();
                } else {
                    e.b = cur;
                }
                goto resume;
            }
            case kRefG:
            case kRefL: {
                const Inst& st = code[e.pc];
                const std::int32_t s = caps_[3 * st.x];
                const std::int32_t len = caps_[3 * st.x + 1] - s;
                if (e.kind == kRefG) {
                    pos = e.b - len;
                    pc = e.pc + 1;
                    if (pos <= e.a) {
                        choices_.pop_back();
                    } else {
                        e.b = pos;
                    }
                    goto resume;
                }
                bool copy = e.b > 0 && len <= n_ - e.a;
                for (std::int32_t k = 0; copy && k < len; ++k) {
                    const char16_t a = t_[s + k];
                    const char16_t b = t_[e.a + k];
                    copy = a == b ||
                           ((st.flag & 1) != 0 && perl_syntax::Fold(a) == perl_syntax::Fold(b));
                }
                if (!copy) {
                    choices_.pop_back();
                    continue;
                }
                e.a += len;
                e.b = e.b == RegexTree::kInfinite ? e.b : e.b - 1;
                pos = e.a;
                pc = e.pc + 1;
                goto resume;
            }
            case kStarL: {
                const Inst& st = code[e.pc];
                if (e.a < e.b && UnitMatches(st, t_[e.a])) {
                    pos = ++e.a;
                    pc = e.pc + 1;
                    if (e.a >= e.b) {
                        choices_.pop_back();
                    }
                    goto resume;
                }
                choices_.pop_back();
                continue;
            }
            case kMarker: {
                const Entry marker = e;
                choices_.pop_back();
                const Inst& mi = code[marker.pc];
                if (mi.op == Op::Atomic) {
                    continue;
                }
                // The assertion's body failed at every way it could start.
                if ((mi.flag & 1) != 0) {
                    pc = mi.x;
                    pos = marker.a;
                    goto resume;
                }
                if (mi.y >= 0) {
                    pc = mi.y;
                    pos = marker.a;
                    goto resume;
                }
                continue;
            }
            default:
                choices_.pop_back();
                continue;
            }
        }
    resume:;
    }
}

} // namespace resetra::regex
