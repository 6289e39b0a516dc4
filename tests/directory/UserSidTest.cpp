// The user SID look-up in its three ways, and the ADSI way on its own: which
// way finds which user, and how directory values that are not what they
// should be (wrong variant type, short or invalid SID bytes) are refused.
#include "DirectoryTestWorld.h"

#include "directory/AdsiNames.h"
#include "directory/UserSid.h"

#include <adserr.h>
#include <objbase.h>

using GetUserSidString_ = DirectoryTest;
using GetSidStringByAdsi_ = DirectoryTest;
using TranslateToDistinguishedName_ = DirectoryTest;

namespace {
// Replaces bob's derived "ObjectSID" by the given Attr element.
std::wstring BobWithAttr(const std::wstring& attr) {
    std::wstring text = ExampleFixtureText();
    const std::wstring bobEnd = L"<MemberOf>CORP\\EMEA Sales</MemberOf>";
    text.insert(text.find(bobEnd) + bobEnd.size(), attr);
    return text;
}
} // namespace

TEST_F(GetUserSidString_, FindsAUserByPrincipalNameAtTheDomainController) {
    std::wstring sid;
    EXPECT_EQ(GetUserSidString(log, L"corp.example.com", L"bob", sid), 0);
    EXPECT_EQ(sid, CORP_SID L"-1105");
    EXPECT_TRUE(Logged(LogLevel::Debug,
                       L"Successfully retrieved SID using DS Crackname '" CORP_SID L"-1105'."));
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), 0);
    EXPECT_EQ(SimDomainCallCount(L"LookupAccountNameW"), 0);
}

TEST_F(GetUserSidString_, FallsBackToAdsiWhenTheNameCannotBeCracked) {
    UseExampleWith(L"<DomainController name=\"DC01\"/>",
                   L"<DomainController name=\"DC01\"/><Crack name=\"bob@corp.example.com\" "
                   L"status=\"2\"/>");
    std::wstring sid;
    EXPECT_EQ(GetUserSidString(log, L"corp.example.com", L"bob", sid), 0);
    EXPECT_EQ(sid, CORP_SID L"-1105");
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Error code (-6) - Unable to translate UPN name "
                                        L"'bob@corp.example.com' to to SID."));
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Successfully retrieved SID using ADSI '" CORP_SID L"-1105'."));
    EXPECT_EQ(SimDomainCallCount(L"LookupAccountNameW"), 0);
}

TEST_F(GetUserSidString_, FindsAUserWhosePrincipalNameDiffersThroughTheAccountLookup) {
    // carol's principal name is carol.white@corp.example.com, so neither the
    // crack nor the name translation of carol@corp.example.com finds her.
    std::wstring sid;
    EXPECT_EQ(GetUserSidString(log, L"corp.example.com", L"carol", sid), 0);
    EXPECT_EQ(sid, CORP_SID L"-1106");
    EXPECT_TRUE(Logged(LogLevel::Debug,
                       L"Successfully retrieved SID using LookupAccountName '" CORP_SID L"-1106'."))
        << AllEntries();
    const int32_t notFound = HRESULT_FROM_WIN32(ERROR_DS_NAME_ERROR_NOT_FOUND);
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Error code (" + std::to_wstring(notFound) +
                                            L") - Failed to get user SID using ADSI for 'carol' "
                                            L"in domain (DNS name) 'corp.example.com'."))
        << AllEntries();
}

TEST_F(GetUserSidString_, ReturnsTheCodeOfTheLastWayWhenNoWayFindsTheUser) {
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetUserSidString(log, L"corp.example.com", L"nobody", sid), ERROR_NONE_MAPPED);
    EXPECT_EQ(sid, L"unchanged");
    EXPECT_TRUE(Logged(LogLevel::Debug,
                       L"Error code (1332) - Failed to get user SID using LookupAccountName for "
                       L"'nobody' in domain (DNS name) 'corp.example.com'."));
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (1332) - Failed to get SID for user 'nobody' "
                                        L"in 'corp.example.com'."));
}

TEST_F(GetUserSidString_, FindsUsersOfTheTrustedDomain) {
    std::wstring sid;
    EXPECT_EQ(GetUserSidString(log, L"lab.example.net", L"erin", sid), 0);
    EXPECT_EQ(sid, LAB_SID L"-1301");
}

TEST_F(GetSidStringByAdsi_, ReadsTheSidOfTheUserObject) {
    std::wstring sid;
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"bob", sid), 0);
    EXPECT_EQ(sid, CORP_SID L"-1105");
    const auto objects = Calls(L"ADsGetObject");
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0],
              L"ADsGetObject LDAP://CN=Bob Builder,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com");
}

TEST_F(GetSidStringByAdsi_, EscapesASlashInTheDistinguishedName) {
    // Unescaped, "LDAP://CN=Carol White,OU=R/D,..." would name a server "CN=Carol White,OU=R".
    std::wstring sid;
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"carol.white", sid), 0) << AllEntries();
    EXPECT_EQ(sid, CORP_SID L"-1106");
    const auto objects = Calls(L"ADsGetObject");
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0], L"ADsGetObject LDAP://CN=Carol White,OU=R\\/D,DC=corp,DC=example,DC=com");
}

TEST_F(GetSidStringByAdsi_, RefusesASidValueOfTheWrongVariantType) {
    UseFixture(BobWithAttr(L"<Attr name=\"objectSid\">" CORP_SID L"-1105</Attr>"));
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"bob", sid), E_INVALIDARG);
    EXPECT_EQ(sid, L"unchanged");
    EXPECT_TRUE(LoggedStart(LogLevel::Debug, L"Error getting converting binary SID to bytes. "
                                             L"Error code 0x80070057."))
        << AllEntries();
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-2147024809) - Unable to look up SID for "
                                        L"lookupname 'bob'."));
}

TEST_F(GetSidStringByAdsi_, RefusesAnArrayThatIsNotAByteArray) {
    UseFixture(BobWithAttr(L"<Attr name=\"objectSid\" type=\"strings\"><Value>1</Value>"
                           L"<Value>5</Value></Attr>"));
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"bob", sid), E_INVALIDARG);
    EXPECT_EQ(sid, L"unchanged");
}

TEST_F(GetSidStringByAdsi_, RefusesSidBytesShorterThanTheSidTheyAnnounce) {
    // Revision 1, five sub-authorities announced (28 bytes), twelve received.
    UseFixture(BobWithAttr(L"<Attr name=\"objectSid\" type=\"bytes\">0105000000000005 "
                           L"15000000</Attr>"));
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"bob", sid), E_INVALIDARG);
    EXPECT_EQ(sid, L"unchanged");
}

TEST_F(GetSidStringByAdsi_, RefusesBytesThatAreNoSid) {
    for (const wchar_t* bytes : {L"", L"01", L"0900000000000005 15000000", L"0110000000000005"}) {
        UseFixture(BobWithAttr(std::wstring(L"<Attr name=\"objectSid\" type=\"bytes\">") + bytes +
                               L"</Attr>"));
        std::wstring sid = L"unchanged";
        EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"bob", sid), E_INVALIDARG) << bytes;
        EXPECT_EQ(sid, L"unchanged");
    }
}

TEST_F(GetSidStringByAdsi_, ReportsAMissingSidWithThePathOfTheObject) {
    UseFixture(BobWithAttr(L"<Attr name=\"objectSid\" type=\"error\" error=\"0x8000500D\"/>"));
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"bob", sid), E_ADS_PROPERTY_NOT_FOUND);
    EXPECT_EQ(sid, L"unchanged");
    EXPECT_TRUE(LoggedStart(LogLevel::Error,
                            L"Error getting SID from object with WinNt path: 'LDAP://CN=Bob "
                            L"Builder,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com'. Error code "
                            L"0x8000500D."))
        << AllEntries();
}

TEST_F(GetSidStringByAdsi_, ReportsAnObjectThatCannotBeBound) {
    UseExampleWith(L"flat=\"CORP\"", L"flat=\"CORP\" adsError=\"0x8007203A\"");
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"bob", sid),
              HRESULT_FROM_WIN32(ERROR_DS_SERVER_DOWN));
    EXPECT_EQ(sid, L"unchanged");
    EXPECT_TRUE(LoggedStart(LogLevel::Error,
                            L"Error getting object for 'LDAP://CN=Bob "
                            L"Builder,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com'."));
}

TEST_F(GetSidStringByAdsi_, ReportsAUserWhoseNameCannotBeTranslated) {
    std::wstring sid = L"unchanged";
    EXPECT_EQ(GetSidStringByAdsi(log, L"corp.example.com", L"nobody", sid),
              HRESULT_FROM_WIN32(ERROR_DS_NAME_ERROR_NOT_FOUND));
    EXPECT_EQ(sid, L"unchanged");
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error translating name "
                                             L"'corp.example.com'\\'nobody' to distinguished "
                                             L"name."));
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), 0);
}

TEST_F(TranslateToDistinguishedName_, TranslatesThePrincipalNameOfTheUser) {
    std::wstring dn;
    EXPECT_EQ(TranslateToDistinguishedName(log, L"lab.example.net", L"erin", dn), S_OK);
    EXPECT_EQ(dn, L"CN=Erin Eve,OU=Optics,OU=Research,DC=lab,DC=example,DC=net");
}

TEST_F(TranslateToDistinguishedName_, ReportsEachFailingStep) {
    std::wstring dn = L"unchanged";
    EXPECT_EQ(TranslateToDistinguishedName(log, L"nowhere.example.org", L"bob", dn),
              HRESULT_FROM_WIN32(ERROR_NO_SUCH_DOMAIN));
    EXPECT_TRUE(LoggedStart(LogLevel::Error,
                            L"An error initializing instance of IADS Nametranslation object."));
    EXPECT_EQ(TranslateToDistinguishedName(log, L"corp.example.com", L"nobody", dn),
              HRESULT_FROM_WIN32(ERROR_DS_NAME_ERROR_NOT_FOUND));
    EXPECT_TRUE(
        LoggedStart(LogLevel::Error, L"An error setting UPN username 'nobody@corp.example.com'."));
    EXPECT_EQ(dn, L"unchanged");

    UseExampleWith(L"<SimulatedDomain>", L"<SimulatedDomain nameTranslateRegistered=\"false\">");
    EXPECT_EQ(TranslateToDistinguishedName(log, L"corp.example.com", L"bob", dn),
              REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(LoggedStart(LogLevel::Error,
                            L"An error creating instance of IADS Nametranslation object."));
    EXPECT_EQ(dn, L"unchanged");
}

TEST_F(TranslateToDistinguishedName_, LeavesTheCallersApartmentInitialised) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    std::wstring dn;
    EXPECT_EQ(TranslateToDistinguishedName(log, L"corp.example.com", L"bob", dn), S_OK);
    // Still initialised by us: a second initialisation only counts up.
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}
