// Directed similarity and pair similarity on wiping copies of the compared
// strings (they are passwords or personal names).
#include "policy/Similarity.h"

#include "support/cMvSecureString.h"

#include <algorithm>
#include <cwctype>

namespace {

size_t CommonPrefix(const wchar_t* s, size_t sLength, const wchar_t* q, size_t qLength) {
    size_t i = 0;
    while (i < sLength && i < qLength && s[i] == q[i]) {
        ++i;
    }
    return i;
}

// Edit cost of all of q against a prefix of s, added to cost, abandoned at limit.
size_t Alignment(const wchar_t* s, size_t sLength, const wchar_t* q, size_t qLength, size_t cost,
                 size_t limit) {
    const size_t i = CommonPrefix(s, sLength, q, qLength);
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
    const size_t cS =
        Alignment(s + i + 1, sLength - i - 1, q + i + 1, qLength - i - 1, cost, limit);
    limit = std::min(limit, cS);
    const size_t cT = Alignment(s + i + 1, sLength - i - 1, q + i, qLength - i, cost, limit);
    limit = std::min(limit, cT);
    const size_t cP = Alignment(s + i, sLength - i, q + i + 1, qLength - i - 1, cost, limit);
    return std::min({cS, cT, cP});
}

} // namespace

double Similarity(const wchar_t* text, const wchar_t* pattern, double ratio, bool lowerCase) {
    resetra::cMvSecureString t(text ? text : L"");
    resetra::cMvSecureString p(pattern ? pattern : L"");
    if (t.empty() && p.empty()) {
        return 1.0;
    }
    if (t.empty() || p.empty()) {
        return 0.0;
    }
    if (lowerCase) {
        for (size_t i = 0; i < t.size(); ++i) {
            t.data()[i] = towlower(t.data()[i]);
        }
        for (size_t i = 0; i < p.size(); ++i) {
            p.data()[i] = towlower(p.data()[i]);
        }
    }
    const size_t n = p.size();
    const double r = std::clamp(ratio, 0.0, 1.0);
    size_t limit = static_cast<size_t>(static_cast<double>(n) * (1.0 - r)) + 1;
    bool found = false;
    size_t t0 = 0;
    for (size_t k = 0; k < limit && k < n; ++k) {
        for (;;) {
            const wchar_t* hit = nullptr;
            for (size_t j = t0; j < t.size(); ++j) {
                if (t.c_str()[j] == p.c_str()[k]) {
                    hit = t.c_str() + j;
                    break;
                }
            }
            if (!hit) {
                break;
            }
            t0 = static_cast<size_t>(hit - t.c_str());
            const size_t cost = Alignment(hit, t.size() - t0, p.c_str() + k, n - k, k, limit);
            if (cost < limit) {
                found = true;
                limit = cost;
            }
            ++t0;
        }
    }
    return found ? 1.0 - static_cast<double>(limit) / static_cast<double>(n) : 0.0;
}

double PairSimilarity(const wchar_t* a, const wchar_t* b, double ratio, bool lowerCase) {
    return std::min(Similarity(a, b, ratio, lowerCase), Similarity(b, a, ratio, lowerCase));
}
