// The portable check against the curated cases, construct by construct, and
// its edges: exact compile error messages and the same answers whether or not
// memoisation is active from the start.
#include "regex/CheckString.h"
#include "regex/bad_regexpr.h"
#include "regex/basic_rpattern.h"
#include "tests/regex/RegexCaseTable.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace resetra::regex;
using namespace resetra::regex::test;

namespace {

std::string Narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) {
        out.push_back(*s < 0x80 ? static_cast<char>(*s) : '?');
    }
    return out;
}

} // namespace

TEST(RegexSyntax, AnswersEveryCuratedCaseConstructByConstruct) {
    for (const CuratedGroup& g : kCuratedGroups) {
        for (const CuratedCase& c : g.cases) {
            SCOPED_TRACE(std::string(g.name) + ": /" + Narrow(c.pattern) + "/ on \"" +
                         Narrow(c.text) + "\"");
            for (const bool memoFromStart : {false, true}) {
                if (memoFromStart && c.expected < 0) {
                    continue; // a pattern that does not compile has nothing to memoise
                }
                int answer = -1;
                try {
                    basic_match_results r;
                    MatchLimits limits;
                    limits.memoFromStart = memoFromStart;
                    const MatchStatus s =
                        rpattern{std::u16string_view(c.pattern)}.match(c.text, r, limits);
                    answer = s == MatchStatus::Matched ? 1 : s == MatchStatus::NoMatch ? 0 : -1;
                } catch (const bad_regexpr&) {
                }
                EXPECT_EQ(answer, c.expected) << "memo from start: " << memoFromStart;
            }
            bool matched = true;
            EXPECT_EQ(CheckString(c.text, c.pattern, &matched), c.expected < 0 ? -1 : 0);
            EXPECT_EQ(matched, c.expected == 1);
        }
    }
}

TEST(RegexErrors, ReportEachMalformedPatternWithItsOwnMessage) {
    // clang-format off
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"(ab", "mismatched parenthesis"}, {u"ab)", "mismatched parenthesis"},
        {u"a{3,1}", "Can't do {n, m} with n > m"}, {u"+a", "quantifier not expected"},
        {u"a|?", "quantifier not expected"}, {u"\\b*", "sub-expression cannot be quantified"},
        {u"(?=a)+", "look-ahead assertion cannot be quantified"},
        {u"(?<!a)?", "look-ahead assertion cannot be quantified"},
        {u"(?R)*", "recursion sub-expression cannot be quantified"},
        {u"(a)\\2", "reference to nonexistent group"},
        {u"[b-a]", "invalid range specified in character set"},
        {u"[ab", "expecting end of character set"}, {u"ab\\c", "incomplete escape sequence \\c"},
        {u"a\\Eb", "quotemeta turned off, but was never turned on"},
        {u"(?(1)a|b|c)(x)", "Too many alternates in conditional subexpression"},
        {u"a(?#b", "Expecting end of comment"}, {u"(?Pa)", "bad extension sequence"},
        {u"(?<=a+)b", "ill-formed regular expression"},
    };
    // clang-format on
    for (const auto& [pattern, message] : cases) {
        try {
            const rpattern p{std::u16string_view(pattern)};
            ADD_FAILURE() << "compiled: " << Narrow(pattern);
        } catch (const bad_regexpr& e) {
            EXPECT_STREQ(e.what(), message) << Narrow(pattern);
        }
    }
}
