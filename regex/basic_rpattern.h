// basic_rpattern: a compiled pattern of the syntax class Syntax (perl_syntax),
// built from the pattern text and then searched in texts. The pattern object
// holds no state that a search changes, so one object may serve many searches.
#pragma once

#include "regex/RegexCompiler.h"
#include "regex/RegexMatcher.h"
#include "regex/RegexParser.h"
#include "regex/basic_match_results.h"
#include "regex/perl_syntax.h"

#include <string_view>
#include <type_traits>

namespace resetra::regex {

template <class Syntax>
class basic_rpattern {
    static_assert(std::is_same_v<typename Syntax::char_type, char16_t>,
                  "the engine works on UTF-16 code units");

public:
    // Throws bad_regexpr with the dialect's message for a malformed pattern.
    explicit basic_rpattern(std::u16string_view pattern)
        : program_(RegexCompiler::Compile(RegexParser(pattern).Parse())) {}

    // Leftmost match in text; results are filled when the status is Matched.
    [[nodiscard]] MatchStatus match(std::u16string_view text, basic_match_results& results,
                                    const MatchLimits& limits = MatchLimits{}) const {
        RegexMatcher matcher(program_, text, limits);
        return matcher.Search(results.offsets());
    }

    const RegexProgram& program() const noexcept { return program_; }

private:
    RegexProgram program_;
};

using rpattern = basic_rpattern<perl_syntax>;

} // namespace resetra::regex
