// Character classification and case folding of the Perl dialect.
#include "regex/perl_syntax.h"

#include "regex/CharSet.h"

namespace resetra::regex {

namespace {

void AddWord(CharSet& s) {
    s.AddRange(u'0', u'9');
    s.AddRange(u'A', u'Z');
    s.AddChar(u'_');
    s.AddRange(u'a', u'z');
}

void AddSpace(CharSet& s) {
    s.AddRange(9, 13);
    s.AddChar(u' ');
}

// Perl's \h and \v are Unicode-wide even under ASCII rules.
void AddHorizontal(CharSet& s) {
    s.AddChar(9);
    s.AddChar(u' ');
    s.AddChar(0xA0);
    s.AddChar(0x1680);
    s.AddRange(0x2000, 0x200A);
    s.AddChar(0x202F);
    s.AddChar(0x205F);
    s.AddChar(0x3000);
}

void AddVertical(CharSet& s) {
    s.AddRange(10, 13);
    s.AddChar(0x85);
    s.AddRange(0x2028, 0x2029);
}

void AddPunct(CharSet& s) {
    s.AddRange(0x21, 0x2F);
    s.AddRange(0x3A, 0x40);
    s.AddRange(0x5B, 0x60);
    s.AddRange(0x7B, 0x7E);
}

template <class Fill>
void AddMaybeNegated(CharSet& set, bool negated, Fill fill) {
    if (!negated) {
        fill(set);
        return;
    }
    CharSet positive;
    fill(positive);
    set.AddComplementOf(positive);
}

} // namespace

bool perl_syntax::AddEscapeClass(char16_t letter, CharSet& set) {
    const bool negated = letter >= u'A' && letter <= u'Z';
    switch (letter) {
    case u'd':
    case u'D':
        AddMaybeNegated(set, negated, [](CharSet& s) { s.AddRange(u'0', u'9'); });
        return true;
    case u'w':
    case u'W':
        AddMaybeNegated(set, negated, AddWord);
        return true;
    case u's':
    case u'S':
        AddMaybeNegated(set, negated, AddSpace);
        return true;
    case u'h':
    case u'H':
        AddMaybeNegated(set, negated, AddHorizontal);
        return true;
    case u'v':
    case u'V':
        AddMaybeNegated(set, negated, AddVertical);
        return true;
    default:
        return false;
    }
}

bool perl_syntax::AddPosixClass(std::u16string_view name, bool negated, CharSet& set) {
    void (*fill)(CharSet&) = nullptr;
    if (name == u"alnum") {
        fill = [](CharSet& s) {
            s.AddRange(u'0', u'9');
            s.AddRange(u'A', u'Z');
            s.AddRange(u'a', u'z');
        };
    } else if (name == u"alpha") {
        fill = [](CharSet& s) {
            s.AddRange(u'A', u'Z');
            s.AddRange(u'a', u'z');
        };
    } else if (name == u"ascii") {
        fill = [](CharSet& s) { s.AddRange(0, 0x7F); };
    } else if (name == u"blank") {
        fill = [](CharSet& s) {
            s.AddChar(9);
            s.AddChar(u' ');
        };
    } else if (name == u"cntrl") {
        fill = [](CharSet& s) {
            s.AddRange(0, 0x1F);
            s.AddChar(0x7F);
        };
    } else if (name == u"digit") {
        fill = [](CharSet& s) { s.AddRange(u'0', u'9'); };
    } else if (name == u"graph") {
        fill = [](CharSet& s) { s.AddRange(0x21, 0x7E); };
    } else if (name == u"lower") {
        fill = [](CharSet& s) { s.AddRange(u'a', u'z'); };
    } else if (name == u"print") {
        fill = [](CharSet& s) { s.AddRange(0x20, 0x7E); };
    } else if (name == u"punct") {
        fill = AddPunct;
    } else if (name == u"space") {
        fill = AddSpace;
    } else if (name == u"upper") {
        fill = [](CharSet& s) { s.AddRange(u'A', u'Z'); };
    } else if (name == u"word") {
        fill = AddWord;
    } else if (name == u"xdigit") {
        fill = [](CharSet& s) {
            s.AddRange(u'0', u'9');
            s.AddRange(u'A', u'F');
            s.AddRange(u'a', u'f');
        };
    } else {
        return false;
    }
    AddMaybeNegated(set, negated, fill);
    return true;
}

} // namespace resetra::regex
