// The change-password extension: enabling and COM at preparation, the panel
// and title added before the chained GINA initialises the dialog and filled
// after it has written the user name and domain, the reloads and live tests
// on the fields' notifications, and the check on OK.
#include "dialogs/cMvDialogChangePassword.h"

#include "dialogs/ExtensionEnabling.h"
#include "dialogs/WindowHelpers.h"
#include "policy/CPolicylist.h"
#include "support/CatchAll.h"
#include "support/PolicyLog.h"
#include "support/TextKeys.h"
#include "support/cMvGINARegistry.h"
#include "support/cMvLog.h"
#include "support/cMvLogHandlerFile.h"

#include <objbase.h>

#include <vector>

namespace {

constexpr DWORD kPanelStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
constexpr DWORD kTitleStyle = WS_CHILD | WS_VISIBLE;
constexpr int kTitleY = 4;
constexpr int kTitleHeight = 15;
// Between the panel's bottom edge and the first control moved below it.
constexpr int kPanelGap = cMvDialogChangePassword::kGrowth - cMvDialogChangePassword::kPanelHeight;

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) noexcept {
    try {
        reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// The work area of the monitor that holds the window.
RECT WorkAreaOf(HWND window) noexcept {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) {
        area = info.rcWork;
    }
    return area;
}

void EmptyField(HWND field) noexcept {
    if (field != nullptr) {
        SetWindowTextW(field, L"");
    }
}

} // namespace

cMvDialogChangePassword::cMvDialogChangePassword(cMvWinlogonServices& services) noexcept
    : cMvGINADialog(services), m_driver(m_display) {}

cMvDialogChangePassword::~cMvDialogChangePassword() = default;

LONG cMvDialogChangePassword::PrepareDialog(DLGPROC ginaDialogProc) noexcept {
    SetGinaDialogProc(ginaDialogProc);
    return resetra::CatchAll(
        m_services.ExceptionReport(L"cMvDialogChangePassword::PrepareDialog"),
        [&]() -> LONG {
            cMvGINARegistry registry;
            const LONG connected = registry.Connect(nullptr, HKEY_LOCAL_MACHINE);
            if (connected != 0) {
                m_services.WriteLog(cMvWinlogonServices::LevelError,
                                    L"Error connecting to registry. Errorcode %ld.", connected);
                return connected;
            }
            const bool enabled = IsVexaGinaEnabled(m_services, registry);
            m_enabled = 0;
            if (enabled) {
                m_services.WriteLog(cMvWinlogonServices::LevelInformation,
                                    L"Enabling Vexa functionality.");
                m_enabled = 1;
            }
            // A dialog that never reached WM_DESTROY still holds its entry.
            if (!m_comEntered) {
                const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                if (FAILED(hr)) {
                    m_services.WriteLog(cMvWinlogonServices::LevelError,
                                        L"Failed to initialize the COM library. Errorcode %ld",
                                        static_cast<long>(hr));
                    return hr;
                }
                m_comEntered = true;
            }
            return 0;
        },
        []() noexcept -> LONG { return resetra::kExceptionCaught; });
}

INT_PTR cMvDialogChangePassword::DialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept {
    const auto report = m_services.ExceptionReport(L"cMvDialogChangePassword::DialogProc");
    if (message == WM_DESTROY) {
        m_display.FreeIcons();
        const INT_PTR result = cMvGINADialog::DialogProc(window, message, wParam, lParam);
        OnDestroy();
        return result;
    }
    if (m_enabled == 0) {
        return cMvGINADialog::DialogProc(window, message, wParam, lParam);
    }
    if (message == WM_INITDIALOG) {
        resetra::CatchAll(
            report, [&] { OnInitDialogBefore(window); }, []() noexcept {});
        const INT_PTR result = cMvGINADialog::DialogProc(window, message, wParam, lParam);
        resetra::CatchAll(
            report, [&] { OnInitDialogAfter(); }, []() noexcept {});
        return result;
    }
    if (message == WM_COMMAND) {
        const bool swallow = resetra::CatchAll(
            report, [&] { return OnCommand(wParam); }, []() noexcept { return false; });
        if (swallow) {
            return 0;
        }
    }
    return cMvGINADialog::DialogProc(window, message, wParam, lParam);
}

void cMvDialogChangePassword::OnInitDialogBefore(HWND dialog) {
    cMvLog log;
    SetUpPolicyLog(log);
    m_window = dialog;
    m_oldPassword = GetDlgItem(dialog, kOldPasswordControl);
    m_newPassword = GetDlgItem(dialog, kNewPasswordControl);
    m_confirmation = GetDlgItem(dialog, kConfirmationControl);
    m_userName = GetDlgItem(dialog, kUserNameControl);
    m_domain = GetDlgItem(dialog, kDomainControl);
    m_growth = 0;
    m_title = nullptr;

    const HINSTANCE module = m_services.ResourceModule();
    m_display.Create(kPanelStyle, kPanelX, kPanelY, kPanelWidth, kPanelHeight, dialog, module);
    m_display.LoadIcons(kSatisfiedIcon, kRefusedIcon);
    RECT window{};
    GetWindowRect(dialog, &window);
    const RECT area = WorkAreaOf(dialog);
    // Rows beyond what the screen can hold below the dialog's own height are
    // summed up in a last row.
    const int room = (area.bottom - area.top) - (window.bottom - window.top) - kPanelGap;
    m_display.SetHeightLimit(room > kPanelHeight ? room : kPanelHeight,
                             m_services.Text(TextKeys::RulesDisplayMoreRules));
    if (m_display.Panel() != nullptr) {
        FitPanel();
    }

    m_title = CreateWindowExW(
        0, L"STATIC", m_services.Text(TextKeys::PasswordComplexityRules).c_str(), kTitleStyle,
        kPanelX, kTitleY, kPanelWidth, kTitleHeight, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTitleControl)), module, nullptr);
    if (m_title != nullptr) {
        SendMessageW(m_title, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    m_driver.Attach({m_userName, m_domain, m_oldPassword, m_newPassword},
                    m_services.TextLanguageId());
    log.Flush();
}

void cMvDialogChangePassword::OnInitDialogAfter() {
    cMvLog log;
    log.AddHandler(&GetPolicyLogHandler());
    log.Log(LogLevel::Debug, L"Loading policies for the first time.");
    int32_t code = m_driver.LoadPolicies(log);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"An error occurred while loading policies.");
    }
    log.Log(LogLevel::Debug, L"Set description of password rules.");
    code = m_driver.RefreshRuleDisplay(log);
    FitPanel();
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"An error occurred while initializing password test.");
    }
    log.Flush();
}

bool cMvDialogChangePassword::OnCommand(WPARAM wParam) {
    const int control = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    cMvLog log;
    log.AddHandler(&GetPolicyLogHandler());
    bool swallow = false;
    const bool passwordField = control == kOldPasswordControl || control == kNewPasswordControl;
    if (control == IDOK && notification == BN_CLICKED) {
        bool passOn = true;
        const int32_t code = ValidateOnOk(log, passOn);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code, L"An error occurred while testing password.");
        } else {
            swallow = !passOn;
        }
    } else if ((control == kUserNameControl && notification == EN_KILLFOCUS &&
                m_domain != nullptr && !IsWindowEnabled(m_domain)) ||
               (control == kDomainControl && notification == CBN_KILLFOCUS)) {
        const int32_t code = m_driver.LoadPolicies(log);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code, L"An error occurred while loading policies.");
        }
    } else if (passwordField && notification == EN_SETFOCUS) {
        int32_t code = m_driver.RefreshRuleDisplay(log);
        FitPanel();
        if (code != 0) {
            log.LogCode(LogLevel::Error, code,
                        L"An error occurred while initializing password test at EN_SETFOCUS.");
        }
        bool accepted = true;
        code = m_driver.TestNewPassword(log, accepted, nullptr);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code,
                        L"An error occurred while testing passsword at EN_SETFOCUS.");
        }
    } else if (passwordField && notification == EN_CHANGE) {
        bool accepted = true;
        const int32_t code = m_driver.TestNewPassword(log, accepted, nullptr);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code,
                        L"An error occurred while testing passsword at EN_CHANGE.");
        }
    }
    log.Flush();
    return swallow;
}

int32_t cMvDialogChangePassword::ValidateOnOk(cMvLog& log, bool& passOn) {
    return resetra::CatchAll(
        [&log](const char*) {
            log.LogCode(LogLevel::Error, resetra::kExceptionCaught,
                        L"Caught exception while validating password.");
        },
        [&]() -> int32_t {
            int32_t code = m_driver.RefreshRuleDisplay(log);
            FitPanel();
            if (code != 0) {
                log.LogCode(LogLevel::Error, code,
                            L"An error occurred while initializing password test.");
            }
            {
                // Both texts whole: the chained GINA sets the whole password,
                // so the whole password is what is compared and tested.
                const resetra::cMvSecureString newPassword =
                    CPasswordTestDriver::ReadSecret(m_newPassword);
                const resetra::cMvSecureString confirmation =
                    CPasswordTestDriver::ReadSecret(m_confirmation);
                if (!(newPassword == confirmation)) {
                    EmptyPasswordFields();
                    ShowMessage(m_services.Text(TextKeys::VexaErrorPasswordDoNotMatch));
                    passOn = false;
                    return 0;
                }
            }
            std::wstring feedback = m_services.Text(TextKeys::ChangePasswordFeedbackDialogText);
            code = m_driver.TestNewPassword(log, passOn, &feedback);
            if (code == 0 && !passOn) {
                EmptyPasswordFields();
                ShowMessage(feedback);
                return 0;
            }
            if (code == CPolicylist::kNoApplicablePolicy) {
                log.LogCode(LogLevel::Debug, code, L"Vexa could not find an active policy.");
                passOn = true;
                return 0;
            }
            if (code != 0) {
                passOn = true;
                log.LogCode(LogLevel::Error, code, L"An error occurred while testing password.");
            }
            return code;
        },
        []() noexcept -> int32_t { return resetra::kExceptionCaught; });
}

void cMvDialogChangePassword::EmptyPasswordFields() noexcept {
    EmptyField(m_oldPassword);
    EmptyField(m_newPassword);
    EmptyField(m_confirmation);
}

void cMvDialogChangePassword::ShowMessage(const std::wstring& text) {
    std::wstring message = text;
    std::wstring title = m_services.Text(TextKeys::ChangePasswordFeedbackDialogTitle);
    (void)m_services.WinlogonMessageBox(m_window, message.data(), title.data(),
                                        MB_OK | MB_ICONEXCLAMATION);
    if (m_oldPassword != nullptr) {
        SetFocus(m_oldPassword);
    }
}

void cMvDialogChangePassword::FitPanel() {
    if (m_window == nullptr || m_display.Panel() == nullptr) {
        return;
    }
    const int needed = m_display.GetHeight() + kPanelGap;
    if (needed <= m_growth) {
        return;
    }
    const int delta = needed - m_growth;
    m_growth = needed;
    RECT window{};
    if (GetWindowRect(m_window, &window)) {
        SetWindowPos(m_window, nullptr, 0, 0, window.right - window.left,
                     window.bottom - window.top + delta, SWP_NOMOVE | SWP_NOZORDER);
    }
    std::vector<HWND> children;
    EnumChildWindows(m_window, &CollectChild, reinterpret_cast<LPARAM>(&children));
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const HWND child = *it;
        if (child == m_display.Panel() || child == m_title || GetParent(child) != m_window) {
            continue;
        }
        RECT r{};
        if (GetWindowRect(child, &r) && ScreenRectToClient(m_window, r)) {
            MoveWindow(child, r.left, r.top + delta, r.right - r.left, r.bottom - r.top, TRUE);
        }
    }
    // Keep the grown dialog on the screen.
    if (GetWindowRect(m_window, &window)) {
        const RECT area = WorkAreaOf(m_window);
        int top = window.top;
        if (window.bottom > area.bottom) {
            top = area.bottom - (window.bottom - window.top);
        }
        if (top < area.top) {
            top = area.top;
        }
        if (top != window.top) {
            SetWindowPos(m_window, nullptr, window.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
    }
}

void cMvDialogChangePassword::OnDestroy() noexcept {
    m_window = nullptr;
    m_title = nullptr;
    if (m_comEntered) {
        CoUninitialize();
        m_comEntered = false;
    }
}
