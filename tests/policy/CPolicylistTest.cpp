// The policy list: reading the domain's stored value with its time stamp,
// every result code, hostile stored documents (each refused with a code and
// a log line, nothing left outstanding), comments among the policies and the
// choice of the first enabled matching policy.
#include "PolicyTestWorld.h"

#include "policy/CPolicylist.h"
#include "policy/CRuleHistoryMinimumAge.h"
#include "support/WideFormat.h"

namespace {

// A policy with a minimum-length rule and these scopes.
std::wstring PolicyFor(const wchar_t* name, const wchar_t* scope,
                       const wchar_t* configuration = L"0") {
    return FormatWide(L"<Policy name=\"%s\"><Configuration>%s</Configuration>%s<Rule type=\"2\">"
                      L"<Enabled>1</Enabled><MinimumLength>8</MinimumLength></Rule></Policy>",
                      name, configuration, scope);
}

const wchar_t* const kBobScope = L"<Scope type=\"0\"><SID>" CORP_SID L"-1105</SID></Scope>";
const wchar_t* const kSalesGroupScope = L"<Scope type=\"1\"><SID>" CORP_SID L"-1201</SID></Scope>";
const wchar_t* const kDomainScope = L"<Scope type=\"3\"><SID>corp.example.com/</SID></Scope>";

} // namespace

class PolicyList : public PolicyTest {
protected:
    [[nodiscard]] std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (std::size_t i = 0; i < list.GetCount(); ++i) {
            names.emplace_back(list.GetPolicy(i)->GetName());
        }
        return names;
    }
    CPolicylist list;
};

TEST_F(PolicyList, LoadsTheExampleDomainsPoliciesAndTimeStamp) {
    int64_t time = -1;
    EXPECT_EQ(list.LoadFromDomain(log, L"corp.example.com", &time), 0) << AllEntries();
    EXPECT_EQ(time, 42);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Sales people", L"Everyone"}));
    EXPECT_EQ(Calls(L"ADsGetObject").size(), 1u);
    EXPECT_NE(Calls(L"ADsGetObject")[0].find(L"CN=HwgPasswordPolicy,CN=Vexa Policy Manager,"
                                             L"CN=Harrowgate,CN=Program Data,DC=corp,DC=example,"
                                             L"DC=com"),
              std::wstring::npos);
}

TEST_F(PolicyList, ReportsEveryResultCodeOfLoadingAndChoosing) {
    // -3: the object exists without a value.
    EXPECT_EQ(list.LoadFromDomain(log, L"lab.example.net", nullptr),
              CPolicylist::kNoPolicyDocument);
    EXPECT_TRUE(LoggedStart(LogLevel::Information, L"No policy object found in Active Directoy."));

    std::wstring large = L"<PolicyList>"; // several mebibytes; only the last policy applies
    while (large.size() < 3 * 1024 * 1024) {
        large += L"<Policy name=\"filler\"><Configuration>1</Configuration>" +
                 std::wstring(1000, L'x') + L"</Policy>";
    }
    const struct {
        std::wstring document;
        int32_t load, choose; // choose: for bob
    } rows[] = {
        {large + PolicyFor(L"last", kDomainScope) + L"</PolicyList>", 0, 0},
        {L"<R><PolicyList><Policy name=\"x\"/></PolicyList><PolicyList/></R>", -12, -4},
        {L"<PolicyList version=\"1\"/>", -12, -4},
        {L"<Root><Wrap><PolicyList><Policy name=\"d\"><Scope type=\"3\"><SID>corp.example.com/"
         L"</SID></Scope></Policy></PolicyList></Wrap></Root>",
         0, 0},
        // Every policy fails to load: an empty list, -4 and not -5.
        {L"<PolicyList><Policy/><Policy name=\"e\"/></PolicyList>", 0, -4},
        {L"<PolicyList><Policy name=\"lab\"><Scope type=\"3\"><SID>lab.example.net/</SID>"
         L"</Scope></Policy></PolicyList>",
         0, -5},
        // Text of its own is no document at all.
        {L"#17#", -3, -4},
    };
    CScope bob = UserScope(L"bob");
    for (const auto& row : rows) {
        UseCorpDocument(row.document);
        const std::wstring name = row.document.substr(0, 60);
        EXPECT_EQ(list.LoadFromDomain(log, L"corp.example.com", nullptr), row.load) << name;
        CPolicy* chosen = reinterpret_cast<CPolicy*>(1);
        EXPECT_EQ(list.GetApplicablePolicy(log, bob, chosen), row.choose) << name;
        EXPECT_EQ(chosen != nullptr, row.choose == 0) << name;
    }
    EXPECT_TRUE(
        Logged(LogLevel::Error,
               L"Error code (-12) - Can only process exactly 1 Policy list node, size '2'"));
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-12) - No policy node found."));
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-5) - No applicable policy found for user "
                                        L"'bob@corp.example.com'."));

    // -16: an empty entry is reported and passed over.
    ASSERT_EQ(list.InsertPolicy(0, nullptr), 0);
    CPolicy* chosen = nullptr;
    EXPECT_EQ(list.GetApplicablePolicy(log, bob, chosen), CPolicylist::kNoApplicablePolicy);
    EXPECT_TRUE(
        Logged(LogLevel::Error, L"Error code (-16) - Found empty policy pointer in policy list."));

    // No policy object at all: the bind fails.
    UseCorpPolicy(L"");
    EXPECT_LT(list.LoadFromDomain(log, L"corp.example.com", nullptr), 0);
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Failed to bind policy object in Active Directoy."));
}

TEST_F(PolicyList, RefusesHostileStoredDocumentsWithACodeAndALogLine) {
    const std::wstring valid = L"<PolicyList>" + PolicyFor(L"p", kDomainScope) + L"</PolicyList>";
    std::wstring deep;
    while (deep.size() < 300000) {
        deep += L"<a>";
    }
    const std::wstring tooLarge(CPolicylist::kMaxDocumentBytes + 1, L'x');
    const struct {
        std::wstring policyElement;
        int32_t code;
        const wchar_t* logged; // start of an Error entry
    } rows[] = {
        // "<PolicyList>" then a lone continuation byte and a truncated sequence.
        {L"<Policy encoding=\"hex\">3C506F6C6963794C6973743E80E282</Policy>", 1113,
         L"Unable to determine size of XML."},
        {L"<Policy encoding=\"hex\">3C506F6C6963794C6973742F3E0041</Policy>", ERROR_INVALID_DATA,
         L"Unable to convert loaded XML to string."},
        {L"<Policy>this is not XML</Policy>", CPolicylist::kDocumentRefused,
         L"Failed to load XML from string."},
        {L"<Policy><![CDATA[<!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         L"\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
         L"<PolicyList><Policy name=\"&c;\"/></PolicyList>]]></Policy>",
         CPolicylist::kDocumentRefused, L"The policy document declares a document type"},
        {L"<Policy><![CDATA[<PolicyList>" + deep + L"]]></Policy>", CPolicylist::kDocumentRefused,
         L"The policy document nests elements deeper than 64 levels"},
        {L"<Policy><![CDATA[<PolicyList>" + deep.substr(0, 64 * 3) + L"]]></Policy>",
         CPolicylist::kDocumentRefused,
         L"The policy document nests elements deeper than 64 levels"},
        {L"<Policy>" + tooLarge + L"</Policy>", ERROR_FILE_TOO_LARGE,
         L"Policy object in Active Directoy holds 8388609 bytes"},
        {L"<Policy><Attr name=\"msDS-ByteArray\" type=\"bstr\">" + valid + L"</Attr></Policy>",
         DISP_E_TYPEMISMATCH, L"Unable to load policy object from Active Directoy."},
    };
    for (const auto& row : rows) {
        UseCorpPolicy(row.policyElement);
        handler.entries.clear();
        EXPECT_EQ(list.LoadFromDomain(log, L"corp.example.com", nullptr), row.code)
            << row.policyElement.substr(0, 80);
        EXPECT_EQ(list.GetCount(), 0u);
        EXPECT_TRUE(ErrorLogged(row.logged)) << row.policyElement.substr(0, 80);
    }
    // A document name that is not a DNS name never becomes part of a path.
    EXPECT_EQ(list.LoadFromDomain(log, L"corp.example.com/CN=Other", nullptr),
              ERROR_INVALID_DOMAINNAME);
}

TEST_F(PolicyList, PassesOverCommentsAndProcessingInstructionsAmongThePolicies) {
    const std::wstring age = L"<Policy name=\"a\"><Rule type=\"1\"><Enabled>1</Enabled>"
                             L"<MinimumAge>2</MinimumAge></Rule></Policy>";
    ASSERT_EQ(
        list.LoadFromXML(log, (L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                               L"<PolicyList Version=\"2.0\"><!-- first -->" +
                               age + L"<?note x?>" + PolicyFor(L"b", kDomainScope) + L"stray text" +
                               PolicyFor(L"c", kDomainScope) + L"</PolicyList>")
                                  .c_str()),
        0);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    // The version reaches the rules: from 2.0 on the minimum age is in minutes.
    const auto& rule =
        static_cast<const CRuleHistoryMinimumAge&>(*list.GetPolicy(0)->GetRules()[0]);
    EXPECT_EQ(rule.GetMinimumAge(), 2);
}

TEST_F(PolicyList, ChoosesTheFirstEnabledMatchingPolicyAndEvaluatesNoLaterOne) {
    const std::wstring failing = L"<Scope type=\"1\"><CanonicalName>corp.example.com/Nowhere/G"
                                 L"</CanonicalName></Scope>";
    ASSERT_EQ(
        list.LoadFromXML(log, (L"<PolicyList>" + PolicyFor(L"A", kBobScope, L"1") +
                               PolicyFor(L"Failing", failing.c_str()) + PolicyFor(L"B", kBobScope) +
                               PolicyFor(L"C", kSalesGroupScope) + L"</PolicyList>")
                                  .c_str()),
        0);
    CScope bob = UserScope(L"bob");
    SimDomainResetCounters();
    CPolicy* chosen = nullptr;
    EXPECT_EQ(list.GetApplicablePolicy(log, bob, chosen), 0);
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(chosen->GetName(), L"B");
    // A's scope was never refreshed and C's never looked at: one account
    // look-up (B's scope; a size probe and the answer), and the four objects of bob's own groups
    // that the failing group scope gathered; C would have added its SID look-up and the three
    // groups of its own set.
    EXPECT_EQ(SimDomainCallCount(L"LookupAccountSidW"), 2);
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), 4);
}
