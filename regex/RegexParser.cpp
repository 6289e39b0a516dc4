// Pattern parser of the Perl dialect. Perl's own quirks are kept where a
// rule author would notice them: '{' that starts no valid quantifier is a
// literal, "\12" is octal unless twelve groups exist, "(?#...)" and (?x) white
// space are invisible to the quantifier that follows them.
#include "regex/RegexParser.h"

#include "regex/bad_regexpr.h"
#include "regex/perl_syntax.h"

namespace resetra::regex {

namespace {

constexpr std::int32_t kMaxCount = 65534;
constexpr std::size_t kMaxPatternUnits = std::size_t{1} << 24;

bool IsOctal(char16_t c) {
    return c >= u'0' && c <= u'7';
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

bool IsPatternSpace(char16_t c) {
    return c == u' ' || (c >= 9 && c <= 13) || c == 0x85 || c == 0x200E || c == 0x200F ||
           c == 0x2028 || c == 0x2029;
}

[[noreturn]] void Fail(const char* message) {
    throw bad_regexpr(message);
}

} // namespace

RegexTree RegexParser::Parse() {
    // Node indices are 32-bit and every unit may become a node: refuse
    // patterns whose tree alone would take gigabytes.
    if (p_.size() > kMaxPatternUnits) {
        Fail("ill-formed regular expression");
    }
    tree_.nodes.reserve(p_.size() + 2);
    tree_.kidPool.reserve(p_.size() + 2);
    items_.reserve(p_.size() + 1);
    frames_.emplace_back();
    for (;;) {
        // Only a backslash or a parenthesis can start something ignorable
        // outside (?x); most units of a pattern skip the call.
        if (flags_.extended || (!AtEnd() && (p_[i_] == u'\\' || p_[i_] == u'('))) {
            SkipIgnorable();
        }
        if (AtEnd()) {
            break;
        }
        const char16_t c = p_[i_];
        const bool quantifierBefore = afterQuantifier_;
        afterQuantifier_ = false;
        switch (c) {
        case u'(':
            OpenGroup();
            break;
        case u')':
            CloseGroup();
            break;
        case u'|':
            ++i_;
            items_.push_back(kAltBreak);
            lastAtom_ = -1;
            break;
        case u'*':
        case u'+':
        case u'?':
            ++i_;
            Quantify(c == u'+' ? 1 : 0, c == u'?' ? 1 : RegexTree::kInfinite);
            break;
        case u'{': {
            std::int32_t min = 0;
            std::int32_t max = 0;
            std::size_t end = 0;
            if (ReadBraces(i_, min, max, end) && (lastAtom_ >= 0 || quantifierBefore)) {
                i_ = end;
                Quantify(min, max);
            } else {
                ++i_;
                AddChar(c);
            }
            break;
        }
        case u'[':
            ++i_;
            ParseSet();
            break;
        case u'.': {
            ++i_;
            RegexNode n;
            n.kind = NodeKind::Any;
            n.dotAll = flags_.dotAll;
            AddAtom(n);
            break;
        }
        case u'^':
        case u'$': {
            ++i_;
            RegexNode n;
            n.kind = NodeKind::Anchor;
            AnchorKind k =
                c == u'^' ? (flags_.multiline ? AnchorKind::LineStart : AnchorKind::TextStart)
                          : (flags_.multiline ? AnchorKind::LineEnd : AnchorKind::TextEndOrLine);
            n.index = static_cast<std::int32_t>(k);
            AddAtom(n);
            break;
        }
        case u'\\':
            ParseEscape();
            break;
        default:
            ++i_;
            AddChar(c);
            break;
        }
    }
    if (frames_.size() != 1) {
        Fail("mismatched parenthesis");
    }
    for (std::int32_t ref : backrefs_) {
        if (ref > tree_.groupCount) {
            Fail("reference to nonexistent group");
        }
    }
    tree_.root = BuildAlternatives(0);
    tree_.ComputeWidths();
    return std::move(tree_);
}

// Perl decides between a back-reference and an octal escape by the number of
// groups in the whole pattern, so count them before parsing.
void RegexParser::CountGroups() {
    totalGroups_ = 0;
    std::size_t i = 0;
    const std::size_t n = p_.size();
    while (i < n) {
        const char16_t c = p_[i];
        if (c == u'\\') {
            if (i + 1 < n && p_[i + 1] == u'Q') {
                const std::size_t end = p_.find(u"\\E", i + 2);
                i = end == std::u16string_view::npos ? n : end + 2;
            } else {
                i += 2;
            }
        } else if (c == u'[') {
            ++i;
            if (i < n && p_[i] == u'^') {
                ++i;
            }
            if (i < n && p_[i] == u']') {
                ++i;
            }
            while (i < n && p_[i] != u']') {
                i += p_[i] == u'\\' ? 2 : 1;
            }
            ++i;
        } else if (c == u'(') {
            if (i + 1 >= n || p_[i + 1] != u'?') {
                ++totalGroups_;
            } else if (i + 2 < n && p_[i + 2] == u'#') {
                const std::size_t end = p_.find(u')', i);
                i = end == std::u16string_view::npos ? n : end;
            }
            ++i;
        } else {
            ++i;
        }
    }
}

void RegexParser::SkipIgnorable() {
    for (;;) {
        if (AtEnd()) {
            return;
        }
        const char16_t c = p_[i_];
        if (!flags_.extended && c != u'\\' && c != u'(') {
            return;
        }
        if (flags_.extended) {
            if (IsPatternSpace(p_[i_])) {
                ++i_;
                continue;
            }
            if (p_[i_] == u'#') {
                while (!AtEnd() && p_[i_] != u'\n') {
                    ++i_;
                }
                continue;
            }
        }
        // An empty \Q\E quotes nothing and is as invisible as a comment.
        if (p_.substr(i_, 4) == u"\\Q\\E" || p_.substr(i_) == u"\\Q") {
            i_ += std::min<std::size_t>(4, p_.size() - i_);
            continue;
        }
        if (p_.substr(i_, 3) == u"(?#") {
            const std::size_t end = p_.find(u')', i_ + 3);
            if (end == std::u16string_view::npos) {
                Fail("Expecting end of comment");
            }
            i_ = end + 1;
            continue;
        }
        return;
    }
}

void RegexParser::AddAtom(RegexNode node) {
    items_.push_back(tree_.Add(node));
    lastAtom_ = static_cast<std::int32_t>(items_.size() - 1);
}

void RegexParser::AddChar(char16_t c) {
    RegexNode n;
    n.kind = NodeKind::Char;
    n.ch = c;
    n.icase = flags_.icase && perl_syntax::OtherCase(c) != c;
    AddAtom(n);
}

void RegexParser::PushFrame(FrameKind kind) {
    Frame f;
    f.kind = kind;
    f.outer = flags_;
    f.itemsStart = items_.size();
    frames_.push_back(f);
    lastAtom_ = -1;
}

bool RegexParser::ReadFlags(Flags& flags) {
    bool on = true;
    if (!AtEnd() && p_[i_] == u'^') {
        flags = Flags{};
        ++i_;
    }
    while (!AtEnd()) {
        switch (p_[i_]) {
        case u'i':
            flags.icase = on;
            break;
        case u'm':
            flags.multiline = on;
            break;
        case u's':
            flags.dotAll = on;
            break;
        case u'x':
            flags.extended = on;
            break;
        case u'-':
            if (!on) {
                return false;
            }
            on = false;
            break;
        default:
            return true;
        }
        ++i_;
    }
    return true;
}

void RegexParser::OpenGroup() {
    ++i_;
    if (AtEnd() || p_[i_] != u'?') {
        PushFrame(FrameKind::Capture);
        frames_.back().group = ++tree_.groupCount;
        return;
    }
    ++i_;
    const std::u16string_view rest = p_.substr(i_);
    auto startLook = [&](FrameKind kind, bool negated, bool behind, std::size_t skip) {
        i_ += skip;
        PushFrame(kind);
        frames_.back().negated = negated;
        frames_.back().behind = behind;
    };
    if (rest.starts_with(u":")) {
        ++i_;
        PushFrame(FrameKind::Group);
    } else if (rest.starts_with(u"=")) {
        startLook(FrameKind::Look, false, false, 1);
    } else if (rest.starts_with(u"!")) {
        startLook(FrameKind::Look, true, false, 1);
    } else if (rest.starts_with(u"<=")) {
        startLook(FrameKind::Look, false, true, 2);
    } else if (rest.starts_with(u"<!")) {
        startLook(FrameKind::Look, true, true, 2);
    } else if (rest.starts_with(u">")) {
        ++i_;
        PushFrame(FrameKind::Atomic);
    } else if (rest.starts_with(u"R)") || rest.starts_with(u"0)")) {
        i_ += 2;
        RegexNode n;
        n.kind = NodeKind::Recurse;
        tree_.hasRecursion = true;
        AddAtom(n);
    } else if (rest.starts_with(u"(")) {
        ++i_;
        const std::u16string_view cond = p_.substr(i_);
        if (!cond.empty() && cond[0] >= u'1' && cond[0] <= u'9') {
            std::int32_t number = 0;
            while (!AtEnd() && perl_syntax::IsDigit(p_[i_])) {
                number = std::min(number * 10 + (p_[i_] - u'0'), kMaxCount + 1);
                ++i_;
            }
            if (AtEnd() || p_[i_] != u')') {
                Fail("bad extension sequence");
            }
            ++i_;
            PushFrame(FrameKind::Cond);
            frames_.back().condGroup = number;
            tree_.hasGroupCondition = true;
        } else if (cond.starts_with(u"?=") || cond.starts_with(u"?!") || cond.starts_with(u"?<=") ||
                   cond.starts_with(u"?<!")) {
            PushFrame(FrameKind::Cond);
            const bool behind = cond[1] == u'<';
            const bool negated = cond[behind ? 2 : 1] == u'!';
            startLook(FrameKind::CondLook, negated, behind, behind ? 3 : 2);
        } else {
            Fail("bad extension sequence");
        }
    } else {
        Flags flags = flags_;
        if (!ReadFlags(flags) || AtEnd()) {
            Fail("bad extension sequence");
        }
        if (p_[i_] == u')') {
            ++i_;
            flags_ = flags;
            lastAtom_ = -1;
        } else if (p_[i_] == u':') {
            ++i_;
            PushFrame(FrameKind::Group);
            flags_ = flags;
        } else {
            Fail("bad extension sequence");
        }
    }
}

std::int32_t RegexParser::BuildSeq(std::size_t begin, std::size_t end) {
    if (end - begin == 1) {
        return items_[begin];
    }
    RegexNode n;
    n.kind = begin == end ? NodeKind::Empty : NodeKind::Seq;
    return tree_.Add(n, std::span<const std::int32_t>(items_.data() + begin, end - begin));
}

std::size_t RegexParser::BuildSequences(std::size_t begin) {
    std::size_t count = 0;
    std::size_t start = begin;
    const std::size_t end = items_.size();
    for (std::size_t i = begin; i <= end; ++i) {
        if (i == end || items_[i] == kAltBreak) {
            // Slot begin+count lies at or before start: already consumed.
            const std::int32_t id = BuildSeq(start, i);
            if (begin + count < items_.size()) {
                items_[begin + count] = id;
            } else {
                items_.push_back(id); // an empty last alternative
            }
            ++count;
            start = i + 1;
        }
    }
    items_.resize(begin + count);
    return count;
}

std::int32_t RegexParser::BuildAlternatives(std::size_t begin) {
    const std::size_t count = BuildSequences(begin);
    std::int32_t id = items_[begin];
    if (count > 1) {
        // Alternatives of one unit each ("a|b|[0-9]") are a set: one
        // instruction and no backtracking entry per attempt.
        bool units = true;
        for (std::size_t k = 0; k < count; ++k) {
            const NodeKind kind = tree_.nodes[items_[begin + k]].kind;
            units = units && (kind == NodeKind::Char || kind == NodeKind::Set);
        }
        RegexNode n;
        if (units) {
            CharSet merged;
            for (std::size_t k = 0; k < count; ++k) {
                const RegexNode& unit = tree_.nodes[items_[begin + k]];
                if (unit.kind == NodeKind::Set) {
                    merged.AddSet(tree_.sets[unit.index]);
                } else if (unit.icase) {
                    merged.AddChar(unit.ch);
                    merged.AddChar(perl_syntax::OtherCase(unit.ch));
                    merged.AddChar(perl_syntax::Fold(unit.ch));
                } else {
                    merged.AddChar(unit.ch);
                }
            }
            merged.Finish(false, false);
            tree_.sets.push_back(std::move(merged));
            n.kind = NodeKind::Set;
            n.index = static_cast<std::int32_t>(tree_.sets.size() - 1);
            id = tree_.Add(n);
        } else {
            n.kind = NodeKind::Alt;
            id = tree_.Add(n, std::span<const std::int32_t>(items_.data() + begin, count));
        }
    }
    items_.resize(begin);
    return id;
}

void RegexParser::CloseGroup() {
    ++i_;
    if (frames_.size() == 1) {
        Fail("mismatched parenthesis");
    }
    const Frame f = frames_.back();
    frames_.pop_back();
    flags_ = f.outer;
    RegexNode n;
    switch (f.kind) {
    case FrameKind::Cond: {
        const std::size_t count = BuildSequences(f.itemsStart);
        if (count > 2) {
            Fail("Too many alternates in conditional subexpression");
        }
        n.kind = NodeKind::Cond;
        n.index = f.condGroup;
        n.cond = f.condNode;
        const std::int32_t id =
            tree_.Add(n, std::span<const std::int32_t>(items_.data() + f.itemsStart, count));
        items_.resize(f.itemsStart);
        items_.push_back(id);
        lastAtom_ = static_cast<std::int32_t>(items_.size() - 1);
        return;
    }
    case FrameKind::Capture:
        n.kind = NodeKind::Capture;
        n.index = f.group;
        break;
    case FrameKind::Group: {
        std::int32_t id = BuildAlternatives(f.itemsStart);
        const NodeKind kind = tree_.nodes[id].kind;
        if (kind == NodeKind::Anchor || kind == NodeKind::Look || kind == NodeKind::Recurse) {
            // "(?:(?R))?" is a group and may be quantified; the bare atom may not.
            RegexNode wrap;
            wrap.kind = NodeKind::Seq;
            id = tree_.Add(wrap, std::span<const std::int32_t>(&id, 1));
        }
        items_.push_back(id);
        lastAtom_ = static_cast<std::int32_t>(items_.size() - 1);
        return;
    }
    case FrameKind::Look:
    case FrameKind::CondLook:
        n.kind = NodeKind::Look;
        n.negated = f.negated;
        n.behind = f.behind;
        break;
    case FrameKind::Atomic:
        n.kind = NodeKind::Atomic;
        break;
    case FrameKind::Top:
        break;
    }
    const std::int32_t body = BuildAlternatives(f.itemsStart);
    const std::int32_t id = tree_.Add(n, std::span<const std::int32_t>(&body, 1));
    if (f.kind == FrameKind::CondLook) {
        frames_.back().condNode = id;
        lastAtom_ = -1;
        return;
    }
    items_.push_back(id);
    lastAtom_ = static_cast<std::int32_t>(items_.size() - 1);
}

bool RegexParser::ReadBraces(std::size_t at, std::int32_t& min, std::int32_t& max,
                             std::size_t& end) const {
    std::size_t j = at + 1;
    const std::size_t n = p_.size();
    auto blanks = [&] {
        while (j < n && (p_[j] == u' ' || p_[j] == u'\t')) {
            ++j;
        }
    };
    auto number = [&](std::int32_t& value) {
        const std::size_t start = j;
        std::int64_t v = 0;
        while (j < n && perl_syntax::IsDigit(p_[j])) {
            v = std::min<std::int64_t>(v * 10 + (p_[j] - u'0'), 1 << 30);
            ++j;
        }
        value = static_cast<std::int32_t>(v);
        return j > start;
    };
    blanks();
    const bool hasMin = number(min);
    blanks();
    bool hasComma = false;
    bool hasMax = false;
    if (j < n && p_[j] == u',') {
        hasComma = true;
        ++j;
        blanks();
        hasMax = number(max);
        blanks();
    }
    if (j >= n || p_[j] != u'}' || !(hasMin || hasMax)) {
        return false;
    }
    end = j + 1;
    if (!hasMin) {
        min = 0;
    }
    if (!hasComma) {
        max = min;
    } else if (!hasMax) {
        max = RegexTree::kInfinite;
    }
    if (min > kMaxCount || (max != RegexTree::kInfinite && max > kMaxCount)) {
        Fail("ill-formed regular expression");
    }
    if (min > max) {
        Fail("Can't do {n, m} with n > m");
    }
    return true;
}

void RegexParser::Quantify(std::int32_t min, std::int32_t max) {
    if (lastAtom_ < 0) {
        Fail("quantifier not expected");
    }
    const std::int32_t slot = items_[lastAtom_];
    const RegexNode& atom = tree_.nodes[slot];
    switch (atom.kind) {
    case NodeKind::Anchor:
        Fail("sub-expression cannot be quantified");
    case NodeKind::Look:
        Fail("look-ahead assertion cannot be quantified");
    case NodeKind::Recurse:
        Fail("recursion sub-expression cannot be quantified");
    default:
        break;
    }
    RegexNode rep;
    rep.kind = NodeKind::Repeat;
    rep.min = min;
    rep.max = max;
    bool possessive = false;
    // Perl looks for the lazy or possessive mark after comments and (?x) space.
    SkipIgnorable();
    if (!AtEnd() && p_[i_] == u'?') {
        rep.greedy = false;
        ++i_;
    } else if (!AtEnd() && p_[i_] == u'+') {
        possessive = true;
        ++i_;
    }
    std::int32_t id = tree_.Add(rep, std::span<const std::int32_t>(&slot, 1));
    if (possessive) {
        RegexNode atomic;
        atomic.kind = NodeKind::Atomic;
        id = tree_.Add(atomic, std::span<const std::int32_t>(&id, 1));
    }
    items_[lastAtom_] = id;
    lastAtom_ = -1;
    afterQuantifier_ = true;
}

char16_t RegexParser::ReadControl() {
    if (AtEnd()) {
        Fail("incomplete escape sequence \\c");
    }
    char16_t c = p_[i_++];
    if (c < 0x20 || c > 0x7E || c == u'{') {
        Fail("incomplete escape sequence \\c");
    }
    if (c >= u'a' && c <= u'z') {
        c = static_cast<char16_t>(c - 32);
    }
    return static_cast<char16_t>(c ^ 64);
}

char16_t RegexParser::ReadHex() {
    std::uint32_t value = 0;
    if (!AtEnd() && p_[i_] == u'{') {
        ++i_;
        while (!AtEnd() && p_[i_] != u'}') {
            const int h = HexValue(p_[i_]);
            if (h < 0) {
                Fail("ill-formed regular expression");
            }
            value = value * 16 + static_cast<std::uint32_t>(h);
            if (value > 0xFFFF) {
                Fail("ill-formed regular expression");
            }
            ++i_;
        }
        if (AtEnd()) {
            Fail("ill-formed regular expression");
        }
        ++i_;
        return static_cast<char16_t>(value);
    }
    for (int k = 0; k < 2 && !AtEnd() && HexValue(p_[i_]) >= 0; ++k) {
        value = value * 16 + static_cast<std::uint32_t>(HexValue(p_[i_++]));
    }
    return static_cast<char16_t>(value);
}

char16_t RegexParser::ReadOctal(std::size_t maxDigits) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < maxDigits && !AtEnd() && IsOctal(p_[i_]); ++k) {
        value = value * 8 + (p_[i_++] - u'0');
    }
    return static_cast<char16_t>(value);
}

char16_t RegexParser::ReadBracedOctal() {
    if (AtEnd() || p_[i_] != u'{') {
        Fail("ill-formed regular expression");
    }
    ++i_;
    std::uint32_t value = 0;
    while (!AtEnd() && p_[i_] != u'}') {
        if (!IsOctal(p_[i_])) {
            Fail("ill-formed regular expression");
        }
        value = value * 8 + (p_[i_++] - u'0');
        if (value > 0xFFFF) {
            Fail("ill-formed regular expression");
        }
    }
    if (AtEnd()) {
        Fail("ill-formed regular expression");
    }
    ++i_;
    return static_cast<char16_t>(value);
}

void RegexParser::ParseEscape() {
    ++i_;
    if (AtEnd()) {
        Fail("ill-formed regular expression");
    }
    const char16_t c = p_[i_++];
    RegexNode n;
    auto anchor = [&](AnchorKind k) {
        n.kind = NodeKind::Anchor;
        n.index = static_cast<std::int32_t>(k);
        AddAtom(n);
    };
    switch (c) {
    case u'd':
    case u'w':
    case u's':
    case u'h':
    case u'v':
    case u'D':
    case u'W':
    case u'S':
    case u'H':
    case u'V': {
        CharSet set;
        perl_syntax::AddEscapeClass(c, set);
        set.Finish(false, false);
        tree_.sets.push_back(std::move(set));
        n.kind = NodeKind::Set;
        n.index = static_cast<std::int32_t>(tree_.sets.size() - 1);
        AddAtom(n);
        return;
    }
    case u'b':
        return anchor(AnchorKind::WordBoundary);
    case u'B':
        return anchor(AnchorKind::NotWordBoundary);
    case u'A':
    case u'G':
        return anchor(AnchorKind::TextStart);
    case u'Z':
        return anchor(AnchorKind::TextEndOrLine);
    case u'z':
        return anchor(AnchorKind::TextEnd);
    case u'Q': {
        const std::size_t end = p_.find(u"\\E", i_);
        const std::size_t stop = end == std::u16string_view::npos ? p_.size() : end;
        while (i_ < stop) {
            AddChar(p_[i_++]);
        }
        i_ = end == std::u16string_view::npos ? p_.size() : end + 2;
        return;
    }
    case u'E':
        Fail("quotemeta turned off, but was never turned on");
    case u'n':
        return AddChar(u'\n');
    case u't':
        return AddChar(u'\t');
    case u'r':
        return AddChar(u'\r');
    case u'f':
        return AddChar(u'\f');
    case u'e':
        return AddChar(0x1B);
    case u'a':
        return AddChar(0x07);
    case u'c':
        return AddChar(ReadControl());
    case u'x':
        return AddChar(ReadHex());
    case u'o':
        return AddChar(ReadBracedOctal());
    case u'0':
        return AddChar(ReadOctal(2));
    case u'g':
    case u'k':
    case u'p':
    case u'P':
    case u'X':
    case u'C':
    case u'N':
    case u'K':
    case u'R':
    case u'L':
    case u'U':
    case u'l':
    case u'u':
    case u'F':
        Fail("ill-formed regular expression");
    default:
        break;
    }
    if (c >= u'1' && c <= u'9') {
        const std::size_t start = i_ - 1;
        std::int32_t number = 0;
        std::size_t j = start;
        while (j < p_.size() && perl_syntax::IsDigit(p_[j])) {
            number = std::min(number * 10 + (p_[j] - u'0'), kMaxCount + 1);
            ++j;
        }
        if (number > 9 && totalGroups_ < 0) {
            CountGroups(); // only "\10" and above depend on the group count
        }
        if (number <= 9 || number <= totalGroups_ || c >= u'8') {
            i_ = j;
            n.kind = NodeKind::Backref;
            n.index = number;
            n.icase = flags_.icase;
            tree_.hasBackref = true;
            backrefs_.push_back(number);
            AddAtom(n);
            return;
        }
        i_ = start;
        return AddChar(ReadOctal(3));
    }
    AddChar(c);
}

RegexParser::ClassItem RegexParser::ParseClassItem(CharSet& set) {
    const char16_t c = p_[i_];
    if (c == u'[' && i_ + 1 < p_.size() && p_[i_ + 1] == u':') {
        std::size_t j = i_ + 2;
        const bool negated = j < p_.size() && p_[j] == u'^';
        if (negated) {
            ++j;
        }
        const std::size_t nameStart = j;
        while (j < p_.size() && p_[j] >= u'a' && p_[j] <= u'z') {
            ++j;
        }
        if (j + 1 < p_.size() && p_[j] == u':' && p_[j + 1] == u']' && j > nameStart) {
            // Under (?i) Perl folds the class before negating it: [:^upper:]
            // then excludes lower-case letters too.
            CharSet named;
            if (!perl_syntax::AddPosixClass(p_.substr(nameStart, j - nameStart), false, named)) {
                Fail("ill-formed regular expression");
            }
            named.Finish(false, flags_.icase);
            if (negated) {
                set.AddComplementOf(named);
            } else {
                set.AddSet(named);
            }
            i_ = j + 2;
            return {};
        }
    }
    ++i_;
    if (c != u'\\') {
        return {true, c};
    }
    if (AtEnd()) {
        Fail("expecting end of character set");
    }
    const char16_t e = p_[i_++];
    if (perl_syntax::AddEscapeClass(e, set)) {
        return {};
    }
    switch (e) {
    case u'b':
        return {true, 0x08};
    case u'n':
        return {true, u'\n'};
    case u't':
        return {true, u'\t'};
    case u'r':
        return {true, u'\r'};
    case u'f':
        return {true, u'\f'};
    case u'e':
        return {true, 0x1B};
    case u'a':
        return {true, 0x07};
    case u'c':
        return {true, ReadControl()};
    case u'x':
        return {true, ReadHex()};
    case u'o':
        return {true, ReadBracedOctal()};
    case u'N':
    case u'p':
    case u'P':
    case u'X':
    case u'R':
    case u'g':
    case u'k':
    case u'L':
    case u'U':
    case u'l':
    case u'u':
    case u'F':
        Fail("ill-formed regular expression");
    default:
        break;
    }
    if (IsOctal(e)) {
        --i_;
        return {true, ReadOctal(3)};
    }
    return {true, e};
}

void RegexParser::ParseSet() {
    bool negated = false;
    if (!AtEnd() && p_[i_] == u'^') {
        negated = true;
        ++i_;
    }
    CharSet set;
    bool first = true;
    for (;;) {
        if (AtEnd()) {
            Fail("expecting end of character set");
        }
        if (p_[i_] == u']' && !first) {
            ++i_;
            break;
        }
        first = false;
        const ClassItem lo = ParseClassItem(set);
        if (AtEnd()) {
            Fail("expecting end of character set");
        }
        if (lo.isChar && p_[i_] == u'-' && i_ + 1 < p_.size() && p_[i_ + 1] != u']') {
            ++i_;
            const ClassItem hi = ParseClassItem(set);
            if (!hi.isChar) {
                // Perl reads "[a-\d]" as 'a', '-' and the class.
                set.AddChar(lo.ch);
                set.AddChar(u'-');
                continue;
            }
            if (hi.ch < lo.ch) {
                Fail("invalid range specified in character set");
            }
            set.AddRange(lo.ch, hi.ch);
        } else if (lo.isChar) {
            set.AddChar(lo.ch);
        }
    }
    set.Finish(negated, flags_.icase);
    tree_.sets.push_back(std::move(set));
    RegexNode n;
    n.kind = NodeKind::Set;
    n.index = static_cast<std::int32_t>(tree_.sets.size() - 1);
    AddAtom(n);
}

} // namespace resetra::regex
