// Extension of the chained GINA's logon (1500) and locked (1950) dialogs: a
// group box with an icon, an explanatory text and a "&Forgot my password..."
// button that runs the reset wizard on the Winlogon desktop with the user
// and domain typed so far. One object serves both dialogs, one at a time.
#pragma once

#include "dialogs/cMvGINADialog.h"
#include "support/UniqueHandle.h"

#include <string>

class cMvGINARegistry;

class cMvDialogLogonLocked : public cMvGINADialog {
public:
    static constexpr int IconResource = 101;

    cMvDialogLogonLocked() noexcept = default;
    ~cMvDialogLogonLocked() override;

    // Reads the enabling switches; run before each showing of either dialog.
    [[nodiscard]] LONG PrepareDialog(DLGPROC ginaDialogProc);
    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    [[nodiscard]] static LONG IsVexaWithMarrowActive(cMvGINARegistry& registry, bool& active);
    [[nodiscard]] static LONG IsProductInstalled(cMvGINARegistry& registry, const wchar_t* name,
                                                 bool& installed);

    void StartResetWizard(HWND dialog);
    // Starts the wizard and waits for it to end; 0 or the Win32 error.
    [[nodiscard]] static LONG RunResetWizard(const std::wstring& path, const std::wstring& domain,
                                             const std::wstring& user);
    // The command line the wizard receives: each argument quoted so that
    // the wizard's own parsing gives it back exactly.
    [[nodiscard]] static std::wstring BuildWizardCommandLine(const std::wstring& path,
                                                             const std::wstring& domain,
                                                             const std::wstring& user);
    [[nodiscard]] static std::wstring QuoteArgument(const std::wstring& argument);

    static int TextHeight(HDC dc, HWND dialog);
    static bool GroupRect(DWORD positionMode, HWND dialog, int textHeight, RECT& rectangle);
    void Layout(HWND dialog);

private:
    // The extension's share of a message, after the chained GINA's.
    INT_PTR Extend(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR result);
    void OnInitDialog(HWND dialog);
    void OnPaint(HWND dialog);
    void OnDestroy();

    static LRESULT CALLBACK OkButtonWndProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept;
    static LRESULT CALLBACK TextFocusWndProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept;

    WNDPROC m_okButtonProc = nullptr;
    HWND m_okButton = nullptr;
    DWORD m_positionMode = 0;
    DWORD m_tabMode = 0;
    HWND m_groupBox = nullptr;
    HICON m_icon = nullptr;
    HWND m_text = nullptr;
    HWND m_button = nullptr;
};
