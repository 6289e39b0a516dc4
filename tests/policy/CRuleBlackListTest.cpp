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
        {&literal, L"sECRET", false},
        {&literal, L"Secret1", true},
        {&literal, L"my secret", true},
        {&literal, nullptr, false}, // as the empty item
        {&literal, L"\u00c9t\u00e9", false},
        {&literal, L"\u00e9t\u00e9", true}, // A to Z fold
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
            << (row.rule == &literal) << " '" << (row.password ? row.password : L"null") << "'";
    }
    // An expression that does not compile fails every non-empty password.
    CRuleBlackList broken(CRuleBlackList::kExpressions, {L"never", L"("});
    bool verdict = true;
    EXPECT_EQ(Run(broken, L"abc", verdict), -1);
    EXPECT_FALSE(verdict);
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-1) - An error occurred while evalutating "
                                        L"blacklist expression '('"));
    EXPECT_TRUE(Accepts(broken, L""));
}

TEST_F(BlackListRule, AnUnknownInterpretationFailsTheTest) {
    CRuleBlackList unknown(-3, {L"a"});
    for (const wchar_t* password : {L"a", L"b", L""}) {
        bool verdict = true;
        EXPECT_EQ(Run(unknown, password, verdict), -11) << password;
        EXPECT_FALSE(verdict);
    }
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-11) - Unknown interpretation '-3' of "
                                        L"blacklist rule, unable to test password."));
}
