// Log entry of the policy log.
#include "support/cMvLogEntry.h"

#include <windows.h>

#include <utility>

cMvLogEntry::cMvLogEntry(uint32_t level, uint32_t code, std::wstring text)
    : cMvLogEntry(Now(), level, code, std::move(text)) {}

cMvLogEntry::cMvLogEntry(int64_t time, uint32_t level, uint32_t code, std::wstring text)
    : m_time(time), m_text(std::move(text)), m_level(level), m_code(code) {}

const wchar_t* cMvLogEntry::LevelName(uint32_t level) noexcept {
    switch (level) {
    case LogLevel::None:
        return L"None";
    case LogLevel::Error:
        return L"Error";
    case LogLevel::Information:
        return L"Information";
    case LogLevel::Debug:
        return L"Debug";
    case LogLevel::Warning:
        return L"Warning";
    case LogLevel::All:
        return L"All";
    default:
        return L"Unknown";
    }
}

int64_t cMvLogEntry::Now() noexcept {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks =
        (static_cast<int64_t>(now.dwHighDateTime) << 32) | static_cast<int64_t>(now.dwLowDateTime);
    return ticks / kFileTimeTicksPerSecond - kSecondsFrom1601To1970;
}
