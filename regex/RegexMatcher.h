// RegexMatcher: runs a RegexProgram over a text with Perl's backtracking order.
// All backtracking state lives on the heap, in a stack of choice points
// (alternatives, look-around and atomic markers) and a trail of undo records,
// so depth never touches the thread's stack.
// Work is bounded by a step budget; pure (instruction, position) pairs that
// failed once are remembered in a bit set so classic catastrophic patterns
// finish in polynomial time.
#pragma once

#include "regex/RegexProgram.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace resetra::regex {

enum class MatchStatus : std::uint8_t {
    NoMatch,
    Matched,
    BudgetExhausted, // steps, backtracking memory or recursion depth ran out
    RuntimeError,    // endless recursion into the pattern
};

struct MatchLimits {
    std::int64_t baseSteps = 20'000'000;
    std::int64_t stepsPerUnit = 32;
    std::size_t maxStackEntries = std::size_t{1} << 22;
    std::size_t maxMemoBytes = std::size_t{32} << 20;
    std::size_t maxCallDepth = 5000;
    // Memoise and check the text's requirements from the first step instead
    // of after a grace period; the differential test uses it to check that
    // neither ever changes an answer.
    bool memoFromStart = false;
};

class RegexMatcher {
public:
    RegexMatcher(const RegexProgram& program, std::u16string_view text, const MatchLimits& limits);

    // Leftmost match. On Matched, captures holds start/end per group (group 0
    // is the whole match), -1 for a group that did not take part.
    [[nodiscard]] MatchStatus Search(std::vector<std::int32_t>& captures);
    std::int64_t Steps() const noexcept { return steps_; }

private:
    // A choice point: where to resume, and how long the trail was then.
    struct Entry {
        std::int32_t kind;
        std::int32_t pc;
        std::int32_t a;
        std::int32_t b;
        std::uint32_t trail = 0;
    };
    // An undo record: a capture, register or recursion change to take back.
    struct Undo {
        std::int32_t kind;
        std::int32_t index;
        std::int32_t a;
        std::int32_t b;
    };
    struct CallFrame {
        std::int32_t returnPc;
        std::int32_t pos;
        std::vector<std::int32_t> caps;
        std::vector<std::int32_t> regs;
    };

    MatchStatus Run(std::int32_t start);
    bool Push(Entry e) {
        if (choices_.size() + trail_.size() >= limits_.maxStackEntries) [[unlikely]] {
            stackFull_ = true;
            checkAt_ = 0;
            return false;
        }
        e.trail = static_cast<std::uint32_t>(trail_.size());
        choices_.push_back(e);
        return true;
    }
    bool Trail(const Undo& u) {
        if (choices_.size() + trail_.size() >= limits_.maxStackEntries) [[unlikely]] {
            stackFull_ = true;
            checkAt_ = 0;
            return false;
        }
        trail_.push_back(u);
        return true;
    }
    void SetCap(std::int32_t index, std::int32_t value);
    void SetReg(std::int32_t index, std::int32_t value);
    bool UnitMatches(const Inst& in, char16_t c) const noexcept;
    // End of the run of units matching a Star's unit from pos, at most limit.
    std::int32_t ScanUnits(const Inst& in, std::int32_t pos, std::int32_t limit) const noexcept;
    // Lowers checkAt_ to the next step at which Run has something to do.
    void NextCheck() noexcept;
    bool TextMeetsAll() const noexcept;
    // Whether some unit of the text meets the requirement; present marks the
    // text's units below 256, high says whether it holds any above.
    bool TextMeets(const Requirement& r, const std::uint64_t* present, bool high) const noexcept;
    bool AnchorHolds(std::uint8_t kind, std::int32_t pos) const noexcept;
    std::size_t FindMarker() const noexcept;
    void Unwind(std::size_t marker);
    void UndoTo(std::size_t height);
    void EnableMemo();
    // Largest position in [low, pos] whose memo bit is clear, or low - 1.
    std::int32_t PrevUnseen(std::int32_t slot, std::int32_t pos, std::int32_t low) const noexcept;

    const RegexProgram& prog_;
    const char16_t* t_;
    std::int32_t n_;
    MatchLimits limits_;
    std::int64_t steps_ = 0;
    std::int64_t maxSteps_ = 0;
    std::int64_t memoAt_ = 0;
    std::int64_t checkAt_ = 0;
    std::int64_t requireAt_ = -1;
    bool hopeless_ = false; // the text lacks a unit every match needs
    std::vector<Entry> choices_;
    std::vector<Undo> trail_;
    std::vector<std::int32_t> caps_;
    std::vector<std::int32_t> regs_;
    std::vector<CallFrame> calls_;
    std::vector<CallFrame> retired_;
    std::vector<std::uint64_t> memo_;
    std::vector<std::int32_t> memoSlot_; // per instruction, once memoisation starts
    bool memoOn_ = false;
    bool stackFull_ = false;
};

} // namespace resetra::regex
