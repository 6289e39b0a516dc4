// CharSet: a set of UTF-16 code units as sorted ranges, with a bitmap for the
// first 256 units because nearly every password character lands there and the
// matcher tests sets in its innermost loop.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace resetra::regex {

class CharSet {
public:
    void AddRange(char16_t lo, char16_t hi);
    void AddChar(char16_t c) { AddRange(c, c); }
    void AddSet(const CharSet& other);
    void AddComplementOf(const CharSet& other);

    // Normalises the ranges, adds case partners under (?i), applies a leading
    // '^' and builds the bitmap. Call once, after the last Add.
    void Finish(bool negated, bool icase);

    bool Contains(char16_t c) const noexcept {
        if (c < 256) {
            return ((low_[c >> 6] >> (c & 63)) & 1u) != 0;
        }
        return ContainsHigh(c);
    }
    bool HasHigh() const noexcept { return hasHigh_; }
    const std::uint64_t* LowBits() const noexcept { return low_; }

private:
    void Normalize();
    bool ContainsHigh(char16_t c) const noexcept;

    std::vector<std::pair<char16_t, char16_t>> ranges_;
    std::uint64_t low_[4] = {0, 0, 0, 0};
    bool hasHigh_ = false;
};

} // namespace resetra::regex
