// Directed fuzzy similarity of two strings, shared by the name-similarity and
// password-similarity rules: an approximate-substring search of the pattern in
// the text whose edit bound follows from a ratio between 0 and 1.
#pragma once

// 1.0 when both are absent (null or empty), 0.0 when only one is; otherwise
// 0.0 or 1.0 - (best edit cost) / (pattern length) for a cost within the
// bound that the ratio allows. lowerCase compares lower-cased copies.
[[nodiscard]] double Similarity(const wchar_t* text, const wchar_t* pattern, double ratio,
                                bool lowerCase);

// The smaller of both directions: a pair is similar only when each string is
// found in the other within the bound.
[[nodiscard]] double PairSimilarity(const wchar_t* a, const wchar_t* b, double ratio,
                                    bool lowerCase);
