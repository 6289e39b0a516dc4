// The file handler of the policy log: buffers entries under its own lock and
// writes them as UTF-16LE lines to one file per flush, subject to a level
// mask, a maximum file size and a switch that flushes every entry at once.
// One process-wide object serves every thread of the host process.
#pragma once

#include "support/cMvCriticalSection.h"
#include "support/cMvLogHandler.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

class cMvConfigurationLogFile;

class cMvLogHandlerFile : public cMvLogHandler {
public:
    // While the file cannot be written (locked by another process, folder
    // missing) entries wait in the buffer for the next flush. A GINA lives as
    // long as Winlogon, so the wait is bounded: beyond 4,096 entries or
    // 8 Mi characters (16 MiB) of text the oldest entries are dropped and
    // counted, and the next successful flush writes one Error line saying how
    // many were lost. The newest entry is always kept, however long it is.
    static constexpr size_t kMaxBufferedEntries = 4096;
    static constexpr size_t kMaxBufferedChars = 8 * 1024 * 1024;

    static constexpr uint32_t kDefaultMask = 3;
    static constexpr uint32_t kDefaultMaxFileSize = 5242880;

    cMvLogHandlerFile() = default;
    cMvLogHandlerFile(const wchar_t* fileName, uint32_t mask, uint32_t maxFileSize,
                      uint32_t immediately);
    ~cMvLogHandlerFile() override = default;

    void Log(cMvLogEntry entry) override;
    int32_t Flush() override;
    // The mask is applied when the buffer is written, so only an entry that
    // the next flush will certainly skip is refused.
    bool Accepts(uint32_t level) override;
    virtual void Configure(cMvConfigurationLogFile& configuration);

    // State for diagnostics and tests.
    [[nodiscard]] size_t GetBufferedCount();
    [[nodiscard]] size_t GetDroppedCount();
    [[nodiscard]] std::wstring GetFilename();
    [[nodiscard]] uint32_t GetMask();

private:
    [[nodiscard]] static bool MaskKeeps(uint32_t mask, uint32_t level) noexcept {
        return mask == LogLevel::All || (mask & level) != 0;
    }
    void TrimBuffer();
    [[nodiscard]] int32_t WriteBuffer();

    uint32_t m_mask = kDefaultMask;
    resetra::cMvCriticalSection m_lock;
    std::deque<cMvLogEntry> m_buffer;
    std::wstring m_fileName;
    uint32_t m_maxFileSize = kDefaultMaxFileSize;
    uint32_t m_immediately = 0;
    size_t m_bufferedChars = 0;
    size_t m_dropped = 0;
};
