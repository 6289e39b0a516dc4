// Every copy of a password that a rule makes is wiped before it is freed:
// the test program's import of the C runtime's free is redirected through a
// check that looks for the password in each block handed back.
#include "PolicyTestWorld.h"

#include "policy/CRuleBlackList.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"

#include <malloc.h>

#include <cstring>
#include <cwchar>

namespace {

using FreeFunction = void(__cdecl*)(void*);
FreeFunction g_realFree = nullptr;
const wchar_t* g_watched = nullptr;
size_t g_blocksHoldingIt = 0;

bool Holds(const unsigned char* block, size_t size, const wchar_t* text) {
    const size_t bytes = std::wcslen(text) * sizeof(wchar_t);
    for (size_t i = 0; bytes != 0 && i + bytes <= size; ++i) {
        if (std::memcmp(block + i, text, bytes) == 0) {
            return true;
        }
    }
    return false;
}

void __cdecl CheckingFree(void* block) {
    if (block != nullptr && g_watched != nullptr &&
        Holds(static_cast<const unsigned char*>(block), _msize(block), g_watched)) {
        ++g_blocksHoldingIt;
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
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "free") != 0) {
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

class PasswordCopies : public PolicyTest {};

TEST_F(PasswordCopies, AreWipedBeforeTheyAreFreed) {
    static const bool redirected = RedirectFree();
    ASSERT_TRUE(redirected);
    CRuleRegex expression(CRuleRegex::kRegularExpression, L"^(?=.*[0-9])(?=.*[a-z])");
    CRuleRegex broken(CRuleRegex::kRegularExpression, L"(");
    CRuleBlackList blacklist(CRuleBlackList::kExpressions, {L"[0-9]{9}", L"x+y"});
    CRuleNameSimilarity names(true, true);
    CRulePasswordSimilarity old(true);
    CRuleBase* rules[] = {&expression, &broken, &blacklist, &names, &old};
    // Short passwords live inside string objects, long ones on the heap.
    const std::wstring passwords[] = {L"Kz7#q", L"Kz7#qLongEnoughToLeaveTheSmallBuffer-4821" +
                                                    std::wstring(200, L'm')};
    for (const std::wstring& password : passwords) {
        g_blocksHoldingIt = 0;
        g_watched = password.c_str();
        for (CRuleBase* rule : rules) {
            bool verdict = false;
            (void)rule->Test(log, verdict, user, password.c_str(), true, L"Kz7#q-old");
            (void)rule->Test(log, verdict, user, L"Kz7#q-old", true, password.c_str());
        }
        g_watched = nullptr;
        EXPECT_EQ(g_blocksHoldingIt, 0u)
            << "freed blocks still holding a password of " << password.size() << " characters";
    }
}
