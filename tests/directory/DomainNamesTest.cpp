// Domain names: the join state of the computer, flat to DNS names through the
// locator, and the distinguished name and ADsPath built from names, which
// must not let typed text point a path at another object.
#include "DirectoryTestWorld.h"

#include "directory/AdsPaths.h"
#include "directory/DomainNames.h"

using GetJoinedDomainName_ = DirectoryTest;
using FlatToDnsDomainName_ = DirectoryTest;

TEST_F(GetJoinedDomainName_, GivesTheFlatNameOfTheComputersDomainOrNothing) {
    const std::wstring computer = L"<Computer name=\"WS01\" joinedTo=\"CORP\"/>";
    const struct {
        const wchar_t* computer;
        int32_t code;
        const wchar_t* domain;
        uint32_t level;
        const wchar_t* logged;
    } cases[] = {
        {L"<Computer name=\"WS01\" joinedTo=\"CORP\"/>", 0, L"CORP", LogLevel::Debug,
         L"Local computer is joined to domain 'CORP'."},
        {L"<Computer name=\"WS01\" workgroup=\"WORKGROUP\"/>", 0, L"unchanged", LogLevel::Error,
         L"Local computer is not joined to a domain."},
        {L"<Computer name=\"WS01\" joinedTo=\"CORP\" joinError=\"2453\"/>", 2453, L"unchanged",
         LogLevel::Error,
         L"Error code (2453) - Failed to get join status information for the local computer."},
    };
    for (const auto& c : cases) {
        UseExampleWith(computer, c.computer);
        std::wstring domain = L"unchanged";
        EXPECT_EQ(GetJoinedDomainName(log, domain), c.code) << c.computer;
        EXPECT_EQ(domain, c.domain);
        EXPECT_TRUE(Logged(c.level, c.logged)) << AllEntries();
    }
}

TEST_F(FlatToDnsDomainName_, AsksTheLocatorForTheDnsName) {
    std::wstring dns;
    EXPECT_EQ(FlatToDnsDomainName(log, L"LAB", dns), 0);
    EXPECT_EQ(dns, L"lab.example.net");
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Converting Flat name 'LAB' to DNS name 'lab.example.net'."));
    EXPECT_EQ(Calls(L"DsGetDcNameW").back(), L"DsGetDcNameW domain=LAB flags=1073807360");
}

TEST_F(FlatToDnsDomainName_, FailsForANameThatIsNoFlatNameOrHasNoController) {
    std::wstring dns = L"unchanged";
    EXPECT_EQ(FlatToDnsDomainName(log, L"corp.example.com", dns), ERROR_NO_SUCH_DOMAIN);
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Failed to get DNS name of domain controller with "
                                             L"flat name 'corp.example.com'. Error code (1355): "));
    UseExampleWith(L"flat=\"LAB\"", L"flat=\"LAB\" reachable=\"false\"");
    EXPECT_EQ(FlatToDnsDomainName(log, L"LAB", dns), ERROR_NO_SUCH_DOMAIN);
    EXPECT_EQ(dns, L"unchanged");
}

TEST(DnsNameToDomainDn, ReplacesEachDotByANewDomainComponent) {
    EXPECT_EQ(DnsNameToDomainDn(L"a.b.c"), L"DC=a,DC=b,DC=c");
    EXPECT_EQ(DnsNameToDomainDn(L"corp"), L"DC=corp");
    EXPECT_EQ(DnsNameToDomainDn(nullptr), L"DC=");
    EXPECT_EQ(DnsNameToDomainDn(L""), L"DC=");
}

TEST(DnsNameToDomainDn, MakesNoPathOfTextThatIsNoDnsName) {
    for (const wchar_t* typed :
         {L"corp.example.com,CN=Users", L"a.b/CN=Other", L"a..b", L".a", L"a.", L"a b", L"a=b",
          L"a\\b", L"a;b", L"a\"b", L"a+b", L"a<b", L"a#b"}) {
        EXPECT_EQ(DnsNameToDomainDn(typed), L"") << typed;
        EXPECT_FALSE(IsDnsDomainName(typed)) << typed;
    }
}

TEST(IsDnsDomainName, AcceptsDnsNamesUpToTheirLimits) {
    EXPECT_TRUE(IsDnsDomainName(L"corp.example.com"));
    EXPECT_TRUE(IsDnsDomainName(L"my-site_2.example"));
    EXPECT_TRUE(IsDnsDomainName(L"b\u00fcro.example"));
    EXPECT_TRUE(IsDnsDomainName(std::wstring(63, L'a').c_str()));
    EXPECT_FALSE(IsDnsDomainName(std::wstring(64, L'a').c_str()));
    std::wstring longest;
    while (longest.size() < 255) {
        longest += longest.empty() ? L"a" : L".a";
    }
    EXPECT_TRUE(IsDnsDomainName(longest.c_str()));
    EXPECT_FALSE(IsDnsDomainName((longest + L"a").c_str()));
    EXPECT_FALSE(IsDnsDomainName(nullptr));
    EXPECT_FALSE(IsDnsDomainName(L""));
}

TEST(LdapPathOf, EscapesEverySlashOfTheDistinguishedName) {
    EXPECT_EQ(LdapPathOf(L"CN=Bob,DC=a"), L"LDAP://CN=Bob,DC=a");
    EXPECT_EQ(LdapPathOf(L"CN=Carol,OU=R/D,OU=A/B/C,DC=a"),
              L"LDAP://CN=Carol,OU=R\\/D,OU=A\\/B\\/C,DC=a");
    EXPECT_EQ(LdapPathOf(L"CN=a\\,b,DC=a"), L"LDAP://CN=a\\,b,DC=a");
}
