// Name cracking against the simulated domain controllers: translations,
// referrals to the domain that holds a name, and each failure with its code,
// its log line and the caller's string left alone.
#include "DirectoryTestWorld.h"

#include "directory/NameCracking.h"
#include "support/ErrorTexts.h"

using CrackName_ = DirectoryTest;
using CanonicalToDistinguishedName_ = DirectoryTest;

namespace {
const wchar_t* kBobDn = L"CN=Bob Builder,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com";
const wchar_t* kErinDn = L"CN=Erin Eve,OU=Optics,OU=Research,DC=lab,DC=example,DC=net";
} // namespace

TEST_F(CrackName_, TranslatesAPrincipalNameToTheUsersSidAndBindsWithTheFlatName) {
    std::wstring sid;
    EXPECT_EQ(CrackName(log, L"corp.example.com", DS_USER_PRINCIPAL_NAME, L"bob@corp.example.com",
                        DS_SID_OR_SID_HISTORY_NAME, sid, false),
              0);
    EXPECT_EQ(sid, CORP_SID L"-1105");
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Translating name using Crack Names."));
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Binding to a domain controller in domain 'corp.example.com'."));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Name translated to '" CORP_SID L"-1105'."));
    const auto cracks = Calls(L"DsCrackNamesW");
    ASSERT_EQ(cracks.size(), 1u);
    EXPECT_NE(cracks[0].find(L"flags=8 offered=8 desired=11"), std::wstring::npos) << cracks[0];
    // The flat name binds as well as the DNS name.
    EXPECT_EQ(
        CrackName(log, L"CORP", DS_NT4_ACCOUNT_NAME, L"CORP\\bob", DS_FQDN_1779_NAME, sid, false),
        0);
    EXPECT_EQ(sid, kBobDn);
}

TEST_F(CrackName_, FailuresLeaveTheOutputAndLogTheirCode) {
    const std::wstring corpDc = L"<DomainController name=\"DC01\"/>";
    const std::wstring notFound = L"Error code (-6) - Error cracking name. ";
    const struct {
        const char* what;
        std::wstring from, to; // a change of the example fixture
        const wchar_t* domain;
        DS_NAME_FORMAT offered;
        const wchar_t* name;
        bool retry;
        int32_t code;
        std::wstring logged; // at Error level
        size_t binds;
    } cases[] = {
        {"a name of another domain, no retry", L"", L"", L"corp.example.com", DS_CANONICAL_NAME,
         L"lab.example.net/Research/Optics/Erin Eve", false, kCrackNameFailed,
         notFound + GetCrackNameErrorText(log, 5), 1},
        {"a referral that names no domain", corpDc, corpDc + L"<Crack name=\"lost\" status=\"5\"/>",
         L"corp.example.com", DS_UNKNOWN_NAME, L"lost", true, kCrackNameFailed,
         notFound + GetCrackNameErrorText(log, 5), 1},
        {"no controller to bind", L"flat=\"CORP\"", L"flat=\"CORP\" bindError=\"1722\"",
         L"corp.example.com", DS_USER_PRINCIPAL_NAME, L"bob@corp.example.com", false, 1722,
         L"Error code (1722) - Failed to bind a domain controller for domain 'corp.example.com'.",
         1},
        {"a failing crack call", L"flat=\"CORP\"", L"flat=\"CORP\" crackError=\"8\"",
         L"corp.example.com", DS_UNKNOWN_NAME, L"CORP\\bob", false, 8,
         L"Error code (8) - Error cracking name 'CORP\\bob'.", 1},
        {"an unknown domain", L"", L"", L"nowhere.example.org", DS_CANONICAL_NAME,
         L"nowhere.example.org/x", true, ERROR_NO_SUCH_DOMAIN, L"", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.from.empty()) {
            UseExampleWith(c.from, c.to);
        }
        SimDomainClearJournal();
        const long bindsBefore = SimDomainCallCount(L"DsBindW");
        std::wstring out = L"unchanged";
        EXPECT_EQ(CrackName(log, c.domain, c.offered, c.name, DS_FQDN_1779_NAME, out, c.retry),
                  c.code);
        EXPECT_EQ(out, L"unchanged");
        EXPECT_TRUE(c.logged.empty() || Logged(LogLevel::Error, c.logged)) << AllEntries();
        EXPECT_EQ(SimDomainCallCount(L"DsBindW") - bindsBefore, static_cast<long>(c.binds));
        if (c.code == 1722) {
            EXPECT_TRUE(Calls(L"DsCrackNamesW").empty()); // nothing cracked without a bind
        }
        UseFixture(ExampleFixtureText());
    }
}

TEST_F(CrackName_, FollowsTheReferralOnceWhenAskedToRetry) {
    std::wstring dn;
    EXPECT_EQ(CrackName(log, L"corp.example.com", DS_CANONICAL_NAME,
                        L"lab.example.net/Research/Optics/Erin Eve", DS_FQDN_1779_NAME, dn, true),
              0);
    EXPECT_EQ(dn, kErinDn);
    const auto binds = Calls(L"DsBindW");
    ASSERT_EQ(binds.size(), 2u);
    EXPECT_EQ(binds[0], L"DsBindW dc=(null) domain=corp.example.com");
    EXPECT_EQ(binds[1], L"DsBindW dc=(null) domain=lab.example.net");
}

TEST_F(CrackName_, ReportsAFailedRetryWithTheDomainItWasReferredTo) {
    // Each domain refers the name to the other; the second referral is not
    // followed.
    std::wstring text = ExampleFixtureText();
    const std::wstring corpDc = L"<DomainController name=\"DC01\"/>";
    const std::wstring labDc = L"<DomainController name=\"LABDC1\"/>";
    text.insert(text.find(corpDc) + corpDc.size(),
                L"<Crack name=\"CORP\\erin\" status=\"5\" domain=\"lab.example.net\"/>");
    text.insert(text.find(labDc) + labDc.size(),
                L"<Crack name=\"CORP\\erin\" status=\"5\" domain=\"corp.example.com\"/>");
    UseFixture(text);
    std::wstring dn = L"unchanged";
    EXPECT_EQ(CrackName(log, L"corp.example.com", DS_NT4_ACCOUNT_NAME, L"CORP\\erin",
                        DS_FQDN_1779_NAME, dn, true),
              kCrackNameFailed);
    EXPECT_EQ(dn, L"unchanged");
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-6) - An error has occurred while "
                                        L"translating a name for domain 'lab.example.net'."))
        << AllEntries();
    EXPECT_EQ(Calls(L"DsBindW").size(), 2u);
}

TEST_F(CrackName_, FailsEveryItemStatusWithItsOwnText) {
    std::wstring crackLines;
    for (int status = 1; status <= 7; ++status) {
        crackLines += L"<Crack name=\"status" + std::to_wstring(status) + L"\" status=\"" +
                      std::to_wstring(status) + L"\"/>";
    }
    UseExampleWith(L"<DomainController name=\"DC01\"/>",
                   L"<DomainController name=\"DC01\"/>" + crackLines);
    for (DWORD status = 1; status <= 7; ++status) {
        handler.entries.clear();
        std::wstring out = L"unchanged";
        const std::wstring name = L"status" + std::to_wstring(status);
        EXPECT_EQ(CrackName(log, L"corp.example.com", DS_UNKNOWN_NAME, name.c_str(),
                            DS_FQDN_1779_NAME, out, true),
                  kCrackNameFailed)
            << status;
        EXPECT_EQ(out, L"unchanged");
        EXPECT_TRUE(
            Logged(LogLevel::Error, std::wstring(L"Error code (-6) - Error cracking name. ") +
                                        GetCrackNameErrorText(log, status)))
            << status << AllEntries();
    }
}

TEST_F(CanonicalToDistinguishedName_, BindsInTheDomainOfTheNameAndTranslatesUnitsAndSlashes) {
    std::wstring dn;
    EXPECT_EQ(CanonicalToDistinguishedName(log, L"corp.example.com/Sales/EMEA/Bob Builder", dn), 0);
    EXPECT_EQ(dn, kBobDn);
    const auto binds = Calls(L"DsBindW");
    ASSERT_EQ(binds.size(), 1u);
    EXPECT_EQ(binds[0], L"DsBindW dc=(null) domain=corp.example.com");
    EXPECT_EQ(CanonicalToDistinguishedName(log, L"corp.example.com/Sales/EMEA", dn), 0);
    EXPECT_EQ(dn, L"OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com");
    EXPECT_EQ(CanonicalToDistinguishedName(log, L"corp.example.com/R\\/D/Carol White", dn), 0);
    EXPECT_EQ(dn, L"CN=Carol White,OU=R/D,DC=corp,DC=example,DC=com");
}

TEST_F(CanonicalToDistinguishedName_, BindsWithoutADomainOrWithAnEmptyOneForANameWithoutOne) {
    const struct {
        const wchar_t* name;
        const wchar_t* bind;
        int32_t code; // 0: any failure
    } cases[] = {
        {L"Bob Builder", L"DsBindW dc=(null) domain=(null)", kCrackNameFailed}, // own domain
        {L"/Sales/Bob", L"DsBindW dc=(null) domain=", 0},
    };
    for (const auto& c : cases) {
        SimDomainClearJournal();
        std::wstring dn = L"unchanged";
        const int32_t code = CanonicalToDistinguishedName(log, c.name, dn);
        EXPECT_TRUE(c.code == 0 ? code != 0 : code == c.code) << code;
        EXPECT_EQ(dn, L"unchanged");
        EXPECT_TRUE(Logged(LogLevel::Debug, std::wstring(L"Unable to extract domain name from "
                                                         L"canonical name '") +
                                                c.name + L"'."));
        EXPECT_EQ(Calls(L"DsBindW"), std::vector<std::wstring>{c.bind});
    }
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Error code (-6) - Unable to translate canonical name "
                                        L"'Bob Builder' to to distinguished name ."));
}

TEST_F(CanonicalToDistinguishedName_, ReturnsTheFailureOfAnUnreachableDomain) {
    UseExampleWith(L"flat=\"LAB\"", L"flat=\"LAB\" reachable=\"false\"");
    std::wstring dn = L"unchanged";
    EXPECT_EQ(CanonicalToDistinguishedName(log, L"lab.example.net/Research", dn),
              RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(dn, L"unchanged");
}
