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

// The search of the pattern in the text. It visits text positions t with
// pattern indices k, k never decreasing and t strictly increasing (the
// search position is not reset between pattern characters): for each k
// below the limit, every occurrence of pattern[k] at or after t. At each
// visit the cost k + D(text[t..], pattern[k..]) tightens the limit when it
// is below it, where D is the least edit cost (replace, skip a text
// character, skip a pattern character, one each) of matching all of the
// pattern suffix against some prefix of the text suffix.
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
    DirectedSearch(const Char* text, size_t textLength, const Char* pattern, size_t patternLength)
        : m_text(text), m_textLength(textLength), m_pattern(pattern),
          m_patternLength(patternLength), m_blocks((patternLength + 63) / 64) {}

    // 0.0, or 1.0 − (best cost) / (pattern length). Both strings non-empty.
    double Run(double ratio) {
        size_t limit = EditLimit(m_patternLength, ratio);
        // Every cost is at least n − n_t: a text shorter by the limit or more
        // holds no occurrence.
        if (m_patternLength >= m_textLength + limit) {
            return 0.0;
        }
        ClassifyCharacters();
        ListVisits(std::min(limit, m_patternLength));
        if (m_visits.empty()) {
            return 0.0;
        }
        ComputeCosts(limit - 1);
        bool found = false;
        for (const Visit& visit : m_visits) {
            if (visit.k >= limit) {
                break;
            }
            const size_t cost = visit.k + visit.cost;
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

    struct Visit {
        size_t k;
        size_t t;
        size_t cost;
    };

    // Numbers the distinct pattern characters; m_textClass[j] is the number
    // of text[j], or kNone when the pattern does not hold it. Code units
    // below 256 are looked up in a table, the others by binary search.
    void ClassifyCharacters() {
        WipingVector<Char> distinct(m_pattern, m_pattern + m_patternLength);
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        m_classCount = distinct.size();
        WipingVector<uint32_t> small(256, kNone);
        for (size_t c = 0; c < distinct.size() && Unit(distinct[c]) < 256; ++c) {
            small[Unit(distinct[c])] = static_cast<uint32_t>(c);
        }
        const auto classOf = [&distinct, &small](Char ch) {
            if (Unit(ch) < 256) {
                return small[Unit(ch)];
            }
            const auto it = std::lower_bound(distinct.begin(), distinct.end(), ch);
            return it != distinct.end() && *it == ch ? static_cast<uint32_t>(it - distinct.begin())
                                                     : kNone;
        };
        m_patternClass.resize(m_patternLength);
        for (size_t k = 0; k < m_patternLength; ++k) {
            m_patternClass[k] = classOf(m_pattern[k]);
        }
        m_textClass.resize(m_textLength);
        for (size_t j = 0; j < m_textLength; ++j) {
            m_textClass[j] = classOf(m_text[j]);
        }
    }

    static uint64_t Unit(Char ch) noexcept {
        return static_cast<uint64_t>(static_cast<std::make_unsigned_t<Char>>(ch));
    }

    void ListVisits(size_t kEnd) {
        // Text positions of each class in ascending order (a counting sort),
        // with a cursor per class that only moves forward, as t does.
        WipingVector<size_t> start(m_classCount + 1, 0);
        for (const uint32_t c : m_textClass) {
            if (c != kNone) {
                ++start[c + 1];
            }
        }
        for (size_t c = 0; c < m_classCount; ++c) {
            start[c + 1] += start[c];
        }
        WipingVector<size_t> positions(start[m_classCount]);
        WipingVector<size_t> cursor(start.begin(), start.end() - 1);
        for (size_t j = 0; j < m_textLength; ++j) {
            if (m_textClass[j] != kNone) {
                positions[cursor[m_textClass[j]]++] = j;
            }
        }
        cursor.assign(start.begin(), start.end() - 1);

        m_visits.reserve(m_textLength);
        size_t t = 0;
        for (size_t k = 0; k < kEnd && t < m_textLength; ++k) {
            const uint32_t c = m_patternClass[k];
            size_t& at = cursor[c];
            while (at < start[c + 1] && positions[at] < t) {
                ++at;
            }
            for (; at < start[c + 1]; ++at) {
                t = positions[at];
                m_visits.push_back({k, t, 0});
                ++t;
            }
        }
    }

    // Myers' step of one 64-row block for one text character; `carry` is
    // the horizontal difference entering the block's first row, and the one
    // leaving its last row is returned.
    static int Step(uint64_t& pv, uint64_t& mv, uint64_t eq, int carry) noexcept {
        const uint64_t p = pv;
        const uint64_t mn = mv;
        const uint64_t xv = eq | mn;
        if (carry < 0) {
            eq |= 1;
        }
        const uint64_t xh = (((eq & p) + p) ^ p) | eq;
        uint64_t ph = mn | ~(xh | p);
        uint64_t mh = p & xh;
        const int out = (ph >> 63) ? 1 : ((mh >> 63) ? -1 : 0);
        ph <<= 1;
        mh <<= 1;
        if (carry < 0) {
            mh |= 1;
        } else if (carry > 0) {
            ph |= 1;
        }
        pv = mh | ~(xv | ph);
        mv = ph & xv;
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
        WipingVector<uint64_t> peq(m_classCount * m_blocks, 0);
        for (size_t row = 0; row < m_patternLength; ++row) {
            const uint32_t c = m_patternClass[m_patternLength - 1 - row];
            peq[c * m_blocks + row / 64] |= uint64_t{1} << (row % 64);
        }
        WipingVector<uint64_t> pv(m_blocks, ~uint64_t{0});
        WipingVector<uint64_t> mv(m_blocks, 0);
        // bottom[y]: the value in the last row of block y, this column.
        WipingVector<size_t> bottom(m_blocks);
        for (size_t y = 0; y < m_blocks; ++y) {
            bottom[y] = 64 * (y + 1);
        }
        // Column 0 holds C[i][0] = i.
        size_t last = std::min(m_blocks - 1, cutoff / 64);
        // Visits are listed by ascending t; column b holds t = n_t − b, so
        // the columns meet them from the last visit to the first.
        size_t next = m_visits.size();
        for (size_t b = 1; b <= m_textLength && next > 0; ++b) {
            const uint32_t c = m_textClass[m_textLength - b];
            const uint64_t* eq = c == kNone ? nullptr : &peq[c * m_blocks];
            int carry = 0;
            size_t previousBottom = 0;
            for (size_t y = 0; y <= last; ++y) {
                previousBottom = bottom[y];
                carry = Step(pv[y], mv[y], eq ? eq[y] : 0, carry);
                bottom[y] += static_cast<size_t>(static_cast<ptrdiff_t>(carry));
            }
            while (last + 1 < m_blocks && (previousBottom <= cutoff || bottom[last] <= cutoff)) {
                ++last;
                pv[last] = ~uint64_t{0};
                mv[last] = 0;
                previousBottom += 64;
                bottom[last] = previousBottom;
                carry = Step(pv[last], mv[last], eq ? eq[last] : 0, carry);
                bottom[last] += static_cast<size_t>(static_cast<ptrdiff_t>(carry));
            }
            while (last > 0 && bottom[last] >= cutoff + 64) {
                --last;
            }
            Visit& visit = m_visits[next - 1];
            if (visit.t == m_textLength - b) {
                visit.cost = RowValue(pv, mv, bottom, last, m_patternLength - visit.k, cutoff);
                --next;
            }
        }
    }

    // C[rows][b] of the current column, or cutoff + 1 when its block is not
    // computed: the value at the end of the block below plus the vertical
    // differences (+1 in pv, −1 in mv) of the first rows of its own block.
    static size_t RowValue(const WipingVector<uint64_t>& pv, const WipingVector<uint64_t>& mv,
                           const WipingVector<size_t>& bottom, size_t last, size_t rows,
                           size_t cutoff) {
        const size_t block = (rows - 1) / 64;
        if (block > last) {
            return cutoff + 1;
        }
        const size_t bits = rows - 64 * block;
        const uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
        const ptrdiff_t below = block == 0 ? 0 : static_cast<ptrdiff_t>(bottom[block - 1]);
        return static_cast<size_t>(below + std::popcount(pv[block] & mask) -
                                   std::popcount(mv[block] & mask));
    }

    const Char* m_text;
    size_t m_textLength;
    const Char* m_pattern;
    size_t m_patternLength;
    size_t m_blocks;
    size_t m_classCount = 0;
    WipingVector<uint32_t> m_patternClass;
    WipingVector<uint32_t> m_textClass;
    WipingVector<Visit> m_visits;
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

// The directed similarity of null-terminated strings. Absent (null or
// empty): both 1.0, one 0.0. lowerCase compares copies lower-cased by
// `lower`, wiped when done.
template <class Char, class Lower>
double DirectedSimilarity(const Char* text, const Char* pattern, double ratio, bool lowerCase,
                          Lower lower) {
    const size_t textLength = Length(text);
    const size_t patternLength = Length(pattern);
    if (textLength == 0 || patternLength == 0) {
        return textLength == patternLength ? 1.0 : 0.0;
    }
    if (!lowerCase) {
        return DirectedSearch<Char>(text, textLength, pattern, patternLength).Run(ratio);
    }
    WipingVector<Char> lowerText(textLength);
    WipingVector<Char> lowerPattern(patternLength);
    std::transform(text, text + textLength, lowerText.begin(), lower);
    std::transform(pattern, pattern + patternLength, lowerPattern.begin(), lower);
    return DirectedSearch<Char>(lowerText.data(), textLength, lowerPattern.data(), patternLength)
        .Run(ratio);
}

} // namespace resetra::similarity
