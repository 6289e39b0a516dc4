// The export: both strings are read up to their terminating null whatever the
// length arguments say, converted to the engine's UTF-16 units and checked.
// The text is usually a password, so its copy is wiped before it is freed.
#include "regex/CheckStringWithRegEx.h"

#include "regex/CheckString.h"

#include <windows.h>

#include <cwchar>
#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 on Windows");

namespace {

// One allocation of the final size, filled in place: no intermediate buffer
// is left behind in freed memory.
void CopyUnits(const wchar_t* s, std::u16string& out) {
    out.assign(wcslen(s), u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(s[i]);
    }
}

std::u16string ToUnits(const wchar_t* s) {
    std::u16string out;
    CopyUnits(s, out);
    return out;
}

// Wipes a copy on every way out, the buffer inside the object included.
class WipedUnits {
public:
    explicit WipedUnits(const wchar_t* s) { CopyUnits(s, units); }
    WipedUnits(const WipedUnits&) = delete;
    WipedUnits& operator=(const WipedUnits&) = delete;
    ~WipedUnits() { SecureZeroMemory(units.data(), units.capacity() * sizeof(char16_t)); }
    std::u16string units;
};

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
        const WipedUnits subject(text);
        return resetra::regex::CheckString(subject.units, ToUnits(pattern), matched);
    } catch (...) {
        return -1;
    }
}
