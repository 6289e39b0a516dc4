// CheckStringWithRegEx: the exported pattern check of ResetraGINAx64.dll,
// exported undecorated by name through ResetraGINAx64.def.
#pragma once

#include <cstdint>

extern "C" [[nodiscard]] std::int32_t
CheckStringWithRegEx(const wchar_t* text, std::int32_t textLength, const wchar_t* pattern,
                     std::int32_t patternLength, bool* matched) noexcept;
