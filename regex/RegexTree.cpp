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
    // Only look-arounds and loops over more than one unit read widths; a
    // pattern without them (most words of a blacklist) skips the pass.
    const bool needed = std::any_of(nodes.begin(), nodes.end(), [&](const RegexNode& n) {
        if (n.kind == NodeKind::Look) {
            return true;
        }
        if (n.kind != NodeKind::Repeat) {
            return false;
        }
        const NodeKind kid = nodes[Kid(n, 0)].kind;
        return kid != NodeKind::Char && kid != NodeKind::Set && kid != NodeKind::Any;
    });
    if (!needed) {
        return;
    }
    // Children precede their parents, so one forward pass sees every child
    // finished before its parent; no stack at any nesting depth.
    for (RegexNode& n : nodes) {
        auto kid = [&](std::int32_t i) -> const RegexNode& { return nodes[Kid(n, i)]; };
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
            for (std::int32_t i = 0; i < n.kidCount; ++i) {
                n.minWidth = AddWidth(n.minWidth, kid(i).minWidth);
                n.maxWidth = AddWidth(n.maxWidth, kid(i).maxWidth);
            }
            break;
        case NodeKind::Alt:
        case NodeKind::Cond:
            n.minWidth = kInfinite;
            n.maxWidth = 0;
            for (std::int32_t i = 0; i < n.kidCount; ++i) {
                n.minWidth = std::min(n.minWidth, kid(i).minWidth);
                n.maxWidth = std::max(n.maxWidth, kid(i).maxWidth);
            }
            if (n.kind == NodeKind::Cond && n.kidCount < 2) {
                n.minWidth = 0;
            }
            break;
        case NodeKind::Capture:
        case NodeKind::Atomic:
            n.minWidth = kid(0).minWidth;
            n.maxWidth = kid(0).maxWidth;
            break;
        case NodeKind::Repeat:
            n.minWidth = MulWidth(kid(0).minWidth, n.min);
            n.maxWidth = n.max == kInfinite && kid(0).maxWidth > 0
                             ? kInfinite
                             : MulWidth(kid(0).maxWidth, n.max);
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
