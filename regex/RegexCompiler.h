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

private:
    explicit RegexCompiler(RegexTree& tree) : tree_(tree) {}
    void Emit();
    std::int32_t Add(Inst inst);
    void AssignMemoSlots();
    // Per instruction, the captures whose values the rest of a match may
    // still read; empty when no instruction reads a capture or too many do.
    std::vector<std::uint64_t> LiveCaptures() const;
    void AnalyseStart();
    void AnalyseRequirements();

    RegexTree& tree_;
    RegexProgram prog_;
    std::int32_t impure_ = 0;
};

} // namespace resetra::regex
