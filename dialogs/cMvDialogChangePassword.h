// Extension of the chained GINA's change-password dialog (1700): a title line
// and the rules display above the dialog's own fields, marks that follow the
// new password as it is typed, and on OK the refusal of a mismatched
// confirmation or of a password the applicable policy rejects. Every failure
// of ours lets the change go on to the chained GINA.
#pragma once

#include "dialogs/CPasswordTestDriver.h"
#include "dialogs/CRulesDisplay.h"
#include "dialogs/cMvGINADialog.h"
#include "support/UniqueHandle.h"

#include <cstdint>

class cMvLog;

class cMvDialogChangePassword : public cMvGINADialog {
public:
    static constexpr int kUserNameControl = 1702;
    static constexpr int kDomainControl = 1704;
    static constexpr int kOldPasswordControl = 1706;
    static constexpr int kNewPasswordControl = 1708;
    static constexpr int kConfirmationControl = 1710;
    static constexpr int kTitleControl = 1020;
    static constexpr int kSatisfiedIcon = 102;
    static constexpr int kRefusedIcon = 103;
    // What the dialog grows by for a panel of the first size, and that size.
    static constexpr int kGrowth = 210;
    static constexpr int kPanelX = 10;
    static constexpr int kPanelY = 20;
    static constexpr int kPanelWidth = 390;
    static constexpr int kPanelHeight = 195;

    explicit cMvDialogChangePassword(cMvWinlogonServices& services) noexcept;
    ~cMvDialogChangePassword() override;

    // Reads the enabling switches and enters COM's single-threaded apartment;
    // run before each change-password dialog is created.
    [[nodiscard]] LONG PrepareDialog(DLGPROC ginaDialogProc) noexcept;
    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    // The check on OK: `passOn` ends false when the OK is to be swallowed.
    [[nodiscard]] int32_t ValidateOnOk(cMvLog& log, bool& passOn);

    [[nodiscard]] const CRulesDisplay& Display() const noexcept { return m_display; }

private:
    void OnInitDialogBefore(HWND dialog);
    void OnInitDialogAfter();
    // True when the message is to be swallowed.
    [[nodiscard]] bool OnCommand(WPARAM wParam);
    void OnDestroy() noexcept;
    // Grows the dialog so that the panel, as tall as its rows need, sits
    // above the chained GINA's controls, and keeps the dialog on the screen.
    void FitPanel();
    void EmptyPasswordFields() noexcept;
    void ShowMessage(const std::wstring& text);

    HWND m_oldPassword = nullptr;
    HWND m_newPassword = nullptr;
    HWND m_confirmation = nullptr;
    HWND m_userName = nullptr;
    HWND m_domain = nullptr;
    CRulesDisplay m_display;
    CPasswordTestDriver m_driver;
    HWND m_title = nullptr;
    // How far the chained GINA's controls have been moved down.
    int m_growth = 0;
    // Whether this dialog's preparation entered COM, so that its end leaves it.
    bool m_comEntered = false;
};
