// CheckString: the portable core of the exported CheckStringWithRegEx: compile
// a pattern, search a text, answer 0 with the outcome or -1 for any failure.
#pragma once

#include <cstdint>
#include <string_view>

namespace resetra::regex {

// 0: compiled and searched, *matched tells the outcome. -1: a null argument,
// a malformed pattern, an exhausted budget or memory; *matched is then false.
[[nodiscard]] std::int32_t CheckString(const char16_t* text, const char16_t* pattern,
                                       bool* matched) noexcept;
[[nodiscard]] std::int32_t CheckString(std::u16string_view text, std::u16string_view pattern,
                                       bool* matched) noexcept;

} // namespace resetra::regex
