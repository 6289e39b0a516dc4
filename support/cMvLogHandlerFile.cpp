// File handler of the policy log: buffering, bounding and the flush to the
// UTF-16LE log file.
#include "support/cMvLogHandlerFile.h"
#include "support/WideFormat.h"
#include "support/UniqueHandle.h"
#include "support/cMvConfigurationLogFile.h"

#include <windows.h>

#include <utility>

cMvLogHandlerFile::cMvLogHandlerFile(const wchar_t* fileName, uint32_t mask, uint32_t maxFileSize,
                                     uint32_t immediately)
    : m_mask(mask), m_fileName(fileName ? fileName : L""), m_maxFileSize(maxFileSize),
      m_immediately(immediately) {}

void cMvLogHandlerFile::Log(cMvLogEntry entry) {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    m_bufferedChars += entry.GetText().size();
    m_buffer.push_back(std::move(entry));
    TrimBuffer();
    if (m_immediately != 0) {
        (void)Flush(); // the lock is re-entrant
    }
}

void cMvLogHandlerFile::TrimBuffer() {
    while (m_buffer.size() > 1 &&
           (m_buffer.size() > kMaxBufferedEntries || m_bufferedChars > kMaxBufferedChars)) {
        m_bufferedChars -= m_buffer.front().GetText().size();
        m_buffer.pop_front();
        ++m_dropped;
    }
}

bool cMvLogHandlerFile::Accepts(uint32_t level) {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    if (m_immediately == 0 || MaskKeeps(m_mask, level)) {
        // Written now, or waiting in the buffer for a flush whose mask a
        // Configure in between may still widen.
        return true;
    }
    // Log would flush at once and that flush would skip the entry, unless
    // the file cannot be written: then the entry waits for a later flush
    // like any other. Flushing now tells which, so the entry is formatted
    // only when it would wait, and the file receives the same lines.
    return Flush() != 0;
}

void cMvLogHandlerFile::Configure(cMvConfigurationLogFile& configuration) {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    m_fileName = configuration.GetFilename();
    m_mask = configuration.GetMask();
    m_maxFileSize = configuration.GetMaxFileSize();
    m_immediately = configuration.GetImmediately();
}

int32_t cMvLogHandlerFile::Flush() {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    if (m_fileName.empty()) {
        // File output is off: nothing will ever write these entries.
        m_buffer.clear();
        m_bufferedChars = 0;
        m_dropped = 0;
        return 0;
    }
    return WriteBuffer();
}

int32_t cMvLogHandlerFile::WriteBuffer() {
    // No sharing: no other process can write between our size check and
    // our last line.
    resetra::UniqueFile file(CreateFileW(m_fileName.c_str(), 0x1F01FF, 0, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return static_cast<int32_t>(GetLastError());
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        return static_cast<int32_t>(GetLastError());
    }
    if (size.QuadPart > static_cast<LONGLONG>(m_maxFileSize)) {
        // No rotation: the old content goes.
        if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
            SetEndOfFile(file.get())) {
            size.QuadPart = 0;
        }
    }
    std::wstring out;
    if (size.QuadPart == 0) {
        out += L'\xFEFF'; // written as FF FE
    }
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) {
        return static_cast<int32_t>(GetLastError());
    }
    if (m_dropped != 0 && MaskKeeps(m_mask, LogLevel::Error)) {
        out += Format(cMvLogEntry(LogLevel::Error, 0,
                                  FormatWide(L"%Iu log entries were dropped while the "
                                             L"log file could not be written.",
                                             m_dropped)),
                      true);
    }
    for (const cMvLogEntry& entry : m_buffer) {
        if (MaskKeeps(m_mask, entry.GetLevel())) {
            out += Format(entry, true);
        }
    }
    // Written in pieces: WriteFile takes at most 4 GiB less one byte per call.
    constexpr size_t kChunkChars = 16 * 1024 * 1024;
    for (size_t offset = 0; offset < out.size(); offset += kChunkChars) {
        const size_t chars = std::min(kChunkChars, out.size() - offset);
        DWORD written = 0;
        (void)WriteFile(file.get(), out.data() + offset,
                        static_cast<DWORD>(chars * sizeof(wchar_t)), &written, nullptr);
    }
    m_buffer.clear();
    m_bufferedChars = 0;
    m_dropped = 0;
    return 0;
}

size_t cMvLogHandlerFile::GetBufferedCount() {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    return m_buffer.size();
}

size_t cMvLogHandlerFile::GetDroppedCount() {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    return m_dropped;
}

std::wstring cMvLogHandlerFile::GetFilename() {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    return m_fileName;
}

uint32_t cMvLogHandlerFile::GetMask() {
    resetra::cMvCriticalSection::Lock lock(m_lock);
    return m_mask;
}
