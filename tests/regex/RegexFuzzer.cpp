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
    constexpr char16_t kHigh[] = {0x0416, 0x0436, 0x263A, 0xD800, 0xFFFF}; // 0xFA to 0xFE
    return b >= 0xFA && b <= 0xFE ? kHigh[b - 0xFA] : b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string pattern, subject;
    std::size_t i = 0;
    for (; i < size && data[i] != 0; ++i) {
        pattern.push_back(Unit(data[i]));
    }
    while (++i < size) {
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
        const auto decided = [](MatchStatus s) {
            return s == MatchStatus::Matched || s == MatchStatus::NoMatch;
        };
        // The full check with its default budget only when the bounded run
        // decided, so that the budget is not what the run spends its time on.
        bool matched = false;
        if (decided(plain) && decided(memo) &&
            (plain != memo || CheckString(subject, pattern, &matched) != 0 ||
             matched != (plain == MatchStatus::Matched))) {
            std::abort();
        }
    } catch (const bad_regexpr&) {
    }
    return 0;
}
