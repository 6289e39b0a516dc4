// Bounds of the engine under hostile input: deep nesting, huge subjects and
// catastrophic patterns must end with an answer or -1, never with a crash,
// and the classic catastrophic patterns must get the right answer.
#include "regex/CheckString.h"
#include "regex/basic_rpattern.h"

#include <gtest/gtest.h>

#include <string>

using namespace resetra::regex;

namespace {

int Check(const std::u16string& text, const std::u16string& pattern) {
    bool matched = false;
    const std::int32_t rc = CheckString(text, pattern, &matched);
    return rc != 0 ? -1 : matched ? 1 : 0;
}

} // namespace

TEST(RegexBounds, CompilesAndMatchesAPatternNestedOneHundredThousandDeep) {
    const std::size_t depth = 100000;
    const std::u16string capturing =
        std::u16string(depth, u'(') + u"a" + std::u16string(depth, u')');
    EXPECT_EQ(Check(u"xa", capturing), 1);
    std::u16string mixed;
    std::u16string quantified;
    for (std::size_t i = 0; i < depth; ++i) {
        mixed += i % 3 == 0 ? u"(?:" : i % 3 == 1 ? u"(?>" : u"(?=";
        quantified += u"(?:";
    }
    mixed += u"a" + std::u16string(depth, u')');
    quantified += u"a";
    for (std::size_t i = 0; i < depth; ++i) {
        quantified += u")*";
    }
    EXPECT_EQ(Check(u"ba", mixed), 1);
    EXPECT_NE(Check(u"aab", quantified), 0);
}

TEST(RegexBounds, RejectsADeepUnbalancedPattern) {
    EXPECT_EQ(Check(u"a", std::u16string(100000, u'(') + u"a"), -1);
    EXPECT_EQ(Check(u"a", std::u16string(100000, u'[')), -1);
}

TEST(RegexBounds, SearchesATenMebibyteSubject) {
    std::u16string text(10u << 20, u'a');
    EXPECT_EQ(Check(text, u"b"), 0);
    EXPECT_EQ(Check(text, u"a*b"), 0);
    EXPECT_EQ(Check(text, u"^(?:a|b)*$"), 1);
    EXPECT_EQ(Check(text, u"\\d+x"), 0);
    text.back() = u'!';
    EXPECT_EQ(Check(text, u"a!$"), 1);
    EXPECT_EQ(Check(text, u"(a)\\1!"), 1);
    // One backtracking entry per iteration exceeds the memory bound: a clean -1.
    EXPECT_EQ(Check(text, u"^(?:aa|a)*!"), -1);
}

TEST(RegexBounds, AnswersTheClassicCatastrophicPatternsCorrectly) {
    for (std::size_t n : {30u, 300u, 5000u}) {
        SCOPED_TRACE(n);
        const std::u16string as(n, u'a');
        EXPECT_EQ(Check(as + u"!", u"(a+)+$"), 0);
        EXPECT_EQ(Check(as, u"(a+)+$"), 1);
        EXPECT_EQ(Check(as, u"(a|aa)+b"), 0);
        EXPECT_EQ(Check(as + u"b", u"(a|aa)+b"), 1);
        EXPECT_EQ(Check(std::u16string(n, u'x'), u"(x+x+)+y"), 0);
        EXPECT_EQ(Check(std::u16string(n, u'x') + u"y", u"(x+x+)+y"), 1);
        EXPECT_EQ(Check(std::u16string(n, u'a'), u".*.*=.*"), 0);
        EXPECT_EQ(Check(std::u16string(n, u'a') + u"=", u".*.*=.*"), 1);
        EXPECT_EQ(Check(as + u"!", u"^(a|a?)+$"), 0);
        EXPECT_EQ(Check(as + u"!", u"(?:a*)*b"), 0);
        // A unit every match needs is missing, whatever the back-reference or
        // look-ahead before it would try.
        EXPECT_EQ(Check(as, u"(a*)*\\1b"), 0);
        EXPECT_EQ(Check(as + u"!", u"(?=(a+)+$)x"), 0);
        EXPECT_EQ(Check(std::u16string(n, u'y'), u"(.*)*x"), 0);
    }
}

TEST(RegexBounds, GivesUpWithMinusOneWhenTheBudgetRunsOutOrTheRecursionIsEndless) {
    // Group 1 is read after the loop, so nothing inside it can be memoised:
    // exponential here as in PCRE2, which gives up too.
    bool matched = true;
    EXPECT_EQ(CheckString(std::u16string(40, u'a') + u"!", u"^(a|a?)+\\1$", &matched), -1);
    EXPECT_FALSE(matched);
    EXPECT_EQ(Check(u"aaa", u"(?:(?R))b|a"), -1);
}
