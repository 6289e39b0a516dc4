// The length rules: verdicts at the limits and their own loading.
#include "PolicyTestWorld.h"

#include "policy/CRuleLengthMaximum.h"
#include "policy/CRuleLengthMinimum.h"

class LengthRules : public PolicyTest {};

TEST_F(LengthRules, APasswordOfExactlyTheLimitSatisfiesEitherRule) {
    const struct {
        int32_t minimum;
        int32_t maximum;
        const wchar_t* password;
        bool minimumValid;
        bool maximumValid;
    } rows[] = {
        {8, 18, L"1234567", false, true},
        {8, 18, L"12345678", true, true},
        {8, 18, L"123456789012345678", true, true},
        {8, 18, L"1234567890123456789", true, false},
        {0, 0, L"", true, true},
        {1, -1, L"", false, false},
        {-5, 0, nullptr, true, true},
        {1, -1, nullptr, false, false},
        {2, 1, L"\U0001F600", true, false}, // one character outside the BMP counts 2
        {INT32_MAX, INT32_MAX, L"x", false, true},
    };
    for (const auto& row : rows) {
        CRuleLengthMinimum minimum(row.minimum);
        CRuleLengthMaximum maximum(row.maximum);
        EXPECT_EQ(Accepts(minimum, row.password), row.minimumValid)
            << "minimum " << row.minimum << " password " << (row.password ? row.password : L"null");
        EXPECT_EQ(Accepts(maximum, row.password), row.maximumValid)
            << "maximum " << row.maximum << " password " << (row.password ? row.password : L"null");
    }
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking minimum length rule, password valid = TRUE\r"));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking maximum length rule, password valid = FALSE"));
}

TEST_F(LengthRules, LoadTheirLimitOrFallBackToTheBuiltInValueOnAText) {
    const struct {
        const wchar_t* xml;
        int32_t limit;
        const wchar_t* error; // Error entry expected, or null
    } minimumRows[] = {
        {L"<Rule type='2'><MinimumLength>8</MinimumLength></Rule>", 8, nullptr},
        {L"<Rule type='2'><MinimumLength>abc</MinimumLength></Rule>", 6,
         L"Error code (-11) - Failed to convert value of minimum length to integer."},
        {L"<Rule type='2'><MinimumLength>99999999999</MinimumLength></Rule>", INT32_MAX, nullptr},
    };
    for (const auto& row : minimumRows) {
        handler.entries.clear();
        CRuleLengthMinimum rule;
        EXPECT_EQ(rule.LoadFromXML(log, Rule(row.xml), nullptr), 0) << row.xml;
        EXPECT_EQ(rule.GetMinimumLength(), row.limit) << row.xml;
        if (row.error != nullptr) {
            EXPECT_TRUE(Logged(LogLevel::Error, row.error)) << row.xml << AllEntries();
        }
    }
    CRuleLengthMaximum maximum;
    EXPECT_EQ(maximum.LoadFromXML(log,
                                  Rule(L"<Rule type='3'><MaximumLength>-</MaximumLength>"
                                       L"<Enabled>1</Enabled></Rule>"),
                                  nullptr),
              0);
    EXPECT_EQ(maximum.GetMaximumLength(), 0);
    EXPECT_TRUE(maximum.IsEnabled());
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Load maximum length rule data from XML."));
    EXPECT_EQ(maximum.LoadFromXML(log,
                                  Rule(L"<Rule type='3'><MaximumLength>1 8</MaximumLength>"
                                       L"</Rule>"),
                                  nullptr),
              0);
    EXPECT_EQ(maximum.GetMaximumLength(), 18);
    EXPECT_TRUE(
        Logged(LogLevel::Error,
               L"Error code (-11) - Failed to convert value of maximum length to integer."));
    EXPECT_EQ(maximum.LoadFromXML(log, Rule(L"<Rule type='3'/>"), nullptr), -12);
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-12) - Rule is empty."));
}
