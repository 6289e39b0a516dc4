// Dialog interception. Every dialog the chained GINA opens through
// WlxDialogBoxParam arrives here. The logon (1500), locked (1950) and
// change-password (1700) dialogs are prepared and created with the library's
// thunks; everything else is shown by Winlogon exactly as asked. Winlogon is
// always called with the handle saved in WlxInitialize.
#include "gina/HookedDialogBoxParam.h"

#include "gina/GinaProcess.h"
#include "gina/cMvGINAChain.h"
#include "support/CatchAll.h"

namespace {

constexpr WORD kLogonDialog = 1500;
constexpr WORD kLockedDialog = 1950;
constexpr WORD kChangePasswordDialog = 1700;

// The procedure Winlogon receives: a thunk of ours for a wrapped dialog
// (whose extension is prepared here), else the chained GINA's own.
DLGPROC PrepareWrapping(cMvGINAChain& chain, LPWSTR dialogTemplate, DLGPROC dialogProc) {
    // Only a value below 0x10000 is a template number. A 64-bit pointer to a
    // name may well have zero in bits 16 to 31; it stays a name.
    if (dialogTemplate == nullptr || !IS_INTRESOURCE(dialogTemplate)) {
        return dialogProc;
    }
    const WORD number = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(dialogTemplate));
    if (number == kLogonDialog || number == kLockedDialog) {
        (void)chain.LogonLocked().PrepareDialog(dialogProc);
        return &LogonLockedDialogThunk;
    }
    if (number == kChangePasswordDialog) {
        (void)chain.ChangePassword().PrepareDialog(dialogProc);
        return &ChangePasswordDialogThunk;
    }
    return dialogProc;
}

} // namespace

int WINAPI HookedDialogBoxParam(HANDLE /*winlogon*/, HANDLE instance, LPWSTR dialogTemplate,
                                HWND owner, DLGPROC dialogProc, LPARAM parameter) noexcept {
    cMvGINAChain& chain = Chain();
    // A preparation that throws leaves the dialog to the chained GINA alone.
    const DLGPROC procedure = resetra::CatchAll(
        chain.ExceptionReport(L"HookedDialogBoxParam"),
        [&] { return PrepareWrapping(chain, dialogTemplate, dialogProc); },
        [&]() noexcept { return dialogProc; });
    return chain.CallWinlogonDialogBoxParam(instance, dialogTemplate, owner, procedure, parameter);
}

INT_PTR CALLBACK LogonLockedDialogThunk(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept {
    return Chain().LogonLocked().DialogProc(window, message, wParam, lParam);
}

INT_PTR CALLBACK ChangePasswordDialogThunk(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept {
    return Chain().ChangePassword().DialogProc(window, message, wParam, lParam);
}
