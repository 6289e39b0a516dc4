// The stub log: settings from the registry, and the line writer that appends
// "time - date Level: message" to the file under the log's only lock.
#include "gina/cMvGINALog.h"

#include "support/WideFormat.h"
#include "support/cMvGINARegistry.h"
#include "support/RegistryKeys.h"
#include "support/UniqueHandle.h"

namespace {

const wchar_t* LineFormatFor(unsigned level) {
    switch (level) {
    case cMvGINALog::LevelError:
        return L"%s - %s Error: %s\r\n";
    case cMvGINALog::LevelWarning:
        return L"%s - %s Warning: %s\r\n";
    case cMvGINALog::LevelInformation:
        return L"%s - %s Information: %s\r\n";
    default:
        return L"%s - %s Message: %s\r\n";
    }
}

} // namespace

void cMvGINALog::ReadSettings(cMvGINARegistry& registry) noexcept {
    resetra::cMvCriticalSection::Lock guard(m_lock);
    m_path.clear();
    std::optional<std::wstring> path;
    if (registry.GetString(kResetraGinaKey, L"Log File", path) == 0 && path) {
        try {
            m_path = std::move(*path);
        } catch (...) {
            m_path.clear();
        }
    }
    DWORD mask = 0;
    m_mask = registry.GetDword(kResetraGinaKey, L"Log Mask", mask) == 0 ? mask : DefaultMask;
}

void cMvGINALog::Write(unsigned level, const wchar_t* format, ...) noexcept {
    va_list args;
    va_start(args, format);
    WriteV(level, format, args);
    va_end(args);
}

void cMvGINALog::WriteV(unsigned level, const wchar_t* format, va_list args) noexcept {
    resetra::cMvCriticalSection::Lock guard(m_lock);
    if (m_path.empty() || (m_mask & level) == 0 || format == nullptr) {
        return;
    }
    try {
        const std::wstring message = FormatWideV(format, args);
        SYSTEMTIME now{};
        GetLocalTime(&now);
        wchar_t time[16];
        wchar_t date[16];
        FormatWideTo(time, L"%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
        FormatWideTo(date, L"%02u/%02u/%02u", now.wMonth, now.wDay, now.wYear % 100);
        const std::wstring line = FormatWide(LineFormatFor(level), time, date, message.c_str());

        resetra::UniqueFile file(CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE,
                                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return;
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size)) {
            return;
        }
        LARGE_INTEGER zero{};
        if (size.QuadPart > MaximumFileSize) {
            if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN) ||
                !SetEndOfFile(file.get())) {
                return;
            }
        } else if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) {
            return;
        }
        const DWORD bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
        DWORD written = 0;
        WriteFile(file.get(), line.data(), bytes, &written, nullptr);
    } catch (...) {
        // Out of memory while formatting: the line is dropped.
    }
}
