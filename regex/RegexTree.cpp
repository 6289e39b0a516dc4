// Width analysis of the parsed pattern: the compiler needs it to bound
// look-behind and to know which loops may iterate without consuming text.
#include "regex/RegexTree.h"

#include <algorithm>

namespace resetra::regex {

namespace {

std::int32_t AddWidth(std::int32_t a, std::int32_t b) {
    return std::min<std::int64_t>(std::int64_t{a} + b, RegexTree::kInfinite);
}

std::int32_t MulWidth(std::int32_t a, std::int32_t b) {
    if (a == 0 || b == 0) {
        return 0;
    }
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{a} * b, RegexTree::kInfinite));
}

} // namespace

void RegexTree::ComputeWidths() {
    // Post-order with an explicit stack: deep nesting must not use the
    // thread's stack, which is small inside the logon process.
    std::vector<std::pair<std::int32_t, bool>> work;
    work.reserve(nodes.size() + 1);
    work.emplace_back(root, false);
    while (!work.empty()) {
        auto [id, visited] = work.back();
        work.pop_back();
        RegexNode& n = nodes[id];
        if (!visited) {
            work.emplace_back(id, true);
            for (std::int32_t kid : n.kids) {
                work.emplace_back(kid, false);
            }
            if (n.cond >= 0) {
                work.emplace_back(n.cond, false);
            }
            continue;
        }
        switch (n.kind) {
        case NodeKind::Empty:
        case NodeKind::Anchor:
        case NodeKind::Look:
            n.minWidth = n.maxWidth = 0;
            break;
        case NodeKind::Char:
        case NodeKind::Set:
        case NodeKind::Any:
            n.minWidth = n.maxWidth = 1;
            break;
        case NodeKind::Seq:
            n.minWidth = n.maxWidth = 0;
            for (std::int32_t kid : n.kids) {
                n.minWidth = AddWidth(n.minWidth, nodes[kid].minWidth);
                n.maxWidth = AddWidth(n.maxWidth, nodes[kid].maxWidth);
            }
            break;
        case NodeKind::Alt:
        case NodeKind::Cond:
            n.minWidth = kInfinite;
            n.maxWidth = 0;
            for (std::int32_t kid : n.kids) {
                n.minWidth = std::min(n.minWidth, nodes[kid].minWidth);
                n.maxWidth = std::max(n.maxWidth, nodes[kid].maxWidth);
            }
            if (n.kind == NodeKind::Cond && n.kids.size() < 2) {
                n.minWidth = 0;
            }
            break;
        case NodeKind::Capture:
        case NodeKind::Atomic:
            n.minWidth = nodes[n.kids[0]].minWidth;
            n.maxWidth = nodes[n.kids[0]].maxWidth;
            break;
        case NodeKind::Repeat:
            n.minWidth = MulWidth(nodes[n.kids[0]].minWidth, n.min);
            n.maxWidth = n.max == kInfinite && nodes[n.kids[0]].maxWidth > 0
                             ? kInfinite
                             : MulWidth(nodes[n.kids[0]].maxWidth, n.max);
            break;
        case NodeKind::Backref:
        case NodeKind::Recurse:
            n.minWidth = 0;
            n.maxWidth = kInfinite;
            break;
        }
    }
}

} // namespace resetra::regex
