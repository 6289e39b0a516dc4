// perl_syntax: the character rules of the Perl 5 dialect over UTF-16 code
// units. Classes (\d \w \s, the POSIX names) follow Perl's ASCII rules so that a
// rule means the same on every Windows locale; (?i) folds ASCII, Latin-1,
// Greek and Cyrillic.
#pragma once

#include <string_view>

namespace resetra::regex {

class CharSet;

class perl_syntax {
public:
    using char_type = char16_t;

    static bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }
    static bool IsWord(char16_t c) noexcept {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || IsDigit(c) || c == u'_';
    }
    static bool IsSpace(char16_t c) noexcept { return c == u' ' || (c >= 9 && c <= 13); }

    // Lower-case partner under simple case folding, or the unit itself.
    // Covers ASCII, Latin-1, basic Greek and Cyrillic.
    static char16_t Fold(char16_t c) noexcept {
        if (c < 0x80) {
            return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        }
        if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
            (c >= 0x410 && c <= 0x42F)) {
            return static_cast<char16_t>(c + 32);
        }
        if (c >= 0x400 && c <= 0x40F) {
            return static_cast<char16_t>(c + 80);
        }
        if (c == 0x178) {
            return 0xFF;
        }
        return c == 0x3C2 ? char16_t{0x3C3} : c;
    }
    // The other case of a letter that has one, or the unit itself.
    static char16_t OtherCase(char16_t c) noexcept {
        if (c < 0x80) {
            return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : Fold(c);
        }
        if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
            (c >= 0x430 && c <= 0x44F)) {
            return static_cast<char16_t>(c - 32);
        }
        if (c >= 0x450 && c <= 0x45F) {
            return static_cast<char16_t>(c - 80);
        }
        if (c == 0xFF) {
            return 0x178;
        }
        return c == 0x3C2 ? char16_t{0x3A3} : Fold(c);
    }
    // Units above this one never change under folding; (?i) sets only look below.
    static constexpr char16_t kLastFoldable = 0x45F;

    // Adds the class of a backslash letter (d w s h v, upper case negated);
    // false when the letter names no class.
    static bool AddEscapeClass(char16_t letter, CharSet& set);
    // Adds a POSIX class by name ("alpha"); false when the name is unknown.
    static bool AddPosixClass(std::u16string_view name, bool negated, CharSet& set);
};

} // namespace resetra::regex
