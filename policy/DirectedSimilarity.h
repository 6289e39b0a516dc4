// Portable core of the directed similarity (policy/Similarity.h): the
// approximate-substring search of a pattern in a text with a bounded edit
// cost, for any code-unit type and lower-casing function, so that the host
// build tests the very code the DLL runs. Every working buffer is wiped.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

namespace resetra::similarity {

inline void Wipe(void* data, size_t bytes) noexcept {
#ifdef _WIN32
    SecureZeroMemory(data, bytes);
#else
    std::memset(data, 0, bytes);
    // The compiler must assume the zeroed memory is read, so the stores stay.
    __asm__ __volatile__("" : : "r"(data) : "memory");
#endif
}

// Allocator that wipes every block before freeing it, so a vector of
// password characters (or of anything derived from them) leaves nothing in
// freed heap, on destruction and on each reallocation alike.
template <class T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() noexcept = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}
    T* allocate(size_t count) { return std::allocator<T>().allocate(count); }
    void deallocate(T* data, size_t count) noexcept {
        Wipe(data, count * sizeof(T));
        std::allocator<T>().deallocate(data, count);
    }
    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept {
        return true;
    }
};

template <class T>
using WipingVector = std::vector<T, WipingAllocator<T>>;

// The edit bound: one more than the integer part of n × (1 − ratio), the
// ratio clamped to [0, 1] (a ratio that is not a number counts as 0).
inline size_t EditLimit(size_t n, double ratio) noexcept {
    const double r = ratio > 0.0 ? (ratio < 1.0 ? ratio : 1.0) : 0.0;
    return static_cast<size_t>(static_cast<double>(n) * (1.0 - r)) + 1;
}

// Every cost is at least n − n_t: a text shorter than the pattern by the
// limit or more holds no occurrence.
inline bool TooShort(size_t textLength, size_t patternLength, size_t limit) noexcept {
    return patternLength >= textLength + limit;
}

// The search of the pattern in the text. It visits text positions t with
// pattern indices k, k never decreasing and t strictly increasing (the
// search position is not reset between pattern characters): for each k
// below the limit, every occurrence of pattern[k] at or after t. At each
// visit the cost k + D(text[t..], pattern[k..]) tightens the limit when it
// is below it, where D is the least edit cost (replace, skip a text
// character, skip a pattern character, one each) of matching all of the
// pattern suffix against some prefix of the text suffix.
//
// This is what the original recursive alignment computes: consuming a common
// prefix first never raises that least cost (an edit script can always match
// equal leading characters), and a branch it abandons at its limit returns at
// least that limit, so its result is exactly k + D whenever that is below the
// limit it was given and never below the limit otherwise. The caller only
// asks whether the result is below the limit and keeps it when it is, so the
// exact D, compared the same way, yields the very same similarity; the
// recursion itself branches three ways per differing character, up to the
// limit deep.
//
// Since the visits do not depend on the costs except through where the
// limit stops them, the visits are listed first. All D values come from one
// dynamic programme over the reversed strings: with R and Q the reversed
// text and pattern, C[i][b] = min over a of lev(R[a..b], Q[..i]) (Sellers'
// substring search, the start in R free) is D(text[n_t − b..], pattern[m −
// i..]). The columns are computed with Myers' bit-vector algorithm, 64 rows
// per machine word, and a value is read off a column as the sum of its
// vertical differences. Time O(|text| · |pattern| / 64), memory linear.
template <class Char>
class DirectedSearch {
public:
    // Longer strings (of thousands of millions of characters) are never
    // passwords or names; they are not searched and give 0.0.
    static constexpr size_t kMaxLength = 0x7FFFFFFF;

    DirectedSearch(const Char* text, size_t textLength, const Char* pattern, size_t patternLength)
        : m_text(text), m_textLength(textLength), m_pattern(pattern),
          m_patternLength(patternLength), m_blocks((patternLength + 63) / 64) {}

    // 0.0, or 1.0 − (best cost) / (pattern length). Both strings non-empty.
    double Run(double ratio) {
        size_t limit = EditLimit(m_patternLength, ratio);
        if (TooShort(m_textLength, m_patternLength, limit) || m_textLength > kMaxLength ||
            m_patternLength > kMaxLength) {
            return 0.0;
        }
        // One wiped block of 32-bit words for all the per-character tables.
        m_words.resize(256 + 2 * m_patternLength + 5 * m_textLength);
        uint32_t* next = m_words.data();
        m_small = Take(next, 256);
        m_patternClass = Take(next, m_patternLength);
        m_textClass = Take(next, m_textLength);
        m_nextSame = Take(next, m_textLength);
        m_cursor = Take(next, m_patternLength);
        m_visitK = Take(next, m_textLength);
        m_visitT = Take(next, m_textLength);
        m_visitCost = next;

        ClassifyCharacters();
        ListVisits(std::min(limit, m_patternLength));
        if (m_visitCount == 0) {
            return 0.0;
        }
        ComputeCosts(limit - 1);
        bool found = false;
        for (size_t v = 0; v < m_visitCount; ++v) {
            const size_t k = m_visitK[v];
            if (k >= limit) {
                break;
            }
            const size_t cost = k + m_visitCost[v];
            if (cost < limit) {
                found = true;
                limit = cost;
            }
        }
        return found ? 1.0 - static_cast<double>(limit) / static_cast<double>(m_patternLength)
                     : 0.0;
    }

private:
    static constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

    static uint32_t* Take(uint32_t*& next, size_t count) noexcept {
        uint32_t* taken = next;
        next += count;
        return taken;
    }

    static uint64_t Unit(Char ch) noexcept {
        return static_cast<uint64_t>(static_cast<std::make_unsigned_t<Char>>(ch));
    }

    // Numbers the distinct pattern characters; m_textClass[j] is the number
    // of text[j], or kNone when the pattern does not hold it. Code units
    // below 256 are numbered through a table, the others by binary search.
    void ClassifyCharacters() {
        std::fill(m_small, m_small + 256, kNone);
        WipingVector<Char> large;
        uint32_t classes = 0;
        for (size_t k = 0; k < m_patternLength; ++k) {
            const uint64_t unit = Unit(m_pattern[k]);
            if (unit >= 256) {
                large.push_back(m_pattern[k]);
            } else if (m_small[unit] == kNone) {
                m_small[unit] = classes++;
            }
        }
        std::sort(large.begin(), large.end());
        large.erase(std::unique(large.begin(), large.end()), large.end());
        m_classCount = classes + large.size();
        const uint32_t* small = m_small;
        const auto classOf = [&large, small, classes](Char ch) {
            if (Unit(ch) < 256) {
                return small[Unit(ch)];
            }
            const auto it = std::lower_bound(large.begin(), large.end(), ch);
            return it != large.end() && *it == ch
                       ? classes + static_cast<uint32_t>(it - large.begin())
                       : kNone;
        };
        for (size_t k = 0; k < m_patternLength; ++k) {
            m_patternClass[k] = classOf(m_pattern[k]);
        }
        for (size_t j = 0; j < m_textLength; ++j) {
            m_textClass[j] = classOf(m_text[j]);
        }
    }

    void ListVisits(size_t kEnd) {
        // The text positions of each class chained in ascending order, with
        // a cursor per class that only moves forward, as t does.
        std::fill(m_cursor, m_cursor + m_classCount, kNone);
        for (size_t j = m_textLength; j-- > 0;) {
            const uint32_t c = m_textClass[j];
            if (c != kNone) {
                m_nextSame[j] = m_cursor[c];
                m_cursor[c] = static_cast<uint32_t>(j);
            }
        }
        size_t t = 0;
        for (size_t k = 0; k < kEnd && t < m_textLength; ++k) {
            uint32_t& at = m_cursor[m_patternClass[k]];
            while (at != kNone && at < t) {
                at = m_nextSame[at];
            }
            for (; at != kNone; at = m_nextSame[at]) {
                m_visitK[m_visitCount] = static_cast<uint32_t>(k);
                m_visitT[m_visitCount] = at;
                ++m_visitCount;
                t = size_t{at} + 1;
            }
        }
    }

    // Myers' step of one 64-row block for one text character; `carry` is
    // the horizontal difference entering the block's first row, and the one
    // leaving its last row is returned.
    static int Step(uint64_t& pv, uint64_t& mv, uint64_t eq, int carry) noexcept {
        // Branch-free: the sign of the carry is data, and mispredicted jumps
        // would cost more than the step.
        const uint64_t minus = carry < 0 ? 1 : 0;
        const uint64_t plus = carry > 0 ? 1 : 0;
        const uint64_t p = pv;
        const uint64_t mn = mv;
        const uint64_t xv = eq | mn;
        eq |= minus;
        const uint64_t xh = (((eq & p) + p) ^ p) | eq;
        const uint64_t ph = mn | ~(xh | p);
        const uint64_t mh = p & xh;
        // ph and mh never share a bit.
        const int out = static_cast<int>(ph >> 63) - static_cast<int>(mh >> 63);
        const uint64_t phShifted = (ph << 1) | plus;
        const uint64_t mhShifted = (mh << 1) | minus;
        pv = mhShifted | ~(xv | phShifted);
        mv = phShifted & xv;
        return out;
    }

    // Fills in the cost of every visit whose cost can be at most `cutoff`;
    // the others get a cost above it. Row 0 of the programme is all zeros, so
    // no difference enters the first block. Blocks are computed only up to
    // the last one that can hold a value ≤ cutoff (Ukkonen's cut-off, as in
    // Myers' block-based search): a block whose last row exceeds cutoff + 63
    // holds none, and a block above the active ones can come to hold one only
    // through its first row, from the last row of the block above with a
    // value ≤ cutoff. A block taken up again starts from its bottom neighbour's
    // value plus one per row, which is never below the true values; values
    // ≤ cutoff are therefore exact and the others never come out lower.
    void ComputeCosts(size_t cutoff) {
        WipingVector<uint64_t> words((m_classCount + 3) * m_blocks, 0);
        uint64_t* peq = words.data();
        uint64_t* pv = peq + m_classCount * m_blocks;
        uint64_t* mv = pv + m_blocks;
        // bottom[y]: the value in the last row of block y, this column.
        uint64_t* bottom = mv + m_blocks;
        for (size_t row = 0; row < m_patternLength; ++row) {
            const uint32_t c = m_patternClass[m_patternLength - 1 - row];
            peq[c * m_blocks + row / 64] |= uint64_t{1} << (row % 64);
        }
        // Column 0 holds C[i][0] = i.
        for (size_t y = 0; y < m_blocks; ++y) {
            pv[y] = ~uint64_t{0};
            bottom[y] = 64 * (y + 1);
        }
        size_t last = std::min(m_blocks - 1, cutoff / 64);
        // Visits are listed by ascending t; column b holds t = n_t − b, so
        // the columns meet them from the last visit to the first.
        size_t next = m_visitCount;
        for (size_t b = 1; b <= m_textLength && next > 0; ++b) {
            const uint32_t c = m_textClass[m_textLength - b];
            const uint64_t* eq = c == kNone ? nullptr : &peq[c * m_blocks];
            int carry = 0;
            uint64_t previousBottom = 0;
            for (size_t y = 0; y <= last; ++y) {
                previousBottom = bottom[y];
                carry = Step(pv[y], mv[y], eq ? eq[y] : 0, carry);
                bottom[y] += static_cast<uint64_t>(static_cast<int64_t>(carry));
            }
            while (last + 1 < m_blocks && (previousBottom <= cutoff || bottom[last] <= cutoff)) {
                ++last;
                pv[last] = ~uint64_t{0};
                mv[last] = 0;
                previousBottom += 64;
                bottom[last] = previousBottom;
                carry = Step(pv[last], mv[last], eq ? eq[last] : 0, carry);
                bottom[last] += static_cast<uint64_t>(static_cast<int64_t>(carry));
            }
            while (last > 0 && bottom[last] >= cutoff + 64) {
                --last;
            }
            if (m_visitT[next - 1] == m_textLength - b) {
                const size_t rows = m_patternLength - m_visitK[next - 1];
                m_visitCost[next - 1] = RowValue(pv, mv, bottom, last, rows, cutoff);
                --next;
            }
        }
    }

    // C[rows][b] of the current column, or cutoff + 1 when its block is not
    // computed: the value at the end of the block below plus the vertical
    // differences (+1 in pv, −1 in mv) of the first rows of its own block.
    static uint32_t RowValue(const uint64_t* pv, const uint64_t* mv, const uint64_t* bottom,
                             size_t last, size_t rows, size_t cutoff) {
        const size_t block = (rows - 1) / 64;
        if (block > last) {
            return static_cast<uint32_t>(cutoff + 1);
        }
        const size_t bits = rows - 64 * block;
        const uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
        const int64_t below = block == 0 ? 0 : static_cast<int64_t>(bottom[block - 1]);
        return static_cast<uint32_t>(below + std::popcount(pv[block] & mask) -
                                     std::popcount(mv[block] & mask));
    }

    const Char* m_text;
    size_t m_textLength;
    const Char* m_pattern;
    size_t m_patternLength;
    size_t m_blocks;
    size_t m_classCount = 0;
    size_t m_visitCount = 0;
    WipingVector<uint32_t> m_words;
    uint32_t* m_small = nullptr;
    uint32_t* m_patternClass = nullptr;
    uint32_t* m_textClass = nullptr;
    uint32_t* m_nextSame = nullptr;
    uint32_t* m_cursor = nullptr;
    uint32_t* m_visitK = nullptr;
    uint32_t* m_visitT = nullptr;
    uint32_t* m_visitCost = nullptr;
};

template <class Char>
size_t Length(const Char* text) noexcept {
    size_t length = 0;
    if (text) {
        while (text[length] != 0) {
            ++length;
        }
    }
    return length;
}

// A null-terminated string as compared: the caller's own, or a copy
// lower-cased by `lower` (called once per distinct code unit below 256) that
// is wiped when done.
template <class Char>
class Compared {
public:
    template <class Lower>
    Compared(const Char* text, bool lowerCase, Lower& lower, WipingVector<Char>& memo)
        : m_text(text), m_length(Length(text)) {
        if (!lowerCase || m_length == 0) {
            return;
        }
        if (memo.empty()) {
            memo.assign(256, Char{0});
        }
        m_copy.resize(m_length);
        for (size_t i = 0; i < m_length; ++i) {
            const Char ch = text[i];
            const auto unit = static_cast<std::make_unsigned_t<Char>>(ch);
            if (unit >= 256) {
                m_copy[i] = static_cast<Char>(lower(ch));
            } else {
                if (memo[unit] == 0) {
                    memo[unit] = static_cast<Char>(lower(ch));
                }
                m_copy[i] = memo[unit];
            }
        }
        m_text = m_copy.data();
    }

    [[nodiscard]] const Char* data() const noexcept { return m_text; }
    [[nodiscard]] size_t size() const noexcept { return m_length; }

private:
    const Char* m_text;
    size_t m_length;
    WipingVector<Char> m_copy;
};

template <class Char>
double Search(const Compared<Char>& text, const Compared<Char>& pattern, double ratio) {
    if (text.size() == 0 || pattern.size() == 0) {
        return text.size() == pattern.size() ? 1.0 : 0.0;
    }
    if (TooShort(text.size(), pattern.size(), EditLimit(pattern.size(), ratio))) {
        return 0.0;
    }
    return DirectedSearch<Char>(text.data(), text.size(), pattern.data(), pattern.size())
        .Run(ratio);
}

// The directed similarity of null-terminated strings. Absent (null or
// empty): both 1.0, one 0.0. lowerCase compares lower-cased copies.
template <class Char, class Lower>
double DirectedSimilarity(const Char* text, const Char* pattern, double ratio, bool lowerCase,
                          Lower lower) {
    WipingVector<Char> memo;
    // A pattern too long for the text is refused before any copy is made.
    const size_t textLength = Length(text);
    const size_t patternLength = Length(pattern);
    if (textLength != 0 && TooShort(textLength, patternLength, EditLimit(patternLength, ratio))) {
        return 0.0;
    }
    return Search(Compared<Char>(text, lowerCase, lower, memo),
                  Compared<Char>(pattern, lowerCase, lower, memo), ratio);
}

// The smaller of both directions, each string lower-cased once. Similarity
// is never negative, so a first direction of 0.0 decides.
template <class Char, class Lower>
double PairSimilarity(const Char* a, const Char* b, double ratio, bool lowerCase, Lower lower) {
    const size_t aLength = Length(a);
    const size_t bLength = Length(b);
    if (aLength != 0 && bLength != 0 &&
        (TooShort(aLength, bLength, EditLimit(bLength, ratio)) ||
         TooShort(bLength, aLength, EditLimit(aLength, ratio)))) {
        return 0.0;
    }
    WipingVector<Char> memo;
    const Compared<Char> first(a, lowerCase, lower, memo);
    const Compared<Char> second(b, lowerCase, lower, memo);
    const double forward = Search(first, second, ratio);
    return forward == 0.0 ? 0.0 : std::min(forward, Search(second, first, ratio));
}

} // namespace resetra::similarity
