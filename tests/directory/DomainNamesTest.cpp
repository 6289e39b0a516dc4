// Domain names: the join state of the computer, flat to DNS names through the
// locator, and the distinguished name and ADsPath built from names, which
// must not let typed text point a path at another object.
#include "DirectoryTestWorld.h"

#include "directory/AdsPaths.h"
#include "directory/DomainNames.h"

using DomainNames = DirectoryTest;

// Joined and workgroup computers are shown through the user scope.
TEST_F(DomainNames, JoinStateFailureGivesItsCodeAndLeavesTheNameAlone) {
    UseExampleWith(L"joinedTo=\"CORP\"/>", L"joinedTo=\"CORP\" joinError=\"2453\"/>");
    std::wstring domain = L"unchanged";
    EXPECT_EQ(GetJoinedDomainName(log, domain), 2453);
    EXPECT_EQ(domain, L"unchanged");
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (2453) - Failed to get join status "
                                        L"information for the local computer."))
        << AllEntries();
}

TEST_F(DomainNames, TheLocatorGivesTheDnsNameOfAReachableFlatName) {
    std::wstring dns = L"unchanged";
    EXPECT_EQ(FlatToDnsDomainName(log, L"corp.example.com", dns), ERROR_NO_SUCH_DOMAIN);
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Failed to get DNS name of domain controller with "
                                             L"flat name 'corp.example.com'. Error code (1355): "));
    EXPECT_EQ(FlatToDnsDomainName(log, L"LAB", dns), 0);
    EXPECT_EQ(dns, L"lab.example.net");
    EXPECT_EQ(Calls(L"DsGetDcNameW").back(), L"DsGetDcNameW domain=LAB flags=1073807360");
    UseExampleWith(L"flat=\"LAB\"", L"flat=\"LAB\" reachable=\"false\"");
    dns = L"unchanged";
    EXPECT_EQ(FlatToDnsDomainName(log, L"LAB", dns), ERROR_NO_SUCH_DOMAIN);
    EXPECT_EQ(dns, L"unchanged");
}

TEST(DomainDn, IsBuiltOnlyFromDnsNamesWithinTheirLimits) {
    std::wstring longest = L"a";
    while (longest.size() < 255) {
        longest += L".a";
    }
    EXPECT_EQ(DnsNameToDomainDn(L"a.b.c"), L"DC=a,DC=b,DC=c");
    EXPECT_EQ(DnsNameToDomainDn(nullptr), L"DC=");
    EXPECT_FALSE(IsDnsDomainName(nullptr));
    const std::wstring valid[] = {L"my-site_2.example", L"b\u00fcro.example",
                                  std::wstring(63, L'a'), longest};
    for (const std::wstring& name : valid) {
        EXPECT_TRUE(IsDnsDomainName(name.c_str())) << name.size();
        EXPECT_FALSE(DnsNameToDomainDn(name.c_str()).empty());
        // One more character: beyond a label's 63 or the name's 255.
        EXPECT_EQ(DnsNameToDomainDn((name + L"a").c_str()).empty(), name.size() >= 63);
    }
    // Text that is no DNS name makes no path at all.
    for (const wchar_t* typed :
         {L"corp.example.com,CN=Users", L"a.b/CN=Other", L"a..b", L".a", L"a.", L"a b", L"a=b",
          L"a\\b", L"a;b", L"a\"b", L"a+b", L"a<b", L"a#b"}) {
        EXPECT_FALSE(IsDnsDomainName(typed)) << typed;
        EXPECT_EQ(DnsNameToDomainDn(typed), L"") << typed;
    }
    EXPECT_FALSE(IsDnsDomainName(L""));
}

TEST(LdapPathOf, EscapesEverySlashOfTheDistinguishedName) {
    EXPECT_EQ(LdapPathOf(L"CN=Carol,OU=R/D,OU=A/B/C,DC=a"),
              L"LDAP://CN=Carol,OU=R\\/D,OU=A\\/B\\/C,DC=a");
    EXPECT_EQ(LdapPathOf(L"CN=a\\,b,DC=a"), L"LDAP://CN=a\\,b,DC=a");
}
