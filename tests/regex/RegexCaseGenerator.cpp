// Grammar-driven pattern generation; about one pattern in twelve is broken on
// purpose so that compile errors are compared too.
#include "tests/regex/RegexCaseGenerator.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace resetra::regex::test {

namespace {

constexpr char16_t kAlphabet[] =
    u"aabbcxyABXY01_ -.\n\t\u00e9\u00c9\u00fc\u00dc\u00ff\u0178\u0416\u0436";
constexpr int kAlphabetSize = sizeof(kAlphabet) / sizeof(kAlphabet[0]) - 1;
constexpr const char16_t* kPosix[] = {u"alpha", u"digit", u"alnum", u"space",  u"upper",
                                      u"lower", u"punct", u"word",  u"xdigit", u"blank",
                                      u"cntrl", u"graph", u"print"};

bool IsIn(char16_t c, std::u16string_view set) {
    return set.find(c) != std::u16string_view::npos;
}

char16_t Digit(int n) {
    return static_cast<char16_t>(u'0' + n);
}

} // namespace

char16_t RegexCaseGenerator::Letter() {
    return kAlphabet[Pick(kAlphabetSize)];
}

void RegexCaseGenerator::Literal(std::u16string& out) {
    const char16_t c = Letter();
    used_.push_back(c);
    if (c == u'\n' || c == u'\t') {
        out += c == u'\t' ? u"\\t" : Chance(50) ? u"\\n" : u"\\x0a";
    } else if (c == u' ') {
        out += Chance(50) ? u"\\ " : u"[ ]"; // stays literal under (?x)
    } else if (c >= 0x80 && Chance(30)) {
        out += u"\\x{";
        for (int shift = 12; shift >= 0; shift -= 4) {
            out.push_back(u"0123456789abcdef"[(c >> shift) & 15]);
        }
        out.push_back(u'}');
    } else {
        const bool escape =
            IsIn(c, u"\\^$.|?*+()[]{}#") || (Chance(5) && !(c < 0x80 && std::isalnum(c)));
        out += escape ? std::u16string{u'\\', c} : std::u16string(1, c);
    }
}

void RegexCaseGenerator::Set(std::u16string& out) {
    out.push_back(u'[');
    // A negated set with negated classes inside is often empty, and perl 5.36
    // mis-handles empty sets (even panics), so keep those apart.
    const bool negated = Chance(30);
    out += negated ? u"^" : u"";
    for (int i = 0, items = 1 + Pick(3); i < items; ++i) {
        const int kind = Pick(6);
        if (kind == 0) {
            char16_t lo = static_cast<char16_t>(u'a' + Pick(6));
            char16_t hi = static_cast<char16_t>(lo + Pick(5));
            if (Chance(20)) {
                lo = static_cast<char16_t>(u'A' + Pick(6));
                hi = static_cast<char16_t>(lo + Pick(26 - (lo - u'A')));
            }
            out += {lo, u'-', hi};
            used_.push_back(lo);
        } else if (kind == 1) {
            out += {u'\\', u"dwsDWS"[Pick(negated ? 3 : 6)]};
        } else if (kind == 2) {
            out += !negated && Chance(20) ? u"[:^" : u"[:";
            out += kPosix[Pick(13)];
            out += u":]";
        } else {
            const char16_t c = Letter();
            used_.push_back(c);
            out += IsIn(c, u"]\\^-[") ? u"\\" : u"";
            out += c == u'\n' ? u"\\n" : c == u'\t' ? u"\\t" : std::u16string(1, c);
        }
    }
    out.push_back(u']');
}

void RegexCaseGenerator::Quantifier(std::u16string& out) {
    const int kind = Pick(8);
    if (kind < 5) {
        out.push_back(u"**++?"[kind]);
    } else if (kind == 5) {
        // No {0} or {0,0}: perl 5.36 mis-compiles them between non-ASCII literals.
        out += {u'{', Digit(1 + Pick(2)), u'}'};
    } else if (kind == 6) {
        out += {u'{', Digit(Pick(3)), u',', u'}'};
    } else {
        const int n = Pick(3);
        const int m = std::max(1, n + Pick(3));
        out += n > 0 || Chance(70) ? std::u16string{u'{', Digit(n), u','} : u"{,";
        out += {Digit(m), u'}'};
    }
    out += Chance(25) ? u"?" : Chance(8) ? u"+" : u"";
}

// Look-behind bodies: every branch has the same fixed width and no captures;
// perl's variable-width look-behind is experimental and not a reference.
void RegexCaseGenerator::FixedWidth(std::u16string& out) {
    const int branches = Chance(70) ? 1 : 2;
    const int width = 1 + Pick(2);
    for (int b = 0; b < branches; ++b) {
        out += b > 0 ? u"|" : u"";
        for (int i = 0; i < width; ++i) {
            const int kind = Pick(4);
            kind == 0 ? Set(out) : kind == 1 ? out.push_back(u'.') : Literal(out);
        }
    }
}

void RegexCaseGenerator::Nested(std::u16string& out, const char16_t* open, int depth) {
    out += open;
    ++nesting_;
    Alternation(out, depth);
    --nesting_;
    out.push_back(u')');
}

bool RegexCaseGenerator::Atom(std::u16string& out, int depth) {
    const int choice = Pick(depth > 0 ? 100 : 55);
    if (choice < 30) {
        Literal(out);
    } else if (choice < 36) {
        out.push_back(u'.');
    } else if (choice < 44) {
        Set(out);
    } else if (choice < 48) {
        out += {u'\\', u"dwsDWS"[Pick(6)]};
    } else if (choice < 55) {
        const char16_t* anchors[] = {u"^", u"$", u"\\A", u"\\Z", u"\\z", u"\\b", u"\\B"};
        out += anchors[Pick(7)];
        return true;
    } else if (choice < 68) {
        const int group = negative_ > 0 ? 0 : ++groups_;
        Nested(out, group == 0 ? u"(?:" : u"(", depth - 1);
        // Only groups outside any other construct are referred to later.
        if (group != 0 && nesting_ == 0) {
            closed_.push_back(group);
        }
    } else if (choice < 74) {
        Nested(out, u"(?:", depth - 1);
    } else if (choice < 79) {
        const int negative = Chance(50) ? 1 : 0;
        negative_ += negative;
        Nested(out, negative ? u"(?!" : u"(?=", depth - 1);
        negative_ -= negative;
        return true;
    } else if (choice < 83) {
        out += Chance(50) ? u"(?<=" : u"(?<!";
        FixedWidth(out);
        out.push_back(u')');
        return true;
    } else if (choice < 86) {
        Nested(out, u"(?>", depth - 1);
    } else if (choice < 90) {
        const int group = PickClosed();
        group == 0 ? Literal(out) : (void)out.append({u'\\', Digit(group)});
    } else if (choice < 93) {
        const int group = PickClosed();
        if (group != 0 && (recursive_ || Chance(60))) {
            out += {u'(', u'?', u'(', Digit(group), u')'};
        } else if (recursive_) {
            Literal(out);
            return false;
        } else {
            const char16_t* looks[] = {u"(?(?=", u"(?(?!", u"(?(?<=", u"(?(?<!"};
            const int k = Pick(4);
            out += looks[k];
            if (k < 2) {
                ++nesting_;
                Sequence(out, 0);
                --nesting_;
            } else {
                FixedWidth(out);
            }
            out.push_back(u')');
        }
        ++nesting_;
        Sequence(out, depth - 1);
        if (Chance(60)) {
            out.push_back(u'|');
            Sequence(out, depth - 1);
        }
        --nesting_;
        out.push_back(u')');
    } else if (choice < 95) {
        const char16_t* flags[] = {u"(?i)", u"(?i:", u"(?-i:", u"(?s:", u"(?m)", u"(?x:", u"(?^:"};
        // Unscoped options only at the top: inside a conditional perl 5.36
        // lets them leak past its closing parenthesis.
        int k = Pick(7);
        if (nesting_ > 0 && (k == 0 || k == 4)) {
            k = 1;
        }
        k == 0 || k == 4 ? (void)out.append(flags[k]) : Nested(out, flags[k], depth - 1);
    } else if (choice < 97) {
        out += u"\\Q";
        for (int i = 0, len = 1 + Pick(3); i < len; ++i) {
            const char16_t c = u"a.*+?()[]{}|^$ b"[Pick(16)];
            out.push_back(c);
            used_.push_back(c);
        }
        out += Chance(80) ? u"\\E" : u"";
    } else if (choice < 98) {
        out += u"(?#note)";
    } else if (choice < 99) {
        const char16_t* escapes[] = {u"\\cA", u"\\x41", u"\\e", u"\\f", u"\\0", u"\\101"};
        out += escapes[Pick(6)];
    } else if (recursive_) {
        out += Chance(70) ? u"(?:a(?:(?R))?b)" : u"(?:a(?R)?b)";
        used_ += u"ab";
    } else {
        Literal(out);
    }
    return false;
}

int RegexCaseGenerator::PickClosed() {
    std::vector<int> usable;
    std::copy_if(closed_.begin(), closed_.end(), std::back_inserter(usable),
                 [this](int g) { return nesting_ == 0 && g <= 9; });
    return usable.empty() ? 0 : usable[Pick(static_cast<int>(usable.size()))];
}

void RegexCaseGenerator::Sequence(std::u16string& out, int depth) {
    for (int i = 0, items = Pick(4) + (depth > 0 ? 0 : 1); i < items; ++i) {
        if (Chance(Atom(out, depth) ? 3 : 30)) { // quantified zero-width atoms stay rare
            Quantifier(out);
        }
    }
}

void RegexCaseGenerator::Alternation(std::u16string& out, int depth) {
    for (int b = 0, branches = Chance(75) ? 1 : 2 + Pick(2); b < branches; ++b) {
        out += b > 0 ? u"|" : u"";
        Sequence(out, depth);
    }
}

void RegexCaseGenerator::Breakage(std::u16string& out) {
    const char16_t* breaks[] = {u"(",       u")",       u"a{3,1}",   u"[z-a]",       u"[ab",
                                u"\\c",     u"(?#x",    u"(?Y)",     u"*",           u"a**",
                                u"\\E",     u"(?=a)*",  u"^*",       u"(?(1)a|b|c)", u"\\9",
                                u"a{2}{3}", u"(?<=a*)", u"[[:foo:]]"};
    // Only at either end: inside an escape the breakage would test something
    // else. "\c", "(?#" and "[" swallow what follows them; keep them last.
    const std::u16string_view text = breaks[Pick(18)];
    const bool last = text == u"\\c" || text == u"(?#x" || text == u"[ab";
    Chance(50) && !last ? out.insert(0, text) : out.append(text);
}

RegexCase RegexCaseGenerator::Next() {
    groups_ = 0;
    closed_.clear();
    recursive_ = Chance(20);
    used_.clear();
    RegexCase c;
    Alternation(c.pattern, 1 + Pick(3));
    if (Chance(8)) {
        Breakage(c.pattern);
    }
    for (int i = 0, len = Pick(13); i < len; ++i) {
        const bool fromPattern = !used_.empty() && Chance(70);
        c.subject.push_back(fromPattern ? used_[Pick(static_cast<int>(used_.size()))] : Letter());
    }
    return c;
}

} // namespace resetra::regex::test
