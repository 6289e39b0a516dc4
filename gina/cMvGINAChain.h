// The process-wide object of the chaining code: the chained GINA's module and
// entry points, the Winlogon dispatch table and handle saved in WlxInitialize,
// and the pending chaining-failure notice. Loading the chain and calling back
// into Winlogon happen here; the exports only forward. It is also what the
// dialog extensions see of the chaining code (cMvWinlogonServices).
#pragma once

#include <windows.h>
#include "gina/WinWlx.h"

#include "dialogs/cMvDialogChangePassword.h"
#include "dialogs/cMvDialogError.h"
#include "dialogs/cMvDialogLogonLocked.h"
#include "dialogs/cMvWinlogonServices.h"
#include "support/UniqueHandle.h"

#include <optional>
#include <string>

// Entry points of a GINA, in the order they are resolved.
struct GinaEntryPoints {
    decltype(&::WlxNegotiate) Negotiate = nullptr;
    decltype(&::WlxInitialize) Initialize = nullptr;
    decltype(&::WlxDisplaySASNotice) DisplaySASNotice = nullptr;
    decltype(&::WlxLoggedOutSAS) LoggedOutSAS = nullptr;
    decltype(&::WlxActivateUserShell) ActivateUserShell = nullptr;
    decltype(&::WlxLoggedOnSAS) LoggedOnSAS = nullptr;
    decltype(&::WlxDisplayLockedNotice) DisplayLockedNotice = nullptr;
    decltype(&::WlxWkstaLockedSAS) WkstaLockedSAS = nullptr;
    decltype(&::WlxIsLockOk) IsLockOk = nullptr;
    decltype(&::WlxIsLogoffOk) IsLogoffOk = nullptr;
    decltype(&::WlxLogoff) Logoff = nullptr;
    decltype(&::WlxShutdown) Shutdown = nullptr;
    decltype(&::WlxStartApplication) StartApplication = nullptr;
    decltype(&::WlxScreenSaverNotify) ScreenSaverNotify = nullptr;
    decltype(&::WlxNetworkProviderLoad) NetworkProviderLoad = nullptr;
    decltype(&::WlxDisplayStatusMessage) DisplayStatusMessage = nullptr;
    decltype(&::WlxGetStatusMessage) GetStatusMessage = nullptr;
    decltype(&::WlxRemoveStatusMessage) RemoveStatusMessage = nullptr;
    decltype(&::WlxGetConsoleSwitchCredentials) GetConsoleSwitchCredentials = nullptr;
    decltype(&::WlxReconnectNotify) ReconnectNotify = nullptr;
    decltype(&::WlxDisconnectNotify) DisconnectNotify = nullptr;
};

class cMvGINAChain final : public cMvWinlogonServices {
public:
    // Result codes of LoadGina besides Win32 codes.
    static constexpr LONG NoFileName = -19;
    static constexpr LONG EmptyFileName = -18;
    // Result of the Winlogon callbacks before WlxInitialize saved them.
    static constexpr int NoWinlogon = -123;

    cMvGINAChain() noexcept = default;
    ~cMvGINAChain();
    cMvGINAChain(const cMvGINAChain&) = delete;
    cMvGINAChain& operator=(const cMvGINAChain&) = delete;

    // Reads the chain configuration, loads the chosen GINA (falling back to
    // MSGINA.DLL when allowed) and prepares the notice of a failed chain.
    // Throws only when memory for the notice's texts runs out, after the
    // chain is loaded.
    [[nodiscard]] LONG LoadChain();
    // Loads one GINA and resolves its entry points, replacing the current one.
    [[nodiscard]] LONG LoadGina(const wchar_t* fileName) noexcept;

    // Saves Winlogon's handle and table and puts the dialog hook into the
    // table's WlxDialogBoxParam entry.
    void HookDispatchTable(HANDLE winlogon, PVOID dispatchTable) noexcept;

    [[nodiscard]] int CallWinlogonDialogBoxParam(HANDLE instance, LPWSTR dialogTemplate, HWND owner,
                                                 DLGPROC dialogProc,
                                                 LPARAM parameter) const noexcept override;
    [[nodiscard]] int WinlogonMessageBox(HWND owner, LPWSTR text, LPWSTR title,
                                         UINT style) const noexcept override;
    // The stub log, the localized text table and the library's module.
    void WriteLogV(unsigned level, const wchar_t* format, va_list args) noexcept override;
    [[nodiscard]] std::wstring Text(const TextKey& key) const override;
    [[nodiscard]] DWORD TextLanguageId() const noexcept override;
    [[nodiscard]] HINSTANCE ResourceModule() const noexcept override;

    // Shows the chaining-failure notice prepared by LoadChain.
    void ShowChainingFailureNotice() noexcept;

    [[nodiscard]] cMvDialogLogonLocked& LogonLocked() noexcept { return m_logonLocked; }
    [[nodiscard]] cMvDialogChangePassword& ChangePassword() noexcept { return m_changePassword; }
    [[nodiscard]] cMvDialogError& ErrorDialog() noexcept { return m_errorDialog; }

    [[nodiscard]] const GinaEntryPoints& Chained() const noexcept { return m_entry; }
    [[nodiscard]] bool ShowChainingFailure() const noexcept { return m_showChainingFailure; }

private:
    void PrepareChainingFailureNotice(const wchar_t* chosenName, LONG code);

    resetra::UniqueHModule m_module;
    GinaEntryPoints m_entry;
    cMvDialogLogonLocked m_logonLocked{*this};
    cMvDialogChangePassword m_changePassword{*this};
    PWLX_DISPATCH_VERSION_1_0 m_dispatch = nullptr;
    HANDLE m_winlogon = nullptr;
    PWLX_DIALOG_BOX_PARAM m_winlogonDialogBoxParam = nullptr;
    bool m_showChainingFailure = false;
    cMvDialogError m_errorDialog{*this};
};
