// The similarity rules: the old-password rule on the measure's boundaries,
// the name rule against the user's names in the simulated domain, and the
// ratio elements of both.
#include "PolicyTestWorld.h"

#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"

class SimilarityRules : public PolicyTest {};

TEST_F(SimilarityRules, OldPasswordRuleRefusesOnlyWhenEachIsFoundInTheOtherWithinTheBound) {
    const struct {
        float ratio;
        const wchar_t* oldPassword;
        const wchar_t* newPassword;
        bool valid;
    } rows[] = {
        {0.8f, L"abcdefgh", L"abcXefgh", false},      // 1 - 1/8 both ways
        {0.8f, L"abcdefgh", L"abcdefghi", false},     // 1.0 and 1 - 1/9
        {0.8f, L"abcdefgh", L"abcdefghij", true},     // cost 2 against a limit of 2
        {0.8f, L"abcdefg", L"bcdefga", true},         // the search position is not reset
        {0.8f, L"abcdefg", L"Xbcdefg", false},        // 1 - 1/7
        {0.8f, L"abcde", L"abcde", false},            // five or fewer: identical only
        {0.8f, L"abcde", L"abcdX", true},             //
        {0.8f, L"abcdefghij", L"abXdefgYij", true},   // 0.8 exactly is not within the 32-bit 0.8
        {0.79f, L"abcdefghij", L"abXdefgYij", false}, // just under: two edits are within
        {0.8f, L"abcdefghij", L"abcdefgYij", false},
        {1.0f, L"abcdefgh", L"abcXefgh", true},  // ratio 1: exact occurrences only
        {0.0f, L"abcdefgh", L"zzzzzzzh", false}, // ratio 0: fewer than n edits
        {7.0f, L"abcdefgh", L"abcXefgh", true},  // clamped to 1
        {0.8f, L"", L"abcdefgh", true},          // an empty old password is never similar
        {0.8f, nullptr, L"abcdefgh", true},
    };
    for (const auto& row : rows) {
        CRulePasswordSimilarity rule(true, row.ratio);
        EXPECT_EQ(Accepts(rule, row.newPassword, row.oldPassword), row.valid)
            << "ratio " << row.ratio << " old '" << (row.oldPassword ? row.oldPassword : L"null")
            << "' new '" << row.newPassword << "'";
    }
    CRulePasswordSimilarity off(false);
    EXPECT_TRUE(Accepts(off, L"same", L"same"));
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Password rejected, it is too similar to previous password."));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Similarity with old password = 0.875000 "));
}

TEST_F(SimilarityRules, NameRuleComparesLowerCasedNamesAndTheLoginAsTyped) {
    CRuleNameSimilarity names(false, true);
    CRuleNameSimilarity login(true, false);
    const struct {
        CRuleNameSimilarity* rule;
        const wchar_t* password;
        bool valid;
    } rows[] = {
        {&names, L"BUILDER", false},      {&names, L"bob builder", false},
        {&names, L"Builder2024", true}, // found in the password, not the other way
        {&names, L"Xob", true},         // short names: identical only
        {&names, L"Correct horse", true}, {&login, L"bob", false},
        {&login, L"BOB", true},           {&login, L"builder", true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Accepts(*row.rule, row.password), row.valid)
            << (row.rule == &names ? "names" : "login") << " '" << row.password << "'";
    }
    EXPECT_TRUE(
        Logged(LogLevel::Debug,
               L"Found the following values: \"Bob\" \"Builder\" \"Bob Builder\" \"bob\"."));
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Password rejected, it is too similar to the users name."));
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Password rejected, it is too similar to the users login."));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Testing similarities: fullname=FALSE username=TRUE"));
}

TEST_F(SimilarityRules, NameRuleFindsALongFirstNameFollowedByFourDigits) {
    UseExampleWith(L"first=\"Bob\"", L"first=\"Maximilianusabcd\"");
    CRuleNameSimilarity rule(false, true);
    EXPECT_TRUE(Accepts(rule, L"Maximilianusabcd1234")); // 16 characters
    UseExampleWith(L"first=\"Bob\"", L"first=\"Maximilianusabcde\"");
    EXPECT_FALSE(Accepts(rule, L"Maximilianusabcde1234")); // 17: 1 - 4/21
}

TEST_F(SimilarityRules, NameRuleGoesOnAfterARefusalOnlyWhenAsked) {
    CRuleNameSimilarity both(true, true);
    for (bool goOn : {false, true}) {
        handler.entries.clear();
        bool verdict = true;
        EXPECT_EQ(both.Test(log, verdict, user, L"bob", goOn, nullptr), 0);
        EXPECT_FALSE(verdict);
        EXPECT_EQ(
            Logged(LogLevel::Debug, L"Password rejected, it is too similar to the users login."),
            goOn);
    }
}

TEST_F(SimilarityRules, NameRuleAcceptsWhenTheDirectoryFailsAndLogsWhy) {
    CRuleNameSimilarity rule(true, true);
    const struct {
        CScope scope;
        const wchar_t* faultFrom;
        const wchar_t* faultTo;
        const wchar_t* error;
    } rows[] = {
        {ScopeOf(L"corp.example.com/Nobody", L"bob@corp.example.com"), nullptr, nullptr,
         L"Error code (-6) - An error occurred while retrieving user information, unable to test "
         L"password for similiarities."},
        {Bob(), L"<Domain flat=\"CORP\"", L"<Domain adsError=\"0x80072030\" flat=\"CORP\"",
         L"Error code (-7) - An error occurred while retrieving user information, unable to test "
         L"password for similiarities."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        if (row.faultFrom != nullptr) {
            UseExampleWith(row.faultFrom, row.faultTo);
        }
        user = row.scope;
        EXPECT_TRUE(Accepts(rule, L"bob"));
        EXPECT_TRUE(Logged(LogLevel::Error, row.error)) << AllEntries();
    }
    // A name without "@" gives no login name: nothing is similar to it.
    user = ScopeOf(L"corp.example.com/Sales/EMEA/Bob Builder", L"bob");
    CRuleNameSimilarity login(true, false);
    EXPECT_TRUE(Accepts(login, L"bob"));
}

TEST_F(SimilarityRules, RatioElementsSetTheirCheckAndRatioOrFallBackToTheDefaults) {
    const struct {
        const wchar_t* children;
        int32_t result;
        bool loginCheck;
        float loginRatio;
        bool fullNameCheck;
        float fullNameRatio;
        const wchar_t* error;
    } rows[] = {
        {L"<UsernameRatio Enabled='1'>0.5</UsernameRatio><FullnameRatio Enabled='0'>0.9"
         L"</FullnameRatio>",
         0, true, 0.5f, false, 0.9f, nullptr},
        {L"<UsernameRatio>0.5</UsernameRatio>", -11, false, 0.8f, false, 0.8f,
         L"Error code (-11) - Failed to extract information about username similarity, using "
         L"defaults."},
        {L"<UsernameRatio>0.5</UsernameRatio><FullnameRatio Enabled='1'>0.6</FullnameRatio>", 0,
         false, 0.8f, true, 0.6f, nullptr},
        {L"<FullnameRatio Enabled='1'>0.6</FullnameRatio><UsernameRatio>0.5</UsernameRatio>", -11,
         false, 0.8f, true, 0.6f, nullptr},
        {L"<UsernameRatio Enabled='1'>.5</UsernameRatio>", 0, true, 0.8f, false, 0.8f,
         L"Error code (-11) - Failed to convert value of similarity ratio to float."},
        {L"<UsernameRatio Enabled='on'>0.25</UsernameRatio>", 0, false, 0.25f, false, 0.8f,
         L"Error code (-11) - Failed to convert value of enabled attribute of similarity rule to "
         L"integer."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        CRuleNameSimilarity rule;
        EXPECT_EQ(
            rule.LoadFromXML(
                log, Rule(std::wstring(L"<Rule type='6'>") + row.children + L"</Rule>"), nullptr),
            row.result)
            << row.children;
        EXPECT_EQ(rule.GetLoginCheck(), row.loginCheck) << row.children;
        EXPECT_EQ(rule.GetLoginRatio(), row.loginRatio) << row.children;
        EXPECT_EQ(rule.GetFullNameCheck(), row.fullNameCheck) << row.children;
        EXPECT_EQ(rule.GetFullNameRatio(), row.fullNameRatio) << row.children;
        if (row.error != nullptr) {
            EXPECT_TRUE(Logged(LogLevel::Error, row.error)) << row.children << AllEntries();
        }
    }
    EXPECT_EQ(static_cast<double>(CRulePasswordSimilarity().GetRatio()), 0.800000011920929);
}
