// Version strings of policy documents.
#include "support/CVersionParser.h"

#include <gtest/gtest.h>

TEST(VersionString, ParsesTextIntoFourPartsAndFormatsThem) {
    const struct {
        const wchar_t* text;
        CVersionParser parts;
        const wchar_t* plain; // none: not checked
        const wchar_t* withBuild;
    } cases[] = {
        {L"1.8", {1, 8, -1, -1}, L"1.8", L"1.8"},
        {L"1.8.0.1037", {1, 8, 0, 1037}, L"1.8.0.1037", L"1.8.0 Build 1037"},
        {L"2.x.3", {2, 0, 3, -1}, nullptr, nullptr}, // non-digits are 0
        {L"1.2.3.4.5.6", {1, 2, 3, 4}, nullptr, nullptr},
        {L" -3.+4", {-3, 4, -1, -1}, nullptr, nullptr},
        {L"", {-1, -1, -1, -1}, L"", L""},
    };
    for (const auto& c : cases) {
        const CVersionParser version(c.text);
        EXPECT_EQ(version, c.parts) << c.text;
        if (c.plain != nullptr) {
            EXPECT_EQ(version.ToString(false), c.plain) << c.text;
            EXPECT_EQ(version.ToString(true), c.withBuild) << c.text;
        }
    }
    EXPECT_EQ(CVersionParser(3, 1, -1, 7).ToString(true), L"3.1 Build 7");
    EXPECT_EQ(CVersionParser(3, 1, -1, 7).ToString(false), L"3.1.7");
    EXPECT_EQ(CVersionParser(4, -1, -1, -1).ToString(), L"4");
    EXPECT_EQ(CVersionParser(-1, 2, 3, 4).ToString(), L"");
}

TEST(VersionString, ComparesPartByPartAndAbsentTextIsOlderThanEveryVersion) {
    const CVersionParser fixed(1, 8, 0, 1037);
    EXPECT_EQ(fixed.CompareWithString(L"1.7"), 1);
    EXPECT_EQ(fixed.CompareWithString(L"1.8.0.1037"), 0);
    EXPECT_EQ(fixed.CompareWithString(L"1.9"), -1);
    EXPECT_EQ(fixed.CompareWithString(L"1.8.0.1038"), -1);
    EXPECT_EQ(fixed.CompareWithString(nullptr), 1);
    EXPECT_EQ(fixed.CompareWithString(L""), 1);
}

TEST(VersionString, OnlyAPositiveMajorIsValidAndAssignmentReparses) {
    EXPECT_FALSE(CVersionParser(L"").IsValid());
    EXPECT_FALSE(CVersionParser(L"0.5").IsValid());
    EXPECT_TRUE(CVersionParser(L"1").IsValid());
    CVersionParser version(1, 2, 3, 4);
    version = L"5";
    EXPECT_EQ(version, CVersionParser(5, -1, -1, -1));
    version.Reset();
    EXPECT_NE(version, CVersionParser(5, -1, -1, -1));
}
