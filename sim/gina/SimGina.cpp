// The chained GINA stand-in: exports the GINA entry points (which ones depends
// on the variant's module definition), journals every call with its
// arguments, returns scripted results and shows its logon, locked and
// change-password dialogs through Winlogon's WlxDialogBoxParam as MSGINA does.
#include <windows.h>
#include <commctrl.h>

extern "C" {
#include <winwlx.h>
}

#include "sim/common/SimJournal.h"
#include "sim/common/SimScenario.h"
#include "sim/gina/SimGina.h"

#include <string>

namespace {

struct SimGinaContext {
    DWORD magic = 0x53494D47; // "SIMG"
    HANDLE winlogon = nullptr;
    PWLX_DISPATCH_VERSION_1_4 dispatch = nullptr;
};

HINSTANCE g_instance = nullptr;
SimGinaContext g_context;
SimScenario g_scenario;
bool g_scenarioLoaded = false;

const SimScenario& Scenario() {
    if (!g_scenarioLoaded) {
        g_scenarioLoaded = true;
        wchar_t path[MAX_PATH * 2];
        const DWORD length =
            GetEnvironmentVariableW(SimJournal::ScenarioVariable, path, MAX_PATH * 2);
        if (length > 0 && length < MAX_PATH * 2) {
            g_scenario.Load(path);
        }
    }
    return g_scenario;
}

std::wstring P(const void* p) {
    return SimJournal::Pointer(p);
}
std::wstring H(ULONG_PTR v) {
    return SimJournal::Hex(v);
}

std::wstring Ctx(PVOID context) {
    return L"ctx=" + P(context) + L" ctx-ok=" + (context == &g_context ? L"1" : L"0");
}

// Scripted result of an entry point, or the one the GINA computed.
template <typename T>
T Result(const wchar_t* function, T computed) {
    const std::wstring key = std::wstring(L"chained.result.") + function;
    return static_cast<T>(Scenario().GetNumber(key, static_cast<ULONG_PTR>(computed)));
}

std::wstring Words(const std::wstring& list, size_t index) {
    const auto words = SimScenario::SplitWords(list);
    return index < words.size() ? words[index] : L"";
}

// ---- dialogs ---------------------------------------------------------------

struct DialogKind {
    int templateNumber;
    int userControl;
    int domainControl;
};

void FillDomains(HWND dialog, int control) {
    const auto domains =
        SimScenario::SplitWords(Scenario().Get(L"chained.domains", L"CONTOSO FABRIKAM"));
    for (const std::wstring& domain : domains) {
        SendDlgItemMessageW(dialog, control, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(domain.c_str()));
    }
    SendDlgItemMessageW(dialog, control, CB_SETCURSEL, 0, 0);
}

std::wstring ControlText(HWND dialog, int control) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, control, text, 511);
    return text;
}

INT_PTR CommonDialogProc(const DialogKind& kind, HWND dialog, UINT message, WPARAM wParam,
                         LPARAM lParam) {
    if (Scenario().GetNumber(L"chained.trace-messages", 0) != 0) {
        SimJournal::Writef(L"chained dlgmsg template=%d hwnd=%ls msg=%ls wparam=%ls lparam=%ls",
                           kind.templateNumber, P(dialog).c_str(), H(message).c_str(),
                           H(wParam).c_str(), H(static_cast<ULONG_PTR>(lParam)).c_str());
    }
    switch (message) {
    case WM_INITDIALOG:
        SimJournal::Writef(L"chained dialog-init template=%d param=%ls", kind.templateNumber,
                           H(static_cast<ULONG_PTR>(lParam)).c_str());
        if (kind.userControl != 0) {
            SetDlgItemTextW(dialog, kind.userControl,
                            Scenario().Get(L"chained.user", L"alice").c_str());
        }
        if (kind.domainControl != 0) {
            FillDomains(dialog, kind.domainControl);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            std::wstring line =
                L"chained dialog-ok template=" + std::to_wstring(kind.templateNumber);
            if (kind.userControl != 0) {
                line +=
                    L" user=" + SimJournal::Field(ControlText(dialog, kind.userControl).c_str());
            }
            if (kind.domainControl != 0) {
                line += L" domain=" +
                        SimJournal::Field(ControlText(dialog, kind.domainControl).c_str());
            }
            SimJournal::Write(line);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            SimJournal::Writef(L"chained dialog-cancel template=%d", kind.templateNumber);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_LOGON_SHUTDOWN && kind.templateNumber == IDD_SIM_LOGON) {
            EndDialog(dialog, IDC_LOGON_SHUTDOWN);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK LogonDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static const DialogKind kind{IDD_SIM_LOGON, IDC_LOGON_USER, IDC_LOGON_DOMAIN};
    return CommonDialogProc(kind, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK LockedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static const DialogKind kind{IDD_SIM_LOCKED, IDC_LOCKED_USER, IDC_LOCKED_DOMAIN};
    return CommonDialogProc(kind, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK ChangePasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static const DialogKind kind{IDD_SIM_CHANGE_PASSWORD, IDC_CHPW_USER, IDC_CHPW_DOMAIN};
    return CommonDialogProc(kind, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK OtherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static const DialogKind kind{IDD_SIM_OTHER, 0, 0};
    return CommonDialogProc(kind, dialog, message, wParam, lParam);
}

// A template name placed at an address whose bits 16 to 31 are zero: such a
// pointer must still be taken for a name, never for a dialog number.
LPWSTR NameAtNumberLikeAddress(WORD number) {
    for (ULONG_PTR base = 0x200000000ull; base < 0x800000000ull; base += 0x100000000ull) {
        void* page = VirtualAlloc(reinterpret_cast<void*>(base), 0x10000, MEM_RESERVE | MEM_COMMIT,
                                  PAGE_READWRITE);
        if (page == reinterpret_cast<void*>(base)) {
            auto* name = reinterpret_cast<wchar_t*>(base + number);
            if ((number & 1) != 0) {
                name = reinterpret_cast<wchar_t*>(base + number + 1);
            }
            lstrcpyW(name, L"SIMNAMED");
            return name;
        }
        if (page != nullptr) {
            VirtualFree(page, 0, MEM_RELEASE);
        }
    }
    return const_cast<LPWSTR>(L"SIMNAMED");
}

// Shows the dialog that an entry point opens. The scenario may replace the
// template ("chained.dialog.FUNCTION NUMBER", "name", "name-at NUMBER" or
// "none").
int ShowDialog(const wchar_t* function, int defaultTemplate, DLGPROC defaultProc) {
    if (g_context.dispatch == nullptr) {
        SimJournal::Writef(L"chained dialog-skipped function=%ls reason=no-dispatch", function);
        return -1;
    }
    const std::wstring setting = Scenario().Get(std::wstring(L"chained.dialog.") + function,
                                                std::to_wstring(defaultTemplate));
    if (setting == L"none" || Scenario().GetNumber(L"chained.dialogs", 1) == 0) {
        return IDOK;
    }
    LPWSTR dialogTemplate = nullptr;
    DLGPROC proc = defaultProc;
    if (setting == L"name") {
        dialogTemplate = const_cast<LPWSTR>(L"SIMNAMED");
        proc = OtherDialogProc;
    } else if (Words(setting, 0) == L"name-at") {
        dialogTemplate = NameAtNumberLikeAddress(
            static_cast<WORD>(SimScenario::ParseNumber(Words(setting, 1), IDD_SIM_LOGON)));
        proc = OtherDialogProc;
    } else {
        const int number = static_cast<int>(SimScenario::ParseNumber(setting, defaultTemplate));
        dialogTemplate = MAKEINTRESOURCEW(number);
        if (number == IDD_SIM_LOGON) {
            proc = LogonDialogProc;
        } else if (number == IDD_SIM_LOCKED) {
            proc = LockedDialogProc;
        } else if (number == IDD_SIM_CHANGE_PASSWORD) {
            proc = ChangePasswordDialogProc;
        } else {
            proc = OtherDialogProc;
        }
    }
    const LPARAM parameter =
        static_cast<LPARAM>(Scenario().GetNumber(L"chained.dialog-param", 0x51D0));
    SimJournal::Writef(L"chained open-dialog function=%ls template=%ls proc=%ls param=%ls",
                       function, P(dialogTemplate).c_str(),
                       P(reinterpret_cast<void*>(proc)).c_str(),
                       H(static_cast<ULONG_PTR>(parameter)).c_str());
    const int result = g_context.dispatch->WlxDialogBoxParam(
        g_context.winlogon, g_instance, dialogTemplate, nullptr, proc, parameter);
    SimJournal::Writef(L"chained dialog-returned function=%ls result=%d", function, result);
    return result;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
    }
    return TRUE;
}

extern "C" {

WINBOOL WINAPI WlxNegotiate(DWORD dwWinlogonVersion, PDWORD pdwDllVersion) {
#ifdef SIMGINA_REFUSES
    const WINBOOL computed = FALSE;
#else
    const WINBOOL computed = TRUE;
#endif
    const DWORD dllVersion = static_cast<DWORD>(Scenario().GetNumber(
        L"chained.dllversion",
        dwWinlogonVersion < WLX_VERSION_1_4 ? dwWinlogonVersion : WLX_VERSION_1_4));
    if (pdwDllVersion != nullptr) {
        *pdwDllVersion = dllVersion;
    }
    const WINBOOL result = Result(L"WlxNegotiate", computed);
    wchar_t module[MAX_PATH] = L"";
    GetModuleFileNameW(g_instance, module, MAX_PATH);
    const wchar_t* base = wcsrchr(module, L'\\');
    SimJournal::Writef(
        L"chained WlxNegotiate module=%ls version=%ls pdllversion=%ls dllversion=%ls result=%ls",
        SimJournal::Field(base ? base + 1 : module).c_str(), H(dwWinlogonVersion).c_str(),
        P(pdwDllVersion).c_str(), H(dllVersion).c_str(), H(static_cast<ULONG_PTR>(result)).c_str());
    return result;
}

WINBOOL WINAPI WlxInitialize(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved,
                             PVOID pWinlogonFunctions, PVOID* pWlxContext) {
    g_context.winlogon = hWlx;
    g_context.dispatch = static_cast<PWLX_DISPATCH_VERSION_1_4>(pWinlogonFunctions);
    if (pWlxContext != nullptr) {
        *pWlxContext = &g_context;
    }
    std::wstring line = L"chained WlxInitialize winsta=" + SimJournal::Field(lpWinsta) + L" hwlx=" +
                        P(hWlx) + L" reserved=" + P(pvReserved) + L" table=" +
                        P(pWinlogonFunctions) + L" pctx=" + P(pWlxContext) + L" ctx=" +
                        P(&g_context);
    SimJournal::Write(line);
    if (g_context.dispatch != nullptr) {
        // What the GINA finds in the table, entry by entry.
        auto* const entries = reinterpret_cast<void* const*>(g_context.dispatch);
        const size_t count = sizeof(WLX_DISPATCH_VERSION_1_4) / sizeof(void*);
        for (size_t i = 0; i < count; ++i) {
            wchar_t module[MAX_PATH] = L"";
            HMODULE owner = nullptr;
            if (entries[i] != nullptr &&
                GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   static_cast<LPCWSTR>(entries[i]), &owner)) {
                GetModuleFileNameW(owner, module, MAX_PATH);
            }
            const wchar_t* base = wcsrchr(module, L'\\');
            SimJournal::Writef(L"chained table index=%u fn=%ls module=%ls",
                               static_cast<unsigned>(i), P(entries[i]).c_str(),
                               SimJournal::Field(base ? base + 1 : module).c_str());
        }
    }
    const WINBOOL result = Result(L"WlxInitialize", TRUE);
    SimJournal::Writef(L"chained WlxInitialize-result result=%ls",
                       H(static_cast<ULONG_PTR>(result)).c_str());
    return result;
}

VOID WINAPI WlxDisplaySASNotice(PVOID pWlxContext) {
    SimJournal::Write(L"chained WlxDisplaySASNotice " + Ctx(pWlxContext));
}

int WINAPI WlxLoggedOutSAS(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId,
                           PSID pLogonSid, PDWORD pdwOptions, PHANDLE phToken,
                           PWLX_MPR_NOTIFY_INFO pNprNotifyInfo, PVOID* pProfile) {
    SimJournal::Write(L"chained WlxLoggedOutSAS " + Ctx(pWlxContext) + L" sas=" + H(dwSasType) +
                      L" luid=" + P(pAuthenticationId) + L" sid=" + P(pLogonSid) + L" options=" +
                      P(pdwOptions) + L" token=" + P(phToken) + L" mpr=" + P(pNprNotifyInfo) +
                      L" profile=" + P(pProfile));
    const int dialog = ShowDialog(L"WlxLoggedOutSAS", IDD_SIM_LOGON, LogonDialogProc);
    if (pdwOptions != nullptr) {
        *pdwOptions = 0;
    }
    if (phToken != nullptr) {
        *phToken = nullptr;
    }
    if (pProfile != nullptr) {
        *pProfile = nullptr;
    }
    const int result =
        Result(L"WlxLoggedOutSAS", dialog == IDOK ? WLX_SAS_ACTION_LOGON : WLX_SAS_ACTION_NONE);
    SimJournal::Writef(L"chained WlxLoggedOutSAS-result result=%ls",
                       H(static_cast<ULONG_PTR>(static_cast<unsigned>(result))).c_str());
    return result;
}

WINBOOL WINAPI WlxActivateUserShell(PVOID pWlxContext, PWSTR pszDesktopName,
                                    PWSTR pszMprLogonScript, PVOID pEnvironment) {
    const WINBOOL result = Result(L"WlxActivateUserShell", TRUE);
    SimJournal::Write(L"chained WlxActivateUserShell " + Ctx(pWlxContext) + L" desktop=" +
                      P(pszDesktopName) + L" script=" + P(pszMprLogonScript) + L" env=" +
                      P(pEnvironment) + L" result=" + H(static_cast<ULONG_PTR>(result)));
    return result;
}

int WINAPI WlxLoggedOnSAS(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved) {
    SimJournal::Write(L"chained WlxLoggedOnSAS " + Ctx(pWlxContext) + L" sas=" + H(dwSasType) +
                      L" reserved=" + P(pReserved));
    const int dialog =
        ShowDialog(L"WlxLoggedOnSAS", IDD_SIM_CHANGE_PASSWORD, ChangePasswordDialogProc);
    const int result = Result(L"WlxLoggedOnSAS",
                              dialog == IDOK ? WLX_SAS_ACTION_PWD_CHANGED : WLX_SAS_ACTION_NONE);
    SimJournal::Writef(L"chained WlxLoggedOnSAS-result result=%ls",
                       H(static_cast<ULONG_PTR>(static_cast<unsigned>(result))).c_str());
    return result;
}

VOID WINAPI WlxDisplayLockedNotice(PVOID pWlxContext) {
    SimJournal::Write(L"chained WlxDisplayLockedNotice " + Ctx(pWlxContext));
}

int WINAPI WlxWkstaLockedSAS(PVOID pWlxContext, DWORD dwSasType) {
    SimJournal::Write(L"chained WlxWkstaLockedSAS " + Ctx(pWlxContext) + L" sas=" + H(dwSasType));
    const int dialog = ShowDialog(L"WlxWkstaLockedSAS", IDD_SIM_LOCKED, LockedDialogProc);
    const int result = Result(L"WlxWkstaLockedSAS",
                              dialog == IDOK ? WLX_SAS_ACTION_UNLOCK_WKSTA : WLX_SAS_ACTION_NONE);
    SimJournal::Writef(L"chained WlxWkstaLockedSAS-result result=%ls",
                       H(static_cast<ULONG_PTR>(static_cast<unsigned>(result))).c_str());
    return result;
}

WINBOOL WINAPI WlxIsLockOk(PVOID pWlxContext) {
    const WINBOOL result = Result(L"WlxIsLockOk", TRUE);
    SimJournal::Write(L"chained WlxIsLockOk " + Ctx(pWlxContext) + L" result=" +
                      H(static_cast<ULONG_PTR>(result)));
    return result;
}

WINBOOL WINAPI WlxIsLogoffOk(PVOID pWlxContext) {
    const WINBOOL result = Result(L"WlxIsLogoffOk", TRUE);
    SimJournal::Write(L"chained WlxIsLogoffOk " + Ctx(pWlxContext) + L" result=" +
                      H(static_cast<ULONG_PTR>(result)));
    return result;
}

VOID WINAPI WlxLogoff(PVOID pWlxContext) {
    SimJournal::Write(L"chained WlxLogoff " + Ctx(pWlxContext));
}

VOID WINAPI WlxShutdown(PVOID pWlxContext, DWORD ShutdownType) {
    SimJournal::Write(L"chained WlxShutdown " + Ctx(pWlxContext) + L" type=" + H(ShutdownType));
}

WINBOOL WINAPI WlxStartApplication(PVOID pWlxContext, PWSTR pszDesktopName, PVOID pEnvironment,
                                   PWSTR pszCmdLine) {
    const WINBOOL result = Result(L"WlxStartApplication", TRUE);
    SimJournal::Write(L"chained WlxStartApplication " + Ctx(pWlxContext) + L" desktop=" +
                      P(pszDesktopName) + L" env=" + P(pEnvironment) + L" cmdline=" +
                      P(pszCmdLine) + L" result=" + H(static_cast<ULONG_PTR>(result)));
    return result;
}

WINBOOL WINAPI WlxScreenSaverNotify(PVOID pWlxContext, WINBOOL* pSecure) {
    const WINBOOL result = Result(L"WlxScreenSaverNotify", TRUE);
    SimJournal::Write(L"chained WlxScreenSaverNotify " + Ctx(pWlxContext) + L" secure=" +
                      P(pSecure) + L" result=" + H(static_cast<ULONG_PTR>(result)));
    return result;
}

WINBOOL WINAPI WlxNetworkProviderLoad(PVOID pWlxContext, PWLX_MPR_NOTIFY_INFO pNprNotifyInfo) {
    const WINBOOL result = Result(L"WlxNetworkProviderLoad", TRUE);
    SimJournal::Write(L"chained WlxNetworkProviderLoad " + Ctx(pWlxContext) + L" mpr=" +
                      P(pNprNotifyInfo) + L" result=" + H(static_cast<ULONG_PTR>(result)));
    return result;
}

WINBOOL WINAPI WlxDisplayStatusMessage(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions,
                                       PWSTR pTitle, PWSTR pMessage) {
    const WINBOOL result = Result(L"WlxDisplayStatusMessage", TRUE);
    SimJournal::Write(L"chained WlxDisplayStatusMessage " + Ctx(pWlxContext) + L" desktop=" +
                      P(hDesktop) + L" options=" + H(dwOptions) + L" title=" + P(pTitle) +
                      L" message=" + P(pMessage) + L" result=" + H(static_cast<ULONG_PTR>(result)));
    return result;
}

WINBOOL WINAPI WlxGetStatusMessage(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage,
                                   DWORD dwBufferSize) {
    const WINBOOL result = Result(L"WlxGetStatusMessage", TRUE);
    SimJournal::Write(L"chained WlxGetStatusMessage " + Ctx(pWlxContext) + L" options=" +
                      P(pdwOptions) + L" message=" + P(pMessage) + L" size=" + H(dwBufferSize) +
                      L" result=" + H(static_cast<ULONG_PTR>(result)));
    return result;
}

WINBOOL WINAPI WlxRemoveStatusMessage(PVOID pWlxContext) {
    const WINBOOL result = Result(L"WlxRemoveStatusMessage", TRUE);
    SimJournal::Write(L"chained WlxRemoveStatusMessage " + Ctx(pWlxContext) + L" result=" +
                      H(static_cast<ULONG_PTR>(result)));
    return result;
}

WINBOOL WINAPI WlxGetConsoleSwitchCredentials(PVOID pWlxContext, PVOID pCredInfo) {
    const WINBOOL result = Result(L"WlxGetConsoleSwitchCredentials", TRUE);
    SimJournal::Write(L"chained WlxGetConsoleSwitchCredentials " + Ctx(pWlxContext) + L" cred=" +
                      P(pCredInfo) + L" result=" + H(static_cast<ULONG_PTR>(result)));
    return result;
}

VOID WINAPI WlxReconnectNotify(PVOID pWlxContext) {
    SimJournal::Write(L"chained WlxReconnectNotify " + Ctx(pWlxContext));
}

VOID WINAPI WlxDisconnectNotify(PVOID pWlxContext) {
    SimJournal::Write(L"chained WlxDisconnectNotify " + Ctx(pWlxContext));
}

} // extern "C"
