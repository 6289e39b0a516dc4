// Differential test of the directed similarity against its literal recursive
// definition (SimilarityReference.h) on generated near-matches and absent
// texts: natively the portable core, under Wine the DLL's own Similarity.
// Prints the case count and the time; exits 1 on the first disagreement.
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
using resetra::test::RecursionBudgetExhausted;

// Calls of the recursive alignment after which a case is left out.
constexpr size_t kRecursionBudget = 40000;

Char Lower(Char ch) {
    return static_cast<Char>(towlower(static_cast<wint_t>(ch)));
}

double Reference(const Char* text, const Char* pattern, double ratio, bool lowerCase,
                 size_t budget) {
    return resetra::test::ReferenceSimilarity(text, pattern, ratio, lowerCase, Lower, budget);
}

double Product(const Char* text, const Char* pattern, double ratio, bool lowerCase, bool pair) {
#ifdef _WIN32
    return (pair ? PairSimilarity : Similarity)(text, pattern, ratio, lowerCase);
#else
    return pair ? resetra::similarity::PairSimilarity(text, pattern, ratio, lowerCase, Lower)
                : resetra::similarity::DirectedSimilarity(text, pattern, ratio, lowerCase, Lower);
#endif
}

// Upper- and lower-case letters (one pair outside ASCII), so that lower-casing
// changes which characters are equal.
constexpr Char kLetters[] = {u'a', u'b', u'A', u'B', u'c', 0x00C4, 0x00E4, u'1'};

std::mt19937_64 g_random;

size_t Uniform(size_t low, size_t high) {
    return low + static_cast<size_t>(g_random() % (high - low + 1));
}

String RandomString(size_t length, size_t alphabet) {
    String s;
    while (s.size() < length) {
        s.push_back(kLetters[Uniform(0, alphabet - 1)]);
    }
    return s;
}

// A copy of `s` with a few replacements, insertions and deletions.
String Mutate(String s, size_t alphabet) {
    for (size_t e = Uniform(0, 4); e > 0; --e) {
        const size_t at = Uniform(0, s.size());
        const Char ch = kLetters[Uniform(0, alphabet - 1)];
        const size_t kind = Uniform(0, 2);
        if (kind == 1) {
            s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), ch);
        } else if (at < s.size()) {
            kind == 0 ? void(s[at] = ch) : void(s.erase(at, 1));
        }
    }
    return s;
}

// The ratio and the longest pattern for which the recursion stays fast: the
// edit limit, not the length, drives its cost. Long patterns over several
// machine words with tight and wide bounds; any ratio, including outside [0, 1].
void RatioAndLength(double& ratio, size_t& maxPattern) {
    const double anywhere = -0.2 + static_cast<double>(Uniform(0, 14000)) / 10000.0;
    const struct {
        double ratio;
        size_t maxPattern;
    } kinds[] = {{0.0, 7},
                 {0.5, 13},
                 {static_cast<double>(0.8f), 32},
                 {1.0, 200},
                 {0.96 + static_cast<double>(Uniform(0, 400)) / 10000.0, 170},
                 {static_cast<double>(Uniform(0, 9000)) / 10000.0, 200},
                 {anywhere, anywhere >= 0.8 ? 30u : (anywhere >= 0.5 ? 13u : 7u)}};
    const auto& kind = kinds[Uniform(0, 6)];
    ratio = kind.ratio;
    maxPattern = kind.maxPattern;
}

bool Disagrees(size_t i, const char* what, const Char* text, const Char* pattern, double ratio,
               bool lowerCase, double expected, double actual) {
    if (expected == actual) {
        return false;
    }
    std::printf("case %zu: %s disagrees at ratio %.17g lowerCase %d: recursion %.17g, product "
                "%.17g\n",
                i, what, ratio, lowerCase, expected, actual);
    for (const Char* s : {text, pattern}) {
        for (; s != nullptr && *s != 0; ++s) {
            std::printf("%04X ", static_cast<unsigned>(*s));
        }
        std::printf(s == nullptr ? "(null)\n" : "\n");
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    uint64_t seed = 20261207;
    size_t count = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        (std::strcmp(argv[i], "--seed") == 0 ? seed : count) =
            std::strtoull(argv[i + 1], nullptr, 10);
    }
    g_random.seed(seed);
    const auto start = std::chrono::steady_clock::now();
    size_t compared = 0, similar = 0, skipped = 0, pairs = 0;
    for (size_t i = 0; compared < count; ++i) {
        double ratio = 0;
        size_t maxPattern = 0;
        RatioAndLength(ratio, maxPattern);
        const bool lowerCase = Uniform(0, 1) == 1;
        const size_t alphabet = Uniform(1, lowerCase ? 8 : 4);
        const String pattern = RandomString(Uniform(0, maxPattern), alphabet);
        String text;
        switch (Uniform(0, 4)) {
        case 0:
            text = RandomString(Uniform(0, maxPattern + 8), alphabet);
            break;
        case 1: // the pattern, a little changed
            text = Mutate(pattern, alphabet);
            break;
        case 4: // a changed pattern first, then a long tail the recursion passes cheaply
            text = Mutate(pattern, alphabet) + RandomString(Uniform(0, 2 * maxPattern), alphabet);
            break;
        default: // a changed pattern inside other text
            text = RandomString(Uniform(0, 6), alphabet) + Mutate(pattern, alphabet) +
                   RandomString(Uniform(0, 6), alphabet);
            break;
        }
        const Char* t = Uniform(0, 200) == 0 ? nullptr : text.c_str();
        double expected = 0;
        try {
            expected = Reference(t, pattern.c_str(), ratio, lowerCase, kRecursionBudget);
        } catch (const RecursionBudgetExhausted&) {
            ++skipped;
            continue;
        }
        if (Disagrees(i, "directed", t, pattern.c_str(), ratio, lowerCase, expected,
                      Product(t, pattern.c_str(), ratio, lowerCase, false))) {
            return 1;
        }
        // The pair, where the recursion finishes in the other direction too.
        try {
            const double pair = std::fmin(
                expected, Reference(pattern.c_str(), t, ratio, lowerCase, kRecursionBudget / 4));
            if (Disagrees(i, "pair", t, pattern.c_str(), ratio, lowerCase, pair,
                          Product(t, pattern.c_str(), ratio, lowerCase, true))) {
                return 1;
            }
            ++pairs;
        } catch (const RecursionBudgetExhausted&) {
        }
        ++compared;
        similar += expected != 0.0 ? 1 : 0;
    }
    std::printf("%zu cases agree (%zu similar; %zu left out where the recursion exceeded %zu "
                "calls; %zu also as pairs), seed %llu, %.2f s\n",
                compared, similar, skipped, kRecursionBudget, pairs,
                static_cast<unsigned long long>(seed),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
