// Curated cases of the Perl dialect grouped by construct: pattern, text and
// the answer of the check (1 matched, 0 not matched, -1 failed). Shared by the
// native tests of the engine and the Wine tests of the exported function.
#pragma once

#include <span>

namespace resetra::regex::test {

struct CuratedCase {
    const char16_t* pattern;
    const char16_t* text;
    int expected;
};

struct CuratedGroup {
    const char* name;
    std::span<const CuratedCase> cases;
};

// clang-format off
inline constexpr CuratedCase kLiterals[] = {
    {u"abc", u"xxabcxx", 1}, {u"^abc$", u"xxabcxx", 0}, {u"ABC", u"abc", 0}, {u"a\\.c", u"abc", 0},
    {u"a\\.c", u"a.c", 1}, {u"", u"anything", 1}, {u"", u"", 1}, {u"x", u"", 0},
    {u"a\\+b", u"a+b", 1}, {u"\\ufoo", u"x", -1}, {u"\\y", u"y", 1},
    {u"caf\u00e9", u"un caf\u00e9", 1}, {u"^$", u"\n", 1}, {u"b]}", u"ab]}", 1},
};
inline constexpr CuratedCase kEscapes[] = {
    {u"\\t", u"a\tb", 1}, {u"\\n", u"a\nb", 1}, {u"\\r\\n", u"a\r\n", 1}, {u"\\x41", u"A", 1},
    {u"\\x{263A}", u"\u263A", 1}, {u"\\cA", u"\u0001", 1}, {u"\\ca", u"\u0001", 1},
    {u"\\e", u"\u001b", 1}, {u"\\0", u"\u0000x", 0}, {u"\\101", u"A", 1}, {u"\\o{101}", u"A", 1},
    {u"\\x{110000}", u"A", -1}, {u"a\\", u"a", -1},
};
inline constexpr CuratedCase kQuote[] = {
    {u"x\\Q.*\\Ey", u"x.*y", 1}, {u"x\\Q.*\\Ey", u"xaay", 0}, {u"\\Q(a", u"(a", 1},
    {u"\\Qab\\E+", u"abbb", 1}, {u"a\\E", u"a", -1},
};
inline constexpr CuratedCase kSets[] = {
    {u"[a-c]", u"xbx", 1}, {u"[^a-c]", u"abc", 0}, {u"[]a]", u"]", 1}, {u"[^]a]", u"]a", 0},
    {u"[a-]", u"-", 1}, {u"[\\w-z]", u"-", 1}, {u"[[:alpha:]]+\\d", u"abc1", 1},
    {u"[[:^alpha:]]", u"abc", 0}, {u"[[:digit:][:upper:]]", u"aB", 1}, {u"[[:punct:]]", u"a!", 1},
    {u"[[:space:]]", u"a\u000bb", 1}, {u"[[:xdigit:]]{2}", u"fg", 0}, {u"[[:blank:]]", u"\t", 1},
    {u"[[:cntrl:]]", u"\u007f", 1}, {u"[[:foo:]]", u"a", -1}, {u"[\\d\\s]", u"x y", 1},
    {u"[\\b]", u"\b", 1}, {u"[\u00e0-\u00ff]", u"\u00e9", 1}, {u"(?i)[^a]", u"A", 0},
    {u"(?i)[[:upper:]]", u"q", 1},
};
inline constexpr CuratedCase kClasses[] = {
    {u"\\d", u"x5", 1}, {u"\\D", u"55", 0}, {u"\\w+", u"__", 1}, {u"\\W", u"abc_9", 0},
    {u"\\s", u"a\tb", 1}, {u"\\S", u"  \n", 0}, {u"\\bfoo\\b", u"a foo b", 1},
    {u"\\bfoo\\b", u"afoob", 0}, {u"\\Boo\\B", u"afoob", 1}, {u"\\w", u"\u00e9", 0},
    {u".", u"\n", 0}, {u"(?s).", u"\n", 1}, {u"a.c", u"a\u263Ac", 1}, {u"\\h", u"\u00a0", 1},
};
inline constexpr CuratedCase kAnchors[] = {
    {u"^a", u"ba", 0}, {u"a$", u"a\n", 1}, {u"a$", u"a\n\n", 0}, {u"a\\Z", u"a\n", 1},
    {u"a\\z", u"a\n", 0}, {u"\\Aa", u"ba", 0}, {u"(?m)^b", u"a\nb", 1}, {u"(?m)a$", u"a\nb", 1},
    {u"(?m)^", u"a\n", 1}, {u"$", u"", 1}, {u"^*", u"a", -1}, {u"(?:^)*a", u"a", 1},
};
inline constexpr CuratedCase kQuantifiers[] = {
    {u"ab*c", u"ac", 1}, {u"ab+c", u"ac", 0}, {u"ab?c", u"abbc", 0}, {u"a{3}", u"aa", 0},
    {u"a{2,}", u"aaa", 1}, {u"^a{1,2}$", u"aaa", 0}, {u"^a{,2}$", u"aa", 1}, {u"a{ 2 }", u"aa", 1},
    {u"a{x}", u"a{x}", 1}, {u"{2}", u"{2}", 1}, {u"^a*?b", u"aab", 1}, {u"^(a+?)b", u"aab", 1},
    {u"^a++a", u"aaa", 0}, {u"^(?:ab){2}$", u"abab", 1}, {u"a**", u"a", -1},
    {u"a{2}{3}", u"aaaaaa", -1}, {u"(*)", u"a", -1}, {u"a{65535}", u"a", -1},
    {u"^(a?){3}$", u"a", 1}, {u"^(a|)*$", u"aaa", 1}, {u"^(?:a*)+b", u"aab", 1},
};
inline constexpr CuratedCase kGroups[] = {
    {u"(a)(b)\\2\\1", u"abba", 1}, {u"(a)\\1", u"ab", 0}, {u"(a)|b\\1", u"b", 0},
    {u"(?i)(a)\\1", u"aA", 1}, {u"\\2(a)", u"a", -1}, {u"(a)\\10", u"a\b", 1},
    {u"(?:a|b)+c", u"abac", 1}, {u"^(a(b)?)+$", u"aba", 1}, {u"(?#comment)a", u"a", 1},
    {u"a(?#x)*", u"aaa", 1}, {u"(?x) a b # note", u"ab", 1}, {u"(?x)a\\ b", u"a b", 1},
    {u"(?i:A)b", u"aB", 0}, {u"(?i)a(?-i)b", u"AB", 0}, {u"(?Y)", u"a", -1},
    {u"(?<name>a)", u"a", -1}, {u"x()y", u"xy", 1}, {u"x(?:)(|)y", u"xy", 1},
    {u"(a)\\1{2,}", u"aa", 0}, {u"(ab)\\1*?c", u"ababc", 1}, {u"(a)?\\1*b", u"b", 1},
    {u"(a)?\\1+b", u"b", 0}, {u"(?i)(a)\\1{2}", u"aAa", 1}, {u"^(ab)\\1{1,2}?$", u"ababab", 1},
};
inline constexpr CuratedCase kLookaround[] = {
    {u"a(?=b)", u"ac ab", 1}, {u"a(?!b)", u"ab", 0}, {u"(?<=a)b", u"ab", 1}, {u"(?<!a)b", u"ab", 0},
    {u"(?<=ab|c)d", u"cd", 1}, {u"(?<=a{2})b", u"aab", 1}, {u"(?<=a*)b", u"ab", -1},
    {u"(?<=(a)\\1)b", u"aab", -1}, {u"(?!a)+b", u"b", -1}, {u"(?=(a))\\1b", u"ab", 1},
    {u"^(?!.*password).*$", u"my password", 0}, {u"(?<=\\d{3})x", u"12x", 0},
    {u"(?:(?=a))*a", u"a", 1},
};
inline constexpr CuratedCase kAtomicAndConditional[] = {
    {u"(?>a*)a", u"aaa", 0}, {u"(?>a|ab)c", u"abc", 0}, {u"(a)?(?(1)b|c)", u"c", 1},
    {u"^(a)?(?(1)b|c)$", u"ab", 1}, {u"^(a)?(?(1)b|c)$", u"ac", 0}, {u"^(?(?=a)ab|cd)$", u"cd", 1},
    {u"^(?(?!a)cd|ab)$", u"ab", 1}, {u"^(?(?<=x)a|b)", u"b", 1}, {u"(?(2)a|b)(x)", u"bx", 1},
    {u"(?(0)a)", u"a", -1}, {u"(?(x)a)", u"a", -1},
};
inline constexpr CuratedCase kRecursion[] = {
    {u"a(?:(?R)|c)b", u"xaacbbx", 1}, {u"a(?:(?R)|c)b", u"aab", 0}, {u"a(?R)?b", u"ab", -1},
    {u"(?R)", u"a", -1}, {u"\\((?:[^()]|(?R))*\\)", u"(a(b)c)", 1},
    {u"\\((?:[^()]|(?R))*\\)", u")(", 0},
    {u"^(a(?:(?R))?b)$", u"aabb", 0}, // the recursion re-enters ^ as well
};
inline constexpr CuratedCase kRules[] = {
    {u".*(.)\\1{2,}.*", u"abccc", 1}, {u".*(.)\\1{2,}.*", u"aabbcc", 0},
    {u".*(.)\\1{2,}.*", u"", 0}, {u"[0123456789]", u"secret", 0}, {u"[0123456789]", u"s3cret", 1},
    {u"^(?=.*[A-Z])(?=.*[a-z])(?=.*\\d)(?=.*[^A-Za-z0-9]).{8,}$", u"Passw0rd!", 1},
    {u"^(?=.*[A-Z])(?=.*[a-z])(?=.*\\d)(?=.*[^A-Za-z0-9]).{8,}$", u"Password1", 0},
    {u"^summer", u"summer2024", 1}, {u"^summer", u"mysummer", 0},
};
// Units a match needs, absent from the text or only where the search cannot
// see them early, and memoisation across captures that are or are not read later.
inline constexpr CuratedCase kRequiredUnits[] = {
    {u"(a*)*\\1b", u"aaaa", 0}, {u"(a*)*\\1b", u"aab", 1}, {u"(?=.*b)a", u"ab", 1},
    {u"(?=.*b)a", u"a", 0}, {u"(?!b)a", u"a", 1}, {u"(?<=b)a", u"ba", 1}, {u"(?:b|c)?a", u"a", 1},
    {u"(a)?(?(1)b|c)x", u"cx", 1}, {u"(?(?=a)ab|c)", u"c", 1}, {u"(?i)(x+)+\\1B", u"XXb", 1},
    {u"(\\w+)+\\1@", u"abab!", 0}, {u"([a-c]|\\d)+x", u"a1x", 1}, {u"((.+)\\2)+@", u"yy!yy@", 1},
    {u"^(?:(a)|b)*\\1$", u"aba", 1}, {u"^(?:(a)|b)*\\1$", u"abb", 0}, {u"a{2,1}", u"aa", -1},
};
inline constexpr CuratedGroup kCuratedGroups[] = {
    {"literals", kLiterals}, {"escapes", kEscapes}, {"quote", kQuote}, {"sets", kSets},
    {"classes", kClasses}, {"anchors", kAnchors}, {"quantifiers", kQuantifiers},
    {"groups", kGroups}, {"look-around", kLookaround}, {"recursion", kRecursion},
    {"atomic and conditional", kAtomicAndConditional}, {"rules", kRules},
    {"required units", kRequiredUnits},
};
// clang-format on

} // namespace resetra::regex::test
