// The log object: texts of the four logging operations, dispatch to the
// handlers in order, and no formatting for entries that no handler keeps.
#include "support/ErrorTexts.h"
#include "support/cMvLog.h"
#include "tests/support/CapturingHandler.h"

#include <gtest/gtest.h>

TEST(PolicyLog, LogCodePutsTheCodeBeforeTheMessage) {
    CapturingHandler handler;
    cMvLog log;
    log.AddHandler(&handler);
    log.LogCode(LogLevel::Error, 2, L"Reading '%s' failed.", L"Vexa Gina");
    ASSERT_EQ(handler.entries.size(), 1u);
    EXPECT_EQ(handler.entries[0].GetText(), L"Error code (2) - Reading 'Vexa Gina' failed.");
    EXPECT_EQ(handler.entries[0].GetCode(), 2u);
    EXPECT_EQ(handler.entries[0].GetLevel(), LogLevel::Error);
}

TEST(PolicyLog, LogCodeWritesNegativeCodesSigned) {
    CapturingHandler handler;
    cMvLog log;
    log.AddHandler(&handler);
    log.LogCode(LogLevel::Error, -11, L"Wrong type.");
    ASSERT_EQ(handler.entries.size(), 1u);
    EXPECT_EQ(handler.entries[0].GetText(), L"Error code (-11) - Wrong type.");
}

TEST(PolicyLog, LogWin32AppendsTheSystemTextOnOneLine) {
    CapturingHandler handler;
    cMvLog log;
    log.AddHandler(&handler);
    log.LogWin32(LogLevel::Error, 5, L"Opening %s failed.", L"the key");
    ASSERT_EQ(handler.entries.size(), 1u);
    const std::wstring& text = handler.entries[0].GetText();
    const std::wstring prefix = L"Opening the key failed. Error code (5): ";
    ASSERT_EQ(text.substr(0, prefix.size()), prefix);
    EXPECT_GT(text.size(), prefix.size());
    EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
    EXPECT_EQ(handler.entries[0].GetCode(), 5u);
}

TEST(PolicyLog, LogHResultAppendsUpperCaseHexAndTableText) {
    CapturingHandler handler;
    cMvLog log;
    log.AddHandler(&handler);
    log.LogHResult(LogLevel::Error, static_cast<HRESULT>(0x80004022), L"Loading failed.");
    log.LogHResult(LogLevel::Error, static_cast<HRESULT>(0x00005012), L"Search ended.");
    ASSERT_EQ(handler.entries.size(), 2u);
    // The table text's own leading blank gives two blanks after the code.
    EXPECT_EQ(handler.entries[0].GetText(),
              L"Loading failed. Error code 0x80004022.  A dll must be loaded.");
    EXPECT_EQ(handler.entries[1].GetText(),
              L"Search ended. Error code 0x5012. The search operation has reached the last row. "
              L"Move on to the rest of the program.");
}

TEST(PolicyLog, HandsEveryHandlerItsOwnCopyInListOrder) {
    CapturingHandler first;
    CapturingHandler second;
    cMvLog log;
    log.AddHandler(&first);
    log.AddHandler(&second);
    log.AddHandler(&first);
    log.Log(LogLevel::Information, L"value %d", 7);
    EXPECT_EQ(first.entries.size(), 2u);
    ASSERT_EQ(second.entries.size(), 1u);
    EXPECT_EQ(second.entries[0].GetText(), L"value 7");
    log.RemoveHandler(&first);
    log.Log(LogLevel::Information, L"again");
    EXPECT_EQ(first.entries.size(), 3u); // only the first occurrence went
}

TEST(PolicyLog, DoesNotFormatAnEntryThatNoHandlerKeeps) {
    CapturingHandler errorsOnly(LogLevel::Error);
    cMvLog log;
    log.AddHandler(&errorsOnly);
    // Formatting would read through this pointer and crash.
    const wchar_t* poisoned = reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8));
    log.Log(LogLevel::Debug, L"%s", poisoned);
    log.LogWin32(LogLevel::Debug, 2, L"%s", poisoned);
    log.LogHResult(LogLevel::Information, E_FAIL, L"%s", poisoned);
    log.LogCode(LogLevel::Debug, 3, L"%s", poisoned);
    EXPECT_TRUE(errorsOnly.entries.empty());
    // Warning (22) has no bit of Error (1).
    log.Log(LogLevel::Warning, L"%s", poisoned);
    EXPECT_TRUE(errorsOnly.entries.empty());
}

TEST(PolicyLog, WithoutHandlersLogsNothingAndFlushesNothing) {
    cMvLog log;
    log.Log(LogLevel::Error, L"%s", reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(8)));
    log.Flush();
    SUCCEED();
}

TEST(PolicyLog, FormatsAMessageOfSeveralMebibytesWhole) {
    CapturingHandler handler;
    cMvLog log;
    log.AddHandler(&handler);
    const std::wstring document(3 * 1024 * 1024, L'x');
    log.Log(LogLevel::Information, L"<%s>", document.c_str());
    ASSERT_EQ(handler.entries.size(), 1u);
    EXPECT_EQ(handler.entries[0].GetText().size(), document.size() + 2);
}
