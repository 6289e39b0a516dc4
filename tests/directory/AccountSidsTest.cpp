// Account look-ups through the local security authority: local and domain
// accounts, the repeat at a domain controller, BUILTIN staying local, the
// controller name made to start with two backslashes, and the bound on
// look-ups that keep asking for larger buffers.
#include "DirectoryTestWorld.h"

#include "directory/AccountSids.h"

#include <sddl.h>

using AccountSids = DirectoryTest;

TEST_F(AccountSids, NameLookupIsLocalFirstThenAtTheDomainControllerWithTheUserAlone) {
    const std::wstring labDc = L"<DomainController name=\"LABDC1\"";
    const struct {
        std::wstring change; // inserted after the LAB controller's name
        const wchar_t* account;
        int32_t code;
        const wchar_t* sid;
        const wchar_t* lastLookup; // the last LookupAccountNameW, "system=... account=..."
        long locatorCalls;
        const wchar_t* logged; // the start of an entry at any level
    } cases[] = {
        {L"", L"CORP\\alice", 0, CORP_SID L"-1104", L"system=(null) account=CORP\\alice", 0,
         L"Found SID '" CORP_SID L"-1104'."},
        {L"", L"lab.example.net\\erin", 0, LAB_SID L"-1301", L"system=\\\\LABDC1 account=erin", 1,
         L"Looking up sid for account 'erin' in domain 'lab.example.net' (Using computer "
         L"'\\\\LABDC1')."},
        {L" reportedAs=\"LABDC1\"", L"lab.example.net\\erin", 0, LAB_SID L"-1301",
         L"system=\\\\LABDC1 account=erin", 1, L""},
        {L" reportedAs=\"\\\\\\LABDC1\"", L"lab.example.net\\erin", 0, LAB_SID L"-1301",
         L"system=\\\\LABDC1 account=erin", 1, L""},
        {L"", L"BUILTIN\\Administrators", 0, L"S-1-5-32-544",
         L"system=(null) account=BUILTIN\\Administrators", 0, L""},
        {L"", L"builtin\\Nobody", ERROR_NONE_MAPPED, L"unchanged", L"system=(null) account=Nobody",
         0, L"Error code (1332) - Unable to look up SID for lookupname 'builtin\\Nobody'."},
        {L"", L"corp.example.com/Users\\dave", ERROR_NONE_MAPPED, L"unchanged",
         L"system=(null) account=corp.example.com/Users\\dave", 0, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.account + c.change));
        UseExampleWith(labDc, labDc + c.change);
        handler.entries.clear();
        std::wstring sid = L"unchanged";
        EXPECT_EQ(GetSidStringByAccountName(log, c.account, sid), c.code);
        EXPECT_EQ(sid, c.sid);
        EXPECT_EQ(Calls(L"LookupAccountNameW").back(),
                  L"LookupAccountNameW " + std::wstring(c.lastLookup));
        EXPECT_EQ(SimDomainCallCount(L"DsGetDcNameW"), c.locatorCalls);
        EXPECT_TRUE(*c.logged == L'\0' || LoggedStart(LogLevel::Debug, c.logged) ||
                    LoggedStart(LogLevel::Error, c.logged))
            << AllEntries();
    }
    // Without a controller the repeat runs on the local computer.
    UseExampleWith(L"flat=\"LAB\"", L"flat=\"LAB\" reachable=\"false\"");
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAccountName(log, L"lab.example.net\\erin", sid), ERROR_NONE_MAPPED);
    EXPECT_EQ(Calls(L"LookupAccountNameW").back(),
              L"LookupAccountNameW system=(null) account=erin");
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error retrieving domain controller for domain "
                                             L"'lab.example.net'. Error code (1355): "));
}

namespace {
struct OwnedSid {
    explicit OwnedSid(const wchar_t* text) { ConvertStringSidToSidW(text, &sid); }
    ~OwnedSid() { LocalFree(sid); }
    PSID sid = nullptr;
};
} // namespace

TEST_F(AccountSids, SidLookupNamesTheAccountWithItsDomainOrLeavesEverythingAsItWas) {
    BYTE notASid[8] = {9, 1, 0, 0, 0, 0, 0, 5};
    const OwnedSid bob(CORP_SID L"-1105"), labUsers(LAB_SID L"-1300"), admins(L"S-1-5-32-544"),
        unknown(CORP_SID L"-9999");
    const struct {
        PSID sid;
        int32_t code;
        const wchar_t* name; // domain\account
        SID_NAME_USE kind;
    } cases[] = {
        {bob.sid, 0, L"CORP\\bob", SidTypeUser},
        {labUsers.sid, 0, L"LAB\\Lab Users", SidTypeGroup},
        {admins.sid, 0, L"BUILTIN\\Administrators", SidTypeAlias},
        {unknown.sid, ERROR_NONE_MAPPED, L"d\\a", SidTypeUnknown},
        {notASid, ERROR_INVALID_SID, L"d\\a", SidTypeUnknown},
        {nullptr, ERROR_INVALID_SID, L"d\\a", SidTypeUnknown},
    };
    for (const auto& c : cases) {
        std::wstring domain = L"d";
        std::wstring account = L"a";
        SID_NAME_USE kind = SidTypeUnknown;
        const long before = SimDomainCallCount(L"LookupAccountSidW");
        EXPECT_EQ(GetAccountNameFromSid(log, c.sid, domain, account, kind), c.code)
            << Narrow(c.name);
        EXPECT_EQ(domain + L"\\" + account, c.name);
        EXPECT_EQ(kind, c.kind) << Narrow(c.name);
        EXPECT_EQ(SimDomainCallCount(L"LookupAccountSidW") == before, c.code == ERROR_INVALID_SID)
            << "an invalid SID is looked up";
    }
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error looking up account name using a SID. Error "
                                             L"code (1332): "));
}

TEST_F(AccountSids, BoundsTheAnswersAskingForALargerBuffer) {
    for (int answers : {kLookupBufferAnswers - 1, 1000}) {
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
        }
    }
}
