// Journal writing for the simulated world. Each line is appended with its own
// open-write-close, so lines from the host and the chained GINA interleave in
// event order and a crash loses nothing already written.
#include "sim/common/SimJournal.h"

#include "support/WideFormat.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {
bool g_echo = false;

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}
} // namespace

void SimJournal::SetEcho(bool echo) {
    g_echo = echo;
}

void SimJournal::Write(const std::wstring& line) {
    const std::string bytes = ToUtf8(line) + "\n";
    if (g_echo) {
        fwrite(bytes.data(), 1, bytes.size(), stdout);
        fflush(stdout);
    }
    wchar_t path[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(JournalVariable, path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) {
        return;
    }
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void SimJournal::Writef(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::wstring line = FormatWideV(format, args);
    va_end(args);
    Write(line);
}

std::wstring SimJournal::Hex(ULONG_PTR value) {
    wchar_t text[32];
    _snwprintf(text, 31, L"0x%llx", static_cast<unsigned long long>(value));
    text[31] = L'\0';
    return text;
}

std::wstring SimJournal::Field(const wchar_t* text) {
    if (text == nullptr) {
        return L"(null)";
    }
    std::wstring out;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L' ') {
            out += L"\\s";
        } else if (*p == L'\\') {
            out += L"\\\\";
        } else if (*p < 0x20) {
            wchar_t esc[8];
            _snwprintf(esc, 7, L"\\x%02x", static_cast<unsigned>(*p));
            esc[7] = L'\0';
            out += esc;
        } else {
            out += *p;
        }
    }
    return out.empty() ? L"\"\"" : out;
}
