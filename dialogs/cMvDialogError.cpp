// The chaining-failure notice: shown once from WlxInitialize through
// Winlogon's dialog function, closed only by OK (no Cancel, Escape ignored),
// its check box silencing it for good.
#include "dialogs/cMvDialogError.h"

#include "dialogs/WindowHelpers.h"
#include "support/CatchAll.h"
#include "support/RegistryKeys.h"
#include "support/cMvGINARegistry.h"

namespace {

// A translated label may be longer than the box the resource gives it: widen
// the check box towards the OK button rather than cut the label off.
void FitCheckBoxToLabel(HWND dialog, HWND checkBox) {
    const HWND ok = GetDlgItem(dialog, IDOK);
    RECT box{};
    RECT okRect{};
    if (checkBox == nullptr || ok == nullptr || !GetWindowRect(checkBox, &box) ||
        !GetWindowRect(ok, &okRect) || !ScreenRectToClient(dialog, box) ||
        !ScreenRectToClient(dialog, okRect)) {
        return;
    }
    const int length = GetWindowTextLengthW(checkBox);
    std::wstring label(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    GetWindowTextW(checkBox, label.data(), length + 1);
    HDC dc = GetDC(checkBox);
    if (dc == nullptr) {
        return;
    }
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(checkBox, WM_GETFONT, 0, 0)));
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, label.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, previous);
    ReleaseDC(checkBox, dc);
    // The box glyph and the gap after it come before the label.
    const int needed = measured.right + GetSystemMetrics(SM_CXMENUCHECK) + 8;
    const int available = okRect.left - 6 - box.left;
    if (needed > box.right - box.left) {
        const int width = needed < available ? needed : available;
        MoveWindow(checkBox, box.left, box.top, width, box.bottom - box.top, TRUE);
    }
}

} // namespace

void cMvDialogError::SetTexts(const std::wstring& title, const std::wstring& text) {
    m_title = title;
    m_text = text;
}

int cMvDialogError::Show() noexcept {
    DWORD show = 1;
    DWORD dontShow = 0;
    {
        cMvGINARegistry registry;
        if (registry.Connect(nullptr, HKEY_LOCAL_MACHINE) == 0) {
            if (registry.GetDword(kWizardsPolicyKey, L"ShowErrorGINAChainingFailure", show) != 0) {
                show = 1;
            }
            if (registry.GetDword(kResetraGinaKey, L"DontShowErrorGINAChainingFailure", dontShow) !=
                0) {
                dontShow = 0;
            }
            m_tabMode = ReadTabMode(registry);
        }
    }
    // Empty and absent texts are one state: nothing to show.
    if (m_title.empty() || m_text.empty()) {
        return -1;
    }
    if (dontShow != 0 || show == 0) {
        return -1;
    }
    return m_services.CallWinlogonDialogBoxParam(m_services.ResourceModule(),
                                                 MAKEINTRESOURCEW(DialogResource), nullptr,
                                                 &ErrorDialogThunk, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK cMvDialogError::ErrorDialogThunk(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<cMvDialogError*>(lParam);
        if (dialog != nullptr) {
            dialog->m_window = window;
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        CenterOnScreen(window);
        SetForegroundWindow(window);
    }
    auto* dialog = reinterpret_cast<cMvDialogError*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (dialog == nullptr) {
        return 0;
    }
    return dialog->DialogProc(window, message, wParam, lParam);
}

INT_PTR cMvDialogError::DialogProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
    return resetra::CatchAll(
        m_services.ExceptionReport(L"cMvDialogError::DialogProc"),
        [&] { return HandleMessage(window, message, wParam, lParam); },
        [&]() noexcept { return cMvGINADialog::DialogProc(window, message, wParam, lParam); });
}

INT_PTR cMvDialogError::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowTextW(window, m_title.c_str());
        SetDefaultGuiFont(window);
        const HWND text = GetDlgItem(window, MessageControl);
        SetWindowTextW(text, m_text.c_str());
        SetDefaultGuiFont(text);
        const HWND checkBox = GetDlgItem(window, CheckBoxControl);
        SetWindowTextW(checkBox, m_services.Text(TextKeys::ErrorDialogCheckBoxText).c_str());
        SetDefaultGuiFont(checkBox);
        FitCheckBoxToLabel(window, checkBox);
        if (m_tabMode == 1) {
            const HWND icon = GetDlgItem(window, IconControl);
            SubclassKeepingPrevious(text, FocusFrameWndProc);
            SubclassKeepingPrevious(icon, FocusFrameWndProc);
            for (HWND control : {text, icon, checkBox}) {
                if (control != nullptr) {
                    SetWindowLongPtrW(control, GWL_STYLE,
                                      GetWindowLongPtrW(control, GWL_STYLE) | WS_TABSTOP);
                }
            }
        }
        return cMvGINADialog::DialogProc(window, message, wParam, lParam);
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            if (IsDlgButtonChecked(window, CheckBoxControl) == BST_CHECKED) {
                cMvGINARegistry registry;
                if (registry.Connect(nullptr, HKEY_LOCAL_MACHINE) == 0) {
                    (void)registry.SetDword(kResetraGinaKey, L"DontShowErrorGINAChainingFailure",
                                            1);
                }
            }
            EndDialog(window, 1);
            return 1;
        }
        break;
    default:
        break;
    }
    return cMvGINADialog::DialogProc(window, message, wParam, lParam);
}
