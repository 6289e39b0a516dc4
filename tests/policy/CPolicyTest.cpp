// Policies: loading from a policy element, the built-in rule set, the
// verdict per rule and the feedback text byte for byte, the pairing of
// descriptions with results, applicability over scopes, copying.
#include "EngineTestWorld.h"

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

class Policy : public EngineTest {
protected:
    CPolicy Load(const std::wstring& xml, int32_t expected = 0) {
        CPolicy policy;
        auto element = Element(xml);
        EXPECT_TRUE(element) << "does not parse";
        if (element) {
            EXPECT_EQ(policy.LoadFromXML(log, element.get(), nullptr), expected) << AllEntries();
        }
        return policy;
    }
};

TEST_F(Policy, ANewPolicyHoldsTheNineBuiltInRulesAllDisabled) {
    const CPolicy policy;
    EXPECT_EQ(policy.GetRules().size(), 9u);
    EXPECT_EQ(policy.CountEnabledRules(), 0u);
    EXPECT_TRUE(policy.IsEnabled());
    EXPECT_EQ(policy.GetName(), nullptr);
}

TEST_F(Policy, LoadsNameConfigurationRulesAndScopes) {
    struct LoadCase {
        const wchar_t* xml;
        int32_t result;
        bool enabled;
        size_t rules;
        size_t scopes;
    };
    const LoadCase cases[] = {
        {L"<P name=\"a\"><Configuration>1</Configuration><Rule type=\"2\"><Enabled>1</Enabled>"
         L"</Rule></P>",
         0, false, 1, 0},
        {L"<P name=\"a\"><Configuration>3</Configuration><Scope type=\"3\"><SID>d/</SID></Scope>"
         L"</P>",
         0, false, 0, 1},
        {L"<P name=\"a\"><Configuration>-1</Configuration></P>", 0, false, 0, 0},
        {L"<P name=\"a\"><Configuration>2</Configuration></P>", 0, true, 0, 0},
        {L"<P name=\"a\"><Configuration>1</Configuration><Configuration>0</Configuration></P>", 0,
         true, 0, 0},
        // Not a number: enabled, and the load fails unless a rule or scope loads after it.
        {L"<P name=\"a\"><Configuration>abc</Configuration></P>", -11, true, 0, 0},
        {L"<P name=\"a\"><Configuration>+1</Configuration><Rule type=\"3\"><Enabled>1</Enabled>"
         L"</Rule></P>",
         0, true, 1, 0},
        // Names are case-sensitive: these are ignored.
        {L"<P name=\"a\"><rule type=\"2\"><Enabled>1</Enabled></rule><configuration>1"
         L"</configuration><!-- note --></P>",
         0, true, 0, 0},
        // Type 4 makes two rules of one element.
        {L"<P name=\"a\"><Rule type=\"4\"><Enabled>1</Enabled><UsernameRatio Enabled=\"1\">0.8"
         L"</UsernameRatio><PasswordRatio Enabled=\"1\">0.8</PasswordRatio></Rule></P>",
         0, true, 2, 0},
        {L"<P name=\"a\"><Rule type=\"99\"><Enabled>1</Enabled></Rule></P>", -11, true, 0, 0},
        {L"<P name=\"a\"><Scope type=\"3\"/></P>", -12, true, 0, 0},
        {L"<P name=\"a\"/>", -12, true, 0, 0},
    };
    for (const LoadCase& c : cases) {
        CPolicy policy = Load(c.xml, c.result);
        EXPECT_EQ(policy.IsEnabled(), c.enabled) << c.xml;
        EXPECT_EQ(policy.GetRules().size(), c.rules) << c.xml;
        EXPECT_EQ(policy.GetScopes().size(), c.scopes) << c.xml;
    }
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-12) - Policy is empty."));
}

TEST_F(Policy, WithoutANameItIsRefusedAndLogsNothingItself) {
    CPolicy policy = Load(L"<P><Rule type=\"2\"><Enabled>1</Enabled></Rule></P>", -12);
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
    EXPECT_EQ(policy.CountEnabledRules(), 3u);

    feedback.clear();
    EXPECT_EQ(
        policy.TestPassword(log, accepted, user, L"secret1", nullptr, &feedback, nullptr, 9, 0), 0);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(feedback, L"\r\n");
}

TEST_F(Policy, FlagBitZeroLeavesThePasswordSimilarityRuleOut) {
    CPolicy policy = Load(L"<P name=\"s\"><Rule type=\"7\"><Enabled>1</Enabled><PasswordRatio "
                          L"Enabled=\"1\">0.8</PasswordRatio><Description>Not like the old one."
                          L"</Description></Rule></P>");
    CScope user = UserScope(L"bob");
    std::vector<bool> results;
    bool accepted = true;
    EXPECT_EQ(policy.TestPassword(log, accepted, user, L"Summer2024", L"Summer2024", nullptr,
                                  &results, 9, 0),
              0);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_EQ(policy.TestPassword(log, accepted, user, L"Summer2024", L"Summer2024", nullptr,
                                  &results, 9, CPolicy::kSkipPasswordSimilarity),
              0);
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(results.empty());
    std::vector<std::wstring> descriptions;
    EXPECT_EQ(policy.GetRuleDescriptions(log, descriptions, 9, CPolicy::kSkipPasswordSimilarity),
              0);
    EXPECT_TRUE(descriptions.empty());
}

TEST_F(Policy, AppliesWhenAScopeMatchesAndGoesOnPastAFailingScope) {
    struct ApplyCase {
        const wchar_t* scopes;
        const wchar_t* user;
        bool applies;
        bool fails;
    };
    const ApplyCase cases[] = {
        {L"", L"bob", false, false},
        {L"<Scope type=\"2\"><SID>corp.example.com/Sales</SID></Scope>", L"bob", true, false},
        {L"<Scope type=\"2\"><SID>corp.example.com/Sales</SID></Scope>", L"dave", false, false},
        // A SID that no domain knows fails its refresh; the next scope still matches.
        {L"<Scope type=\"0\"><SID>S-1-5-21-9-9-9-1000</SID></Scope>"
         L"<Scope type=\"0\"><SID>" CORP_SID L"-1107</SID></Scope>",
         L"dave", true, false},
        {L"<Scope type=\"0\"><SID>" CORP_SID L"-1107</SID></Scope>"
         L"<Scope type=\"0\"><SID>S-1-5-21-9-9-9-1000</SID></Scope>",
         L"bob", false, true},
    };
    for (const ApplyCase& c : cases) {
        CPolicy policy = Load(std::wstring(L"<P name=\"p\"><Configuration>0</Configuration>") +
                              c.scopes + L"</P>");
        CScope user = UserScope(c.user);
        bool applies = !c.applies;
        const int32_t code = policy.Applies(log, user, applies);
        EXPECT_EQ(code != 0, c.fails) << c.scopes;
        EXPECT_EQ(applies, c.applies) << c.scopes << " / " << c.user;
    }
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error code (")) << AllEntries();
}

TEST_F(Policy, ACopyOrAnAssignmentHasItsOwnRulesAndScopes) {
    const CPolicy original = Load(kThreeRules);
    CPolicy assigned;
    assigned = original;
    const CPolicy copy(assigned);
    EXPECT_STREQ(copy.GetName(), L"Three");
    ASSERT_EQ(copy.GetRules().size(), 4u);
    EXPECT_NE(copy.GetRules()[0].get(), original.GetRules()[0].get());
    EXPECT_EQ(copy.CountEnabledRules(), 3u);
    ASSERT_EQ(copy.GetScopes().size(), 1u);
    EXPECT_STREQ(copy.GetScopes()[0]->GetSid(), L"corp.example.com/");
}
