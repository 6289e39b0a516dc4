// Compile-and-search for one call: nothing is cached between calls, and every
// failure, thrown or reported, ends as -1 here.
#include "regex/CheckString.h"

#include "regex/basic_rpattern.h"

namespace resetra::regex {

namespace {

// Blacklists are mostly plain words, optionally anchored ("^word$"). Such a
// pattern means a string comparison; answering it without compiling keeps a
// list of a thousand expressions cheap.
bool TryPlainWord(std::u16string_view text, std::u16string_view pattern, bool& matched) {
    const bool start = pattern.starts_with(u'^');
    if (start) {
        pattern.remove_prefix(1);
    }
    const bool end = pattern.ends_with(u'$');
    if (end) {
        pattern.remove_suffix(1);
    }
    for (const char16_t c : pattern) {
        switch (c) {
        case u'\\':
        case u'^':
        case u'$':
        case u'.':
        case u'|':
        case u'?':
        case u'*':
        case u'+':
        case u'(':
        case u')':
        case u'[':
        case u'{':
            return false;
        default:
            break;
        }
    }
    // '$' also matches before a final line end.
    auto endsAtEnd = [&](std::u16string_view t) {
        return t.ends_with(pattern) ||
               (t.ends_with(u'\n') && t.substr(0, t.size() - 1).ends_with(pattern));
    };
    if (start && end) {
        matched = text == pattern || (text.size() == pattern.size() + 1 &&
                                      text.starts_with(pattern) && text.back() == u'\n');
    } else if (start) {
        matched = text.starts_with(pattern);
    } else if (end) {
        matched = endsAtEnd(text);
    } else {
        matched = text.find(pattern) != std::u16string_view::npos;
    }
    return true;
}

} // namespace

std::int32_t CheckString(std::u16string_view text, std::u16string_view pattern,
                         bool* matched) noexcept {
    if (matched == nullptr) {
        return -1;
    }
    *matched = false;
    bool plain = false;
    if (TryPlainWord(text, pattern, plain)) {
        *matched = plain;
        return 0;
    }
    try {
        const rpattern compiled(pattern);
        basic_match_results results;
        switch (compiled.match(text, results)) {
        case MatchStatus::Matched:
            *matched = true;
            return 0;
        case MatchStatus::NoMatch:
            return 0;
        default:
            return -1;
        }
    } catch (...) {
        // bad_regexpr for a malformed pattern, std::bad_alloc for exhausted memory.
        return -1;
    }
}

std::int32_t CheckString(const char16_t* text, const char16_t* pattern, bool* matched) noexcept {
    if (matched != nullptr) {
        *matched = false;
    }
    if (text == nullptr || pattern == nullptr) {
        return -1;
    }
    return CheckString(std::u16string_view(text), std::u16string_view(pattern), matched);
}

} // namespace resetra::regex
