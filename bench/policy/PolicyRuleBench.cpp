// Times each password rule's Test on passwords of 8, 64 and 254 characters,
// the similarity rules against names and an old password of 256 characters,
// next to the literal recursive similarity where that finishes within about
// a second. The directory is simulated in this program's own imports; rows
// marked "directory" include its (simulated) round trips, the name measure
// row times the rule's five comparisons without them. Prints a table; never
// fails. Run: tools/wine-run STATE policy_rule_bench.exe
#include "policy/CRuleBlackList.h"
#include "policy/CRuleHistoryMinimumAge.h"
#include "policy/CRuleLengthMaximum.h"
#include "policy/CRuleLengthMinimum.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"
#include "policy/CScope.h"
#include "policy/Similarity.h"
#include "sim/domain/SimDomain.h"
#include "support/cMvLog.h"
#include "tests/policy/SimilarityReference.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const double kRatio = static_cast<double>(0.8f);
const size_t kLengths[] = {8, 64, 254};
// About a second of the recursion on this kind of machine.
constexpr size_t kRecursionBudget = 40000000;

double Now() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Best mean of 40 rounds of at least 2 ms each, in microseconds: on a
// shared machine the shortest rounds are the ones no other work interrupted.
double Microseconds(const std::function<void()>& call) {
    size_t calls = 1;
    double seconds = 0;
    for (;;) {
        const double start = Now();
        for (size_t i = 0; i < calls; ++i) {
            call();
        }
        seconds = Now() - start;
        if (seconds >= 0.002 || calls >= (size_t{1} << 24)) {
            break;
        }
        calls *= 2;
    }
    double best = seconds / static_cast<double>(calls);
    for (int round = 1; round < 40; ++round) {
        const double start = Now();
        for (size_t i = 0; i < calls; ++i) {
            call();
        }
        best = std::min(best, (Now() - start) / static_cast<double>(calls));
    }
    return best * 1e6;
}

std::wstring RandomText(std::mt19937& random, size_t length, const wchar_t* alphabet) {
    const size_t size = wcslen(alphabet);
    std::wstring text;
    for (size_t i = 0; i < length; ++i) {
        text.push_back(alphabet[random() % size]);
    }
    return text;
}

// A copy with every 40th character replaced: similar at the ratio 0.8.
std::wstring NearCopy(std::wstring text, size_t length) {
    text.resize(length, L'x');
    for (size_t i = 17; i < text.size(); i += 40) {
        text[i] = text[i] == L'#' ? L'%' : L'#';
    }
    return text;
}

wchar_t Lower(wchar_t ch) {
    return static_cast<wchar_t>(towlower(ch));
}

// The literal recursion for the same comparisons as a rule, in
// microseconds per rule test, or a negative value when it does not finish.
double LiteralMicroseconds(const std::vector<std::pair<std::wstring, std::wstring>>& pairs,
                           bool lowerCase) {
    const auto run = [&pairs, lowerCase](size_t budget) {
        for (const auto& [a, b] : pairs) {
            const double forward = resetra::test::ReferenceSimilarity(a.c_str(), b.c_str(), kRatio,
                                                                      lowerCase, Lower, budget);
            if (forward != 0.0) {
                (void)resetra::test::ReferenceSimilarity(b.c_str(), a.c_str(), kRatio, lowerCase,
                                                         Lower, budget);
            }
        }
    };
    try {
        const double start = Now();
        run(kRecursionBudget);
        const double once = Now() - start;
        return once > 0.05 ? once * 1e6 : Microseconds([&run] { run(SIZE_MAX); });
    } catch (const resetra::test::RecursionBudgetExhausted&) {
        return -1;
    }
}

void PrintRow(const char* name, const double (&product)[3], const double (&literal)[3]) {
    std::printf("%-44s", name);
    for (const double us : product) {
        std::printf(" %9.2f", us);
    }
    for (const double us : literal) {
        if (us < 0) {
            std::printf(" %11s", "\xE2\x80\x94");
        } else if (us == 0) {
            std::printf(" %9s", "");
        } else {
            std::printf(" %9.1f", us);
        }
    }
    std::printf("\n");
}

std::wstring ReadFixture(const wchar_t* path) {
    FILE* file = _wfopen(path, L"rb");
    if (!file) {
        return {};
    }
    std::string bytes;
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, read);
    }
    fclose(file);
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                        size);
    const size_t declarationEnd = wide.find(L"?>");
    return declarationEnd == std::wstring::npos ? wide : wide.substr(declarationEnd + 2);
}

} // namespace

int main() {
    if (FAILED(CoInitialize(nullptr))) {
        std::printf("COM could not be initialised\n");
        return 0;
    }
    std::mt19937 random(20261207);
    const wchar_t* printable =
        L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!$%&*+-./:;=?@_~";
    const wchar_t* letters = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::wstring passwords[3];
    for (size_t i = 0; i < 3; ++i) {
        passwords[i] = RandomText(random, kLengths[i], printable);
    }
    const std::wstring oldPassword = RandomText(random, 256, printable);
    const std::wstring first = RandomText(random, 256, letters);
    const std::wstring last = RandomText(random, 256, letters);
    const std::wstring full = RandomText(random, 256, letters);
    const std::wstring login = RandomText(random, 256, letters);
    const std::wstring sam = L"bob";

    // Bob of the example domain, with names of 256 characters.
    const std::wstring fixture = ReadFixture(RESETRA_EXAMPLE_DOMAIN);
    std::wstring longNames = fixture;
    const std::wstring from = L"first=\"Bob\" last=\"Builder\" full=\"Bob Builder\"";
    const size_t at = longNames.find(from);
    if (at != std::wstring::npos) {
        longNames.replace(at, from.size(),
                          L"first=\"" + first + L"\" last=\"" + last + L"\" full=\"" + full +
                              L"\"");
    }
    const bool directory =
        !fixture.empty() &&
        InstallSimulatedDomain(GetModuleHandleW(nullptr), RESETRA_EXAMPLE_DOMAIN) == 0 &&
        LoadSimulatedDomainText(longNames.c_str()) == 0;
    if (!directory) {
        std::printf("the simulated domain could not be installed; directory rows are left out\n");
    }
    const CScope user(CScope::ST_USERS, nullptr, L"corp.example.com/Sales/EMEA/Bob Builder",
                      (login + L"@corp.example.com").c_str());

    std::vector<std::wstring> words;
    for (int i = 0; i < 200; ++i) {
        words.push_back(RandomText(random, 6 + random() % 6, letters));
    }
    const std::vector<std::wstring> expressions = {
        L"password",       L"qwert",     L"[0-9]{6}", L"(abc|123)", L"admin.*",
        L"^[a-z]+[0-9]*$", L"(.)\\1\\1", L"letmein",  L"[A-Z]{5}",  L"winter|summer|spring|autumn"};

    cMvLog log; // no handler: the rules' formatting is skipped, as at a quiet log mask
    CRuleLengthMinimum minimumLength(8);
    CRuleLengthMaximum maximumLength(256);
    CRuleHistoryMinimumAge minimumAge(1440);
    CRuleRegex repeating(CRuleRegex::kRepeatingCharacters, nullptr);
    CRuleRegex requirements(CRuleRegex::kCharacterRequirements,
                            L".*[A-Z].*[0-9].*|.*[0-9].*[A-Z].*");
    CRuleRegex expression(CRuleRegex::kRegularExpression, L".*[!$%&*+./:;=?@_~-].*");
    CRuleBlackList literalList(CRuleBlackList::kLiteral, words);
    CRuleBlackList expressionList(CRuleBlackList::kExpressions, expressions);
    CRulePasswordSimilarity passwordRule(true);
    CRuleNameSimilarity loginRule(true, false);
    CRuleNameSimilarity fullNameRule(false, true);
    CRuleNameSimilarity bothRule(true, true);

    std::printf(
        "Rule Test, microseconds per call (best mean of 40 short rounds); the literal recursive\n"
        "similarity for the same comparisons, \xE2\x80\x94 where it does not finish within"
        " about a second.\nPasswords of 8, 64 and 254 characters; names and the old"
        " password 256.\n\n");
    std::printf("%-44s %9s %9s %9s %9s %9s %9s\n", "rule", "8", "64", "254", "rec. 8", "rec. 64",
                "rec. 254");
    const double none[3] = {0, 0, 0};
    const auto timeRule = [&](const char* name, CRuleBase& rule, const wchar_t* old) {
        double us[3];
        for (size_t i = 0; i < 3; ++i) {
            const wchar_t* password = passwords[i].c_str();
            us[i] = Microseconds([&] {
                bool valid = false;
                (void)rule.Test(log, valid, user, password, false, old);
            });
        }
        PrintRow(name, us, none);
    };
    timeRule("minimum length", minimumLength, nullptr);
    timeRule("maximum length", maximumLength, nullptr);
    timeRule("regex: repeating characters (built in)", repeating, nullptr);
    timeRule("regex: character requirements", requirements, nullptr);
    timeRule("regex: expression", expression, nullptr);
    timeRule("blacklist: 200 literal items", literalList, nullptr);
    timeRule("blacklist: 10 expressions", expressionList, nullptr);

    // `compared(i)`: what the rule compares the i-th password with; the
    // password rule takes the first value as the old password.
    const auto timeSimilarity =
        [&](const char* name, CRuleBase& rule,
            const std::function<std::vector<std::wstring>(size_t)>& compared, bool lowerCase,
            bool oldPassword) {
            double us[3];
            double literal[3];
            for (size_t i = 0; i < 3; ++i) {
                const wchar_t* password = passwords[i].c_str();
                const std::vector<std::wstring> values = compared(i);
                const wchar_t* old = oldPassword ? values[0].c_str() : nullptr;
                us[i] = Microseconds([&] {
                    bool valid = false;
                    (void)rule.Test(log, valid, user, password, false, old);
                });
                std::vector<std::pair<std::wstring, std::wstring>> pairs;
                for (const std::wstring& value : values) {
                    pairs.emplace_back(passwords[i], value);
                }
                literal[i] = LiteralMicroseconds(pairs, lowerCase);
            }
            PrintRow(name, us, literal);
        };
    timeSimilarity(
        "password similarity, unrelated old password", passwordRule,
        [&](size_t) { return std::vector<std::wstring>{oldPassword}; }, false, true);
    // The old password near the new one (every 40th character changed, two
    // more at the end): the search meets low costs everywhere.
    timeSimilarity(
        "password similarity, near old password", passwordRule,
        [&](size_t i) {
            return std::vector<std::wstring>{NearCopy(passwords[i], passwords[i].size() + 2)};
        },
        false, true);
    timeSimilarity(
        "name similarity, login check", loginRule,
        [&](size_t) { return std::vector<std::wstring>{login}; }, false, false);

    // The full-name check's four comparisons, as the rule makes them, without
    // the directory; then the whole rule with the simulated directory.
    {
        double us[3];
        double literal[3];
        const std::wstring names[] = {first, last, full, sam};
        for (size_t i = 0; i < 3; ++i) {
            const wchar_t* password = passwords[i].c_str();
            us[i] = Microseconds([&] {
                double largest = 0;
                for (const std::wstring& name : names) {
                    largest =
                        std::max(largest, PairSimilarity(password, name.c_str(), kRatio, true));
                }
                largest = std::max(largest, PairSimilarity(password, login.c_str(), kRatio, false));
                (void)largest;
            });
            std::vector<std::pair<std::wstring, std::wstring>> pairs;
            for (const std::wstring& name : names) {
                pairs.emplace_back(passwords[i], name);
            }
            literal[i] = LiteralMicroseconds(pairs, true);
        }
        PrintRow("name similarity: 5 comparisons, no directory", us, literal);
    }
    if (directory) {
        timeRule("name similarity, full name (directory)", fullNameRule, nullptr);
        timeRule("name similarity, both checks (directory)", bothRule, nullptr);
        timeRule("minimum age (directory)", minimumAge, nullptr);
    }
    CoUninitialize();
    return 0;
}
