// Account look-ups through the local security authority: local and domain
// accounts, the repeat at a domain controller, BUILTIN staying local, the
// controller name made to start with two backslashes, and the bound on
// look-ups that keep asking for larger buffers.
#include "DirectoryTestWorld.h"

#include "directory/AccountSids.h"

#include <sddl.h>

using GetSidStringByAccountName_ = DirectoryTest;
using GetAccountNameFromSid_ = DirectoryTest;

TEST_F(GetSidStringByAccountName_, FindsADomainAccountOnTheLocalComputer) {
    std::wstring sid;
    EXPECT_EQ(GetSidStringByAccountName(log, L"CORP\\alice", sid), 0);
    EXPECT_EQ(sid, CORP_SID L"-1104");
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Found SID '" CORP_SID L"-1104'."));
    EXPECT_EQ(SimDomainCallCount(L"DsGetDcNameW"), 0);
}

TEST_F(GetSidStringByAccountName_, RepeatsTheLookupAtADomainControllerWithTheUserAlone) {
    std::wstring sid;
    EXPECT_EQ(GetSidStringByAccountName(log, L"lab.example.net\\erin", sid), 0);
    EXPECT_EQ(sid, LAB_SID L"-1301");
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Looking up sid for account 'erin' in domain "
                                        L"'lab.example.net' (Using computer '\\\\LABDC1')."))
        << AllEntries();
    const auto lookups = Calls(L"LookupAccountNameW system=\\\\LABDC1");
    ASSERT_FALSE(lookups.empty());
    EXPECT_EQ(lookups.back(), L"LookupAccountNameW system=\\\\LABDC1 account=erin");
}

TEST_F(GetSidStringByAccountName_, MakesTheControllerNameStartWithTwoBackslashes) {
    for (const wchar_t* reported : {L"LABDC1", L"\\LABDC1", L"\\\\\\LABDC1"}) {
        UseExampleWith(L"<DomainController name=\"LABDC1\"/>",
                       std::wstring(L"<DomainController name=\"LABDC1\" reportedAs=\"") + reported +
                           L"\"/>");
        std::wstring sid;
        EXPECT_EQ(GetSidStringByAccountName(log, L"lab.example.net\\erin", sid), 0) << reported;
        EXPECT_FALSE(Calls(L"LookupAccountNameW system=\\\\LABDC1 account=erin").empty())
            << reported;
        for (const std::wstring& lookup : Calls(L"LookupAccountNameW system=\\")) {
            EXPECT_EQ(lookup, L"LookupAccountNameW system=\\\\LABDC1 account=erin") << reported;
        }
    }
}

TEST_F(GetSidStringByAccountName_, KeepsBuiltinAccountsOnTheLocalComputer) {
    std::wstring sid;
    EXPECT_EQ(GetSidStringByAccountName(log, L"BUILTIN\\Administrators", sid), 0);
    EXPECT_EQ(sid, L"S-1-5-32-544");

    std::wstring missing = L"unchanged";
    EXPECT_EQ(GetSidStringByAccountName(log, L"builtin\\Nobody", missing), ERROR_NONE_MAPPED);
    EXPECT_EQ(missing, L"unchanged");
    EXPECT_EQ(SimDomainCallCount(L"DsGetDcNameW"), 0);
    for (const std::wstring& lookup : Calls(L"LookupAccountNameW")) {
        EXPECT_NE(lookup.find(L"system=(null)"), std::wstring::npos) << lookup;
    }
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Failed to lookup SID for 'builtin\\Nobody'. Error "
                                             L"code (1332): "));
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (1332) - Unable to look up SID for lookupname "
                                        L"'builtin\\Nobody'."));
}

TEST_F(GetSidStringByAccountName_, StaysLocalWhenNoDomainControllerIsFound) {
    UseExampleWith(L"flat=\"LAB\"", L"flat=\"LAB\" reachable=\"false\"");
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAccountName(log, L"lab.example.net\\erin", sid), ERROR_NONE_MAPPED);
    EXPECT_EQ(sid, L"unchanged");
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error retrieving domain controller for domain "
                                             L"'lab.example.net'. Error code (1355): "));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Looking up sid for account 'erin' in domain "
                                        L"'lab.example.net' (Using computer '')."));
}

TEST_F(GetSidStringByAccountName_, DoesNotSplitANameHoldingASlash) {
    std::wstring sid = L"unchanged";
    EXPECT_NE(GetSidStringByAccountName(log, L"corp.example.com/Users\\dave", sid), 0);
    EXPECT_EQ(sid, L"unchanged");
    EXPECT_EQ(SimDomainCallCount(L"DsGetDcNameW"), 0);
    EXPECT_EQ(Calls(L"LookupAccountNameW").back(),
              L"LookupAccountNameW system=(null) account=corp.example.com/Users\\dave");
}

namespace {
struct OwnedSid {
    explicit OwnedSid(const wchar_t* text) { ConvertStringSidToSidW(text, &sid); }
    ~OwnedSid() { LocalFree(sid); }
    PSID sid = nullptr;
};
} // namespace

TEST_F(GetAccountNameFromSid_, NamesTheAccountWithItsDomainOrLeavesEverythingAsItWas) {
    const struct {
        const wchar_t* sid;
        int32_t code;
        const wchar_t* name; // domain\account
        SID_NAME_USE kind;
    } cases[] = {
        {CORP_SID L"-1105", 0, L"CORP\\bob", SidTypeUser},
        {LAB_SID L"-1300", 0, L"LAB\\Lab Users", SidTypeGroup},
        {L"S-1-5-32-544", 0, L"BUILTIN\\Administrators", SidTypeAlias},
        {CORP_SID L"-9999", ERROR_NONE_MAPPED, L"d\\a", SidTypeUnknown},
    };
    for (const auto& c : cases) {
        std::wstring domain = L"d";
        std::wstring account = L"a";
        SID_NAME_USE kind = SidTypeUnknown;
        EXPECT_EQ(GetAccountNameFromSid(log, OwnedSid(c.sid).sid, domain, account, kind), c.code)
            << c.sid;
        EXPECT_EQ(domain + L"\\" + account, c.name);
        EXPECT_EQ(kind, c.kind) << c.sid;
    }
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error looking up account name using a SID. Error "
                                             L"code (1332): "));
}

TEST_F(GetAccountNameFromSid_, RefusesAnInvalidSidWithoutALookup) {
    BYTE notASid[8] = {9, 1, 0, 0, 0, 0, 0, 5};
    std::wstring domain = L"d";
    std::wstring account = L"a";
    SID_NAME_USE kind = SidTypeUnknown;
    EXPECT_EQ(GetAccountNameFromSid(log, notASid, domain, account, kind), ERROR_INVALID_SID);
    EXPECT_EQ(GetAccountNameFromSid(log, nullptr, domain, account, kind), ERROR_INVALID_SID);
    EXPECT_EQ(account, L"a");
    EXPECT_EQ(SimDomainCallCount(L"LookupAccountSidW"), 0);
}

TEST_F(GetSidStringByAccountName_, BoundsTheAnswersAskingForALargerBuffer) {
    for (int answers : {3, 1000}) {
        const std::wstring count = std::to_wstring(answers);
        UseExampleWith(L"<Computer name=\"WS01\"",
                       L"<Computer name=\"WS01\" lookupNameBufferAnswers=\"" + count +
                           L"\" lookupSidBufferAnswers=\"" + count + L"\"");
        const bool bounded = answers > kLookupBufferAnswers;
        std::wstring sid = L"unchanged";
        EXPECT_EQ(GetSidStringByAccountName(log, L"CORP\\alice", sid),
                  bounded ? ERROR_INSUFFICIENT_BUFFER : 0);
        EXPECT_EQ(sid, bounded ? L"unchanged" : CORP_SID L"-1104");
        std::wstring domain = L"d";
        std::wstring account = L"a";
        SID_NAME_USE kind = SidTypeUnknown;
        EXPECT_EQ(
            GetAccountNameFromSid(log, OwnedSid(CORP_SID L"-1105").sid, domain, account, kind),
            bounded ? ERROR_INSUFFICIENT_BUFFER : 0);
        EXPECT_EQ(account, bounded ? L"a" : L"bob");
        if (bounded) {
            EXPECT_EQ(SimDomainCallCount(L"LookupAccountNameW"), kLookupBufferAnswers);
            EXPECT_EQ(SimDomainCallCount(L"LookupAccountSidW"), kLookupBufferAnswers);
            EXPECT_TRUE(LoggedStart(LogLevel::Debug,
                                    L"Buffer was too small to lookup SID for 'CORP\\alice', try "
                                    L"again with correct buffer size."));
        }
    }
}
