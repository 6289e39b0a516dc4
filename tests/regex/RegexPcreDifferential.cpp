// Differential test against PCRE2 (16-bit interpreter, default limits) on the
// shapes that make backtracking engines give up: nested quantifiers with
// back-references and look-arounds, over subjects where the unit every match
// needs is absent, present at the end, or behind a break in the middle.
// Wherever PCRE2 answers, this engine must give the same answer; the counts of
// cases each engine gives up on are printed.
//   regex_pcre_differential [--list]
#include "regex/CheckString.h"

#include <pcre2.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A unit of the pattern and a text unit it matches; '@' matches none but '.'.
struct Unit {
    const char* pattern;
    char subject;
};
constexpr Unit kUnits[] = {{"a", 'a'}, {"[a-c]", 'b'}, {"\\w", 'w'}, {".", 'y'}, {"(?i:a)", 'A'}};

// U is the unit, E the unit every match needs.
constexpr const char* kShapes[] = {
    "(U*)*\\1E",      "(U+)+\\1E",       "(U*)*E",           "(U+)+E",
    "(?=(U+)+$)E",    "^(U+)+\\1$",      "(U|U)+E",          "(U*U*)*E",
    "(?:(U)\\1?)+E",  "(?>U+)*(U+)+E",   "(U+)+(?=E)",       "(?<=U)(U+)+E",
    "(?!E)(U*)*\\1E", "((U+)\\2)+E",     "(U{1,3})+\\1E",    "(U*)+\\1{2}E",
    "(U)?(?(1)U+|U*)+E", "(U+?)+?\\1E",  "(?:U+|U)+$",       "^(?:(U)|U\\1)*+E",
};

std::string Expand(const char* shape, const char* unit) {
    std::string out;
    for (const char* p = shape; *p != 0; ++p) {
        if (*p == 'U') {
            out += unit;
        } else if (*p == 'E') {
            out += '@';
        } else {
            out += *p;
        }
    }
    return out;
}

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// 1 match, 0 no match, -1 gave up.
int Pcre(const std::u16string& pattern, const std::u16string& text) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     0, &error, &offset, nullptr);
    if (code == nullptr) {
        return -1;
    }
    pcre2_match_data* md = pcre2_match_data_create_from_pattern(code, nullptr);
    const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                               md, nullptr);
    pcre2_match_data_free(md);
    pcre2_code_free(code);
    return rc >= 0 ? 1 : rc == PCRE2_ERROR_NOMATCH ? 0 : -1;
}

int Ours(const std::u16string& pattern, const std::u16string& text) {
    bool matched = false;
    return resetra::regex::CheckString(text, pattern, &matched) != 0 ? -1 : matched ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool list = argc > 1 && std::strcmp(argv[1], "--list") == 0;
    int cases = 0;
    int pcreGaveUp = 0;
    int oursGaveUp = 0;
    int bothGaveUp = 0;
    int wrong = 0;
    for (const char* shape : kShapes) {
        for (const Unit& unit : kUnits) {
            const std::string pattern = Expand(shape, unit.pattern);
            for (std::size_t n : {20u, 64u, 254u}) {
                const std::string run(n, unit.subject);
                const std::string half(n / 2, unit.subject);
                for (const std::string& subject : {run, run + "@", run + "!", half + "!" + half + "@",
                                                   half + "@" + half + "!"}) {
                    const std::u16string p = U16(pattern);
                    const std::u16string s = U16(subject);
                    const int theirs = Pcre(p, s);
                    const int ours = Ours(p, s);
                    ++cases;
                    const char* verdict = nullptr;
                    if (theirs < 0) {
                        ++pcreGaveUp;
                        bothGaveUp += ours < 0 ? 1 : 0;
                    } else if (ours < 0) {
                        ++oursGaveUp;
                        verdict = "GAVE UP";
                    } else if (ours != theirs) {
                        ++wrong;
                        verdict = "WRONG";
                    }
                    if (verdict != nullptr && (list || wrong > 0)) {
                        std::printf("%s: /%s/ on %zu units (%s), PCRE2 %d\n", verdict,
                                    pattern.c_str(), subject.size(),
                                    subject.substr(subject.size() > 3 ? subject.size() - 3 : 0)
                                        .c_str(),
                                    theirs);
                    }
                }
            }
        }
    }
    std::printf("%d cases: PCRE2 gives up on %d (we also on %d of them); we give up on %d more; "
                "%d answers differ\n",
                cases, pcreGaveUp, bothGaveUp, oursGaveUp, wrong);
    return wrong == 0 && oursGaveUp == 0 ? 0 : 1;
}
