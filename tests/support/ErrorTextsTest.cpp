// Texts of system error codes, result codes and name-translation status.
#include "support/ErrorTexts.h"
#include "support/cMvLog.h"

#include <gtest/gtest.h>

TEST(ErrorTexts, ResultCodesGiveTheirTableTextOrUnknownError) {
    cMvLog log;
    const struct {
        uint32_t hr;
        const wchar_t* text;
    } cases[] = {
        {0x80004005, L"Unspecified error."}, // both families share texts
        {0x80000008, L"Unspecified error."},
        {0x80070057, L"One or more arguments are invalid."},
        {0x80040154, L"Class not registered."},
        // The leading blank is part of the text: the log line shows two.
        {0x80004022, L" A dll must be loaded."},
        {0x80040E11, L" Column ID is invalid."},
        // ADSI search status codes without the failure bit.
        {0x00005011, L"During a query, one or more errors occurred. Verify that the search "
                     L"preference can be legally set and, if so, that it is properly set."},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(c.hr)), c.text) << std::hex << c.hr;
    }
    for (uint32_t hr : {0u, 0x80005011u, 0x8000402Cu, 0x80040E66u, 0x00040EC4u, 0xFFFFFFFFu}) {
        EXPECT_STREQ(GetHResultText(log, static_cast<HRESULT>(hr)), L"Unknown Error.") << hr;
    }
}

TEST(ErrorTexts, SystemAndNetworkCodesGiveOneLineUnknownCodesNothing) {
    cMvLog log;
    for (DWORD code : {2ul, 2221ul}) {
        const std::wstring text = GetSystemErrorText(log, code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos) << code;
    }
    EXPECT_TRUE(GetSystemErrorText(log, 0x2FFFFFFF).empty());
}

TEST(ErrorTexts, CrackNameStatusTexts) {
    cMvLog log;
    for (DWORD status : {0ul, 8ul}) {
        EXPECT_STREQ(GetCrackNameErrorText(log, status), L"Unknown crack name error.");
    }
    EXPECT_STREQ(GetCrackNameErrorText(log, 1), L"A generic processing error occurred.");
    EXPECT_STREQ(GetCrackNameErrorText(log, 7), L"The name is from an external trusted forest.");
}
