// Version strings of policy documents: parsed into four decimal parts and
// compared part by part.
#include "support/CVersionParser.h"

#include <gtest/gtest.h>

TEST(VersionString, ParsesTextIntoFourDecimalParts) {
    const struct {
        const wchar_t* text;
        CVersionParser parts;
    } cases[] = {
        {L"1.8", {1, 8, -1, -1}},
        {L"1.8.0.1037", {1, 8, 0, 1037}},
        {L"10.20.30.40", {10, 20, 30, 40}},
        {L"2.x.3", {2, 0, 3, -1}}, // non-digits are 0
        {L"1.2.3.4.5.6", {1, 2, 3, 4}},
        {L" -3.+4", {-3, 4, -1, -1}},
        {L"", {-1, -1, -1, -1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CVersionParser(c.text), c.parts) << c.text;
    }
}

TEST(VersionString, ComparesPartByPartAndAbsentTextIsOlderThanEveryVersion) {
    const CVersionParser fixed(1, 8, 0, 1037);
    const std::pair<const wchar_t*, int> cases[] = {
        {L"1.7", 1},   {L"1.8.0.1037", 0}, {L"1.9", -1}, {L"1.8.0.1038", -1},
        {L"1.10", -1}, {L"", 1},           {nullptr, 1},
    };
    for (const auto& [text, order] : cases) {
        EXPECT_EQ(fixed.CompareWithString(text), order) << (text ? text : L"(null)");
    }
}
