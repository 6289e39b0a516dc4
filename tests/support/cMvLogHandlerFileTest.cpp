// The policy log file handler: exact bytes of the file, level names and the
// mask applied when the buffer is written, the size limit, a file held by
// another process, the bound on the buffer and many threads writing through
// one handler. A file held without sharing stands for one that another
// process holds.
#include "support/cMvConfigurationLogFileHelper.h"
#include "support/cMvLog.h"
#include "support/UniqueHandle.h"
#include "support/cMvLogHandlerFile.h"
#include "tests/support/SupportTestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::wstring::npos ? text.size() : end + 2;
    }
    return lines;
}

// The text after "[date] - level - ".
std::wstring Message(const std::wstring& line) {
    size_t pos = line.find(L"] - ");
    pos = line.find(L" - ", pos + 4);
    return pos == std::wstring::npos ? L"" : line.substr(pos + 3);
}

std::wstring Messages(const std::wstring& path) {
    std::wstring all;
    for (const std::wstring& line : Lines(ReadUtf16File(path))) {
        all += Message(line);
    }
    return all;
}

// Opens the file without sharing, as another process holding it would.
resetra::UniqueFile HoldWithoutSharing(const std::wstring& path) {
    return resetra::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Formatting would read through this pointer and crash.
const wchar_t* const kPoisoned = reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8));

class PolicyLogFile : public ::testing::Test {
protected:
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
};

} // namespace

TEST_F(PolicyLogFile, WritesByteOrderMarkOnceAndCrLfLinesWithTheLocalDateOrUnknownDate) {
    // 2026-12-04 06:13:35 UTC, shown in local time.
    SYSTEMTIME utc{2026, 12, 5, 4, 6, 13, 35, 0};
    SYSTEMTIME local;
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
    wchar_t date[32];
    swprintf(date, 32, L"[%02u-%02u-%04u %02u:%02u:%02u]", local.wDay, local.wMonth, local.wYear,
             local.wHour, local.wMinute, local.wSecond);
    cMvLogHandlerFile first(path.c_str(), 3, 5242880, 0);
    first.Log(cMvLogEntry(1796364815, LogLevel::Error, 2, L"Error code (2) - Missing."));
    ASSERT_EQ(first.Flush(), 0);
    cMvLogHandlerFile second(path.c_str(), 3, 5242880, 1);
    second.Log(cMvLogEntry(0, LogLevel::Information, 0, L"Appended."));
    second.Log(cMvLogEntry(INT64_MAX, 0xFFFFFFFF, 0, L"Out of range."));
    EXPECT_EQ(ReadBytes(path),
              Utf16Bytes(std::wstring(date) + L" - Error - Error code (2) - Missing.\r\n"
                                              L"[Unknown date] - Information - Appended.\r\n"
                                              L"[Unknown date] - All - Out of range.\r\n",
                         true));
}

TEST_F(PolicyLogFile, MaskKeepsLevelsByBitsWithWarningAsTwentyTwo) {
    const struct {
        uint32_t mask;
        const wchar_t* expected; // levels written, in order E I D W
    } cases[] = {
        {3, L"EIW"}, {1, L"E"}, {0xFFFFFFFF, L"EIDW"}, {4, L"DW"}, {0x10, L"W"}, {0, L""},
    };
    for (const auto& c : cases) {
        for (uint32_t immediately : {0u, 1u}) {
            DeleteFileW(path.c_str());
            cMvLogHandlerFile handler(path.c_str(), c.mask, 5242880, immediately);
            cMvLog log; // through the log, which formats only what may be kept
            log.AddHandler(&handler);
            log.Log(LogLevel::Error, L"E");
            log.Log(LogLevel::Information, L"I");
            log.Log(LogLevel::Debug, L"D");
            log.Log(LogLevel::Warning, L"W");
            log.Flush();
            EXPECT_EQ(Messages(path), c.expected)
                << "mask " << c.mask << " immediately " << immediately;
        }
    }
}

TEST_F(PolicyLogFile, ConfigureWideningTheMaskKeepsEntriesLoggedBeforeIt) {
    cMvConfigurationLogFileHelper everything(path.c_str(), 0xFFFFFFFF, 5242880, 1);
    // Buffered until the flush.
    cMvLogHandlerFile buffered(path.c_str(), 1, 5242880, 0);
    cMvLog log;
    log.AddHandler(&buffered);
    log.Log(LogLevel::Debug, L"buffered");
    buffered.Configure(everything);
    log.Flush();
    // Waiting while another process holds the file.
    cMvLogHandlerFile waiting(path.c_str(), 1, 5242880, 1);
    log[0] = &waiting;
    {
        const resetra::UniqueFile holder = HoldWithoutSharing(path);
        ASSERT_TRUE(holder);
        log.Log(LogLevel::Debug, L" waited");
    }
    waiting.Configure(everything);
    log.Flush();
    EXPECT_EQ(Messages(path), L"buffered waited");
    // A writable file with immediately on decides at once: not even formatted.
    cMvLogHandlerFile direct(path.c_str(), 1, 5242880, 1);
    log[0] = &direct;
    log.Log(LogLevel::Debug, L"%s", kPoisoned);
    log.LogHResult(LogLevel::Information, E_FAIL, L"%s", kPoisoned);
    EXPECT_EQ(Messages(path), L"buffered waited");
}

TEST_F(PolicyLogFile, EmptiesOnlyAFileLargerThanTheMaximumBeforeWriting) {
    for (size_t size : {100u, 101u}) {
        WriteBytes(path, std::vector<unsigned char>(size, 'x'));
        cMvLogHandlerFile handler(path.c_str(), 3, 100, 1);
        handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"new"));
        std::vector<unsigned char> expected = Utf16Bytes(L"[Unknown date] - Error - new\r\n", true);
        if (size == 100) {
            expected.erase(expected.begin(), expected.begin() + 2);
            expected.insert(expected.begin(), size, 'x');
        }
        EXPECT_EQ(ReadBytes(path), expected) << size;
    }
}

TEST_F(PolicyLogFile, BufferStaysBoundedWhileTheFileStaysLockedForHours) {
    // Immediately on, as the policy log runs: every entry tries the file.
    cMvLogHandlerFile handler(path.c_str(), 3, 0x7FFFFFFF, 1);
    resetra::UniqueFile holder = HoldWithoutSharing(path);
    ASSERT_TRUE(holder);
    const size_t total = cMvLogHandlerFile::kMaxBufferedEntries + 2000;
    for (size_t i = 0; i < total; ++i) {
        handler.Log(cMvLogEntry(0, LogLevel::Error, 0, L"entry " + std::to_wstring(i)));
        ASSERT_LE(handler.GetBufferedCount(), cMvLogHandlerFile::kMaxBufferedEntries);
    }
    holder.reset();
    ASSERT_EQ(handler.Flush(), 0);
    const std::vector<std::wstring> lines = Lines(ReadUtf16File(path));
    ASSERT_EQ(lines.size(), cMvLogHandlerFile::kMaxBufferedEntries + 1);
    EXPECT_NE(lines[0].find(L"2000 log entries were dropped"), std::wstring::npos);
    EXPECT_EQ(Message(lines[1]), L"entry 2000");
    EXPECT_EQ(Message(lines.back()), L"entry " + std::to_wstring(total - 1));

    // Huge entries: only the newest stays while the file cannot be opened.
    cMvLogHandlerFile nowhere(folder.Path(L"missing\\policy.log").c_str(), 3, 5242880, 1);
    const std::wstring huge(cMvLogHandlerFile::kMaxBufferedChars / 2 + 1, L'a');
    for (int i = 0; i < 5; ++i) {
        nowhere.Log(cMvLogEntry(0, LogLevel::Error, 0, huge));
    }
    EXPECT_EQ(nowhere.GetBufferedCount(), 1u);
    EXPECT_EQ(nowhere.GetDroppedCount(), 4u);
    // Without a file name nothing is kept at all.
    cMvLogHandlerFile unset;
    unset.Log(cMvLogEntry(0, LogLevel::Error, 0, L"nowhere"));
    EXPECT_EQ(unset.Flush(), 0);
    EXPECT_EQ(unset.GetBufferedCount(), 0u);
}

TEST_F(PolicyLogFile, ManyThreadsWriteWholeLinesInPerThreadOrder) {
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
