// The library's own error dialog (resource 107): tells the user that the
// configured next GINA could not be loaded and MSGINA.DLL was loaded instead,
// and offers "Don't show this message again", a machine-wide setting.
#pragma once

#include "dialogs/cMvGINADialog.h"

#include <string>

class cMvDialogError : public cMvGINADialog {
public:
    using cMvGINADialog::cMvGINADialog;

    static constexpr int DialogResource = 107;
    static constexpr int IconResource = 109;
    static constexpr int MessageControl = 1004;
    static constexpr int CheckBoxControl = 1001;
    static constexpr int IconControl = 1002;

    void SetTexts(const std::wstring& title, const std::wstring& text);
    // The dialog's result (1 after OK), or -1 when nothing was shown.
    int Show() noexcept;

    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    static INT_PTR CALLBACK ErrorDialogThunk(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept;

private:
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    DWORD m_tabMode = 0;
    std::wstring m_title;
    std::wstring m_text;
};
