// Version strings of policy documents.
#include "support/CVersionParser.h"

#include <gtest/gtest.h>

TEST(VersionString, ParsesTwoPartsAndFormatsThem) {
    CVersionParser version(L"1.8");
    EXPECT_EQ(version.Major(), 1);
    EXPECT_EQ(version.Minor(), 8);
    EXPECT_EQ(version.Release(), -1);
    EXPECT_EQ(version.Build(), -1);
    EXPECT_EQ(version.ToString(), L"1.8");
    EXPECT_EQ(version.ToString(false), L"1.8");
}

TEST(VersionString, FormatsFourPartsWithAndWithoutBuildWord) {
    CVersionParser version(L"1.8.0.1037");
    EXPECT_EQ(version.ToString(true), L"1.8.0 Build 1037");
    EXPECT_EQ(version.ToString(false), L"1.8.0.1037");
    EXPECT_EQ(CVersionParser(3, 1, -1, 7).ToString(true), L"3.1 Build 7");
    EXPECT_EQ(CVersionParser(3, 1, -1, 7).ToString(false), L"3.1.7");
    EXPECT_EQ(CVersionParser(4, -1, -1, -1).ToString(), L"4");
    EXPECT_EQ(CVersionParser(-1, 2, 3, 4).ToString(), L"");
}

TEST(VersionString, NonDigitsConvertToZeroAndExtraPartsAreIgnored) {
    CVersionParser version(L"2.x.3");
    EXPECT_EQ(version, CVersionParser(2, 0, 3, -1));
    EXPECT_EQ(CVersionParser(L"1.2.3.4.5.6"), CVersionParser(1, 2, 3, 4));
    EXPECT_EQ(CVersionParser(L" -3.+4"), CVersionParser(-3, 4, -1, -1));
}

TEST(VersionString, ComparesPartByPart) {
    const CVersionParser fixed(1, 8, 0, 1037);
    EXPECT_EQ(fixed.CompareWithString(L"1.7"), 1);
    EXPECT_EQ(fixed.CompareWithString(L"1.8.0.1037"), 0);
    EXPECT_EQ(fixed.CompareWithString(L"1.9"), -1);
    EXPECT_EQ(fixed.CompareWithString(L"1.8.0.1038"), -1);
}

TEST(VersionString, AbsentOrEmptyTextIsOlderThanEveryVersion) {
    const CVersionParser fixed(1, 8, 0, 1037);
    EXPECT_EQ(fixed.CompareWithString(nullptr), 1);
    EXPECT_EQ(fixed.CompareWithString(L""), 1);
    CVersionParser none(L"");
    EXPECT_EQ(none, CVersionParser(-1, -1, -1, -1));
    EXPECT_FALSE(none.IsValid());
}

TEST(VersionString, MajorMustBePositiveToBeValid) {
    EXPECT_FALSE(CVersionParser(L"0.5").IsValid());
    EXPECT_TRUE(CVersionParser(L"1").IsValid());
}

TEST(VersionString, AssignmentFromTextReparses) {
    CVersionParser version(1, 2, 3, 4);
    version = L"5";
    EXPECT_EQ(version, CVersionParser(5, -1, -1, -1));
    version.Reset();
    EXPECT_NE(version, CVersionParser(5, -1, -1, -1));
}
