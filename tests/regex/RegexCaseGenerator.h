// RegexCaseGenerator: random patterns of the Perl dialect with subjects that
// often match them, for the differential test against perl. Patterns stay
// inside the dialect (no named groups, \g, \p...) and small enough that a
// naive backtracker settles them quickly.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace resetra::regex::test {

struct RegexCase {
    std::u16string pattern;
    std::u16string subject;
};

class RegexCaseGenerator {
public:
    explicit RegexCaseGenerator(std::uint64_t seed) : rng_(seed) {}
    RegexCase Next();

private:
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
    bool Chance(int percent) { return Pick(100) < percent; }
    char16_t Letter();
    void Literal(std::u16string& out);
    void Set(std::u16string& out);
    void Quantifier(std::u16string& out);
    void Alternation(std::u16string& out, int depth);
    void Sequence(std::u16string& out, int depth);
    // `open`, an alternation of `depth` counted as nested, and ')'.
    void Nested(std::u16string& out, const char16_t* open, int depth);
    bool Atom(std::u16string& out, int depth); // true for a zero-width atom
    void FixedWidth(std::u16string& out);
    void Breakage(std::u16string& out);
    int PickClosed();

    std::mt19937_64 rng_;
    int groups_ = 0;
    int negative_ = 0; // inside a negative look-around: perl leaks its captures
    // Closed groups: perl's view of a group it is still inside, or of captures
    // on abandoned paths, is an artefact of its implementation.
    std::vector<int> closed_;
    // (?R) only without look-around conditions: perl's start optimiser
    // mishandles those, and the check that exposes it cannot recurse.
    bool recursive_ = false;
    // Back-references only outside groups: perl keeps captures of abandoned
    // paths inside loops and alternatives, a detail no rule relies on.
    int nesting_ = 0;
    std::u16string used_;
};

} // namespace resetra::regex::test
