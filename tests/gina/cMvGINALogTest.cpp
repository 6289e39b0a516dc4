// The stub log's file: exact line format, level mask, no byte-order mark,
// and the file emptied once it has grown past 5,242,880 bytes.
#include "gina/cMvGINALog.h"
#include "support/cMvGINARegistry.h"
#include "tests/gina/GinaTestRegistry.h"

#include <gtest/gtest.h>

#include <cwchar>
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

TEST_F(StubLog, WritesNothingBeforeSettingsAreReadNorWithoutALogFileValue) {
    cMvGINALog log;
    Configure(log);
    log.Write(cMvGINALog::LevelError, L"no file configured");
    SetGinaString(L"Log File", path);
    log.Write(cMvGINALog::LevelError, L"settings not read again");
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
}

TEST_F(StubLog, MaskSelectsLevelsEachWrittenWithItsWord) {
    struct Row {
        const wchar_t* mask; // nullptr: no value; "s": stored as a string
        const wchar_t* expected;
    };
    const Row rows[] = {
        {nullptr, L" Error: 1\r\n Warning: 2 -18\r\n Information: 4\r\n"},
        {L"s", L" Error: 1\r\n Warning: 2 -18\r\n Information: 4\r\n"},
        {L"1", L" Error: 1\r\n"},
        {L"0", L""},
        {L"4294967295", L" Error: 1\r\n Warning: 2 -18\r\n Information: 4\r\n Message: 8\r\n"},
    };
    for (const Row& row : rows) {
        CleanGinaKeys();
        DeleteFileW(path.c_str());
        SetGinaString(L"Log File", path);
        if (row.mask != nullptr && row.mask[0] == L's') {
            SetGinaString(L"Log Mask", L"1");
        } else if (row.mask != nullptr) {
            SetGinaDword(L"Log Mask", static_cast<DWORD>(std::wcstoul(row.mask, nullptr, 10)));
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
        EXPECT_EQ(row.expected, lines) << "mask " << (row.mask ? row.mask : L"none");
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

TEST_F(StubLog, LongMessagesAreWrittenWhole) {
    SetGinaString(L"Log File", path);
    cMvGINALog log;
    Configure(log);
    const std::wstring big(100000, L'q');
    log.Write(1, L"%s", big.c_str());
    EXPECT_NE(std::wstring::npos, Contents().find(L"Error: " + big + L"\r\n"));
}

} // namespace
