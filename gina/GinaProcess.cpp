// Definitions of the process-wide objects. They are constructed before the
// library's entry point runs and destroyed after it returns for the last time.
#include "gina/GinaProcess.h"

#include "gina/cMvGINAChain.h"
#include "gina/cMvGINALog.h"
#include "support/cTarnLocaleTextCollection.h"

namespace {
HINSTANCE g_instance = nullptr;
cMvGINALog g_stubLog;
// Before the chain, so that it outlives everything the chain holds.
cTarnLocaleTextCollection g_localeTexts;
cMvGINAChain g_chain;
} // namespace

void SetLibraryInstance(HINSTANCE instance) noexcept {
    g_instance = instance;
}

HINSTANCE LibraryInstance() noexcept {
    return g_instance;
}

HMODULE OwnModule() noexcept {
    if (g_instance != nullptr) {
        return g_instance;
    }
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnModule), &module);
    return module;
}

cMvGINAChain& Chain() noexcept {
    return g_chain;
}

cMvGINALog& StubLog() noexcept {
    return g_stubLog;
}

cTarnLocaleTextCollection& ProcessTextCollection() noexcept {
    return g_localeTexts;
}
