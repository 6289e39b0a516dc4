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
        {0.8f, L"abcde", L"abcde", false},            // five or fewer: identical only
        {0.8f, L"abcde", L"abcdX", true},             //
        {0.8f, L"abcdefghij", L"abXdefgYij", true},   // 0.8 exactly is not within the 32-bit 0.8
        {0.79f, L"abcdefghij", L"abXdefgYij", false}, // just under: two edits are within
        {1.0f, L"abcdefgh", L"abcXefgh", true},       // ratio 1: exact occurrences only
        {0.0f, L"abcdefgh", L"zzzzzzzh", false},      // ratio 0: fewer than n edits
        {7.0f, L"abcdefgh", L"abcXefgh", true},       // clamped to 1
        {0.8f, L"", L"abcdefgh", true},               // an empty old password is never similar
        {0.8f, nullptr, L"abcdefgh", true},
    };
    for (const auto& row : rows) {
        CRulePasswordSimilarity rule(true, row.ratio);
        EXPECT_EQ(Accepts(rule, row.newPassword, row.oldPassword), row.valid)
            << row.ratio << " '" << row.newPassword << "'";
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
        {&names, L"BUILDER", false},    {&names, L"bob builder", false},
        {&names, L"Builder2024", true}, // found in the password, not the other way
        {&names, L"Xob", true},         // short names: identical only
        {&login, L"bob", false},        {&login, L"BOB", true},
        {&login, L"builder", true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Accepts(*row.rule, row.password), row.valid)
            << (row.rule == &names) << " '" << row.password << "'";
    }
    EXPECT_TRUE(
        Logged(LogLevel::Debug,
               L"Found the following values: \"Bob\" \"Builder\" \"Bob Builder\" \"bob\"."));
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Password rejected, it is too similar to the users name."));
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Testing similarities: fullname=FALSE username=TRUE"));
    // A long first name followed by four digits: 16 letters pass, 17 are 1 - 4/21 alike.
    UseExampleWith(L"first=\"Bob\"", L"first=\"Maximilianusabcd\"");
    EXPECT_TRUE(Accepts(names, L"Maximilianusabcd1234"));
    UseExampleWith(L"first=\"Bob\"", L"first=\"Maximilianusabcde\"");
    EXPECT_FALSE(Accepts(names, L"Maximilianusabcde1234"));
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
    const wchar_t* const why = L") - An error occurred while retrieving user information, unable "
                               L"to test password for similiarities.";
    CRuleNameSimilarity rule(true, true);
    user = ScopeOf(L"corp.example.com/Nobody", L"bob@corp.example.com");
    EXPECT_TRUE(Accepts(rule, L"bob"));
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-6" + std::wstring(why))) << AllEntries();
    UseExampleWith(L"<Domain flat=\"CORP\"", L"<Domain adsError=\"0x80072030\" flat=\"CORP\"");
    user = ScopeOf(L"corp.example.com/Sales/EMEA/Bob Builder", L"bob@corp.example.com");
    EXPECT_TRUE(Accepts(rule, L"bob"));
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-7" + std::wstring(why))) << AllEntries();
    // A name without "@" gives no login name: nothing is similar to it.
    UseFixture(ExampleFixtureText());
    user = ScopeOf(L"corp.example.com/Sales/EMEA/Bob Builder", L"bob");
    CRuleNameSimilarity login(true, false);
    EXPECT_TRUE(Accepts(login, L"bob"));
}
