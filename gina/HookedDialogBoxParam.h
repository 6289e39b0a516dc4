// The function that replaces WlxDialogBoxParam in Winlogon's dispatch table,
// through which every dialog of the chained GINA passes, and the dialog
// procedures it hands Winlogon for the wrapped dialogs: plain procedures that
// forward every message to the process-wide extension object.
#pragma once

#include <windows.h>

int WINAPI HookedDialogBoxParam(HANDLE winlogon, HANDLE instance, LPWSTR dialogTemplate, HWND owner,
                                DLGPROC dialogProc, LPARAM parameter) noexcept;

INT_PTR CALLBACK LogonLockedDialogThunk(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept;
INT_PTR CALLBACK ChangePasswordDialogThunk(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept;
