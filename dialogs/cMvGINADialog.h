// Base of the objects that extend a dialog: the logon/locked and
// change-password extensions of the chained GINA's dialogs, and the library's
// own error dialog. For a wrapped dialog it stands between Winlogon and the
// chained GINA's dialog procedure and hands it every message.
#pragma once

#include <windows.h>

#include "dialogs/cMvWinlogonServices.h"

class cMvGINADialog {
public:
    explicit cMvGINADialog(cMvWinlogonServices& services) noexcept : m_services(services) {}
    virtual ~cMvGINADialog() = default;
    cMvGINADialog(const cMvGINADialog&) = delete;
    cMvGINADialog& operator=(const cMvGINADialog&) = delete;

    // Calls the recorded GINA dialog procedure with the same values; 0 when
    // none is recorded.
    virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    void SetGinaDialogProc(DLGPROC procedure) noexcept { m_ginaDialogProc = procedure; }
    [[nodiscard]] DLGPROC GinaDialogProc() const noexcept { return m_ginaDialogProc; }
    [[nodiscard]] bool Enabled() const noexcept { return m_enabled != 0; }
    [[nodiscard]] HWND Window() const noexcept { return m_window; }

protected:
    cMvWinlogonServices& m_services;
    DWORD m_enabled = 0;
    HWND m_window = nullptr;

private:
    DLGPROC m_ginaDialogProc = nullptr;
};
