// printf-style formatting of wide strings into std::wstring, sized from the
// formatted length in one pass (never grown step by step). Uses the C
// runtime's own wide formatter, where "%s" takes a wide string.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <stdio.h>
#include <string>

// The text, or an empty text for none: for "%s" in messages and for the
// formats themselves, which the C runtime must never receive as null.
inline const wchar_t* OrEmpty(const wchar_t* text) noexcept {
    return text != nullptr ? text : L"";
}

// Throws std::bad_alloc when memory runs out; returns an empty string for a
// format the runtime rejects.
inline std::wstring FormatWideV(const wchar_t* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    va_list fill;
    va_copy(fill, args);
    const int written = _vsnwprintf(text.data(), text.size() + 1, format, fill);
    va_end(fill);
    if (written < 0) {
        return {};
    }
    text.resize(static_cast<std::size_t>(written));
    return text;
}

inline std::wstring FormatWide(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text;
    try {
        text = FormatWideV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return text;
}

// Formats into a fixed buffer, always terminated, cut when too long.
template <std::size_t N>
void FormatWideTo(wchar_t (&buffer)[N], const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    // A text too long for the buffer is cut; the last character stays the
    // terminator either way.
    _vsnwprintf(buffer, N - 1, format, args);
    va_end(args);
    buffer[N - 1] = L'\0';
}
