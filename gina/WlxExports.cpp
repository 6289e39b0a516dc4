// The 21 GINA entry points. Each hands its arguments unchanged to the chained
// GINA's function of the same name and returns its result; WlxNegotiate loads
// the chain first and WlxInitialize hooks the dispatch table first. That work
// is the only code of ours here that can throw: it runs inside an edge that
// logs and goes on forwarding. The pure forwards hold nothing that throws.
#include <windows.h>
#include "gina/WinWlx.h"

#include "gina/GinaProcess.h"
#include "gina/cMvGINAChain.h"
#include "gina/cMvGINALog.h"
#include "support/CatchAll.h"

namespace {
const GinaEntryPoints& Next() noexcept {
    return Chain().Chained();
}
} // namespace

extern "C" {

WINBOOL WINAPI WlxNegotiate(DWORD dwWinlogonVersion, PDWORD pdwDllVersion) noexcept {
    // An exception after the chain was loaded (the notice's texts) still
    // lets the chained GINA negotiate.
    const LONG code = resetra::CatchAll(
        Chain().ExceptionReport(L"WlxNegotiate"), [] { return Chain().LoadChain(); },
        []() noexcept { return Next().Negotiate != nullptr ? 0 : resetra::kExceptionCaught; });
    if (code != 0) {
        StubLog().Write(cMvGINALog::LevelError, L"GINA initialization failed. Errorcode %ld", code);
        return FALSE;
    }
    if (!Next().Negotiate(dwWinlogonVersion, pdwDllVersion)) {
        StubLog().Write(cMvGINALog::LevelError, L"Wlx negotiation failed.");
        return FALSE;
    }
    return TRUE;
}

WINBOOL WINAPI WlxInitialize(LPWSTR lpWinsta, HANDLE hWlx, PVOID pvReserved,
                             PVOID pWinlogonFunctions, PVOID* pWlxContext) noexcept {
    cMvGINAChain& chain = Chain();
    chain.HookDispatchTable(hWlx, pWinlogonFunctions);
    resetra::CatchAll(
        Chain().ExceptionReport(L"WlxInitialize"),
        [&] {
            if (chain.ShowChainingFailure()) {
                chain.ShowChainingFailureNotice();
            }
        },
        []() noexcept {});
    return Next().Initialize(lpWinsta, hWlx, pvReserved, pWinlogonFunctions, pWlxContext);
}

VOID WINAPI WlxDisplaySASNotice(PVOID pWlxContext) noexcept {
    Next().DisplaySASNotice(pWlxContext);
}

int WINAPI WlxLoggedOutSAS(PVOID pWlxContext, DWORD dwSasType, PLUID pAuthenticationId,
                           PSID pLogonSid, PDWORD pdwOptions, PHANDLE phToken,
                           PWLX_MPR_NOTIFY_INFO pNprNotifyInfo, PVOID* pProfile) noexcept {
    return Next().LoggedOutSAS(pWlxContext, dwSasType, pAuthenticationId, pLogonSid, pdwOptions,
                               phToken, pNprNotifyInfo, pProfile);
}

WINBOOL WINAPI WlxActivateUserShell(PVOID pWlxContext, PWSTR pszDesktopName,
                                    PWSTR pszMprLogonScript, PVOID pEnvironment) noexcept {
    return Next().ActivateUserShell(pWlxContext, pszDesktopName, pszMprLogonScript, pEnvironment);
}

int WINAPI WlxLoggedOnSAS(PVOID pWlxContext, DWORD dwSasType, PVOID pReserved) noexcept {
    return Next().LoggedOnSAS(pWlxContext, dwSasType, pReserved);
}

VOID WINAPI WlxDisplayLockedNotice(PVOID pWlxContext) noexcept {
    Next().DisplayLockedNotice(pWlxContext);
}

int WINAPI WlxWkstaLockedSAS(PVOID pWlxContext, DWORD dwSasType) noexcept {
    return Next().WkstaLockedSAS(pWlxContext, dwSasType);
}

WINBOOL WINAPI WlxIsLockOk(PVOID pWlxContext) noexcept {
    return Next().IsLockOk(pWlxContext);
}

WINBOOL WINAPI WlxIsLogoffOk(PVOID pWlxContext) noexcept {
    return Next().IsLogoffOk(pWlxContext);
}

VOID WINAPI WlxLogoff(PVOID pWlxContext) noexcept {
    Next().Logoff(pWlxContext);
}

VOID WINAPI WlxShutdown(PVOID pWlxContext, DWORD ShutdownType) noexcept {
    Next().Shutdown(pWlxContext, ShutdownType);
}

WINBOOL WINAPI WlxStartApplication(PVOID pWlxContext, PWSTR pszDesktopName, PVOID pEnvironment,
                                   PWSTR pszCmdLine) noexcept {
    const auto fn = Next().StartApplication;
    return fn ? fn(pWlxContext, pszDesktopName, pEnvironment, pszCmdLine) : FALSE;
}

WINBOOL WINAPI WlxScreenSaverNotify(PVOID pWlxContext, WINBOOL* pSecure) noexcept {
    const auto fn = Next().ScreenSaverNotify;
    return fn ? fn(pWlxContext, pSecure) : FALSE;
}

WINBOOL WINAPI WlxNetworkProviderLoad(PVOID pWlxContext,
                                      PWLX_MPR_NOTIFY_INFO pNprNotifyInfo) noexcept {
    const auto fn = Next().NetworkProviderLoad;
    return fn ? fn(pWlxContext, pNprNotifyInfo) : FALSE;
}

WINBOOL WINAPI WlxDisplayStatusMessage(PVOID pWlxContext, HDESK hDesktop, DWORD dwOptions,
                                       PWSTR pTitle, PWSTR pMessage) noexcept {
    const auto fn = Next().DisplayStatusMessage;
    return fn ? fn(pWlxContext, hDesktop, dwOptions, pTitle, pMessage) : FALSE;
}

WINBOOL WINAPI WlxGetStatusMessage(PVOID pWlxContext, DWORD* pdwOptions, PWSTR pMessage,
                                   DWORD dwBufferSize) noexcept {
    const auto fn = Next().GetStatusMessage;
    return fn ? fn(pWlxContext, pdwOptions, pMessage, dwBufferSize) : FALSE;
}

WINBOOL WINAPI WlxRemoveStatusMessage(PVOID pWlxContext) noexcept {
    const auto fn = Next().RemoveStatusMessage;
    return fn ? fn(pWlxContext) : FALSE;
}

WINBOOL WINAPI WlxGetConsoleSwitchCredentials(PVOID pWlxContext, PVOID pCredInfo) noexcept {
    const auto fn = Next().GetConsoleSwitchCredentials;
    return fn ? fn(pWlxContext, pCredInfo) : FALSE;
}

VOID WINAPI WlxReconnectNotify(PVOID pWlxContext) noexcept {
    if (const auto fn = Next().ReconnectNotify) {
        fn(pWlxContext);
    }
}

VOID WINAPI WlxDisconnectNotify(PVOID pWlxContext) noexcept {
    if (const auto fn = Next().DisconnectNotify) {
        fn(pWlxContext);
    }
}

} // extern "C"
