// basic_match_results: what a search found: whether it matched and, per group,
// where the group's text starts and ends (-1 for a group that did not match).
#pragma once

#include <cstdint>
#include <vector>

namespace resetra::regex {

class basic_match_results {
public:
    bool matched() const noexcept { return !offsets_.empty(); }
    std::size_t group_count() const noexcept { return offsets_.size() / 2; }
    std::int32_t rstart(std::size_t group = 0) const { return offsets_.at(2 * group); }
    std::int32_t rend(std::size_t group = 0) const { return offsets_.at(2 * group + 1); }

    std::vector<std::int32_t>& offsets() noexcept { return offsets_; }

private:
    std::vector<std::int32_t> offsets_;
};

} // namespace resetra::regex
