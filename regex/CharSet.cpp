// Set construction: merging, complement and case closure of code-unit ranges.
#include "regex/CharSet.h"

#include "regex/perl_syntax.h"

#include <algorithm>

namespace resetra::regex {

void CharSet::AddRange(char16_t lo, char16_t hi) {
    ranges_.emplace_back(lo, hi);
}

void CharSet::AddSet(const CharSet& other) {
    ranges_.insert(ranges_.end(), other.ranges_.begin(), other.ranges_.end());
}

void CharSet::AddComplementOf(const CharSet& other) {
    CharSet copy = other;
    copy.Normalize();
    std::uint32_t next = 0;
    for (const auto& [lo, hi] : copy.ranges_) {
        if (lo > next) {
            ranges_.emplace_back(static_cast<char16_t>(next), static_cast<char16_t>(lo - 1));
        }
        next = static_cast<std::uint32_t>(hi) + 1;
    }
    if (next <= 0xFFFF) {
        ranges_.emplace_back(static_cast<char16_t>(next), char16_t{0xFFFF});
    }
}

void CharSet::Normalize() {
    if (ranges_.empty()) {
        return;
    }
    std::sort(ranges_.begin(), ranges_.end());
    std::size_t out = 0;
    for (std::size_t i = 1; i < ranges_.size(); ++i) {
        if (static_cast<std::uint32_t>(ranges_[i].first) <=
            static_cast<std::uint32_t>(ranges_[out].second) + 1) {
            ranges_[out].second = std::max(ranges_[out].second, ranges_[i].second);
        } else {
            ranges_[++out] = ranges_[i];
        }
    }
    ranges_.resize(out + 1);
}

void CharSet::Finish(bool negated, bool icase) {
    Normalize();
    if (icase) {
        const std::size_t count = ranges_.size();
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t hi =
                std::min<std::uint32_t>(ranges_[i].second, perl_syntax::kLastFoldable);
            for (std::uint32_t c = ranges_[i].first; c <= hi; ++c) {
                const auto u = static_cast<char16_t>(c);
                const char16_t other = perl_syntax::OtherCase(u);
                if (other != u) {
                    ranges_.emplace_back(other, other);
                }
                const char16_t folded = perl_syntax::Fold(u);
                if (folded != u) {
                    ranges_.emplace_back(folded, folded);
                }
            }
        }
        Normalize();
    }
    if (negated) {
        CharSet positive;
        positive.ranges_.swap(ranges_);
        AddComplementOf(positive);
    }
    low_[0] = low_[1] = low_[2] = low_[3] = 0;
    hasHigh_ = false;
    for (const auto& [lo, hi] : ranges_) {
        if (lo < 256) {
            // Whole 64-bit words at a time: this runs on every compile.
            const std::uint32_t last = std::min<std::uint32_t>(hi, 255);
            for (std::uint32_t c = lo; c <= last;) {
                const std::uint32_t word = c >> 6;
                const std::uint32_t end = std::min(last, word * 64 + 63);
                const std::uint32_t count = end - c + 1;
                const std::uint64_t bits =
                    count == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << count) - 1);
                low_[word] |= bits << (c & 63);
                c = end + 1;
            }
        }
        if (hi >= 256) {
            hasHigh_ = true;
        }
    }
}

bool CharSet::ContainsHigh(char16_t c) const noexcept {
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), c,
                               [](char16_t v, const auto& r) { return v < r.first; });
    if (it == ranges_.begin()) {
        return false;
    }
    --it;
    return c <= it->second;
}

} // namespace resetra::regex
