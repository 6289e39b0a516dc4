// printf-style formatting into a std::wstring with the Microsoft C runtime's
// wide conventions (%s takes a wide string, %ld a 32-bit long). The buffer is
// sized from the formatted length in one step, so formatting a message of
// several MiB costs one pass, not a growth loop that copies it again and
// again.
#pragma once

#include <cstdarg>
#include <string>

namespace resetra {

[[nodiscard]] std::wstring FormatStringV(const wchar_t* format, va_list args);
[[nodiscard]] std::wstring FormatString(const wchar_t* format, ...);

// True when every conversion of `text` is, in order, the same conversion as
// in `reference` (text may use fewer of them, never other or more), and when
// it uses neither "*" widths nor %n. A text from outside the library (a
// translation) that passes can be given the reference's arguments safely.
[[nodiscard]] bool FormatConversionsFit(const wchar_t* text, const wchar_t* reference);

} // namespace resetra
