// The stub log's file: exact line format, level mask, no byte-order mark,
// and the file emptied once it has grown past 5,242,880 bytes.
#include "gina/cMvGINALog.h"
#include "support/cMvGINARegistry.h"
#include "tests/gina/GinaTestRegistry.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

class StubLog : public ::testing::Test {
protected:
    void SetUp() override {
        CleanGinaKeys();
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
    std::wstring Contents() const { return ReadUtf16(path); }
    LONGLONG Size() const { return static_cast<LONGLONG>(Contents().size() * 2); }
    void FillTo(size_t bytes) const {
        std::ofstream(std::filesystem::path(path), std::ios::binary) << std::string(bytes, 'x');
    }

    const std::wstring path = TempFile(L"resetra-stublog-");
};

std::wstring Stamp(const SYSTEMTIME& t) {
    wchar_t text[32];
    swprintf(text, 32, L"%02u:%02u:%02u - %02u/%02u/%02u", t.wHour, t.wMinute, t.wSecond, t.wMonth,
             t.wDay, t.wYear % 100);
    return text;
}

TEST_F(StubLog, WritesNothingBeforeSettingsAreReadNorWithoutALogFileValue) {
    cMvGINALog log;
    Configure(log);
    log.Write(cMvGINALog::LevelError, L"no file configured");
    SetGinaString(L"Log File", path);
    log.Write(cMvGINALog::LevelError, L"settings not read again");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
}

TEST_F(StubLog, LineHoldsTimeDateLevelAndWholeMessageWithCrLfAndNoByteOrderMark) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    SYSTEMTIME before{};
    SYSTEMTIME after{};
    std::wstring contents;
    // The stamp is taken inside Write: retry if the second changed meanwhile.
    for (int attempt = 0; attempt < 5 && (attempt == 0 || Stamp(before) != Stamp(after));
         ++attempt) {
        DeleteFileW(path.c_str());
        GetLocalTime(&before);
        log.Write(cMvGINALog::LevelInformation, L"Loading GINA: '%s'", L"MSGINA.DLL");
        GetLocalTime(&after);
        contents = Contents();
    }
    ASSERT_EQ(Stamp(before), Stamp(after));
    EXPECT_EQ(Stamp(before) + L" Information: Loading GINA: 'MSGINA.DLL'\r\n", contents);
    const std::wstring big(100000, L'q');
    log.Write(1, L"%s", big.c_str());
    EXPECT_NE(std::wstring::npos, Contents().find(L"Error: " + big + L"\r\n"));
}

TEST_F(StubLog, MaskSelectsLevelsEachWrittenWithItsWord) {
    const wchar_t* const usual = L" Error: 1\r\n Warning: 2 -18\r\n Information: 4\r\n";
    struct Row {
        std::optional<DWORD> mask;
        bool asString;
        std::wstring expected;
    };
    const Row rows[] = {{std::nullopt, false, usual},
                        {1u, true, usual},
                        {1u, false, L" Error: 1\r\n"},
                        {0u, false, L""},
                        {0xffffffffu, false, usual + std::wstring(L" Message: 8\r\n")}};
    for (const Row& row : rows) {
        CleanGinaKeys();
        DeleteFileW(path.c_str());
        SetGinaString(L"Log File", path);
        if (row.asString) {
            SetGinaString(L"Log Mask", L"1");
        } else if (row.mask) {
            SetGinaDword(L"Log Mask", *row.mask);
        }
        cMvGINALog log;
        Configure(log);
        log.Write(1, L"1");
        log.Write(2, L"2 %ld", -18L);
        log.Write(4, L"4");
        log.Write(8, L"8");
        // Each line without its time stamp.
        std::wstring lines;
        const std::wstring text = Contents();
        for (size_t at = text.find(L" - "); at != std::wstring::npos;
             at = text.find(L" - ", at + 1)) {
            const size_t level = text.find(L' ', at + 3);
            lines += text.substr(level, text.find(L'\n', level) + 1 - level);
        }
        EXPECT_EQ(row.expected, lines) << row.mask.value_or(99) << (row.asString ? " as text" : "");
    }
}

TEST_F(StubLog, FileLargerThanFiveMebibytesIsEmptiedBeforeTheNextLineNotOneOfExactlyThat) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    FillTo(5242880);
    log.Write(1, L"appended");
    EXPECT_GT(Size(), 5242880);
    FillTo(5242880 + 1);
    log.Write(1, L"first");
    EXPECT_LT(Size(), 200);
    EXPECT_EQ(L':', Contents()[2]) << "the line does not start the file";
}

} // namespace
