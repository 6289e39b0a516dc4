// No password leaves the rules: every rule class runs on its success and
// failure paths, with a file log letting every level through (searched for
// each password afterwards) and with this program's import of the C
// runtime's free redirected through a check of each block handed back.
#include "PolicyTestWorld.h"

#include "policy/CRuleBlackList.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"
#include "policy/RuleFactory.h"
#include "support/cMvLogHandlerFile.h"
#include "tests/support/SupportTestFiles.h"

#include <malloc.h>

#include <cstring>
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

// Points this program's import of msvcrt.dll!free at CheckingFree.
bool RedirectFree() {
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleW(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name;
         ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), "msvcrt.dll") != 0) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                std::strcmp(reinterpret_cast<const char*>(byName->Name), "free") != 0) {
                continue;
            }
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
            g_realFree = reinterpret_cast<FreeFunction>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(&CheckingFree);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            return true;
        }
    }
    return false;
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
    static const bool redirected = RedirectFree();
    ASSERT_TRUE(redirected);
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
