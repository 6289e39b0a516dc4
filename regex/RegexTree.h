// RegexTree: the parsed form of a pattern, a flat array of nodes that refer to
// their children by index. Flat storage lets the parser and the compiler walk
// patterns of any nesting depth without recursion, and costs two allocations
// per pattern instead of one per node.
#pragma once

#include "regex/CharSet.h"

#include <cstdint>
#include <span>
#include <vector>

namespace resetra::regex {

enum class NodeKind : std::uint8_t {
    Empty,
    Char,    // ch, icase
    Set,     // index into sets
    Any,     // dotAll: also a line end
    Seq,     // kids in order
    Alt,     // kids as alternatives, left first
    Capture, // group number in index, one kid
    Repeat,  // min, max (kInfinite), greedy, one kid
    Backref, // group number in index, icase
    Anchor,  // anchor kind in index
    Look,    // negated, behind, one kid
    Atomic,  // one kid
    Cond,    // condition: group number in index, or a Look node in cond; kids yes [, no]
    Recurse, // (?R)
};

enum class AnchorKind : std::uint8_t {
    TextStart,       // \A and ^
    LineStart,       // ^ under (?m)
    TextEndOrLine,   // \Z and $: the end or just before a final line end
    LineEnd,         // $ under (?m)
    TextEnd,         // \z
    WordBoundary,    // \b
    NotWordBoundary, // \B
};

struct RegexNode {
    NodeKind kind = NodeKind::Empty;
    bool icase = false;
    bool greedy = true;
    bool negated = false;
    bool behind = false;
    bool dotAll = false;
    char16_t ch = 0;
    std::int32_t index = 0;
    std::int32_t cond = -1;
    std::int32_t min = 0;
    std::int32_t max = 0;
    // Children: kidCount indices in the tree's kid pool from firstKid on.
    std::int32_t firstKid = 0;
    std::int32_t kidCount = 0;
    // Shortest and longest text the node can match (kInfinite: unbounded).
    std::int32_t minWidth = 0;
    std::int32_t maxWidth = 0;
};

class RegexTree {
public:
    static constexpr std::int32_t kInfinite = 0x3FFFFFFF;

    // Nodes are added after their children, so index order is a post-order.
    std::int32_t Add(RegexNode node, std::span<const std::int32_t> kids = {}) {
        node.firstKid = static_cast<std::int32_t>(kidPool.size());
        node.kidCount = static_cast<std::int32_t>(kids.size());
        kidPool.insert(kidPool.end(), kids.begin(), kids.end());
        nodes.push_back(node);
        return static_cast<std::int32_t>(nodes.size() - 1);
    }
    std::int32_t Kid(const RegexNode& node, std::int32_t i) const {
        return kidPool[static_cast<std::size_t>(node.firstKid + i)];
    }
    // Fills minWidth/maxWidth of every node when some look-around or loop
    // over a group needs them; otherwise they stay 0.
    void ComputeWidths();

    std::vector<RegexNode> nodes;
    std::vector<std::int32_t> kidPool;
    std::vector<CharSet> sets;
    std::int32_t root = -1;
    std::int32_t groupCount = 0;
    bool hasBackref = false;
    bool hasRecursion = false;
    bool hasGroupCondition = false;
};

} // namespace resetra::regex
