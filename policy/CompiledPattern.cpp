// The compiled pattern of a rule: compiled by our own matcher once, searched
// in a wiped UTF-16 copy of each password. Every failure, thrown or
// reported, ends as -1, the code the exported check gives.
#include "policy/CompiledPattern.h"

#include "policy/DirectedSimilarity.h"
#include "regex/basic_rpattern.h"

#include <cwchar>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 on Windows");

namespace {

constexpr int32_t kFailed = -1;

} // namespace

CompiledPattern::CompiledPattern(const std::wstring& pattern) {
    try {
        const std::u16string units(pattern.begin(), pattern.end());
        m_program = std::make_unique<const Program>(units);
    } catch (...) {
        // bad_regexpr for a malformed pattern, std::bad_alloc for memory.
        m_program.reset();
    }
}

CompiledPattern::~CompiledPattern() = default;

int32_t CompiledPattern::Search(const wchar_t* text, bool& matched) const noexcept {
    matched = false;
    if (!m_program || text == nullptr) {
        return kFailed;
    }
    try {
        const size_t length = std::wcslen(text);
        resetra::similarity::WipingVector<char16_t> units(length);
        for (size_t i = 0; i < length; ++i) {
            units[i] = static_cast<char16_t>(text[i]);
        }
        resetra::regex::basic_match_results results;
        switch (m_program->match(std::u16string_view(units.data(), units.size()), results)) {
        case resetra::regex::MatchStatus::Matched:
            matched = true;
            return 0;
        case resetra::regex::MatchStatus::NoMatch:
            return 0;
        default:
            return kFailed;
        }
    } catch (...) {
        return kFailed;
    }
}
