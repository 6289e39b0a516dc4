// The similarity measure as the rules use it, on the DLL's own code and the C
// runtime's lower-casing: the boundary cases of the edit bound at the 32-bit
// ratio 0.8, absent strings, ratios outside [0, 1], and long inputs that the
// recursive definition could not finish.
#include "policy/Similarity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

const double kRatio = static_cast<double>(0.8f);

struct Case {
    const char* name;
    const wchar_t* a;
    const wchar_t* b;
    double ratio;
    bool lowerCase;
    double forward;  // Similarity(a, b)
    double backward; // Similarity(b, a)
};

TEST(Similarity, MeetsTheEditBoundInBothDirections) {
    const Case cases[] = {
        {"one replaced character of eight", L"passw0rd", L"password", kRatio, false, 0.875, 0.875},
        {"one appended character", L"password1", L"password", kRatio, false, 1.0, 1.0 - 1.0 / 9},
        {"two appended characters: cost 2 meets the limit 2", L"password12", L"password", kRatio,
         false, 1.0, 0.0},
        {"first character moved to the end: the search position is not reset", L"bcdefga",
         L"abcdefg", kRatio, false, 0.0, 1.0 - 1.0 / 7},
        {"first character replaced", L"xbcdefg", L"abcdefg", kRatio, false, 1.0 - 1.0 / 7,
         1.0 - 1.0 / 7},
        {"five characters, one differing: only exact occurrences count", L"abcdf", L"abcde", kRatio,
         false, 0.0, 0.0},
        {"five identical characters", L"abcde", L"abcde", kRatio, false, 1.0, 1.0},
        {"capitals, lower-cased", L"JONATHAN", L"Jonathan", kRatio, true, 1.0, 1.0},
        {"capitals, compared as typed", L"JONATHAN", L"Jonathan", kRatio, false, 0.0, 0.0},
        {"sixteen-letter name and four digits", L"Maximilianusxyzw1234", L"Maximilianusxyzw",
         kRatio, true, 1.0, 0.0},
        {"seventeen-letter name and four digits", L"Maximilianusxyzwv1234", L"Maximilianusxyzwv",
         kRatio, true, 1.0, 1.0 - 4.0 / 21},
        {"both absent", nullptr, L"", kRatio, false, 1.0, 1.0},
        {"one absent", nullptr, L"a", kRatio, false, 0.0, 0.0},
        {"one empty", L"", L"secret", kRatio, false, 0.0, 0.0},
        {"ratio 0: any occurrence with fewer edits than characters", L"xbyz", L"abcd", 0.0, false,
         0.25, 0.25},
        {"ratio below 0 counts as 0", L"xbyz", L"abcd", -3.0, false, 0.25, 0.25},
        {"ratio 1: only exact occurrences", L"abcdefghij", L"abcdefghiX", 1.0, false, 0.0, 0.0},
        {"ratio above 1 counts as 1", L"xxabcdefyy", L"abcdef", 7.5, false, 1.0, 0.0},
        {"ratio that is not a number", L"xbyz", L"abcd", std::numeric_limits<double>::quiet_NaN(),
         false, 0.25, 0.25},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Similarity(c.a, c.b, c.ratio, c.lowerCase), c.forward) << c.name;
        EXPECT_EQ(Similarity(c.b, c.a, c.ratio, c.lowerCase), c.backward) << c.name;
        EXPECT_EQ(PairSimilarity(c.a, c.b, c.ratio, c.lowerCase), std::fmin(c.forward, c.backward))
            << c.name;
    }
}

// 254 and 256 characters, unrelated and nearly equal, at the ratios with the
// widest bounds: the recursive definition would branch three ways per
// differing character up to 255 deep.
TEST(Similarity, FinishesOnLongInputsAtEveryRatio) {
    std::wstring password;
    std::wstring name;
    for (int i = 0; i < 256; ++i) {
        password.push_back(static_cast<wchar_t>(L'!' + (i * 37) % 90));
        name.push_back(static_cast<wchar_t>(L'!' + (i * 53 + 11) % 90));
    }
    password.resize(254);
    std::wstring nearName = password + L"ab";
    nearName[100] = L'~';
    for (const double ratio : {0.0, 0.5, kRatio}) {
        const double unrelated = PairSimilarity(password.c_str(), name.c_str(), ratio, true);
        EXPECT_TRUE(ratio < 0.5 || unrelated == 0.0) << ratio;
        EXPECT_EQ(PairSimilarity(password.c_str(), nearName.c_str(), ratio, false), 1.0 - 3.0 / 256)
            << ratio;
    }
}

} // namespace
