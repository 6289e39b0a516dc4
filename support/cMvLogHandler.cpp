// Handler base of the policy log and the shared line format.
#include "support/cMvLogHandler.h"

#include <windows.h>

#include <cstdio>

void cMvLogHandler::Log(cMvLogEntry /*entry*/) {}

int32_t cMvLogHandler::Flush() {
    return 0;
}

bool cMvLogHandler::Accepts(uint32_t /*level*/) {
    return true;
}

std::wstring cMvLogHandler::FormatDate(int64_t time) {
    static const wchar_t kUnknown[] = L"Unknown date";
    constexpr int64_t kTicksPerSecond = cMvLogEntry::kFileTimeTicksPerSecond;
    constexpr int64_t kSecondsFrom1601To1970 = cMvLogEntry::kSecondsFrom1601To1970;
    if (time == 0 || time < -kSecondsFrom1601To1970 ||
        time > (INT64_MAX / kTicksPerSecond) - kSecondsFrom1601To1970) {
        return kUnknown;
    }
    const int64_t ticks = (time + kSecondsFrom1601To1970) * kTicksPerSecond;
    FILETIME utcFile;
    utcFile.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
    utcFile.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SYSTEMTIME utc;
    SYSTEMTIME local;
    // The time zone rules of that date, not of today, decide daylight saving.
    if (!FileTimeToSystemTime(&utcFile, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return kUnknown;
    }
    wchar_t buffer[254];
    const int length =
        _snwprintf(buffer, 254, L"%02u-%02u-%04u %02u:%02u:%02u", local.wDay, local.wMonth,
                   local.wYear, local.wHour, local.wMinute, local.wSecond);
    if (length <= 0 || length >= 254) {
        return kUnknown;
    }
    return std::wstring(buffer, static_cast<size_t>(length));
}

std::wstring cMvLogHandler::Format(const cMvLogEntry& entry, bool withLineEnd) {
    // Built by concatenation: the text may be several MiB and is copied once.
    const std::wstring date = FormatDate(entry.GetTime());
    const wchar_t* level = cMvLogEntry::LevelName(entry.GetLevel());
    std::wstring line;
    line.reserve(date.size() + wcslen(level) + entry.GetText().size() + 12);
    line += L'[';
    line += date;
    line += L"] - ";
    line += level;
    line += L" - ";
    line += entry.GetText();
    if (withLineEnd) {
        line += L"\r\n";
    }
    return line;
}
