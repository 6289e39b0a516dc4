// Dialog interception. Every dialog the chained GINA opens through
// WlxDialogBoxParam arrives here and is shown by Winlogon's own function with
// the Winlogon handle saved in WlxInitialize.
#include "gina/HookedDialogBoxParam.h"

#include "gina/GinaProcess.h"
#include "gina/cMvGINAChain.h"

int WINAPI HookedDialogBoxParam(HANDLE /*winlogon*/, HANDLE instance, LPWSTR dialogTemplate,
                                HWND owner, DLGPROC dialogProc, LPARAM parameter) {
    return Chain().CallWinlogonDialogBoxParam(instance, dialogTemplate, owner, dialogProc,
                                              parameter);
}
