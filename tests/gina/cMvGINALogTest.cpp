// The stub log's file: exact line format, level mask, no byte-order mark,
// and the file emptied once it has grown past 5,242,880 bytes.
#include "gina/cMvGINALog.h"
#include "gina/cMvGINARegistry.h"
#include "tests/gina/GinaTestRegistry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

class StubLog : public ::testing::Test {
protected:
    void SetUp() override {
        CleanGinaKeys();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path = std::wstring(temp) + L"resetra-stublog-" + std::to_wstring(GetCurrentProcessId()) +
               L".log";
        DeleteFileW(path.c_str());
    }
    void TearDown() override {
        DeleteFileW(path.c_str());
        CleanGinaKeys();
    }

    void Configure(cMvGINALog& log) {
        cMvGINARegistry registry;
        ASSERT_EQ(0, registry.Connect(nullptr, HKEY_LOCAL_MACHINE));
        log.ReadSettings(registry);
    }

    std::wstring Contents() const {
        std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::wstring text(bytes.size() / 2, L'\0');
        memcpy(text.data(), bytes.data(), text.size() * 2);
        return text;
    }
    LONGLONG Size() const {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
            return -1;
        }
        return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    void FillTo(LONGLONG bytes) const {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        std::vector<char> block(1 << 20, 'x');
        LONGLONG left = bytes;
        while (left > 0) {
            DWORD chunk = static_cast<DWORD>(std::min<LONGLONG>(left, block.size()));
            DWORD written = 0;
            WriteFile(file, block.data(), chunk, &written, nullptr);
            left -= written;
        }
        CloseHandle(file);
    }

    std::wstring path;
};

std::wstring Stamp(const SYSTEMTIME& t) {
    wchar_t text[32];
    swprintf(text, 32, L"%02u:%02u:%02u - %02u/%02u/%02u", t.wHour, t.wMinute, t.wSecond, t.wMonth,
             t.wDay, t.wYear % 100);
    return text;
}

TEST_F(StubLog, WritesNothingBeforeSettingsAreRead) {
    cMvGINALog log;
    log.Write(cMvGINALog::LevelError, L"nothing");
    SetGinaString(L"Log File", path);
    log.Write(cMvGINALog::LevelError, L"still nothing");
    EXPECT_EQ(-1, Size());
}

TEST_F(StubLog, WritesNothingWithoutALogFileValue) {
    cMvGINALog log;
    Configure(log);
    log.Write(cMvGINALog::LevelError, L"nothing");
    EXPECT_EQ(-1, Size());
}

TEST_F(StubLog, LineHoldsTimeThenDateThenLevelAndMessageWithCrLfAndNoByteOrderMark) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    SYSTEMTIME before{};
    SYSTEMTIME after{};
    std::wstring contents;
    // The stamp is taken inside Write: retry if the second changed meanwhile.
    for (int attempt = 0; attempt < 5; ++attempt) {
        DeleteFileW(path.c_str());
        GetLocalTime(&before);
        log.Write(cMvGINALog::LevelInformation, L"Loading GINA: '%s'", L"MSGINA.DLL");
        GetLocalTime(&after);
        contents = Contents();
        if (Stamp(before) == Stamp(after)) {
            break;
        }
    }
    ASSERT_EQ(Stamp(before), Stamp(after));
    EXPECT_EQ(Stamp(before) + L" Information: Loading GINA: 'MSGINA.DLL'\r\n", contents);
    ASSERT_FALSE(contents.empty());
    EXPECT_NE(L'\xFEFF', contents[0]);
}

TEST_F(StubLog, EachLevelHasItsWordAndUnknownLevelsSayMessage) {
    SetGinaString(L"Log File", path);
    SetGinaDword(L"Log Mask", 0xFFFFFFFF);
    cMvGINALog log;
    Configure(log);
    log.Write(1, L"a");
    log.Write(2, L"b %ld", -18L);
    log.Write(4, L"c");
    log.Write(8, L"d");
    const std::wstring text = Contents();
    EXPECT_NE(std::wstring::npos, text.find(L" Error: a\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L" Warning: b -18\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L" Information: c\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L" Message: d\r\n"));
}

TEST_F(StubLog, MaskSelectsLevels) {
    SetGinaString(L"Log File", path);
    SetGinaDword(L"Log Mask", 1);
    cMvGINALog log;
    Configure(log);
    log.Write(1, L"error");
    log.Write(2, L"warning");
    log.Write(4, L"information");
    log.Write(8, L"message");
    const std::wstring text = Contents();
    EXPECT_NE(std::wstring::npos, text.find(L"Error: error"));
    EXPECT_EQ(std::wstring::npos, text.find(L"warning"));
    EXPECT_EQ(std::wstring::npos, text.find(L"information"));
    EXPECT_EQ(std::wstring::npos, text.find(L"message"));
}

TEST_F(StubLog, DefaultMaskKeepsErrorsWarningsAndInformationButNotOtherLevels) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    log.Write(1, L"e");
    log.Write(2, L"w");
    log.Write(4, L"i");
    log.Write(8, L"m");
    const std::wstring text = Contents();
    EXPECT_NE(std::wstring::npos, text.find(L"Error: e"));
    EXPECT_NE(std::wstring::npos, text.find(L"Warning: w"));
    EXPECT_NE(std::wstring::npos, text.find(L"Information: i"));
    EXPECT_EQ(std::wstring::npos, text.find(L"Message: m"));
}

TEST_F(StubLog, MaskZeroWritesNothing) {
    SetGinaString(L"Log File", path);
    SetGinaDword(L"Log Mask", 0);
    cMvGINALog log;
    Configure(log);
    log.Write(1, L"error");
    EXPECT_EQ(-1, Size());
}

TEST_F(StubLog, MaskStoredAsStringCountsAsMissing) {
    SetGinaString(L"Log File", path);
    SetGinaString(L"Log Mask", L"1");
    cMvGINALog log;
    Configure(log);
    log.Write(4, L"information");
    EXPECT_NE(std::wstring::npos, Contents().find(L"Information: information"));
}

TEST_F(StubLog, FileLargerThanFiveMebibytesIsEmptiedBeforeTheNextLine) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    FillTo(5242880 + 1);
    log.Write(1, L"first");
    const std::wstring text = Contents();
    // Nothing of the old contents (all 'x' bytes) is left before the line.
    EXPECT_EQ(std::wstring::npos, text.find(L'\x7878'));
    EXPECT_LT(Size(), 200);
    EXPECT_NE(std::wstring::npos, text.find(L"Error: first\r\n"));
    EXPECT_EQ(L':', text[2]);
}

TEST_F(StubLog, FileOfExactlyFiveMebibytesIsAppendedTo) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    FillTo(5242880);
    log.Write(1, L"appended");
    EXPECT_GT(Size(), 5242880);
    EXPECT_NE(std::wstring::npos, Contents().find(L"Error: appended\r\n"));
}

TEST_F(StubLog, LongMessagesAreWrittenWhole) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    const std::wstring big(100000, L'q');
    log.Write(1, L"%s", big.c_str());
    EXPECT_NE(std::wstring::npos, Contents().find(L"Error: " + big + L"\r\n"));
}

TEST_F(StubLog, UnreachableFileDropsTheLineSilently) {
    SetGinaString(L"Log File", L"Z:\\no\\such\\folder\\stub.log");
    cMvGINALog log;
    Configure(log);
    log.Write(1, L"dropped");
    SUCCEED();
}

} // namespace
