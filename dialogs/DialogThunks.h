// The dialog procedures handed to Winlogon for the wrapped dialogs: plain
// procedures that forward every message to the extension object.
#pragma once

#include <windows.h>

INT_PTR CALLBACK LogonLockedDialogThunk(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept;
INT_PTR CALLBACK ChangePasswordDialogThunk(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept;
