// The length rules: verdicts at the limits and their own loading.
#include "PolicyTestWorld.h"

#include "policy/CRuleLengthMaximum.h"
#include "policy/CRuleLengthMinimum.h"

class LengthRules : public PolicyTest {};

TEST_F(LengthRules, APasswordOfExactlyTheLimitSatisfiesEitherRule) {
    const struct {
        int32_t minimum, maximum;
        const wchar_t* password;
        bool minimumValid, maximumValid;
    } rows[] = {
        {8, 18, L"1234567", false, true},
        {8, 18, L"12345678", true, true},
        {8, 18, L"123456789012345678", true, true},
        {8, 18, L"1234567890123456789", true, false},
        {0, 0, L"", true, true},
        {1, -1, nullptr, false, false},
        {-5, 0, nullptr, true, true},
        {2, 1, L"\U0001F600", true, false}, // one character outside the BMP counts 2
        {INT32_MAX, INT32_MAX, L"x", false, true},
    };
    for (const auto& row : rows) {
        CRuleLengthMinimum minimum(row.minimum);
        CRuleLengthMaximum maximum(row.maximum);
        EXPECT_EQ(Accepts(minimum, row.password), row.minimumValid) << row.minimum;
        EXPECT_EQ(Accepts(maximum, row.password), row.maximumValid) << row.maximum;
    }
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking minimum length rule, password valid = TRUE\r"));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking maximum length rule, password valid = FALSE"));
}
