// Directed similarity and pair similarity of wide strings (passwords and
// personal names), lower-cased by the C runtime when asked; the search itself
// is the portable core in policy/DirectedSimilarity.h.
#include "policy/Similarity.h"

#include "policy/DirectedSimilarity.h"

#include <cwctype>

namespace {

wchar_t Lower(wchar_t ch) {
    return static_cast<wchar_t>(towlower(ch));
}

} // namespace

double Similarity(const wchar_t* text, const wchar_t* pattern, double ratio, bool lowerCase) {
    return resetra::similarity::DirectedSimilarity(text, pattern, ratio, lowerCase, Lower);
}

double PairSimilarity(const wchar_t* a, const wchar_t* b, double ratio, bool lowerCase) {
    return resetra::similarity::PairSimilarity(a, b, ratio, lowerCase, Lower);
}
