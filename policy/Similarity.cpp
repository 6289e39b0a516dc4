// Directed similarity and pair similarity of wide strings (passwords and
// personal names), lower-cased by the C runtime when asked; the search itself
// is the portable core in policy/DirectedSimilarity.h.
#include "policy/Similarity.h"

#include "policy/DirectedSimilarity.h"

#include <algorithm>
#include <cwctype>

double Similarity(const wchar_t* text, const wchar_t* pattern, double ratio, bool lowerCase) {
    return resetra::similarity::DirectedSimilarity(text, pattern, ratio, lowerCase, [](wchar_t ch) {
        return static_cast<wchar_t>(towlower(ch));
    });
}

double PairSimilarity(const wchar_t* a, const wchar_t* b, double ratio, bool lowerCase) {
    // Similarity is never negative, so a first direction of 0.0 decides.
    const double forward = Similarity(a, b, ratio, lowerCase);
    return forward == 0.0 ? 0.0 : std::min(forward, Similarity(b, a, ratio, lowerCase));
}
