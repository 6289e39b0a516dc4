// Texts of system error codes, result codes and name-translation status.
#include "support/ErrorTexts.h"
#include "support/cMvLog.h"

#include <gtest/gtest.h>

TEST(ErrorTexts, ResultCodeTableHoldsAllCodesSorted) {
    EXPECT_EQ(GetHResultTableSize(), 263u);
}

TEST(ErrorTexts, ResultCodesOfBothFamiliesShareTexts) {
    cMvLog log;
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80004005)), L"Unspecified error.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80000008)), L"Unspecified error.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80070057)),
                 L"One or more arguments are invalid.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80040154)), L"Class not registered.");
}

TEST(ErrorTexts, UnknownResultCodesGiveUnknownError) {
    cMvLog log;
    EXPECT_STREQ(GetHResultText(log, 0), L"Unknown Error.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80005011)), L"Unknown Error.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x8000402C)), L"Unknown Error.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80040E66)), L"Unknown Error.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x00040EC4)), L"Unknown Error.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0xFFFFFFFF)), L"Unknown Error.");
}

TEST(ErrorTexts, AdsiSearchStatusCodesHaveTextsWithoutTheFailureBit) {
    cMvLog log;
    EXPECT_STREQ(GetHResultText(log, 0x00005011),
                 L"During a query, one or more errors occurred. Verify that the search preference "
                 L"can be legally set and, if so, that it is properly set.");
}

// The leading blank of these texts is part of them: the log line shows two
// blanks after the code.
TEST(ErrorTexts, SomeTextsBeginWithABlank) {
    cMvLog log;
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80004022)), L" A dll must be loaded.");
    EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(0x80040E11)), L" Column ID is invalid.");
}

TEST(ErrorTexts, SystemTextComesOnOneLineWithoutLineEnd) {
    cMvLog log;
    const std::wstring text = GetSystemErrorText(log, 2);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
}

TEST(ErrorTexts, NetworkManagementCodesHaveTexts) {
    cMvLog log;
    const std::wstring text = GetSystemErrorText(log, 2221);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
}

TEST(ErrorTexts, UnknownSystemCodeGivesEmptyText) {
    cMvLog log;
    EXPECT_TRUE(GetSystemErrorText(log, 0x2FFFFFFF).empty());
}

TEST(ErrorTexts, CrackNameStatusTexts) {
    cMvLog log;
    EXPECT_STREQ(GetCrackNameErrorText(log, 0), L"Unknown crack name error.");
    EXPECT_STREQ(GetCrackNameErrorText(log, 8), L"Unknown crack name error.");
    EXPECT_STREQ(GetCrackNameErrorText(log, 1), L"A generic processing error occurred.");
    EXPECT_STREQ(GetCrackNameErrorText(log, 7), L"The name is from an external trusted forest.");
}
