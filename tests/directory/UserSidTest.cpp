// The user SID look-up in its three ways, and the ADSI way on its own: which
// way finds which user, and how directory values that are not what they
// should be (wrong variant type, short or invalid SID bytes) are refused.
#include "DirectoryTestWorld.h"

#include "directory/AdsiNames.h"
#include "directory/UserSid.h"

#include <adserr.h>
#include <objbase.h>

using UserSid = DirectoryTest;

namespace {
// The example fixture with an Attr element added to bob.
std::wstring BobWithAttr(const std::wstring& attr) {
    std::wstring text = ExampleFixtureText();
    const std::wstring bobEnd = L"<MemberOf>CORP\\EMEA Sales</MemberOf>";
    text.insert(text.find(bobEnd) + bobEnd.size(), attr);
    return text;
}
} // namespace

TEST_F(UserSid, TriesTheNameCrackThenAdsiThenTheAccountLookup) {
    const std::wstring corpDc = L"<DomainController name=\"DC01\"/>";
    const struct {
        std::wstring change; // after the CORP controller
        const wchar_t* domain;
        const wchar_t* user;
        int32_t code;
        const wchar_t* sid;
        std::wstring logged; // at Debug level
    } cases[] = {
        {L"", L"lab.example.net", L"erin", 0, LAB_SID L"-1301",
         L"Successfully retrieved SID using DS Crackname '" LAB_SID L"-1301'."},
        {L"<Crack name=\"bob@corp.example.com\" status=\"2\"/>", L"corp.example.com", L"bob", 0,
         CORP_SID L"-1105", L"Successfully retrieved SID using ADSI '" CORP_SID L"-1105'."},
        // carol's principal name is carol.white@corp.example.com.
        {L"", L"corp.example.com", L"carol", 0, CORP_SID L"-1106",
         L"Successfully retrieved SID using LookupAccountName '" CORP_SID L"-1106'."},
        {L"", L"corp.example.com", L"nobody", ERROR_NONE_MAPPED, L"unchanged",
         L"Error code (1332) - Failed to get user SID using LookupAccountName for 'nobody' in "
         L"domain (DNS name) 'corp.example.com'."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.user));
        UseExampleWith(corpDc, corpDc + c.change);
        std::wstring sid = L"unchanged";
        EXPECT_EQ(GetUserSidString(log, c.domain, c.user, sid), c.code);
        EXPECT_EQ(sid, c.sid);
        EXPECT_TRUE(Logged(LogLevel::Debug, c.logged)) << AllEntries();
    }
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (1332) - Failed to get SID for user 'nobody' "
                                        L"in 'corp.example.com'."));
}

TEST_F(UserSid, AdsiReadsTheSidOfTheUserObjectAtItsEscapedPath) {
    // Unescaped, "LDAP://CN=Carol White,OU=R/D,..." would name a server "CN=Carol White,OU=R".
    std::wstring sid;
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"carol.white", sid), 0) << AllEntries();
    EXPECT_EQ(sid, CORP_SID L"-1106");
    EXPECT_EQ(Calls(L"ADsGetObject"),
              std::vector<std::wstring>{
                  L"ADsGetObject LDAP://CN=Carol White,OU=R\\/D,DC=corp,DC=example,DC=com"});
}

TEST_F(UserSid, AdsiRefusesSidValuesThatAreNoSidAndReportsEachFailingStep) {
    const std::wstring example = ExampleFixtureText();
    const std::wstring bobPath =
        L"LDAP://CN=Bob Builder,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com";
    const std::wstring bytes = L"<Attr name=\"objectSid\" type=\"bytes\">";
    const struct {
        const char* what;
        std::wstring fixture;
        const wchar_t* user;
        HRESULT code;
        std::wstring logged; // start of an Error entry, if any
    } cases[] = {
        {"a text", BobWithAttr(L"<Attr name=\"objectSid\">" CORP_SID L"-1105</Attr>"), L"bob",
         E_INVALIDARG, L"Error code (-2147024809) - Unable to look up SID for lookupname 'bob'."},
        {"short bytes", BobWithAttr(bytes + L"0105000000000005 15000000</Attr>"), L"bob",
         E_INVALIDARG, L""},
        {"one byte", BobWithAttr(bytes + L"01</Attr>"), L"bob", E_INVALIDARG, L""},
        {"revision 9", BobWithAttr(bytes + L"0900000000000005 15000000</Attr>"), L"bob",
         E_INVALIDARG, L""},
        {"no SID on the object",
         BobWithAttr(L"<Attr name=\"objectSid\" type=\"error\" error=\"0x8000500D\"/>"), L"bob",
         E_ADS_PROPERTY_NOT_FOUND,
         L"Error getting SID from object with WinNt path: '" + bobPath +
             L"'. Error code 0x8000500D."},
        {"an object that cannot be bound",
         std::wstring(example).replace(example.find(L"flat=\"CORP\""), 11,
                                       L"flat=\"CORP\" adsError=\"0x8007203A\""),
         L"bob", HRESULT_FROM_WIN32(ERROR_DS_SERVER_DOWN),
         L"Error getting object for '" + bobPath + L"'."},
        {"a name that cannot be translated", example, L"nobody",
         HRESULT_FROM_WIN32(ERROR_DS_NAME_ERROR_NOT_FOUND),
         L"Error translating name 'corp.example.com'\\'nobody' to distinguished name."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UseFixture(c.fixture);
        handler.entries.clear();
        std::wstring sid = L"unchanged";
        EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", c.user, sid), c.code);
        EXPECT_EQ(sid, L"unchanged");
        EXPECT_TRUE(c.logged.empty() || LoggedStart(LogLevel::Error, c.logged)) << AllEntries();
    }
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), 0) << "after a name that was not translated";
}

TEST_F(UserSid, NameTranslationReportsEachFailingStepAndLeavesTheApartmentAsItWas) {
    std::wstring dn = L"unchanged";
    EXPECT_EQ(TranslateToDistinguishedName(log, L"nowhere.example.org", L"bob", dn),
              HRESULT_FROM_WIN32(ERROR_NO_SUCH_DOMAIN));
    EXPECT_TRUE(LoggedStart(LogLevel::Error,
                            L"An error initializing instance of IADS Nametranslation object."));
    EXPECT_EQ(TranslateToDistinguishedName(log, L"corp.example.com", L"nobody", dn),
              HRESULT_FROM_WIN32(ERROR_DS_NAME_ERROR_NOT_FOUND));
    EXPECT_TRUE(
        LoggedStart(LogLevel::Error, L"An error setting UPN username 'nobody@corp.example.com'."));
    UseExampleWith(L"<SimulatedDomain>", L"<SimulatedDomain nameTranslateRegistered=\"false\">");
    EXPECT_EQ(TranslateToDistinguishedName(log, L"corp.example.com", L"bob", dn),
              REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(LoggedStart(LogLevel::Error,
                            L"An error creating instance of IADS Nametranslation object."));
    EXPECT_EQ(dn, L"unchanged");

    UseFixture(ExampleFixtureText());
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(TranslateToDistinguishedName(log, L"lab.example.net", L"erin", dn), S_OK);
    EXPECT_EQ(dn, L"CN=Erin Eve,OU=Optics,OU=Research,DC=lab,DC=example,DC=net");
    // Still initialised by us: a second initialisation only counts up.
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}
