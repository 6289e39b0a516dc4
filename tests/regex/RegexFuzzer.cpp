// libFuzzer target over (pattern, subject): bytes before the first zero byte
// are the pattern, the rest the subject; the top bytes stand for units beyond
// Latin-1. Besides crashes and sanitizer faults it checks that memoisation from
// the first step never changes an answer and that CheckString agrees.
#include "regex/CheckString.h"
#include "regex/bad_regexpr.h"
#include "regex/basic_rpattern.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

char16_t Unit(std::uint8_t b) {
    switch (b) {
    case 0xFA:
        return 0x0416;
    case 0xFB:
        return 0x0436;
    case 0xFC:
        return 0x263A;
    case 0xFD:
        return 0xD800;
    case 0xFE:
        return 0xFFFF;
    default:
        return b;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string pattern;
    std::u16string subject;
    std::size_t i = 0;
    for (; i < size && data[i] != 0; ++i) {
        pattern.push_back(Unit(data[i]));
    }
    for (++i; i < size; ++i) {
        subject.push_back(Unit(data[i]));
    }
    using namespace resetra::regex;
    try {
        const rpattern p(pattern);
        basic_match_results r;
        MatchLimits limits;
        limits.baseSteps = 200000;
        const MatchStatus plain = p.match(subject, r, limits);
        limits.memoFromStart = true;
        const MatchStatus memo = p.match(subject, r, limits);
        const bool decided = (plain == MatchStatus::Matched || plain == MatchStatus::NoMatch) &&
                             (memo == MatchStatus::Matched || memo == MatchStatus::NoMatch);
        if (decided && plain != memo) {
            std::abort();
        }
        // The full check with its default budget, when that budget is not
        // what the run would spend its time on.
        if (decided) {
            bool matched = false;
            if (CheckString(subject, pattern, &matched) != 0 ||
                matched != (plain == MatchStatus::Matched)) {
                std::abort();
            }
        }
    } catch (const bad_regexpr&) {
    }
    return 0;
}
