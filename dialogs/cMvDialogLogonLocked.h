// Extension of the chained GINA's logon (1500) and locked (1950) dialogs: a
// group box with an icon, an explanatory text and a "&Forgot my password..."
// button that runs the reset wizard on the Winlogon desktop with the user
// and domain typed so far. One object serves both dialogs, one at a time.
#pragma once

#include "dialogs/cMvGINADialog.h"
#include "support/UniqueHandle.h"

#include <string>

class cMvDialogLogonLocked : public cMvGINADialog {
public:
    static constexpr int IconResource = 101;

    using cMvGINADialog::cMvGINADialog;
    ~cMvDialogLogonLocked() override;

    // Reads the enabling switches; run before each showing of either dialog.
    [[nodiscard]] LONG PrepareDialog(DLGPROC ginaDialogProc);
    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    // Hides the dialog, runs the wizard with the names typed so far and
    // shows the dialog again.
    void StartResetWizard(HWND dialog);

private:
    // The extension's share of a message, after the chained GINA's.
    INT_PTR Extend(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR result);
    void OnInitDialog(HWND dialog);
    void Layout(HWND dialog);
    void OnPaint(HWND dialog);
    void OnDestroy() noexcept;
    [[nodiscard]] int MeasureText(HWND dialog, HDC dc = nullptr) const noexcept;

    static LRESULT CALLBACK OkButtonWndProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept;
    static LRESULT CALLBACK TextFocusWndProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept;

    HWND m_okButton = nullptr;
    DWORD m_positionMode = 0;
    DWORD m_tabMode = 0;
    resetra::UniqueHWnd m_groupBox;
    resetra::UniqueHIcon m_icon;
    resetra::UniqueHWnd m_text;
    resetra::UniqueHWnd m_button;
    // What the text window shows, measured at every layout and paint.
    std::wstring m_textContent;
};
