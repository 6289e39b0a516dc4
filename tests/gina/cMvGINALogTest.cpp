// The stub log's file: exact line format, level mask, no byte-order mark,
// and the file emptied once it has grown past 5,242,880 bytes.
#include "gina/cMvGINALog.h"
#include "support/RegistryKeys.h"
#include "support/cMvGINARegistry.h"
#include "tests/support/SupportTestFiles.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <optional>

namespace {

class StubLog : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegistryTree(kResetraGinaKey); }
    void TearDown() override { DeleteRegistryTree(kResetraGinaKey); }
    void Configure(cMvGINALog& log) {
        cMvGINARegistry registry;
        ASSERT_EQ(0, registry.Connect(nullptr, HKEY_LOCAL_MACHINE));
        log.ReadSettings(registry);
    }

    TempFolder folder;
    const std::wstring path = folder.Path(L"stub.log");
};

std::wstring Stamp(const SYSTEMTIME& t) {
    wchar_t text[32];
    swprintf(text, 32, L"%02u:%02u:%02u - %02u/%02u/%02u", t.wHour, t.wMinute, t.wSecond, t.wMonth,
             t.wDay, t.wYear % 100);
    return text;
}

TEST_F(StubLog, LineHoldsTimeDateLevelAndWholeMessageWithCrLfAndNoByteOrderMark) {
    SetRegistryString(kResetraGinaKey, L"Log File", path);
    cMvGINALog log;
    Configure(log);
    SYSTEMTIME before{};
    SYSTEMTIME after{};
    std::vector<unsigned char> bytes;
    // The stamp is taken inside Write: retry if the second changed meanwhile.
    for (int attempt = 0; attempt < 5 && (attempt == 0 || Stamp(before) != Stamp(after));
         ++attempt) {
        DeleteFileW(path.c_str());
        GetLocalTime(&before);
        log.Write(cMvGINALog::LevelInformation, L"Loading GINA: '%s'", L"MSGINA.DLL");
        GetLocalTime(&after);
        bytes = ReadBytes(path);
    }
    ASSERT_EQ(Stamp(before), Stamp(after));
    EXPECT_EQ(Utf16Bytes(Stamp(before) + L" Information: Loading GINA: 'MSGINA.DLL'\r\n", false),
              bytes);
    const std::wstring big(100000, L'q');
    log.Write(1, L"%s", big.c_str());
    EXPECT_NE(std::wstring::npos, ReadUtf16File(path).find(L"Error: " + big + L"\r\n"));
}

TEST_F(StubLog, MaskSelectsLevelsEachWrittenWithItsWordOnlyOnceAFileIsRead) {
    const wchar_t* const usual = L" Error: 1\r\n Warning: 2 -18\r\n Information: 4\r\n";
    struct Row {
        bool file;
        std::optional<DWORD> mask;
        bool asString;
        std::wstring expected;
    };
    const Row rows[] = {{false, std::nullopt, false, L""},
                        {true, std::nullopt, false, usual},
                        {true, 1u, true, usual},
                        {true, 1u, false, L" Error: 1\r\n"},
                        {true, 0u, false, L""},
                        {true, 0xffffffffu, false, usual + std::wstring(L" Message: 8\r\n")}};
    for (const Row& row : rows) {
        DeleteRegistryTree(kResetraGinaKey);
        DeleteFileW(path.c_str());
        if (row.file) {
            SetRegistryString(kResetraGinaKey, L"Log File", path);
        }
        if (row.asString) {
            SetRegistryString(kResetraGinaKey, L"Log Mask", L"1");
        } else if (row.mask) {
            SetRegistryDword(kResetraGinaKey, L"Log Mask", *row.mask);
        }
        cMvGINALog log;
        Configure(log);
        // Settings are read once: a file named later is not written.
        SetRegistryString(kResetraGinaKey, L"Log File", path);
        log.Write(1, L"1");
        log.Write(2, L"2 %ld", -18L);
        log.Write(4, L"4");
        log.Write(8, L"8");
        // Each line without its time stamp.
        std::wstring lines;
        const std::wstring text = ReadUtf16File(path);
        for (size_t at = text.find(L" - "); at != std::wstring::npos;
             at = text.find(L" - ", at + 1)) {
            const size_t level = text.find(L' ', at + 3);
            lines += text.substr(level, text.find(L'\n', level) + 1 - level);
        }
        EXPECT_EQ(row.expected, lines) << row.mask.value_or(99) << (row.asString ? " as text" : "");
    }
}

TEST_F(StubLog, FileLargerThanFiveMebibytesIsEmptiedBeforeTheNextLineNotOneOfExactlyThat) {
    SetRegistryString(kResetraGinaKey, L"Log File", path);
    cMvGINALog log;
    Configure(log);
    for (size_t size : {5242880u, 5242881u}) {
        WriteBytes(path, std::vector<unsigned char>(size, 'x'));
        log.Write(1, L"line");
        const std::vector<unsigned char> bytes = ReadBytes(path);
        EXPECT_EQ(size == 5242880, bytes.size() > 5242880) << size;
        // Emptied: the line's "hh:" starts the file.
        EXPECT_EQ(size == 5242880 ? 'x' : ':', bytes.at(4)) << size;
    }
}

} // namespace
