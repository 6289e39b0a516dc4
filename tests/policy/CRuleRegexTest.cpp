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
    CRuleRegex classes(CRuleRegex::kCharacterRequirements,
                       L"^(?=.*[a-z])(?=.*[A-Z])(?=.*[0-9])(?=.*[^a-zA-Z0-9])");
    const struct {
        CRuleRegex* rule;
        const wchar_t* password;
        bool valid;
    } rows[] = {
        {&repeating, L"aabbaa", true},
        {&repeating, L"abbbc", false},
        {&repeating, L"\u00e9\u00e9\u00e9", false},
        {&repeating, nullptr, true},
        {&digits, L"password", false},
        {&digits, L"pass9word", true},
        {&digits, L"", false},
        {&none, L"anything", true},
        {&none, L"", true},
        {&classes, L"Abcdef1!", true},
        {&classes, L"abcdef1!", false},
        {&classes, L"ABCDEF1!", false},
        {&classes, L"Abcdefg!", false},
        {&classes, L"Abcdef12", false},
        {&classes, L"", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Accepts(*row.rule, row.password), row.valid)
            << GetTypeName(row.rule) << " '" << (row.password ? row.password : L"null") << "'";
    }
    for (const wchar_t* name :
         {L"Repeating characters", L"Character requirements", L"Regular Expression"}) {
        EXPECT_TRUE(
            Logged(LogLevel::Debug, L"Checking password with rule '" + std::wstring(name) + L"'."));
    }
}

TEST_F(RegexRule, ABrokenOrRunawayExpressionFailsTheTestAfterNamingItInTheLog) {
    const std::wstring runaway = std::wstring(40, L'a') + L"!";
    const struct {
        const wchar_t* expression;
        const wchar_t* password;
    } rows[] = {
        {L"(", L"abc"}, {L"[a-", L"abc"}, {L"a{3,1}", L"abc"}, {L"^(a|a?)+\\1$", runaway.c_str()}};
    for (const auto& row : rows) {
        handler.entries.clear();
        for (const wchar_t* validates : {L"1", L"0"}) {
            CRuleRegex rule;
            ASSERT_EQ(rule.LoadFromXML(log,
                                       Rule(5, L"<Regex Type='0'><![CDATA[" +
                                                   std::wstring(row.expression) +
                                                   L"]]></Regex><ExpressionValidatesPassword>" +
                                                   validates + L"</ExpressionValidatesPassword>"),
                                       nullptr),
                      0);
            bool verdict = true;
            EXPECT_EQ(Run(rule, row.password, verdict), -1) << row.expression;
            EXPECT_FALSE(verdict) << row.expression;
        }
        EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-1) - An error occurred while "
                                            L"evalutating regular expression '" +
                                                std::wstring(row.expression) + L"'"))
            << AllEntries();
    }
}

TEST_F(RegexRule, ATypeFiveRuleWithoutRegexIsAFreeExpressionRuleAcceptingAll) {
    RuleList rules;
    ASSERT_EQ(CreateRuleFromXML(log, Rule(5, L"<Enabled>1</Enabled>"), rules, nullptr), 0);
    EXPECT_STREQ(GetTypeName(rules[0].get()), L"Regular Expression");
    EXPECT_TRUE(Accepts(*rules[0], L""));
    EXPECT_TRUE(Accepts(*rules[0], L"x"));
}
