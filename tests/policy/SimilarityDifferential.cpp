// Differential test of the directed similarity: the product's polynomial
// search against the literal recursive definition (SimilarityReference.h) on
// generated cases. Small alphabets and mutated copies make near-matches
// common; lengths stay where the recursion finishes. Natively it checks the
// portable core on char16_t; under Wine the DLL's own Similarity with the C
// runtime's lower-casing. Prints the case count and the time; exits 1 on the
// first disagreement, printing the case.
#include "tests/policy/SimilarityReference.h"

#ifdef _WIN32
#include "policy/Similarity.h"
#else
#include "policy/DirectedSimilarity.h"
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <random>
#include <string>

namespace {

#ifdef _WIN32
using Char = wchar_t;
#else
using Char = char16_t;
#endif
using String = std::basic_string<Char>;

// Calls of the recursive alignment after which a case is left out.
constexpr size_t kRecursionBudget = 40000;

Char Lower(Char ch) {
    return static_cast<Char>(towlower(static_cast<wint_t>(ch)));
}

#ifdef _WIN32
double ProductSimilarity(const Char* text, const Char* pattern, double ratio, bool lowerCase) {
    return Similarity(text, pattern, ratio, lowerCase);
}
double ProductPairSimilarity(const Char* a, const Char* b, double ratio, bool lowerCase) {
    return PairSimilarity(a, b, ratio, lowerCase);
}
#else
double ProductSimilarity(const Char* text, const Char* pattern, double ratio, bool lowerCase) {
    return resetra::similarity::DirectedSimilarity(text, pattern, ratio, lowerCase, Lower);
}
double ProductPairSimilarity(const Char* a, const Char* b, double ratio, bool lowerCase) {
    return resetra::similarity::PairSimilarity(a, b, ratio, lowerCase, Lower);
}
#endif

// Upper- and lower-case letters (one pair outside ASCII), so that lower-casing
// changes which characters are equal.
constexpr Char kLetters[] = {u'a', u'b', u'A', u'B', u'c', 0x00C4, 0x00E4, u'1'};

class CaseGenerator {
public:
    explicit CaseGenerator(uint64_t seed) : m_random(seed) {}

    size_t Uniform(size_t low, size_t high) {
        return low + static_cast<size_t>(m_random() % (high - low + 1));
    }

    String RandomString(size_t length, size_t alphabet) {
        String s;
        for (size_t i = 0; i < length; ++i) {
            s.push_back(kLetters[Uniform(0, alphabet - 1)]);
        }
        return s;
    }

    // A copy of `s` with a few replacements, insertions and deletions.
    String Mutate(String s, size_t edits, size_t alphabet) {
        for (size_t e = 0; e < edits; ++e) {
            const size_t at = Uniform(0, s.size());
            const Char ch = kLetters[Uniform(0, alphabet - 1)];
            switch (Uniform(0, 2)) {
            case 0:
                if (at < s.size()) {
                    s[at] = ch;
                }
                break;
            case 1:
                s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), ch);
                break;
            default:
                if (at < s.size()) {
                    s.erase(at, 1);
                }
                break;
            }
        }
        return s;
    }

    // The ratio and the longest pattern for which the recursion stays fast:
    // the edit limit, not the length, drives its cost.
    void RatioAndLength(double& ratio, size_t& maxPattern) {
        switch (Uniform(0, 6)) {
        case 0:
            ratio = 0.0;
            maxPattern = 7;
            break;
        case 1:
            ratio = 0.5;
            maxPattern = 13;
            break;
        case 2:
            ratio = static_cast<double>(0.8f);
            maxPattern = 32;
            break;
        case 3:
            ratio = 1.0;
            maxPattern = 200;
            break;
        case 4: // long patterns over several machine words, a tight bound
            ratio = 0.96 + static_cast<double>(Uniform(0, 400)) / 10000.0;
            maxPattern = 170;
            break;
        case 5: // long patterns, a wide bound: several blocks active at once
            ratio = static_cast<double>(Uniform(0, 9000)) / 10000.0;
            maxPattern = 200;
            break;
        default: // anywhere, including outside [0, 1]
            ratio = -0.2 + static_cast<double>(Uniform(0, 14000)) / 10000.0;
            maxPattern = ratio >= 0.8 ? 30 : (ratio >= 0.5 ? 13 : 7);
            break;
        }
    }

private:
    std::mt19937_64 m_random;
};

std::string Show(const String& s) {
    std::string out = "\"";
    for (const Char ch : s) {
        char buffer[16];
        if (ch >= 0x20 && ch < 0x7F) {
            buffer[0] = static_cast<char>(ch);
            buffer[1] = 0;
        } else {
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(ch));
        }
        out += buffer;
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    uint64_t seed = 20261207;
    size_t count = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0) {
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (std::strcmp(argv[i], "--count") == 0) {
            count = std::strtoull(argv[i + 1], nullptr, 10);
        }
    }
    CaseGenerator generator(seed);
    const auto start = std::chrono::steady_clock::now();
    size_t compared = 0;
    size_t similar = 0;
    size_t skipped = 0;
    size_t pairs = 0;
    for (size_t i = 0; compared < count; ++i) {
        double ratio = 0;
        size_t maxPattern = 0;
        generator.RatioAndLength(ratio, maxPattern);
        const bool lowerCase = generator.Uniform(0, 1) == 1;
        const size_t alphabet = generator.Uniform(1, lowerCase ? 8 : 4);
        const String pattern = generator.RandomString(generator.Uniform(0, maxPattern), alphabet);
        String text;
        switch (generator.Uniform(0, 4)) {
        case 0:
            text = generator.RandomString(generator.Uniform(0, maxPattern + 8), alphabet);
            break;
        case 4: // a changed pattern first, then a long tail: the recursion
                // meets the near-match first and stays cheap after it
            text = generator.Mutate(pattern, generator.Uniform(0, 4), alphabet) +
                   generator.RandomString(generator.Uniform(0, 2 * maxPattern), alphabet);
            break;
        case 1: // the pattern, a little changed
            text = generator.Mutate(pattern, generator.Uniform(0, 4), alphabet);
            break;
        default: // a changed pattern inside other text
            text = generator.RandomString(generator.Uniform(0, 6), alphabet) +
                   generator.Mutate(pattern, generator.Uniform(0, 4), alphabet) +
                   generator.RandomString(generator.Uniform(0, 6), alphabet);
            break;
        }
        const bool nullText = generator.Uniform(0, 200) == 0;
        const Char* t = nullText ? nullptr : text.c_str();
        double expected = 0;
        try {
            expected = resetra::test::ReferenceSimilarity(t, pattern.c_str(), ratio, lowerCase,
                                                          Lower, kRecursionBudget);
        } catch (const resetra::test::RecursionBudgetExhausted&) {
            ++skipped;
            continue;
        }
        const double actual = ProductSimilarity(t, pattern.c_str(), ratio, lowerCase);
        if (expected != actual) {
            std::printf("case %zu disagrees: text %s pattern %s ratio %.17g lowerCase %d: "
                        "recursion %.17g, product %.17g\n",
                        i, nullText ? "null" : Show(text).c_str(), Show(pattern).c_str(), ratio,
                        lowerCase ? 1 : 0, expected, actual);
            return 1;
        }
        // The pair, where the recursion finishes in the other direction too.
        try {
            const double pair = std::fmin(
                expected, resetra::test::ReferenceSimilarity(pattern.c_str(), t, ratio, lowerCase,
                                                             Lower, kRecursionBudget / 4));
            const double actualPair = ProductPairSimilarity(t, pattern.c_str(), ratio, lowerCase);
            if (pair != actualPair) {
                std::printf("case %zu: pair disagrees: %s and %s ratio %.17g lowerCase %d: "
                            "recursion %.17g, product %.17g\n",
                            i, nullText ? "null" : Show(text).c_str(), Show(pattern).c_str(), ratio,
                            lowerCase ? 1 : 0, pair, actualPair);
                return 1;
            }
            ++pairs;
        } catch (const resetra::test::RecursionBudgetExhausted&) {
        }
        ++compared;
        similar += expected != 0.0 ? 1 : 0;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu cases agree (%zu similar, %zu not; %zu left out where the recursion "
                "exceeded %zu calls; %zu also as pairs), seed %llu, %.2f s\n",
                compared, similar, compared - similar, skipped, kRecursionBudget, pairs,
                static_cast<unsigned long long>(seed), seconds);
    return 0;
}
