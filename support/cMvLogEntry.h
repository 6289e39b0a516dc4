// One entry of the policy log: when it was made, its level, its result code
// and the complete message. Entries are copied by value from the log to
// each handler, so a handler may keep them as long as it needs.
#pragma once

#include <cstdint>
#include <string>

// Level values. Warning is 22 (0x16), not a single bit: it passes any mask
// holding bit 0x02, 0x04 or 0x10.
namespace LogLevel {
constexpr uint32_t None = 0;
constexpr uint32_t Error = 1;
constexpr uint32_t Information = 2;
constexpr uint32_t Debug = 4;
constexpr uint32_t Warning = 22;
constexpr uint32_t All = 0xFFFFFFFF;
} // namespace LogLevel

class cMvLogEntry {
public:
    // Stamps the entry with the current time.
    cMvLogEntry(uint32_t level, uint32_t code, std::wstring text);
    // An explicit time in seconds since 1970-01-01 UTC; 0 means unknown.
    cMvLogEntry(int64_t time, uint32_t level, uint32_t code, std::wstring text);

    [[nodiscard]] int64_t GetTime() const noexcept { return m_time; }
    [[nodiscard]] const std::wstring& GetText() const noexcept { return m_text; }
    [[nodiscard]] uint32_t GetLevel() const noexcept { return m_level; }
    [[nodiscard]] uint32_t GetCode() const noexcept { return m_code; }

    // FILETIME counts 100 ns steps from 1601-01-01 UTC, entries seconds from
    // 1970-01-01 UTC.
    static constexpr int64_t kFileTimeTicksPerSecond = 10000000;
    static constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;

    // The name written into the file for a level value.
    [[nodiscard]] static const wchar_t* LevelName(uint32_t level) noexcept;
    // Seconds since 1970-01-01 UTC now.
    [[nodiscard]] static int64_t Now() noexcept;

private:
    int64_t m_time;
    std::wstring m_text;
    uint32_t m_level;
    uint32_t m_code;
};
