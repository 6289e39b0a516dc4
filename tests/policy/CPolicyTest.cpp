// Policies: loading from a policy element, the verdict per rule and the
// feedback text byte for byte, the pairing of descriptions with results, and
// applicability over scopes.
#include "PolicyTestWorld.h"

#include "policy/CPolicy.h"

namespace {

// Three enabled rules (the second and third refuse "password123") around a
// disabled one; one description carries a "%" that must not act as a format.
const wchar_t* const kThreeRules =
    L"<Policy name=\"Three\"><Configuration>0</Configuration>"
    L"<Rule type=\"2\"><Enabled>1</Enabled><MinimumLength>6</MinimumLength>"
    L"<Description>At least 6 characters.</Description></Rule>"
    L"<Rule type=\"3\"><Enabled>1</Enabled><MaximumLength>8</MaximumLength>"
    L"<Description>At most 8 characters (100% sure).</Description>"
    L"<Description languageid=\"7\">H\u00F6chstens 8 Zeichen.</Description></Rule>"
    L"<Rule type=\"8\"><Enabled>0</Enabled><Blacklist Interpretation=\"0\">"
    L"<Item>password123</Item></Blacklist><Description>Not listed.</Description></Rule>"
    L"<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"0\">.*pass.*</Regex>"
    L"<ExpressionValidatesPassword>0</ExpressionValidatesPassword>"
    L"<Description>No \"pass\" in it.</Description></Rule>"
    L"<Scope type=\"3\"><SID>corp.example.com/</SID></Scope></Policy>";

} // namespace

class Policy : public PolicyTest {
protected:
    CPolicy Load(const std::wstring& xml, int32_t expected = 0) {
        CPolicy policy;
        EXPECT_EQ(policy.LoadFromXML(log, Node(xml), nullptr), expected) << xml << AllEntries();
        return policy;
    }
};

TEST_F(Policy, LoadsNameConfigurationRulesAndScopes) {
    const wchar_t* const rule = L"<Rule type='2'><Enabled>1</Enabled></Rule>";
    const struct {
        std::wstring children;
        int32_t result;
        bool enabled;
        size_t rules, scopes;
    } rows[] = {
        {L"<Configuration>1</Configuration>" + std::wstring(rule), 0, false, 1, 0},
        {L"<Configuration>3</Configuration><Scope type='3'><SID>d/</SID></Scope>", 0, false, 0, 1},
        {L"<Configuration>-1</Configuration>", 0, false, 0, 0},
        {L"<Configuration>2</Configuration>", 0, true, 0, 0},
        {L"<Configuration>1</Configuration><Configuration>0</Configuration>", 0, true, 0, 0},
        // Not a number: enabled, and the load fails unless a rule or scope loads after it.
        {L"<Configuration>abc</Configuration>", -11, true, 0, 0},
        {L"<Configuration>+1</Configuration>" + std::wstring(rule), 0, true, 1, 0},
        // Names are case-sensitive: these are ignored.
        {L"<rule type='2'><Enabled>1</Enabled></rule><configuration>1</configuration><!-- -->", 0,
         true, 0, 0},
        {L"<Rule type='4'><UsernameRatio Enabled='1'>0.8</UsernameRatio><PasswordRatio "
         L"Enabled='1'>0.8</PasswordRatio></Rule>",
         0, true, 2, 0},
        {L"<Rule type='99'><Enabled>1</Enabled></Rule>", -11, true, 0, 0},
        {L"<Scope type='3'/>", -12, true, 0, 0},
        {L"", -12, true, 0, 0},
    };
    for (const auto& row : rows) {
        CPolicy policy = Load(L"<P name='a'>" + row.children + L"</P>", row.result);
        EXPECT_EQ(policy.IsEnabled(), row.enabled) << row.children;
        EXPECT_EQ(policy.GetRules().size(), row.rules) << row.children;
        EXPECT_EQ(policy.GetScopes().size(), row.scopes) << row.children;
    }
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-12) - Policy is empty."));
    // Without a name it is refused and logs nothing itself.
    handler.entries.clear();
    CPolicy unnamed = Load(L"<P>" + std::wstring(rule) + L"</P>", -12);
    EXPECT_TRUE(handler.entries.empty()) << AllEntries();
}

TEST_F(Policy, ListsEveryRefusingRuleInTheFeedbackInRuleOrder) {
    CPolicy policy = Load(kThreeRules);
    CScope user = UserScope(L"bob");
    std::wstring feedback = L"Your new password did not satisfy the following rules:";
    std::vector<bool> results{true, true, true, true, true};
    bool accepted = true;
    EXPECT_EQ(
        policy.TestPassword(log, accepted, user, L"password123", L"old", &feedback, &results, 9, 0),
        0);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(results, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(feedback, L"Your new password did not satisfy the following rules:\r\n"
                        L" - At most 8 characters (100% sure).\r\n"
                        L" - No \"pass\" in it.\r\n");
    // The descriptions pair with the results; a language without a text gets English.
    std::vector<std::wstring> descriptions{L"stale"};
    EXPECT_EQ(policy.GetRuleDescriptions(log, descriptions, 7, 0), 0);
    EXPECT_EQ(descriptions,
              (std::vector<std::wstring>{L"At least 6 characters.", L"H\u00F6chstens 8 Zeichen.",
                                         L"No \"pass\" in it."}));
    feedback.clear();
    EXPECT_EQ(
        policy.TestPassword(log, accepted, user, L"secret1", nullptr, &feedback, nullptr, 9, 0), 0);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(feedback, L"\r\n");
}

TEST_F(Policy, AppliesWhenAScopeMatchesAndGoesOnPastAFailingScope) {
    const wchar_t* const sales = L"<Scope type='2'><SID>corp.example.com/Sales</SID></Scope>";
    const wchar_t* const dave = L"<Scope type='0'><SID>" CORP_SID L"-1107</SID></Scope>";
    const wchar_t* const unknown = L"<Scope type='0'><SID>S-1-5-21-9-9-9-1000</SID></Scope>";
    const struct {
        std::wstring scopes;
        const wchar_t* user;
        bool applies, fails;
    } rows[] = {
        {L"", L"bob", false, false},
        {sales, L"bob", true, false},
        {sales, L"dave", false, false},
        {std::wstring(unknown) + dave, L"dave", true, false}, // the next scope still matches
        {std::wstring(dave) + unknown, L"bob", false, true},
    };
    for (const auto& row : rows) {
        CPolicy policy =
            Load(L"<P name='p'><Configuration>0</Configuration>" + row.scopes + L"</P>");
        CScope user = UserScope(row.user);
        bool applies = !row.applies;
        EXPECT_EQ(policy.Applies(log, user, applies) != 0, row.fails) << row.scopes;
        EXPECT_EQ(applies, row.applies) << row.scopes << " / " << row.user;
    }
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error code (")) << AllEntries();
}
