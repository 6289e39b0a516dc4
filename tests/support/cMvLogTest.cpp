// The log object: texts of the four logging operations, no formatting for
// entries that no handler keeps, and the time stamp of new entries.
#include "support/ErrorTexts.h"
#include "support/cMvLog.h"
#include "tests/support/CapturingHandler.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {
class PolicyLog : public ::testing::Test {
protected:
    void SetUp() override { log.AddHandler(&handler); }
    CapturingHandler handler;
    cMvLog log;
};
} // namespace

TEST_F(PolicyLog, EachOperationBuildsItsTextAndCode) {
    log.LogCode(LogLevel::Error, 2, L"Reading '%s' failed.", L"Vexa Gina");
    log.LogCode(LogLevel::Warning, -11, L"Wrong type.");
    // The table text's own leading blank gives two blanks after the code.
    log.LogHResult(LogLevel::Error, static_cast<HRESULT>(0x80004022), L"Loading failed.");
    log.LogHResult(LogLevel::Debug, static_cast<HRESULT>(0x00005012), L"Search ended.");
    log.Log(LogLevel::Information, nullptr);
    log.LogWin32(LogLevel::Error, 5, L"Opening %s failed.", L"the key");
    const struct {
        const wchar_t* text; // the system's text follows the last one
        uint32_t level;
        uint32_t code;
    } expected[] = {
        {L"Error code (2) - Reading 'Vexa Gina' failed.", LogLevel::Error, 2},
        {L"Error code (-11) - Wrong type.", LogLevel::Warning, static_cast<uint32_t>(-11)},
        {L"Loading failed. Error code 0x80004022.  A dll must be loaded.", LogLevel::Error,
         0x80004022},
        {L"Search ended. Error code 0x5012. The search operation has reached the last row. Move "
         L"on to the rest of the program.",
         LogLevel::Debug, 0x5012},
        {L"", LogLevel::Information, 0},
        {L"Opening the key failed. Error code (5): ", LogLevel::Error, 5},
    };
    ASSERT_EQ(handler.entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const std::wstring& text = handler.entries[i].GetText();
        EXPECT_EQ(i + 1 < std::size(expected) ? text : text.substr(0, wcslen(expected[i].text)),
                  expected[i].text)
            << i;
        EXPECT_EQ(handler.entries[i].GetLevel(), expected[i].level) << i;
        EXPECT_EQ(handler.entries[i].GetCode(), expected[i].code) << i;
    }
    const std::wstring& system = handler.entries.back().GetText();
    EXPECT_GT(system.size(), wcslen(expected[5].text));
    EXPECT_EQ(system.find_first_of(L"\r\n"), std::wstring::npos);
}

TEST(PolicyLogHandlers, DoesNotFormatAnEntryThatNoHandlerKeeps) {
    CapturingHandler errorsOnly(LogLevel::Error);
    cMvLog log;
    // Formatting would read through this pointer and crash.
    const wchar_t* poisoned = reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8));
    log.Log(LogLevel::Error, L"%s", poisoned); // no handler at all
    log.AddHandler(&errorsOnly);
    log.Log(LogLevel::Debug, L"%s", poisoned);
    log.LogWin32(LogLevel::Debug, 2, L"%s", poisoned);
    log.LogHResult(LogLevel::Information, E_FAIL, L"%s", poisoned);
    log.LogCode(LogLevel::Debug, 3, L"%s", poisoned);
    log.Log(LogLevel::Warning, L"%s", poisoned); // 22 has no bit of Error (1)
    EXPECT_TRUE(errorsOnly.entries.empty());
}

TEST_F(PolicyLog, FormatsAMessageOfSeveralMebibytesWhole) {
    const std::wstring document(3 * 1024 * 1024, L'x');
    log.Log(LogLevel::Information, L"<%s>", document.c_str());
    ASSERT_EQ(handler.entries.size(), 1u);
    EXPECT_EQ(handler.entries[0].GetText().size(), document.size() + 2);
}

TEST(PolicyLogEntry, StampsNewEntriesWithSecondsSince1970) {
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    const cMvLogEntry entry(LogLevel::Error, 0, L"now");
    EXPECT_GE(entry.GetTime(), before);
    EXPECT_LE(entry.GetTime(), static_cast<int64_t>(std::time(nullptr)));
}
