// Compile-and-search for one call: nothing is cached between calls, and every
// failure, thrown or reported, ends as -1 here.
#include "regex/CheckString.h"

#include "regex/basic_rpattern.h"

namespace resetra::regex {

std::int32_t CheckString(std::u16string_view text, std::u16string_view pattern,
                         bool* matched) noexcept {
    if (matched == nullptr) {
        return -1;
    }
    *matched = false;
    try {
        const rpattern compiled(pattern);
        basic_match_results results;
        switch (compiled.match(text, results)) {
        case MatchStatus::Matched:
            *matched = true;
            return 0;
        case MatchStatus::NoMatch:
            return 0;
        default:
            return -1;
        }
    } catch (...) {
        // bad_regexpr for a malformed pattern, std::bad_alloc for exhausted memory.
        return -1;
    }
}

std::int32_t CheckString(const char16_t* text, const char16_t* pattern, bool* matched) noexcept {
    if (matched != nullptr) {
        *matched = false;
    }
    if (text == nullptr || pattern == nullptr) {
        return -1;
    }
    return CheckString(std::u16string_view(text), std::u16string_view(pattern), matched);
}

} // namespace resetra::regex
