// RegexProgram: the compiled form of a pattern, a list of instructions for the
// backtracking matcher plus what the search needs to skip hopeless start
// positions (a first-unit filter, anchoring) and to bound its work (memo slots).
#pragma once

#include "regex/CharSet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace resetra::regex {

enum class Op : std::uint8_t {
    Char,  // ch
    CharI, // ch folded; matches either case
    Set,   // x: set index
    Any,   // any unit but '\n'
    AnyNl, // any unit
    Star, // one-unit loop: unit kind in flag, ch / x operand, min..max, y: unit that must follow or
          // -1
    Split,   // try x, on failure y
    Jmp,     // x
    Open,    // x: group
    Close,   // x: group
    Backref, // x: group, flag 1: case-insensitive
    RefStar, // loop over one back-reference: x group, flag 1 icase, 0x80 greedy, min..max
    Anchor,  // flag: AnchorKind
    RepInit, // x: register pair
    RepHead, // x: register pair, min..max, flag 1: greedy, y: exit
    RepIter, // x: register pair
    Assert, // flag: 1 negated, 2 behind; min..max: body width; x: continue when true, y: when false
            // (-1 fail)
    AssertEnd, //
    Atomic,    //
    AtomicEnd, //
    CondGroup, // x: group, y: target when the group has not matched
    Call,      // (?R)
    Match,     //
};

// One way to meet a requirement on the text: a unit, a unit under case
// folding (ch holds the folded unit), or any unit of a set.
struct RequiredAtom {
    enum Kind : std::uint8_t { Unit, Folded, InSet };
    Kind kind = Unit;
    char16_t ch = 0;
    std::int32_t set = 0;
    bool operator==(const RequiredAtom&) const = default;
};

// The text must hold at least one unit that meets one of the atoms.
struct Requirement {
    static constexpr int kMaxAtoms = 4;
    std::int32_t count = 0;
    RequiredAtom atoms[kMaxAtoms];
};

struct Inst {
    Op op = Op::Match;
    std::uint8_t flag = 0;
    char16_t ch = 0;
    std::int32_t x = 0;
    std::int32_t y = -1;
    std::int32_t min = 0;
    std::int32_t max = 0;
    bool pure = true;  // the rest of a match depends on the position only: see RegexCompiler
    bool seen = false; // compile-time only: visited by the start analysis
};

class RegexProgram {
public:
    std::vector<Inst> code;
    std::vector<CharSet> sets;
    std::int32_t groupCount = 0;
    std::int32_t registerPairs = 0;
    bool memoAllowed = false;
    bool readsCaptures = false; // back-references or group conditions
    bool hasRecursion = false;
    // Start positions: only 0 (anchored), 0 and after each '\n' (leading .*), or all.
    bool anchoredStart = false;
    bool lineStart = false;
    // A pattern that is nothing but case-sensitive units is searched as a string.
    bool isLiteral = false;
    std::u16string literal;
    // A unit every match contains (-1: none known); a text without it cannot match.
    std::int32_t requiredUnit = -1;
    // Requirements on the whole text, checked before any search: a text that
    // fails one cannot hold a match, whatever the backtracking would try.
    static constexpr int kMaxRequirements = 4;
    std::int32_t requirementCount = 0;
    Requirement requirements[kMaxRequirements];
    // First-unit filter for start positions; unused when firstAny.
    bool firstAny = true;
    bool firstHigh = false;
    std::uint64_t firstLow[4] = {0, 0, 0, 0};
    // The same filter when it holds one or two units (a letter in both cases).
    std::int32_t firstUnitCount = 0;
    char16_t firstUnits[2] = {0, 0};
};

} // namespace resetra::regex
