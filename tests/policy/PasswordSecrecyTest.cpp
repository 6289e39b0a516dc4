// No password leaves the rules: every rule class runs on its success and
// failure paths, with a file log letting every level through (searched for
// each password afterwards) and with this program's import of the C
// runtime's free pointed at a check of each block handed back.
#include "PolicyTestWorld.h"

#include "policy/CRuleBlackList.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"
#include "policy/RuleFactory.h"
#include "support/cMvLogHandlerFile.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/SupportTestFiles.h"

#include <malloc.h>

#include <cwctype>
#include <string_view>

namespace {

using FreeFunction = void(__cdecl*)(void*);
FreeFunction g_realFree = nullptr;
const std::vector<std::wstring>* g_watched = nullptr; // as typed and lower-cased
size_t g_blocksHoldingOne = 0;

void __cdecl CheckingFree(void* block) {
    if (block != nullptr && g_watched != nullptr) {
        const std::string_view bytes(static_cast<const char*>(block), _msize(block));
        for (const std::wstring& watched : *g_watched) {
            const std::string_view text(reinterpret_cast<const char*>(watched.data()),
                                        watched.size() * sizeof(wchar_t));
            g_blocksHoldingOne += bytes.find(text) != text.npos;
        }
    }
    g_realFree(block);
}

} // namespace

class PasswordSecrecy : public PolicyTest {
protected:
    // Runs every rule class, as new and as old password, for users found,
    // missing and failing in the directory; returns the number of runs.
    size_t RunEveryRule(cMvLog& runLog) {
        RuleList rules = MakeBuiltInRules();
        rules.push_back(std::make_unique<CRuleNameSimilarity>(true, true));
        rules.push_back(std::make_unique<CRulePasswordSimilarity>(true));
        rules.push_back(std::make_unique<CRuleRegex>(CRuleRegex::kRegularExpression, L"("));
        rules.push_back(std::make_unique<CRuleRegex>(CRuleRegex::kRegularExpression,
                                                     L"^(?=.*[0-9])(?=.*[a-z])"));
        rules.push_back(std::make_unique<CRuleBlackList>(
            CRuleBlackList::kExpressions, std::vector<std::wstring>{L"q{5}", L"x+y", L"("}));
        rules.push_back(std::make_unique<CRuleBlackList>(
            CRuleBlackList::kLiteral, std::vector<std::wstring>{L"PW-ALPHA-7713"}));
        rules.push_back(std::make_unique<CRuleBlackList>(7));
        const CScope scopes[] = {user, ScopeOf(L"corp.example.com/Nobody", L"nobody"),
                                 ScopeOf(L"lab.example.net/Research/Optics/Frank Fox", nullptr)};
        size_t runs = 0;
        for (const CScope& scope : scopes) {
            for (const auto& rule : rules) {
                for (const std::wstring& password : passwords) {
                    bool verdict = false;
                    (void)rule->Test(runLog, verdict, scope, password.c_str(), true, kOld);
                    (void)rule->Test(runLog, verdict, scope, kOld, true, password.c_str());
                    runs += 2;
                }
            }
        }
        return runs;
    }

    static constexpr const wchar_t* kOld = L"OldSecret-5521";
    // Short passwords live inside string objects, long ones on the heap; one
    // holds characters beyond 255, which the similarity measure tabulates.
    const std::wstring passwords[5] = {L"Pw-Alpha-7713", L"zz\u00e9Secret42\u0416\u0436",
                                       L"BUILDERbob", L"(((",
                                       L"Lp" + std::wstring(250, L'q') + L"#9\u0414"};
};

TEST_F(PasswordSecrecy, NoPasswordTextReachesTheLogAtAnyLevel) {
    const TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    cMvLogHandlerFile file(path.c_str(), LogLevel::All, 64 * 1024 * 1024, 0);
    cMvLog fileLog;
    fileLog.AddHandler(&file);
    const size_t runs = RunEveryRule(fileLog);
    fileLog.Flush();
    const std::wstring text = ReadUtf16File(path);
    ASSERT_GT(text.size(), runs * 10) << "the log must have received the runs";
    for (const std::wstring& password : passwords) {
        EXPECT_EQ(text.find(password), std::wstring::npos) << password.size();
    }
    EXPECT_EQ(text.find(kOld), std::wstring::npos);
    EXPECT_NE(text.find(L"Debug"), std::wstring::npos);
    EXPECT_NE(text.find(L"Error"), std::wstring::npos);
}

TEST_F(PasswordSecrecy, EveryCopyOfAPasswordIsWipedBeforeItIsFreed) {
    if (g_realFree == nullptr) {
        g_realFree = reinterpret_cast<FreeFunction>(
            ReplaceImport("free", reinterpret_cast<const void*>(&CheckingFree)));
    }
    ASSERT_NE(g_realFree, nullptr);
    std::vector<std::wstring> watched; // never reallocated: no stale copy in the heap
    watched.reserve(2 * std::size(passwords));
    for (const std::wstring& password : passwords) {
        watched.push_back(password);
        for (wchar_t& ch : watched.emplace_back(password)) {
            ch = towlower(ch);
        }
    }
    g_blocksHoldingOne = 0;
    g_watched = &watched;
    (void)RunEveryRule(log);
    g_watched = nullptr;
    EXPECT_EQ(g_blocksHoldingOne, 0u) << "freed blocks still holding a password";
}
