// The export as other programs see it: ResetraGINAx64.dll loaded with
// LoadLibraryW, CheckStringWithRegEx found by name, called with the curated
// cases, wrong length arguments, null pointers and hostile patterns.
#include "tests/regex/RegexCaseTable.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>

using namespace resetra::regex::test;

namespace {

using CheckFn = std::int32_t (*)(const wchar_t*, std::int32_t, const wchar_t*, std::int32_t, bool*);

class CheckStringWithRegExExport : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(RESETRA_PRODUCT_DLL);
        ASSERT_NE(module_, nullptr) << "LoadLibraryW failed: " << GetLastError();
        check_ = reinterpret_cast<CheckFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "CheckStringWithRegEx")));
        ASSERT_NE(check_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }

    // The check's answer as 1, 0 or -1; the lengths default to the true ones.
    int Call(const wchar_t* text, const wchar_t* pattern, std::int32_t textLength = -2,
             std::int32_t patternLength = -2) {
        const auto length = [](const wchar_t* s, std::int32_t n) {
            return n == -2 ? static_cast<std::int32_t>(std::wcslen(s)) : n;
        };
        bool matched = true;
        const std::int32_t rc = check_(text, length(text, textLength), pattern,
                                       length(pattern, patternLength), &matched);
        EXPECT_TRUE(rc == 0 || (rc == -1 && !matched)) << rc;
        return rc != 0 ? -1 : matched ? 1 : 0;
    }

    HMODULE module_ = nullptr;
    CheckFn check_ = nullptr;
};

const wchar_t* W(const char16_t* s) {
    return reinterpret_cast<const wchar_t*>(s);
}

} // namespace

TEST_F(CheckStringWithRegExExport, AnswersEveryCuratedCaseThroughTheLoadedLibrary) {
    for (const CuratedGroup& g : kCuratedGroups) {
        for (const CuratedCase& c : g.cases) {
            EXPECT_EQ(Call(W(c.text), W(c.pattern)), c.expected)
                << g.name << " #" << &c - g.cases.data();
        }
    }
}

TEST_F(CheckStringWithRegExExport, ReadsBothStringsToTheirNullWhateverTheLengthsSay) {
    for (std::int32_t length : {0, -1, 1, 3, 1000000, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(Call(L"xxabcxx", L"abc", length, length), 1) << length;
        EXPECT_EQ(Call(L"xxabcxx", L"^abc$", length, 0), 0) << length;
        EXPECT_EQ(Call(L"aaa", L"a{3,1}", 0, length), -1) << length;
    }
}

TEST_F(CheckStringWithRegExExport, ReturnsMinusOneForNullPointersAndClearsTheOutcome) {
    for (const wchar_t* text : {static_cast<const wchar_t*>(nullptr), L"a"}) {
        bool matched = true;
        EXPECT_EQ(check_(text, 1, text == nullptr ? L"a" : nullptr, 1, &matched), -1);
        EXPECT_FALSE(matched);
    }
    EXPECT_EQ(check_(L"a", 1, L"a", 1, nullptr), -1);
    EXPECT_EQ(check_(nullptr, 0, nullptr, 0, nullptr), -1);
}

// The engine's bounds are tested on their own; here only that its deep
// recursion fits the stack of the loaded library.
TEST_F(CheckStringWithRegExExport, SurvivesADeeplyNestedPatternInsideTheLibrary) {
    const std::wstring deep = std::wstring(100000, L'(') + L"a" + std::wstring(100000, L')');
    EXPECT_EQ(Call(L"xa", deep.c_str()), 1);
}
