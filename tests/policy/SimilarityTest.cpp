// The similarity measure itself, on the DLL's own code: the value of each
// direction at the edit bound (the rules' verdicts are tested with the rules),
// absent strings, ratios outside [0, 1] or not a number, and long inputs that
// the recursive definition could not finish.
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
    double forward;  // Similarity(a, b)
    double backward; // Similarity(b, a)
};

TEST(Similarity, MeetsTheEditBoundInBothDirections) {
    const Case cases[] = {
        {"one replaced character of eight", L"passw0rd", L"password", kRatio, 0.875, 0.875},
        {"one appended character", L"password1", L"password", kRatio, 1.0, 1.0 - 1.0 / 9},
        {"first character moved to the end: the search position is not reset", L"bcdefga",
         L"abcdefg", kRatio, 0.0, 1.0 - 1.0 / 7},
        {"both absent", nullptr, L"", kRatio, 1.0, 1.0},
        {"one absent", nullptr, L"a", kRatio, 0.0, 0.0},
        {"ratio 0: any occurrence with fewer edits than characters", L"xbyz", L"abcd", 0.0, 0.25,
         0.25},
        {"ratio below 0 counts as 0", L"xbyz", L"abcd", -3.0, 0.25, 0.25},
        {"ratio 1: only exact occurrences", L"abcdefghij", L"abcdefghiX", 1.0, 0.0, 0.0},
        {"ratio that is not a number", L"xbyz", L"abcd", std::numeric_limits<double>::quiet_NaN(),
         0.25, 0.25},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Similarity(c.a, c.b, c.ratio, false), c.forward) << c.name;
        EXPECT_EQ(Similarity(c.b, c.a, c.ratio, false), c.backward) << c.name;
        EXPECT_EQ(PairSimilarity(c.a, c.b, c.ratio, false), std::fmin(c.forward, c.backward))
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
