// The verdict of each rule class on passwords at its boundaries: the length
// limits, the pattern kinds, literal and expression blacklists, similarity to
// the old password and to the user's names in the simulated domain, and the
// settings or expressions that fail the test instead of judging.
#include "PolicyTestWorld.h"

#include "policy/CRuleBlackList.h"
#include "policy/CRuleLengthMaximum.h"
#include "policy/CRuleLengthMinimum.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"

#include <tuple>
#include <vector>

class RuleVerdicts : public PolicyTest {};

TEST_F(RuleVerdicts, EachRuleJudgesThePasswordsAtItsBoundaries) {
    CRuleLengthMinimum min8(8), min2(2), min1(1), minNegative(-5), minHuge(INT32_MAX);
    CRuleLengthMaximum max18(18), max1(1), max0(0), maxNegative(-1);
    CRuleRegex repeating(CRuleRegex::kRepeatingCharacters, nullptr);
    CRuleRegex digits(CRuleRegex::kRegularExpression, L"[0-9]");
    CRuleRegex none(CRuleRegex::kRegularExpression, nullptr);
    CRuleRegex classes(CRuleRegex::kCharacterRequirements, L"^(?=.*[a-z])(?=.*[A-Z])(?=.*[0-9])");
    CRuleBlackList literal(CRuleBlackList::kLiteral, {L"Secret", L"", L"\u00c9t\u00e9"});
    CRuleBlackList patterns(CRuleBlackList::kExpressions, {L"", L"^summer", L"[0-9]{4}$"});
    CRuleBlackList broken(CRuleBlackList::kExpressions, {L"never", L"("});
    CRuleBlackList unknown(-3, {L"a"});
    CRulePasswordSimilarity like(true, 0.8f), like079(true, 0.79f), like1(true, 1.0f),
        like0(true, 0.0f), like7(true, 7.0f), off(false);
    CRuleNameSimilarity names(false, true), login(true, false);
    const wchar_t *const abc8 = L"abcdefgh", *const abc10 = L"abcdefghij";
    std::wstring longOld; // 254 characters, and nearly the same: too long for a plain recursion
    for (int i = 0; i < 254; ++i) {
        longOld.push_back(static_cast<wchar_t>(L'!' + (i * 37) % 90));
    }
    std::wstring longNew = longOld + L"ab";
    longNew[100] = L'~';
    // Per rule, the passwords it accepts and those it refuses, against `old`.
    const struct {
        CRuleBase* rule;
        std::vector<const wchar_t*> accepted, refused;
        const wchar_t* old = nullptr;
    } rows[] = {
        {&min8, {L"12345678"}, {L"1234567"}},
        {&max18, {L"123456789012345678"}, {L"1234567890123456789"}},
        {&max0, {L"", nullptr}, {}},
        {&min1, {}, {nullptr}},
        {&maxNegative, {}, {nullptr}},
        {&minNegative, {nullptr}, {}},
        {&min2, {L"\U0001F600"}, {}}, // a character outside the BMP counts 2
        {&max1, {}, {L"\U0001F600"}},
        {&minHuge, {}, {L"x"}},
        // Each kind of pattern rule has its own verdict on an empty password.
        {&repeating, {L"aabbaa", nullptr}, {L"abbbc", L"\u00e9\u00e9\u00e9"}},
        {&digits, {L"pass9word"}, {L"password", L""}},
        {&none, {L""}, {}},
        {&classes, {L"Abcdef1"}, {L"abcdef1", L""}},
        // Literal items refuse the whole password in any case of A to Z (null as the empty
        // item); expressions refuse wherever they are found.
        {&literal,
         {L"Secret1", L"my secret", L"\u00e9t\u00e9"},
         {L"sECRET", nullptr, L"\u00c9t\u00e9"}},
        {&patterns,
         {L"SUMMERtime", L"endless summer", L"2024pin", L"", nullptr},
         {L"summertime", L"pin2024"}},
        {&broken, {L""}, {}},
        // Old password: 1 - 1/8 both ways; 1.0 and 1 - 1/9; cost 2 against a limit of 2.
        {&like, {abc10}, {L"abcXefgh", L"abcdefghi"}, abc8},
        {&like, {L"bcdefga"}, {}, L"abcdefg"},     // the search position is not reset
        {&like, {L"abcdX"}, {L"abcde"}, L"abcde"}, // five or fewer characters: identical only
        {&like, {L"abXdefgYij"}, {}, abc10},       // 0.8 exactly is not within the 32-bit 0.8
        {&like079, {}, {L"abXdefgYij"}, abc10},
        {&like1, {L"abcXefgh"}, {}, abc8}, // exact occurrences only
        {&like0, {}, {L"zzzzzzzh"}, abc8}, // fewer than n edits
        {&like0, {}, {longNew.c_str()}, longOld.c_str()},
        {&like7, {L"abcXefgh"}, {}, abc8}, // clamped to 1
        {&like, {abc8}, {}, L""},          // an absent old password is never similar
        {&like, {abc8}, {}},
        {&off, {L"same"}, {}, L"same"},
        // Bob Builder's names lower-cased, found in the password (not the other way), short
        // ones identical only; the login as typed.
        {&names, {L"Builder2024", L"Xob"}, {L"BUILDER", L"bob builder"}},
        {&login, {L"BOB", L"builder"}, {L"bob"}},
    };
    for (const auto& row : rows) {
        for (const bool valid : {true, false}) {
            for (const wchar_t* password : valid ? row.accepted : row.refused) {
                bool verdict = !valid;
                EXPECT_EQ(row.rule->Test(log, verdict, user, password, false, row.old), 0)
                    << "row " << &row - rows << AllEntries();
                EXPECT_EQ(verdict, valid)
                    << "row " << &row - rows << " '" << (password ? password : L"null") << "'";
            }
        }
    }
    // An expression that does not compile, an unknown interpretation: a failure, never an
    // acceptance.
    for (const auto& [rule, password, code] :
         {std::tuple{&broken, L"abc", -1}, {&unknown, L"a", -11}, {&unknown, L"", -11}}) {
        bool verdict = true;
        EXPECT_EQ(rule->Test(log, verdict, user, password, false, nullptr), code) << code;
        EXPECT_FALSE(verdict) << code;
    }
    for (const wchar_t* line :
         {L"Error code (-1) - An error occurred while evalutating blacklist expression '('",
          L"Error code (-11) - Unknown interpretation '-3' of blacklist rule, unable to test "
          L"password."}) {
        EXPECT_TRUE(Logged(LogLevel::Error, line)) << AllEntries();
    }
}

TEST_F(RuleVerdicts, ABrokenOrRunawayExpressionFailsTheTestWhicheverWayItJudges) {
    const std::wstring runaway = std::wstring(40, L'a') + L"!";
    for (const wchar_t* expression : {L"(", L"[a-", L"a{3,1}", L"^(a|a?)+\\1$"}) {
        // Free expressions must match, repeating-character expressions must not.
        for (int32_t kind : {CRuleRegex::kRegularExpression, CRuleRegex::kRepeatingCharacters}) {
            CRuleRegex rule(kind, expression);
            bool verdict = true;
            EXPECT_EQ(rule.Test(log, verdict, user, runaway.c_str(), false, nullptr), -1)
                << kind << expression;
            EXPECT_FALSE(verdict) << kind << expression;
        }
        EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-1) - An error occurred while "
                                            L"evalutating regular expression '" +
                                                std::wstring(expression) + L"'"))
            << AllEntries();
    }
}

TEST_F(RuleVerdicts, NameRuleUsesTheDirectorysNamesAndAcceptsWhenItFails) {
    CRuleNameSimilarity rule(true, true);
    // A long first name followed by four digits: 16 letters pass, 17 are 1 - 4/21 alike.
    UseExampleWith(L"first=\"Bob\"", L"first=\"Maximilianusabcd\"");
    EXPECT_TRUE(Accepts(rule, L"Maximilianusabcd1234"));
    UseExampleWith(L"first=\"Bob\"", L"first=\"Maximilianusabcde\"");
    EXPECT_FALSE(Accepts(rule, L"Maximilianusabcde1234"));

    const wchar_t* const why = L") - An error occurred while retrieving user information, unable "
                               L"to test password for similiarities.";
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
