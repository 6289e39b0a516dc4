// The policy log file handler: exact bytes of the file, the level mask, the
// size limit, a file held by another process, the bound on the buffer and
// many threads writing through one handler.
#include "support/cMvConfigurationLogFileHelper.h"
#include "support/cMvLog.h"
#include "support/cMvLogHandlerFile.h"
#include "tests/support/SupportTestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

// Seconds since 1970 of a local wall-clock time, converted by the inverse
// of the handler's path.
int64_t LocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME local{};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    local.wSecond = second;
    SYSTEMTIME utc;
    TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    FILETIME file;
    SystemTimeToFileTime(&utc, &file);
    const int64_t ticks = (static_cast<int64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return ticks / 10000000 - 11644473600LL;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The text after "[date] - level - ".
std::wstring Message(const std::wstring& line) {
    size_t pos = line.find(L"] - ");
    pos = line.find(L" - ", pos + 4);
    return pos == std::wstring::npos ? L"" : line.substr(pos + 3);
}

class OtherProcessHoldsFile {
public:
    explicit OtherProcessHoldsFile(const std::wstring& path) {
        wchar_t suffix[64];
        swprintf(suffix, 64, L"%lu-%lu", GetCurrentProcessId(), GetTickCount());
        const std::wstring readyName = std::wstring(L"ResetraHolderReady-") + suffix;
        const std::wstring releaseName = std::wstring(L"ResetraHolderRelease-") + suffix;
        m_ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
        m_release = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
        std::wstring command =
            L"\"" + HelperPath() + L"\" \"" + path + L"\" " + readyName + L" " + releaseName;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &m_process)) {
            HANDLE waits[] = {m_ready, m_process.hProcess};
            m_holding = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
        }
    }
    ~OtherProcessHoldsFile() { Release(); }
    void Release() {
        if (m_process.hProcess) {
            SetEvent(m_release);
            WaitForSingleObject(m_process.hProcess, 30000);
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
            m_process = {};
        }
    }
    [[nodiscard]] bool Holding() const { return m_holding; }

private:
    static std::wstring HelperPath() {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring path = self;
        return path.substr(0, path.find_last_of(L'\\') + 1) + L"support_file_holder.exe";
    }
    HANDLE m_ready = nullptr;
    HANDLE m_release = nullptr;
    PROCESS_INFORMATION m_process{};
    bool m_holding = false;
};

} // namespace

TEST(PolicyLogFile, WritesByteOrderMarkAndCrLfLinesIntoANewFile) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    cMvLogHandlerFile handler(path.c_str(), 3, 5242880, 0);
    const int64_t when = LocalTime(2026, 12, 4, 6, 13, 35);
    handler.Log(cMvLogEntry(when, LogLevel::Error, 2, L"Error code (2) - The file is missing."));
    handler.Log(cMvLogEntry(when, LogLevel::Information, 0, L"Loaded."));
    ASSERT_EQ(handler.Flush(), 0);
    EXPECT_EQ(
        ReadBytes(path),
        Utf16Bytes(L"[04-12-2026 06:13:35] - Error - Error code (2) - The file is missing.\r\n"
                   L"[04-12-2026 06:13:35] - Information - Loaded.\r\n",
                   true));
}

TEST(PolicyLogFile, AppendsWithoutSecondByteOrderMark) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    cMvLogHandlerFile handler(path.c_str(), 3, 5242880, 1);
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"one"));
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"two"));
    EXPECT_EQ(ReadBytes(path), Utf16Bytes(L"[Unknown date] - Error - one\r\n"
                                          L"[Unknown date] - Error - two\r\n",
                                          true));
}

TEST(PolicyLogFile, NamesLevelsAndWritesUnknownDateForTimeZero) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    cMvLogHandlerFile handler(path.c_str(), 0xFFFFFFFF, 5242880, 0);
    const uint32_t levels[] = {0, 1, 2, 3, 4, 22, 0xFFFFFFFF, 8};
    for (uint32_t level : levels) {
        handler.Log(cMvLogEntry(0, level, 0, L"x"));
    }
    ASSERT_EQ(handler.Flush(), 0);
    EXPECT_EQ(ReadUtf16File(path), L"[Unknown date] - None - x\r\n"
                                   L"[Unknown date] - Error - x\r\n"
                                   L"[Unknown date] - Information - x\r\n"
                                   L"[Unknown date] - Unknown - x\r\n"
                                   L"[Unknown date] - Debug - x\r\n"
                                   L"[Unknown date] - Warning - x\r\n"
                                   L"[Unknown date] - All - x\r\n"
                                   L"[Unknown date] - Unknown - x\r\n");
}

TEST(PolicyLogFile, TimeThatCannotBeConvertedIsWrittenAsUnknownDate) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    cMvLogHandlerFile handler(path.c_str(), 3, 5242880, 0);
    handler.Log(cMvLogEntry(INT64_MAX, LogLevel::Error, 0, L"far"));
    handler.Log(cMvLogEntry(-20000000000LL, LogLevel::Error, 0, L"early"));
    ASSERT_EQ(handler.Flush(), 0);
    EXPECT_EQ(ReadUtf16File(path), L"[Unknown date] - Error - far\r\n"
                                   L"[Unknown date] - Error - early\r\n");
}

TEST(PolicyLogFile, MaskKeepsLevelsByBitsWithWarningAsTwentyTwo) {
    struct Case {
        uint32_t mask;
        const wchar_t* expected; // levels written, in order E I D W
    } cases[] = {
        {3, L"EIW"}, {1, L"E"}, {0xFFFFFFFF, L"EIDW"}, {4, L"DW"}, {0x10, L"W"}, {0, L""},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::wstring path = folder.Path(L"policy.log");
        cMvLogHandlerFile handler(path.c_str(), c.mask, 5242880, 0);
        handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"E"));
        handler.Log(cMvLogEntry(0, LogLevel::Information, 0, L"I"));
        handler.Log(cMvLogEntry(0, LogLevel::Debug, 0, L"D"));
        handler.Log(cMvLogEntry(0, LogLevel::Warning, 0, L"W"));
        ASSERT_EQ(handler.Flush(), 0);
        std::wstring written;
        for (const std::wstring& line : Lines(ReadUtf16File(path))) {
            written += Message(line);
        }
        EXPECT_EQ(written, c.expected) << "mask " << c.mask;
    }
}

TEST(PolicyLogFile, EmptiesAFileLargerThanTheMaximumBeforeWriting) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    WriteBytes(path, std::vector<unsigned char>(101, 'x'));
    cMvLogHandlerFile handler(path.c_str(), 3, 100, 0);
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"fresh"));
    ASSERT_EQ(handler.Flush(), 0);
    EXPECT_EQ(ReadBytes(path), Utf16Bytes(L"[Unknown date] - Error - fresh\r\n", true));
}

TEST(PolicyLogFile, AppendsToAFileOfExactlyTheMaximumSize) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    WriteBytes(path, std::vector<unsigned char>(100, 'x'));
    cMvLogHandlerFile handler(path.c_str(), 3, 100, 0);
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"more"));
    ASSERT_EQ(handler.Flush(), 0);
    std::vector<unsigned char> expected(100, 'x');
    for (unsigned char b : Utf16Bytes(L"[Unknown date] - Error - more\r\n", false)) {
        expected.push_back(b);
    }
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(PolicyLogFile, KeepsEntriesWhileAnotherProcessHoldsTheFileAndWritesThemInOrderLater) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    cMvLogHandlerFile handler(path.c_str(), 3, 5242880, 0);
    OtherProcessHoldsFile holder(path);
    ASSERT_TRUE(holder.Holding());
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"first"));
    handler.Log(cMvLogEntry(0, LogLevel::Information, 0, L"second"));
    EXPECT_EQ(handler.Flush(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(handler.GetBufferedCount(), 2u);
    holder.Release();
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"third"));
    ASSERT_EQ(handler.Flush(), 0);
    EXPECT_EQ(ReadUtf16File(path), L"[Unknown date] - Error - first\r\n"
                                   L"[Unknown date] - Information - second\r\n"
                                   L"[Unknown date] - Error - third\r\n");
    EXPECT_EQ(handler.GetBufferedCount(), 0u);
}

TEST(PolicyLogFile, BufferStaysBoundedWhileTheFileStaysLockedForHours) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    // Immediately on, as the policy log runs: every entry tries the file.
    cMvLogHandlerFile handler(path.c_str(), 3, 0x7FFFFFFF, 1);
    OtherProcessHoldsFile holder(path);
    ASSERT_TRUE(holder.Holding());
    const size_t total = cMvLogHandlerFile::kMaxBufferedEntries + 2000;
    for (size_t i = 0; i < total; ++i) {
        handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"entry " + std::to_wstring(i)));
        ASSERT_LE(handler.GetBufferedCount(), cMvLogHandlerFile::kMaxBufferedEntries);
    }
    EXPECT_EQ(handler.GetDroppedCount(), 2000u);
    holder.Release();
    ASSERT_EQ(handler.Flush(), 0);
    const std::vector<std::wstring> lines = Lines(ReadUtf16File(path));
    ASSERT_EQ(lines.size(), cMvLogHandlerFile::kMaxBufferedEntries + 1);
    EXPECT_NE(lines[0].find(L"2000 log entries were dropped"), std::wstring::npos) << lines[0];
    EXPECT_EQ(Message(lines[1]), L"entry 2000");
    EXPECT_EQ(Message(lines.back()), L"entry " + std::to_wstring(total - 1));
}

TEST(PolicyLogFile, BufferKeepsOnlyTheNewestOfHugeEntriesWhileUnavailable) {
    TempFolder folder;
    // A folder that does not exist: the file can never be opened.
    const std::wstring path = folder.Path(L"missing\\policy.log");
    cMvLogHandlerFile handler(path.c_str(), 3, 5242880, 1);
    const std::wstring huge(cMvLogHandlerFile::kMaxBufferedChars / 2 + 1, L'a');
    for (int i = 0; i < 5; ++i) {
        handler.Log(cMvLogEntry(0, LogLevel::Error, 0, huge));
    }
    EXPECT_EQ(handler.GetBufferedCount(), 1u);
    EXPECT_EQ(handler.GetDroppedCount(), 4u);
}

TEST(PolicyLogFile, DropsBufferedEntriesWhenNoFileIsSet) {
    cMvLogHandlerFile handler;
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"nowhere"));
    EXPECT_EQ(handler.Flush(), 0);
    EXPECT_EQ(handler.GetBufferedCount(), 0u);
}

TEST(PolicyLogFile, ConfigureTakesEffectForTheNextFlush) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"configured.log");
    cMvLogHandlerFile handler;
    cMvConfigurationLogFileHelper configuration(path.c_str(), 1, 5242880, 0);
    handler.Configure(configuration);
    handler.Log(cMvLogEntry(0, LogLevel::Information, 0, L"masked"));
    handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"kept"));
    ASSERT_EQ(handler.Flush(), 0);
    EXPECT_EQ(ReadUtf16File(path), L"[Unknown date] - Error - kept\r\n");
}

TEST(PolicyLogFile, ManyThreadsWriteWholeLinesInPerThreadOrder) {
    TempFolder folder;
    const std::wstring path = folder.Path(L"threads.log");
    cMvLogHandlerFile handler(path.c_str(), 0xFFFFFFFF, 0x7FFFFFFF, 0);
    constexpr int kThreads = 8;
    constexpr int kPerThread = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&handler, t] {
            cMvLog log;
            log.AddHandler(&handler);
            for (int i = 0; i < kPerThread; ++i) {
                log.Log(LogLevel::Information, L"thread %d line %d %s", t, i,
                        L"padding-padding-padding-padding");
                if (i % 37 == 0) {
                    log.Flush();
                }
            }
            log.Flush();
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<int> next(kThreads, 0);
    size_t count = 0;
    for (const std::wstring& line : Lines(ReadUtf16File(path))) {
        int t = -1;
        int i = -1;
        wchar_t padding[64] = {};
        ASSERT_EQ(swscanf(Message(line).c_str(), L"thread %d line %d %63ls", &t, &i, padding), 3)
            << "broken line: " << std::string(line.begin(), line.end());
        ASSERT_EQ(std::wstring(padding), L"padding-padding-padding-padding");
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(i, next[t]) << "thread " << t;
        next[t] = i + 1;
        ++count;
    }
    EXPECT_EQ(count, static_cast<size_t>(kThreads * kPerThread));
}
