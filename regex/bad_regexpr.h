// bad_regexpr: the exception the pattern compiler throws for a malformed
// pattern. Its message is one of the fixed texts of the dialect (for example
// "mismatched parenthesis"); the exported check turns it into the result -1.
#pragma once

#include <stdexcept>

namespace resetra::regex {

class bad_regexpr : public std::runtime_error {
public:
    explicit bad_regexpr(const char* message) : std::runtime_error(message) {}
};

} // namespace resetra::regex
