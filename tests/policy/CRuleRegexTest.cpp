// The pattern rule: its three kinds on boundary passwords, its loading, and
// expressions that do not compile or exhaust the matcher.
#include "PolicyTestWorld.h"

#include "policy/CRuleRegex.h"
#include "policy/RuleFactory.h"

class RegexRule : public PolicyTest {};

TEST_F(RegexRule, JudgesPasswordsByKindExpressionAndDirection) {
    CRuleRegex repeating(CRuleRegex::kRepeatingCharacters, nullptr);
    CRuleRegex digits(CRuleRegex::kRegularExpression, L"[0-9]");
    CRuleRegex none(CRuleRegex::kRegularExpression, nullptr);
    CRuleRegex requirements(CRuleRegex::kCharacterRequirements,
                            L"^(?=.*[a-z])(?=.*[A-Z])(?=.*[0-9])(?=.*[^a-zA-Z0-9])");
    const struct {
        CRuleRegex* rule;
        const wchar_t* password;
        bool valid;
    } rows[] = {
        {&repeating, L"aabbaa", true},
        {&repeating, L"abbbc", false},
        {&repeating, L"\u00e9\u00e9\u00e9", false},
        {&repeating, L"", true},
        {&repeating, nullptr, true},
        {&digits, L"password", false},
        {&digits, L"pass9word", true},
        {&digits, L"", false},
        {&none, L"anything", true},
        {&none, L"", true},
        {&requirements, L"Abcdef1!", true},
        {&requirements, L"abcdef1!", false}, // no upper case
        {&requirements, L"ABCDEF1!", false}, // no lower case
        {&requirements, L"Abcdefg!", false}, // no digit
        {&requirements, L"Abcdef12", false}, // no symbol
        {&requirements, L"", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Accepts(*row.rule, row.password), row.valid)
            << GetTypeName(row.rule) << " '" << (row.password ? row.password : L"null") << "'";
    }
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking password with rule 'Repeating characters'."));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking password with rule 'Character requirements'."));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking password with rule 'Regular Expression'."));
}

TEST_F(RegexRule, ABrokenOrRunawayExpressionFailsTheTestAfterNamingItInTheLog) {
    const std::wstring forty(40, L'a');
    const struct {
        const wchar_t* expression;
        std::wstring password;
    } rows[] = {
        {L"(", L"abc"},
        {L"[a-", L"abc"},
        {L"a{3,1}", L"abc"},
        {L"^(a|a?)+\\1$", forty + L"!"},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        for (bool validates : {true, false}) {
            CRuleRegex rule;
            ASSERT_EQ(rule.LoadFromXML(log,
                                       Rule(L"<Rule type='5'><Regex Type='0'><![CDATA[" +
                                            std::wstring(row.expression) +
                                            L"]]></Regex><ExpressionValidatesPassword>" +
                                            (validates ? L"1" : L"0") +
                                            L"</ExpressionValidatesPassword></Rule>"),
                                       nullptr),
                      0);
            bool verdict = true;
            EXPECT_EQ(Run(rule, row.password.c_str(), verdict), -1) << row.expression;
            EXPECT_FALSE(verdict) << row.expression;
        }
        EXPECT_TRUE(Logged(LogLevel::Error,
                           std::wstring(L"Error code (-1) - An error occurred while evalutating "
                                        L"regular expression '") +
                               row.expression + L"'"))
            << AllEntries();
    }
}

TEST_F(RegexRule, LoadsItsChildrenAndFailsWhenTheRegexHasNoUsableType) {
    const struct {
        const wchar_t* xml;
        int32_t result;
        int32_t expressionType;
        const wchar_t* expression;
        bool validates;
        bool enabled;
        const wchar_t* error; // Error entry, or null for none
    } rows[] = {
        {L"<Rule type='5'><Regex Type='2'>[0-9]</Regex><Data>d</Data>"
         L"<ExpressionValidatesPassword>1</ExpressionValidatesPassword><Enabled>1</Enabled></Rule>",
         0, 2, L"[0-9]", true, true, nullptr},
        {L"<Rule type='5'><Enabled>1</Enabled><Regex>[0-9]</Regex></Rule>", -11, 0, L"[0-9]", false,
         false, L"Error code (-11) - Regex node has no type attribute."},
        {L"<Rule type='5'><Regex>[0-9]</Regex><Enabled>1</Enabled></Rule>", -11, 0, L"[0-9]", false,
         false, L"Error code (-11) - Regex node has no type attribute."},
        {L"<Rule type='5'><Regex Type='one'>x</Regex><Enabled>1</Enabled></Rule>", 0, 0, L"x",
         false, true,
         L"Error code (-11) - Failed to convert value of type attribute of regex node to "
         L"integer."},
        {L"<Rule type='5'><Regex Type='7'>x</Regex>"
         L"<ExpressionValidatesPassword>yes</ExpressionValidatesPassword></Rule>",
         0, 7, L"x", false, false,
         L"Error code (-11) - Failed to convert value of ExpressionValidatesPassword node to "
         L"bool."},
        {L"<Rule type='5'><Regex Type='0'></Regex><Enabled>1</Enabled></Rule>", 0, 0, nullptr,
         false, true, nullptr},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        CRuleRegex rule;
        EXPECT_EQ(rule.LoadFromXML(log, Rule(row.xml), nullptr), row.result) << row.xml;
        EXPECT_EQ(rule.GetExpressionType(), row.expressionType) << row.xml;
        EXPECT_STREQ(rule.GetExpression(), row.expression) << row.xml;
        EXPECT_EQ(rule.GetExpressionValidatesPassword(), row.validates) << row.xml;
        EXPECT_EQ(rule.IsEnabled(), row.enabled) << row.xml;
        if (row.error != nullptr) {
            EXPECT_TRUE(Logged(LogLevel::Error, row.error)) << row.xml << AllEntries();
        } else {
            EXPECT_EQ(Errors(), 0u) << row.xml << AllEntries();
        }
    }
    // A type-5 rule without "Regex" is a free expression rule accepting all.
    RuleList rules;
    ASSERT_EQ(
        CreateRuleFromXML(log, Rule(L"<Rule type='5'><Enabled>1</Enabled></Rule>"), rules, nullptr),
        0);
    EXPECT_STREQ(GetTypeName(rules[0].get()), L"Regular Expression");
    EXPECT_TRUE(Accepts(*rules[0], L""));
    EXPECT_TRUE(Accepts(*rules[0], L"x"));
}
