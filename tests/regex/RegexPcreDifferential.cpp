// Differential test against PCRE2 (16-bit interpreter, default limits) on the
// shapes that make backtracking engines give up: nested quantifiers with
// back-references, look-arounds and conditionals, over subjects of 20 to 254
// units where the unit every match needs is absent, at the end, or behind a
// break. Wherever PCRE2 answers we must answer the same; the counts of cases
// each engine gives up on are printed. --list names every case we give up on.
#include "regex/CheckString.h"

#include <pcre2.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A unit of the pattern (U) and a text unit it matches; '@' (E) is matched by '.' only.
constexpr std::pair<const char*, char> kUnits[] = {
    {"a", 'a'}, {"[a-c]", 'b'}, {"\\w", 'w'}, {".", 'y'}, {"(?i:a)", 'A'}};
constexpr const char* kShapes[] = {
    "(U*)*\\1E",    "(U+)+\\1E",         "(U*)*E",         "(U+)+E",        "(?=(U+)+$)E",
    "^(U+)+\\1$",   "(U|U)+E",           "(U*U*)*E",       "(?:(U)\\1?)+E", "(?>U+)*(U+)+E",
    "(U+)+(?=E)",   "(?<=U)(U+)+E",      "(?!E)(U*)*\\1E", "((U+)\\2)+E",   "(U{1,3})+\\1E",
    "(U*)+\\1{2}E", "(U)?(?(1)U+|U*)+E", "(U+?)+?\\1E",    "(?:U+|U)+$",    "^(?:(U)|U\\1)*+E",
};

std::u16string Expand(const char* shape, const char* unit) {
    std::string out;
    for (const char* p = shape; *p != 0; ++p) {
        out += *p == 'U' ? std::string(unit) : *p == 'E' ? std::string("@") : std::string(1, *p);
    }
    return std::u16string(out.begin(), out.end());
}

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
    int cases = 0, pcreGaveUp = 0, bothGaveUp = 0, oursGaveUp = 0, wrong = 0;
    for (const char* shape : kShapes) {
        for (const auto& [unit, c] : kUnits) {
            const std::u16string pattern = Expand(shape, unit);
            for (std::size_t n : {20u, 64u, 254u}) {
                const std::u16string run(n, c), half(n / 2, c);
                for (const std::u16string& text :
                     {run, run + u"@", run + u"!", half + u"!" + half + u"@",
                      half + u"@" + half + u"!"}) {
                    const int theirs = Pcre(pattern, text);
                    const int ours = Ours(pattern, text);
                    ++cases;
                    pcreGaveUp += theirs < 0;
                    bothGaveUp += theirs < 0 && ours < 0;
                    oursGaveUp += theirs >= 0 && ours < 0;
                    wrong += theirs >= 0 && ours >= 0 && ours != theirs;
                    if (theirs >= 0 && ours != theirs && (list || ours >= 0)) {
                        std::printf("%s: /%s/ on %zu units ending \"%s\": PCRE2 %d, ours %d\n",
                                    ours < 0 ? "GAVE UP" : "WRONG",
                                    std::string(pattern.begin(), pattern.end()).c_str(),
                                    text.size(), std::string(text.end() - 3, text.end()).c_str(),
                                    theirs, ours);
                    }
                }
            }
        }
    }
    std::printf("%d cases: PCRE2 gives up on %d (we also on %d of them); we give up on %d that "
                "PCRE2 answers; %d answers differ\n",
                cases, pcreGaveUp, bothGaveUp, oursGaveUp, wrong);
    return wrong == 0 && oursGaveUp == 0 ? 0 : 1;
}
