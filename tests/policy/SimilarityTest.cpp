// The similarity measure as the rules use it, on the DLL's own code and the C
// runtime's lower-casing: what the differential test does not generate
// (absent patterns, a ratio that is not a number) and long inputs that the
// recursive definition could not finish.
#include "policy/Similarity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

const double kRatio = static_cast<double>(0.8f);

TEST(Similarity, MeetsTheEditBoundInBothDirections) {
    const struct {
        const wchar_t *a, *b;
        double ratio;
        bool lowerCase;
        double forward, backward; // Similarity(a, b), Similarity(b, a)
    } rows[] = {
        {L"password12", L"password", kRatio, false, 1.0, 0.0},       // cost 2 meets the limit 2
        {L"bcdefga", L"abcdefg", kRatio, false, 0.0, 1.0 - 1.0 / 7}, // search position kept
        {L"abcdf", L"abcde", kRatio, false, 0.0, 0.0},               // five characters: exact only
        {L"JONATHAN", L"Jonathan", kRatio, true, 1.0, 1.0},
        {L"JONATHAN", L"Jonathan", kRatio, false, 0.0, 0.0},
        {nullptr, L"", kRatio, false, 1.0, 1.0},
        {nullptr, L"a", kRatio, false, 0.0, 0.0},
        {L"xbyz", L"abcd", -3.0, false, 0.25, 0.25},
        {L"xxabcdefyy", L"abcdef", 7.5, false, 1.0, 0.0},
        {L"xbyz", L"abcd", std::numeric_limits<double>::quiet_NaN(), false, 0.25, 0.25},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Similarity(row.a, row.b, row.ratio, row.lowerCase), row.forward) << row.b;
        EXPECT_EQ(Similarity(row.b, row.a, row.ratio, row.lowerCase), row.backward) << row.b;
        EXPECT_EQ(PairSimilarity(row.a, row.b, row.ratio, row.lowerCase),
                  std::fmin(row.forward, row.backward))
            << row.b;
    }
}

// 254 and 256 characters, unrelated and nearly equal, at the ratios with the
// widest bounds: the recursive definition would branch three ways per
// differing character up to 255 deep.
TEST(Similarity, FinishesOnLongInputsAtEveryRatio) {
    std::wstring password, name;
    for (int i = 0; i < 256; ++i) {
        password.push_back(static_cast<wchar_t>(L'!' + (i * 37) % 90));
        name.push_back(static_cast<wchar_t>(L'!' + (i * 53 + 11) % 90));
    }
    password.resize(254);
    std::wstring nearName = password + L"ab";
    nearName[100] = L'~';
    for (const double ratio : {0.0, 0.5, kRatio}) {
        EXPECT_TRUE(ratio < 0.5 || PairSimilarity(password.c_str(), name.c_str(), ratio, true) == 0)
            << ratio;
        EXPECT_EQ(PairSimilarity(password.c_str(), nearName.c_str(), ratio, false), 1.0 - 3.0 / 256)
            << ratio;
    }
}

} // namespace
