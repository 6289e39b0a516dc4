// Thunks from Winlogon's dialog manager to the process-wide extension objects.
#include "dialogs/DialogThunks.h"

#include "gina/GinaProcess.h"
#include "gina/cMvGINAChain.h"

INT_PTR CALLBACK LogonLockedDialogThunk(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept {
    return Chain().LogonLocked().DialogProc(window, message, wParam, lParam);
}

INT_PTR CALLBACK ChangePasswordDialogThunk(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept {
    return Chain().ChangePassword().DialogProc(window, message, wParam, lParam);
}
