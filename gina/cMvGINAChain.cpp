// Chain loading and the Winlogon callbacks. LoadChain picks the next GINA from
// the chaining mode and the configured names, refuses to chain to this
// library itself under any spelling, and falls back to MSGINA.DLL.
#include "gina/cMvGINAChain.h"

#include "gina/ChainFailureTexts.h"
#include "gina/GinaProcess.h"
#include "gina/HookedDialogBoxParam.h"
#include "gina/LocalizedText.h"
#include "gina/cMvGINALog.h"
#include "support/cMvGINARegistry.h"
#include "support/RegistryKeys.h"
#include "support/WideFormat.h"
#include "support/cTarnLocaleTextCollection.h"

namespace {

const wchar_t* const kMsGina = L"MSGINA.DLL";
const wchar_t* const kEntrustGina = L"pssogina.dll";
const wchar_t* const kLibraryFileName = L"ResetraGINAx64.dll";

// Winlogon asks for this when the library would chain to itself: loading
// ourselves as the next GINA would recurse through WlxNegotiate.
constexpr LONG kChainsToItself = ERROR_CIRCULAR_DEPENDENCY;

bool EqualIgnoringCase(const std::optional<std::wstring>& value, const wchar_t* expected) {
    return value && lstrcmpiW(value->c_str(), expected) == 0;
}

const wchar_t* OrNull(const std::optional<std::wstring>& value) {
    return value ? value->c_str() : L"(null)";
}

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
}

} // namespace

LONG cMvGINAChain::LoadGina(const wchar_t* fileName) noexcept {
    if (fileName == nullptr) {
        return NoFileName;
    }
    if (*fileName == L'\0') {
        return EmptyFileName;
    }
    cMvGINALog& log = StubLog();
    log.Write(cMvGINALog::LevelInformation, L"Loading GINA: '%s'", fileName);

    resetra::UniqueHModule module(LoadLibraryW(fileName));
    if (!module) {
        const LONG code = static_cast<LONG>(GetLastError());
        log.Write(cMvGINALog::LevelError, L"Error loading GINA '%s'. Errorcode %ld.", fileName,
                  code);
        return code;
    }
    if (module.get() == OwnModule()) {
        // A full path, another spelling or a copy loaded under our name all end
        // here: chaining to ourselves would recurse until the stack overflows.
        module.reset();
        log.Write(cMvGINALog::LevelError,
                  L"GINA '%s' is this library itself and cannot be chained to. Errorcode %ld.",
                  fileName, kChainsToItself);
        return kChainsToItself;
    }

    GinaEntryPoints entry;
    HMODULE h = module.get();
    struct Required {
        const char* name;
        const wchar_t* wideName;
        bool (*resolve)(HMODULE, GinaEntryPoints&);
    };
#define RESETRA_ENTRY(field, fn)                                                                   \
    {                                                                                              \
#fn, L## #fn, [](HMODULE m, GinaEntryPoints & e) { return Resolve(m, #fn, e.field); }      \
    }
    static const Required required[] = {
        RESETRA_ENTRY(Negotiate, WlxNegotiate),
        RESETRA_ENTRY(Initialize, WlxInitialize),
        RESETRA_ENTRY(DisplaySASNotice, WlxDisplaySASNotice),
        RESETRA_ENTRY(LoggedOutSAS, WlxLoggedOutSAS),
        RESETRA_ENTRY(ActivateUserShell, WlxActivateUserShell),
        RESETRA_ENTRY(LoggedOnSAS, WlxLoggedOnSAS),
        RESETRA_ENTRY(DisplayLockedNotice, WlxDisplayLockedNotice),
        RESETRA_ENTRY(IsLockOk, WlxIsLockOk),
        RESETRA_ENTRY(WkstaLockedSAS, WlxWkstaLockedSAS),
        RESETRA_ENTRY(IsLogoffOk, WlxIsLogoffOk),
        RESETRA_ENTRY(Logoff, WlxLogoff),
        RESETRA_ENTRY(Shutdown, WlxShutdown),
    };
    static const Required optional[] = {
        RESETRA_ENTRY(StartApplication, WlxStartApplication),
        RESETRA_ENTRY(ScreenSaverNotify, WlxScreenSaverNotify),
        RESETRA_ENTRY(NetworkProviderLoad, WlxNetworkProviderLoad),
        RESETRA_ENTRY(DisplayStatusMessage, WlxDisplayStatusMessage),
        RESETRA_ENTRY(GetStatusMessage, WlxGetStatusMessage),
        RESETRA_ENTRY(RemoveStatusMessage, WlxRemoveStatusMessage),
        RESETRA_ENTRY(GetConsoleSwitchCredentials, WlxGetConsoleSwitchCredentials),
        RESETRA_ENTRY(ReconnectNotify, WlxReconnectNotify),
        RESETRA_ENTRY(DisconnectNotify, WlxDisconnectNotify),
    };
#undef RESETRA_ENTRY
    for (const Required& fn : required) {
        if (!fn.resolve(h, entry)) {
            const LONG code = static_cast<LONG>(GetLastError());
            log.Write(cMvGINALog::LevelError,
                      L"Error getting address of function %s. Errorcode %ld.", fn.wideName, code);
            // The half-resolved GINA is released before any fallback loads.
            return code;
        }
    }
    for (const Required& fn : optional) {
        if (!fn.resolve(h, entry)) {
            log.Write(cMvGINALog::LevelWarning,
                      L"Error getting address of function %s. Errorcode %ld.", fn.wideName,
                      static_cast<LONG>(GetLastError()));
        }
    }
    m_entry = entry;
    m_module = std::move(module);
    return 0;
}

LONG cMvGINAChain::LoadChain() {
    cMvGINALog& log = StubLog();
    std::optional<std::wstring> oldGina;
    std::optional<std::wstring> ginaToLoad;
    std::optional<std::wstring> winlogonGina;
    DWORD mode = 0;
    DWORD fallback = 1;
    {
        cMvGINARegistry registry;
        if (registry.Connect(nullptr, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS) {
            log.ReadSettings(registry);
            ConfigureLocalizedTexts(registry);
            (void)registry.GetString(kResetraGinaKey, L"Old GINA Location", oldGina);
            (void)registry.GetString(kWizardsPolicyKey, L"GINAToLoad", ginaToLoad);
            (void)registry.GetString(kWinlogonKey, L"GINADll", winlogonGina);
            if (registry.GetDword(kWizardsPolicyKey, L"GINAChainingMode", mode) != 0) {
                mode = 0;
            }
            if (registry.GetDword(kWizardsPolicyKey, L"LoadMSGINAOnChainingFailure", fallback) !=
                0) {
                fallback = 1;
            }
            registry.Close();
        }
    }

    const bool entrust = EqualIgnoringCase(winlogonGina, kEntrustGina);
    const bool self = EqualIgnoringCase(oldGina, kLibraryFileName);

    log.Write(cMvGINALog::LevelInformation, L"Loading ResetraGINA.dll.");
    log.Write(cMvGINALog::LevelInformation,
              L"Original GINA: '%s', GINA To Load: '%s'. GINA Chaining Mode '%ld'.",
              OrNull(oldGina), OrNull(ginaToLoad), static_cast<LONG>(mode));
    if (entrust) {
        log.Write(cMvGINALog::LevelInformation, L"Entrust GINA detected.");
    }

    // Mode 1 always loads MSGINA.DLL; mode 2 "GINAToLoad" if present; every
    // other mode the GINA configured before, unless Entrust or this library.
    const wchar_t* chosen = kMsGina;
    if (mode == 2) {
        chosen = ginaToLoad ? ginaToLoad->c_str() : kMsGina;
    } else if (mode != 1 && !entrust && !self && oldGina && !oldGina->empty()) {
        chosen = oldGina->c_str();
    }

    const LONG code = LoadGina(chosen);
    if (code != 0) {
        if (fallback == 0) {
            log.Write(cMvGINALog::LevelError, L"Error loading GINA '%s'. Errorcode %ld", chosen,
                      code);
            return code;
        }
        log.Write(cMvGINALog::LevelWarning,
                  L"Error loading GINA '%s'. Trying to load MSGINA.DLL Errorcode %ld", chosen,
                  code);
        const LONG fallbackCode = LoadGina(kMsGina);
        if (fallbackCode != 0) {
            log.Write(cMvGINALog::LevelError, L"Error loading MS GINA. Errorcode %ld",
                      fallbackCode);
            return code;
        }
        if (*chosen != L'\0') {
            PrepareChainingFailureNotice(chosen, code);
        }
    }
    log.Write(cMvGINALog::LevelInformation, L"ResetraGINA.dll loaded.");
    return 0;
}

void cMvGINAChain::PrepareChainingFailureNotice(const wchar_t* chosenName, LONG code) {
    std::wstring title;
    std::wstring format;
    GetChainFailureTexts(title, format);
    m_errorDialog.SetTexts(title, FormatWide(format.c_str(), chosenName, code));
    m_showChainingFailure = true;
}

void cMvGINAChain::HookDispatchTable(HANDLE winlogon, PVOID dispatchTable) noexcept {
    m_dispatch = static_cast<PWLX_DISPATCH_VERSION_1_0>(dispatchTable);
    m_winlogon = winlogon;
    if (m_dispatch != nullptr) {
        m_winlogonDialogBoxParam = m_dispatch->WlxDialogBoxParam;
        m_dispatch->WlxDialogBoxParam = &HookedDialogBoxParam;
    }
}

int cMvGINAChain::CallWinlogonDialogBoxParam(HANDLE instance, LPWSTR dialogTemplate, HWND owner,
                                             DLGPROC dialogProc, LPARAM parameter) const noexcept {
    if (m_winlogonDialogBoxParam == nullptr) {
        return NoWinlogon;
    }
    return m_winlogonDialogBoxParam(m_winlogon, instance, dialogTemplate, owner, dialogProc,
                                    parameter);
}

int cMvGINAChain::WinlogonMessageBox(HWND owner, LPWSTR text, LPWSTR title,
                                     UINT style) const noexcept {
    if (m_dispatch == nullptr || m_dispatch->WlxMessageBox == nullptr) {
        return NoWinlogon;
    }
    return m_dispatch->WlxMessageBox(m_winlogon, owner, text, title, style);
}

void cMvGINAChain::ShowChainingFailureNotice() noexcept {
    (void)m_errorDialog.Show();
}

void cMvGINAChain::WriteLogV(unsigned level, const wchar_t* format, va_list args) noexcept {
    StubLog().WriteV(level, format, args);
}

std::wstring cMvGINAChain::Text(const TextKey& key) const {
    return LocalizedText(key);
}

DWORD cMvGINAChain::TextLanguageId() const noexcept {
    return ProcessTextCollection().GetLanguageId();
}

HINSTANCE cMvGINAChain::ResourceModule() const noexcept {
    return LibraryInstance();
}

cMvGINAChain::~cMvGINAChain() {
    // The chained GINA goes first; the extension objects after it.
    m_module.reset();
}
