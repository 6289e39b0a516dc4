// The blacklist rule: literal items refuse only the whole password in any
// case of A to Z, expression items refuse wherever they are found, and an
// interpretation the rule does not know is a failure, never an acceptance.
#include "PolicyTestWorld.h"

#include "policy/CRuleBlackList.h"

class BlackListRule : public PolicyTest {};

TEST_F(BlackListRule, JudgesLiteralAndExpressionItems) {
    CRuleBlackList literal(CRuleBlackList::kLiteral, {L"Secret", L"", L"\u00c9t\u00e9"});
    CRuleBlackList expressions(CRuleBlackList::kExpressions, {L"", L"^summer", L"[0-9]{4}$"});
    const struct {
        CRuleBlackList* rule;
        const wchar_t* password;
        bool valid;
    } rows[] = {
        {&literal, L"Secret", false},
        {&literal, L"sECRET", false},
        {&literal, L"Secret1", true},
        {&literal, L"my secret", true},
        {&literal, L"", false}, // the absent item matches only the empty password
        {&literal, nullptr, false},
        {&literal, L"\u00c9t\u00e9", false},
        {&literal, L"\u00e9t\u00e9", true}, // case is folded for A to Z only
        {&expressions, L"summertime", false},
        {&expressions, L"SUMMERtime", true},
        {&expressions, L"endless summer", true},
        {&expressions, L"pin2024", false},
        {&expressions, L"2024pin", true},
        {&expressions, L"", true},
        {&expressions, nullptr, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Accepts(*row.rule, row.password), row.valid)
            << (row.rule == &literal ? "literal" : "expressions") << " '"
            << (row.password ? row.password : L"null") << "'";
    }
}

TEST_F(BlackListRule, AnExpressionThatDoesNotCompileFailsEveryNonEmptyPassword) {
    CRuleBlackList rule(CRuleBlackList::kExpressions, {L"never", L"("});
    bool verdict = true;
    EXPECT_EQ(Run(rule, L"abc", verdict), -1);
    EXPECT_FALSE(verdict);
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-1) - An error occurred while evalutating "
                                        L"blacklist expression '('"));
    EXPECT_TRUE(Accepts(rule, L""));
}

TEST_F(BlackListRule, LoadsItemsOfEveryBlacklistWithTheLastInterpretation) {
    CRuleBlackList rule;
    ASSERT_EQ(rule.LoadFromXML(log,
                               Rule(L"<Rule type='8'><Blacklist Interpretation='0'><Item>one</Item>"
                                    L"<Other>x</Other><Item></Item></Blacklist>"
                                    L"<Blacklist interpretation='1'><Item>^two</Item></Blacklist>"
                                    L"<Enabled>1</Enabled></Rule>"),
                               nullptr),
              0);
    EXPECT_EQ(rule.GetInterpretation(), 1);
    EXPECT_EQ(rule.GetItems(), (std::vector<std::wstring>{L"one", L"", L"^two"}));
    EXPECT_TRUE(rule.IsEnabled());
    EXPECT_FALSE(Accepts(rule, L"two2"));
    EXPECT_FALSE(Accepts(rule, L"xoney"));
}

TEST_F(BlackListRule, AnUnknownOrMissingInterpretationFailsLoadAndTest) {
    const struct {
        const wchar_t* xml;
        int32_t result;
        bool enabled;
        const wchar_t* error;
    } rows[] = {
        {L"<Rule type='8'><Blacklist Interpretation='2'><Item>a</Item></Blacklist>"
         L"<Enabled>1</Enabled></Rule>",
         -11, true, L"Error code (-11) - Unknown interpretation '2' of blacklist rule."},
        {L"<Rule type='8'><Blacklist><Item>a</Item></Blacklist><Enabled>1</Enabled></Rule>", -11,
         false, L"Error code (-11) - Blacklist node has no interpretation attribute."},
        {L"<Rule type='8'><Blacklist Interpretation='lit'><Item>a</Item></Blacklist></Rule>", 0,
         false,
         L"Error code (-11) - Failed to convert value of interpretation attribute of blacklist "
         L"rule to integer."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        CRuleBlackList rule;
        EXPECT_EQ(rule.LoadFromXML(log, Rule(row.xml), nullptr), row.result) << row.xml;
        EXPECT_EQ(rule.IsEnabled(), row.enabled) << row.xml;
        EXPECT_TRUE(Logged(LogLevel::Error, row.error)) << row.xml << AllEntries();
    }
    CRuleBlackList unknown(-3, {L"a"});
    for (const wchar_t* password : {L"a", L"b", L""}) {
        bool verdict = true;
        EXPECT_EQ(Run(unknown, password, verdict), -11) << password;
        EXPECT_FALSE(verdict);
    }
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-11) - Unknown interpretation '-3' of "
                                        L"blacklist rule, unable to test password."));
}
