// The export: both strings are read up to their terminating null whatever the
// length arguments say, converted to the engine's UTF-16 units and checked.
#include "regex/CheckStringWithRegEx.h"

#include "regex/CheckString.h"

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 on Windows");

namespace {

std::u16string ToUnits(const wchar_t* s) {
    std::u16string out;
    for (const wchar_t* p = s; *p != L'\0'; ++p) {
        out.push_back(static_cast<char16_t>(*p));
    }
    return out;
}

} // namespace

extern "C" std::int32_t CheckStringWithRegEx(const wchar_t* text, std::int32_t textLength,
                                             const wchar_t* pattern, std::int32_t patternLength,
                                             bool* matched) noexcept {
    (void)textLength;
    (void)patternLength;
    if (matched == nullptr) {
        return -1;
    }
    *matched = false;
    if (text == nullptr || pattern == nullptr) {
        return -1;
    }
    try {
        return resetra::regex::CheckString(ToUnits(text), ToUnits(pattern), matched);
    } catch (...) {
        return -1;
    }
}
