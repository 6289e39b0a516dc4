// Name cracking against the simulated domain controllers: translations,
// referrals to the domain that holds a name, and each failure with its code,
// its log line and the caller's string left alone.
#include "DirectoryTestWorld.h"

#include "directory/NameCracking.h"
#include "support/ErrorTexts.h"

using NameCracking = DirectoryTest;

namespace {
const wchar_t* const kBobDn = L"CN=Bob Builder,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com";
const wchar_t* const kCorpDc = L"<DomainController name=\"DC01\"/>";
const wchar_t* const kLabDc = L"<DomainController name=\"LABDC1\"/>";
} // namespace

TEST_F(NameCracking, TranslatesAtTheControllersOfTheDomainFollowingOneReferralWhenAskedTo) {
    const std::wstring erin = L"lab.example.net/Research/Optics/Erin Eve";
    const std::wstring failed = L"Error code (-6) - Error cracking name. ";
    const struct {
        const char* what;
        std::wstring corpCrack, labCrack; // scripted answers of each domain
        const wchar_t* domain;
        DS_NAME_FORMAT offered, desired;
        std::wstring name;
        bool retry;
        int32_t code;
        std::wstring out;
        const wchar_t* binds; // the domains bound, in order
        std::wstring logged;  // at Error level
    } cases[] = {
        {"a principal name to a SID", L"", L"", L"corp.example.com", DS_USER_PRINCIPAL_NAME,
         DS_SID_OR_SID_HISTORY_NAME, L"bob@corp.example.com", false, 0, CORP_SID L"-1105",
         L"corp.example.com", L""},
        {"the flat name binds", L"", L"", L"CORP", DS_NT4_ACCOUNT_NAME, DS_FQDN_1779_NAME,
         L"CORP\\bob", false, 0, kBobDn, L"CORP", L""},
        {"a referral followed", L"", L"", L"corp.example.com", DS_CANONICAL_NAME, DS_FQDN_1779_NAME,
         erin, true, 0, L"CN=Erin Eve,OU=Optics,OU=Research,DC=lab,DC=example,DC=net",
         L"corp.example.com lab.example.net", L""},
        {"a referral without retry", L"", L"", L"corp.example.com", DS_CANONICAL_NAME,
         DS_FQDN_1779_NAME, erin, false, kCrackNameFailed, L"unchanged", L"corp.example.com",
         failed + GetCrackNameErrorText(log, 5)},
        {"a referral that names no domain", L"<Crack name=\"lost\" status=\"5\"/>", L"",
         L"corp.example.com", DS_UNKNOWN_NAME, DS_FQDN_1779_NAME, L"lost", true, kCrackNameFailed,
         L"unchanged", L"corp.example.com", failed + GetCrackNameErrorText(log, 5)},
        {"a second referral is not followed",
         L"<Crack name=\"CORP\\erin\" status=\"5\" domain=\"lab.example.net\"/>",
         L"<Crack name=\"CORP\\erin\" status=\"5\" domain=\"corp.example.com\"/>",
         L"corp.example.com", DS_NT4_ACCOUNT_NAME, DS_FQDN_1779_NAME, L"CORP\\erin", true,
         kCrackNameFailed, L"unchanged", L"corp.example.com lab.example.net",
         L"Error code (-6) - An error has occurred while translating a name for domain "
         L"'lab.example.net'."},
        {"an unknown name", L"", L"", L"corp.example.com", DS_NT4_ACCOUNT_NAME, DS_FQDN_1779_NAME,
         L"CORP\\nobody", true, kCrackNameFailed, L"unchanged", L"corp.example.com",
         failed + GetCrackNameErrorText(log, 2)},
        {"an item status of its own", L"<Crack name=\"x\" status=\"7\"/>", L"", L"corp.example.com",
         DS_UNKNOWN_NAME, DS_FQDN_1779_NAME, L"x", true, kCrackNameFailed, L"unchanged",
         L"corp.example.com", failed + GetCrackNameErrorText(log, 7)},
        {"an unknown domain", L"", L"", L"nowhere.example.org", DS_CANONICAL_NAME,
         DS_FQDN_1779_NAME, L"nowhere.example.org/x", true, ERROR_NO_SUCH_DOMAIN, L"unchanged",
         L"nowhere.example.org", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring text = ExampleFixtureText();
        text.insert(text.find(kCorpDc) + wcslen(kCorpDc), c.corpCrack);
        text.insert(text.find(kLabDc) + wcslen(kLabDc), c.labCrack);
        UseFixture(text);
        handler.entries.clear();
        std::wstring out = L"unchanged";
        EXPECT_EQ(CrackName(log, c.domain, c.offered, c.name.c_str(), c.desired, out, c.retry),
                  c.code);
        EXPECT_EQ(out, c.out);
        std::wstring bound;
        for (const std::wstring& bind : Calls(L"DsBindW dc=(null) domain=")) {
            bound += (bound.empty() ? L"" : L" ") + bind.substr(25);
        }
        EXPECT_EQ(bound, c.binds);
        EXPECT_TRUE(c.logged.empty() || Logged(LogLevel::Error, c.logged)) << AllEntries();
    }
}

TEST_F(NameCracking, FailuresOfTheBindOrTheCallEndWithTheirCode) {
    const struct {
        const wchar_t* fault;
        int32_t code;
        const wchar_t* logged;
    } cases[] = {
        {L" bindError=\"1722\"", 1722,
         L"Error code (1722) - Failed to bind a domain controller for domain 'corp.example.com'."},
        {L" crackError=\"8\"", 8, L"Error code (8) - Error cracking name 'CORP\\bob'."},
    };
    for (const auto& c : cases) {
        UseExampleWith(L"flat=\"CORP\"", L"flat=\"CORP\"" + std::wstring(c.fault));
        std::wstring out = L"unchanged";
        EXPECT_EQ(CrackName(log, L"corp.example.com", DS_UNKNOWN_NAME, L"CORP\\bob",
                            DS_FQDN_1779_NAME, out, true),
                  c.code);
        EXPECT_EQ(out, L"unchanged");
        EXPECT_TRUE(Logged(LogLevel::Error, c.logged)) << AllEntries();
        EXPECT_EQ(SimDomainCallCount(L"DsCrackNamesW"), c.code == 8 ? 1 : 0);
    }
}

TEST_F(NameCracking, CanonicalNamesBindInTheirDomainOrWithoutOne) {
    const struct {
        const wchar_t* name;
        int32_t code; // 1: any failure
        const wchar_t* dn;
        const wchar_t* bind;
    } cases[] = {
        {L"corp.example.com/Sales/EMEA/Bob Builder", 0, kBobDn,
         L"DsBindW dc=(null) domain=corp.example.com"},
        {L"corp.example.com/R\\/D/Carol White", 0,
         L"CN=Carol White,OU=R/D,DC=corp,DC=example,DC=com",
         L"DsBindW dc=(null) domain=corp.example.com"},
        {L"Bob Builder", kCrackNameFailed, L"unchanged", L"DsBindW dc=(null) domain=(null)"},
        {L"/Sales/Bob", 1, L"unchanged", L"DsBindW dc=(null) domain="},
        {L"lab.example.net/Research", RPC_S_SERVER_UNAVAILABLE, L"unchanged",
         L"DsBindW dc=(null) domain=lab.example.net"},
    };
    UseExampleWith(L"flat=\"LAB\"", L"flat=\"LAB\" reachable=\"false\"");
    for (const auto& c : cases) {
        SimDomainClearJournal();
        std::wstring dn = L"unchanged";
        const int32_t code = CanonicalToDistinguishedName(log, c.name, dn);
        EXPECT_TRUE(c.code == 1 ? code != 0 : code == c.code) << Narrow(c.name) << " " << code;
        EXPECT_EQ(dn, c.dn);
        EXPECT_EQ(Calls(L"DsBindW"), std::vector<std::wstring>{c.bind});
    }
}
