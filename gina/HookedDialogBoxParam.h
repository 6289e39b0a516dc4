// The function that replaces WlxDialogBoxParam in Winlogon's dispatch table,
// through which every dialog of the chained GINA passes.
#pragma once

#include <windows.h>

int WINAPI HookedDialogBoxParam(HANDLE winlogon, HANDLE instance, LPWSTR dialogTemplate, HWND owner,
                                DLGPROC dialogProc, LPARAM parameter) noexcept;
