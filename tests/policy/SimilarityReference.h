// Literal transcription of the directed similarity with its recursive,
// exponential bounded alignment: the reference that the product's search is
// checked against. Test code only; never part of the DLL.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace resetra::test {

// Thrown when a recursion has made more calls than its budget allows: the
// literal definition is exponential, and its callers skip such cases.
struct RecursionBudgetExhausted {};

template <class Char>
size_t ReferenceAlignment(const Char* s, size_t sLength, const Char* q, size_t qLength, size_t cost,
                          size_t limit, size_t& budget) {
    if (budget-- == 0) {
        throw RecursionBudgetExhausted{};
    }
    size_t i = 0;
    while (i < sLength && i < qLength && s[i] == q[i]) {
        ++i;
    }
    if (i == sLength) {
        return cost + (qLength - i);
    }
    if (i == qLength) {
        return cost;
    }
    ++cost;
    if (cost >= limit) {
        return cost + (qLength - i);
    }
    const size_t cS = ReferenceAlignment(s + i + 1, sLength - i - 1, q + i + 1, qLength - i - 1,
                                         cost, limit, budget);
    if (cS < limit) {
        limit = cS;
    }
    const size_t cT =
        ReferenceAlignment(s + i + 1, sLength - i - 1, q + i, qLength - i, cost, limit, budget);
    if (cT < limit) {
        limit = cT;
    }
    const size_t cP =
        ReferenceAlignment(s + i, sLength - i, q + i + 1, qLength - i - 1, cost, limit, budget);
    return std::min({cS, cT, cP});
}

template <class Char, class Lower>
double ReferenceSimilarity(const Char* textIn, const Char* patternIn, double ratio, bool lowerCase,
                           Lower lower, size_t budget = SIZE_MAX) {
    std::basic_string<Char> text = textIn ? textIn : std::basic_string<Char>();
    std::basic_string<Char> pattern = patternIn ? patternIn : std::basic_string<Char>();
    if (text.empty() && pattern.empty()) {
        return 1.0;
    }
    if (text.empty() || pattern.empty()) {
        return 0.0;
    }
    if (lowerCase) {
        for (Char& ch : text) {
            ch = lower(ch);
        }
        for (Char& ch : pattern) {
            ch = lower(ch);
        }
    }
    const size_t n = pattern.size();
    const double r = ratio > 0.0 ? (ratio < 1.0 ? ratio : 1.0) : 0.0;
    size_t limit = static_cast<size_t>(static_cast<double>(n) * (1.0 - r)) + 1;
    bool found = false;
    size_t k = 0;
    size_t t = 0;
    while (k < limit && k < n) {
        for (;;) {
            const size_t hit = text.find(pattern[k], t);
            if (hit == std::basic_string<Char>::npos) {
                break;
            }
            t = hit;
            const size_t cost = ReferenceAlignment(text.data() + t, text.size() - t,
                                                   pattern.data() + k, n - k, k, limit, budget);
            if (cost < limit) {
                found = true;
                limit = cost;
            }
            ++t;
        }
        ++k;
    }
    return found ? 1.0 - static_cast<double>(limit) / static_cast<double>(n) : 0.0;
}

} // namespace resetra::test
