// RequirementFinder: works out from the parsed pattern which units the text
// must hold for any match, so that the matcher can refuse a text that lacks
// one before or during a long search. Every claim it makes is sound: where it
// is unsure (deep nesting, optional parts) it claims nothing.
#pragma once

#include "regex/RegexProgram.h"
#include "regex/RegexTree.h"

namespace resetra::regex {

// Whatever a node consumes, and whatever a positive look-around inside it
// reads, lies in the text; parts with minimum count 0, negative look-arounds,
// back-references (their text may be empty) and recursion promise nothing.
class RequirementFinder {
public:
    explicit RequirementFinder(const RegexTree& tree) : tree_(tree) {}

    // What the text must hold for the node to match anywhere in it (count 0:
    // nothing known).
    Requirement Need(std::int32_t index, int depth) const;
    // Adds to prog every requirement along the parts that each match passes through.
    void Collect(std::int32_t index, int depth, RegexProgram& prog) const;

private:
    // Single units are the sharpest checks, sets of fewer alternatives next.
    static int Score(const Requirement& r);
    // Widens r to "r or k"; false when the result would not fit.
    static bool Merge(Requirement& r, const Requirement& k);
    static void Add(const Requirement& r, RegexProgram& prog);

    const RegexTree& tree_;
};

} // namespace resetra::regex
