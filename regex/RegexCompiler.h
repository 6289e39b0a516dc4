// RegexCompiler: lowers a RegexTree to the matcher's instruction list, walking
// the tree with an explicit stack, and works out which instructions may be
// memoised and how the search can skip start positions.
#pragma once

#include "regex/RegexProgram.h"
#include "regex/RegexTree.h"

namespace resetra::regex {

class RegexCompiler {
public:
    // Throws bad_regexpr for constructs that only compilation can reject
    // (an unbounded look-behind).
    static RegexProgram Compile(RegexTree tree);

    // Memo slot per instruction (-1: none) for the pure join points whose
    // outcome no capture can change; returns the number of slots. The matcher
    // asks for them only once a search runs long.
    static std::int32_t AssignMemoSlots(const RegexProgram& prog, std::vector<std::int32_t>& slots);

private:
    explicit RegexCompiler(RegexTree& tree) : tree_(tree) {}
    void Emit();
    std::int32_t Add(Inst inst);
    void LinkStars();
    // Per instruction, the captures whose values the rest of a match may
    // still read; empty when no instruction reads a capture or too many do.
    static std::vector<std::uint64_t> LiveCaptures(const RegexProgram& prog);
    void AnalyseStart();
    void AnalyseRequirements();

    // A step of the tree walk: node, how far it got, and two instruction
    // indices it must patch later.
    struct Work {
        std::int32_t node;
        std::int32_t phase;
        std::int32_t a;
        std::int32_t b;
    };

    RegexTree& tree_;
    std::vector<Work> work_;
    RegexProgram prog_;
    std::int32_t impure_ = 0;
    bool hard_ = false; // a loop over a group, a back-reference, look-around or conditional
};

} // namespace resetra::regex
