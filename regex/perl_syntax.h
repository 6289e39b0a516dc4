// perl_syntax: the character rules of the Perl 5 dialect over UTF-16 code
// units. Classes (\d \w \s, the POSIX names) follow Perl's ASCII rules so that a
// rule means the same on every Windows locale; (?i) folds ASCII and Latin-1.
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
    static char16_t Fold(char16_t c) noexcept {
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
            return static_cast<char16_t>(c + 32);
        }
        return c == 0x178 ? char16_t{0xFF} : c;
    }
    // The other case of a letter that has one, or the unit itself.
    static char16_t OtherCase(char16_t c) noexcept {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
            return static_cast<char16_t>(c - 32);
        }
        return c == 0xFF ? char16_t{0x178} : Fold(c);
    }
    // Units above this one never change under folding; (?i) sets only look below.
    static constexpr char16_t kLastFoldable = 0x17F;

    // Adds the class of a backslash letter (d w s h v, upper case negated);
    // false when the letter names no class.
    static bool AddEscapeClass(char16_t letter, CharSet& set);
    // Adds a POSIX class by name ("alpha"); false when the name is unknown.
    static bool AddPosixClass(std::u16string_view name, bool negated, CharSet& set);
};

} // namespace resetra::regex
