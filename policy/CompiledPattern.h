// A pattern of a rule compiled once, when the rule first tests a password,
// and searched on every later test: the live test of the change-password
// dialog runs on each keystroke and must not compile the rule's patterns
// again each time. Answers exactly as CheckStringWithRegEx does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace resetra::regex {
template <class Syntax>
class basic_rpattern;
class perl_syntax;
} // namespace resetra::regex

class CompiledPattern {
public:
    // A pattern that does not compile is kept as such: every search fails.
    explicit CompiledPattern(const std::wstring& pattern);
    ~CompiledPattern();
    CompiledPattern(const CompiledPattern&) = delete;
    CompiledPattern& operator=(const CompiledPattern&) = delete;

    // 0 with `matched` set, or -1 (and `matched` false) for a pattern that
    // did not compile, a null text, an exhausted budget or memory. The text,
    // usually a password, is searched in a copy that is wiped when freed.
    [[nodiscard]] int32_t Search(const wchar_t* text, bool& matched) const noexcept;

private:
    using Program = resetra::regex::basic_rpattern<resetra::regex::perl_syntax>;
    std::unique_ptr<const Program> m_program;
};
