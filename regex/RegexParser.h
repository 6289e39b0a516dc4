// RegexParser: turns Perl-dialect pattern text into a RegexTree in one pass
// without recursion (groups live on an explicit frame stack), and reports every
// malformed construct with the dialect's fixed error text.
#pragma once

#include "regex/RegexTree.h"

#include <string_view>

namespace resetra::regex {

class RegexParser {
public:
    explicit RegexParser(std::u16string_view pattern) : p_(pattern) {}
    // Throws bad_regexpr for a malformed pattern.
    RegexTree Parse();

private:
    struct Flags {
        bool icase = false;
        bool multiline = false;
        bool dotAll = false;
        bool extended = false;
    };
    enum class FrameKind : std::uint8_t { Top, Capture, Group, Look, Atomic, Cond, CondLook };
    struct Frame {
        FrameKind kind = FrameKind::Top;
        std::int32_t group = 0;
        bool negated = false;
        bool behind = false;
        Flags outer;
        std::int32_t condGroup = -1;
        std::int32_t condNode = -1;
        std::size_t itemsStart = 0; // this group's atoms begin here in items_
    };
    // Separates the alternatives of a group in items_.
    static constexpr std::int32_t kAltBreak = -1;
    struct ClassItem {
        bool isChar = false;
        char16_t ch = 0;
    };

    bool AtEnd() const { return i_ >= p_.size(); }
    void SkipIgnorable();
    void CountGroups();
    void AddAtom(RegexNode node);
    void AddChar(char16_t c);
    void OpenGroup();
    void CloseGroup();
    bool ReadFlags(Flags& flags);
    void PushFrame(FrameKind kind);
    // Replaces the atoms of the innermost group (from begin to the end of
    // items_) by one node per alternative, stored from begin on; returns how many.
    std::size_t BuildSequences(std::size_t begin);
    std::int32_t BuildSeq(std::size_t begin, std::size_t end);
    std::int32_t BuildAlternatives(std::size_t begin);
    bool ReadBraces(std::size_t at, std::int32_t& min, std::int32_t& max, std::size_t& end) const;
    void Quantify(std::int32_t min, std::int32_t max);
    void ParseEscape();
    void ParseSet();
    ClassItem ParseClassItem(CharSet& set);
    char16_t ReadControl();
    char16_t ReadHex();
    char16_t ReadOctal(std::size_t maxDigits);
    char16_t ReadBracedOctal();

    std::u16string_view p_;
    std::size_t i_ = 0;
    RegexTree tree_;
    std::vector<Frame> frames_;
    // Atoms of all open groups, innermost last; lastAtom_ indexes it.
    std::vector<std::int32_t> items_;
    Flags flags_;
    std::int32_t lastAtom_ = -1;
    bool afterQuantifier_ = false;
    std::int32_t totalGroups_ = -1; // counted when first needed
    std::vector<std::int32_t> backrefs_;
};

} // namespace resetra::regex
