// The forgot-password group of the logon and locked dialogs: enabling at
// preparation, controls created after the chained GINA initialised the
// dialog, painting of the icon and the focus frame, the OK button's enabled
// state mirrored onto the group, and the wizard started while the dialog is
// hidden. Geometry, enabling rules and the wizard's process live beside it.
#include "dialogs/cMvDialogLogonLocked.h"

#include "dialogs/ExtensionEnabling.h"
#include "dialogs/ForgotPasswordLayout.h"
#include "dialogs/ResetWizardStart.h"
#include "dialogs/WindowHelpers.h"
#include "support/CatchAll.h"
#include "support/RegistryKeys.h"
#include "support/cMvGINARegistry.h"

#include <optional>

namespace {

// The OK button's own procedure, kept on the button while ours is on it, so
// that it is reached even when no extension has the dialog open.
const wchar_t* const kOkButtonProcProperty = L"Resetra.OkButtonProc";

constexpr int kLogonUserControl = 1502;
constexpr int kLogonDomainControl = 1504;
constexpr int kLockedUserControl = 1953;
constexpr int kLockedDomainControl = 1956;

// The extension whose dialog is open: the OK button's subclass procedure has
// no other way to find it.
cMvDialogLogonLocked* g_open = nullptr;

struct TypedNames {
    cMvWinlogonServices& services;
    std::wstring user;
    std::wstring domain;
    bool failed = false;
};

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

BOOL CALLBACK CollectTypedNames(HWND child, LPARAM parameter) noexcept {
    auto* names = reinterpret_cast<TypedNames*>(parameter);
    return resetra::CatchAll(
        names->services.ExceptionReport(L"CollectTypedNames"),
        [&] {
            const int id = GetDlgCtrlID(child);
            if (id == kLogonUserControl || id == kLockedUserControl) {
                names->user = WindowText(child);
            } else if ((id == kLogonDomainControl || id == kLockedDomainControl) &&
                       IsWindowEnabled(child)) {
                names->domain = WindowText(child);
            }
            return TRUE;
        },
        [names]() noexcept {
            names->failed = true;
            return FALSE;
        });
}

// Hides a window for the life of the object: shown again on every way out.
class HiddenWhileInScope {
public:
    explicit HiddenWhileInScope(HWND window) noexcept : m_window(window) {
        ShowWindow(m_window, SW_HIDE);
    }
    ~HiddenWhileInScope() { ShowWindow(m_window, SW_SHOW); }
    HiddenWhileInScope(const HiddenWhileInScope&) = delete;
    HiddenWhileInScope& operator=(const HiddenWhileInScope&) = delete;

private:
    HWND m_window;
};

} // namespace

cMvDialogLogonLocked::~cMvDialogLogonLocked() {
    if (g_open == this) {
        g_open = nullptr;
    }
}

LONG cMvDialogLogonLocked::PrepareDialog(DLGPROC ginaDialogProc) {
    SetGinaDialogProc(ginaDialogProc);
    cMvGINARegistry registry;
    const LONG connected = registry.Connect(nullptr, HKEY_LOCAL_MACHINE);
    if (connected != 0) {
        m_services.WriteLog(cMvWinlogonServices::LevelError,
                            L"Error connecting to registry. Errorcode %ld.", connected);
        return connected;
    }
    DWORD policy = 1;
    LONG code = registry.GetDword(kWizardsPolicyKey, L"GINAEnabled", policy);
    if (code != 0) {
        policy = 1;
        m_services.WriteLog(cMvWinlogonServices::LevelError,
                            L"Error getting policy value '%s' from registry. Errorcode %ld.",
                            L"GINAEnabled", code);
    }
    DWORD local = 0;
    code = registry.GetDword(kResetraGinaKey, L"GINAEnabled", local);
    if (code != 0) {
        local = 0;
        m_services.WriteLog(cMvWinlogonServices::LevelError,
                            L"Error getting value '%s' from registry. Errorcode %ld.",
                            L"GINAEnabled", code);
    }
    bool vexaWithMarrow = false;
    code = IsVexaWithMarrowActive(m_services, registry, vexaWithMarrow);
    if (code != 0) {
        m_services.WriteLog(
            cMvWinlogonServices::LevelError,
            L"Error determining if Vexa was installed in combination with Marrow GINA. "
            L"Errorcode %ld.",
            code);
    }
    m_enabled = 0;
    if (local != 0 && policy != 0 && !vexaWithMarrow) {
        m_services.WriteLog(cMvWinlogonServices::LevelInformation,
                            L"Enabling Resetra functionality.");
        m_enabled = 1;
    }
    return 0;
}

INT_PTR cMvDialogLogonLocked::DialogProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
    const INT_PTR result = cMvGINADialog::DialogProc(window, message, wParam, lParam);
    if (m_enabled == 0) {
        return result;
    }
    // The chained GINA has had the message; a failure of ours keeps its answer.
    return resetra::CatchAll(
        m_services.ExceptionReport(L"cMvDialogLogonLocked::DialogProc"),
        [&] { return Extend(window, message, wParam, lParam, result); },
        [result]() noexcept { return result; });
}

INT_PTR cMvDialogLogonLocked::Extend(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     INT_PTR result) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_SIZE:
        Layout(window);
        break;
    case WM_PAINT:
        OnPaint(window);
        break;
    case WM_COMMAND:
        // The button has no control identifier of its own; its handle tells
        // its clicks from those of a GINA control with identifier 0.
        if (m_button && reinterpret_cast<HWND>(lParam) == m_button.get() &&
            HIWORD(wParam) == BN_CLICKED) {
            StartResetWizard(window);
            return 1;
        }
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    return result;
}

void cMvDialogLogonLocked::OnInitDialog(HWND dialog) {
    m_window = dialog;
    g_open = this;
    {
        cMvGINARegistry registry;
        if (registry.Connect(nullptr, HKEY_LOCAL_MACHINE) == 0) {
            if (registry.GetDword(kWizardsPolicyKey, L"GINAControlPosition", m_positionMode) != 0) {
                m_positionMode = 0;
            }
            m_tabMode = ReadTabMode(registry);
        }
    }
    m_okButton = GetDlgItem(dialog, IDOK);
    if (m_okButton != nullptr) {
        const LONG_PTR previous = GetWindowLongPtrW(m_okButton, GWLP_WNDPROC);
        if (SetPropW(m_okButton, kOkButtonProcProperty, reinterpret_cast<HANDLE>(previous))) {
            SetWindowLongPtrW(m_okButton, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(&OkButtonWndProc));
        }
    }

    m_textContent = m_services.Text(TextKeys::LogonDialogText);
    RECT window{};
    if (GetWindowRect(dialog, &window)) {
        MoveWindow(dialog, window.left, window.top, window.right - window.left,
                   window.bottom - window.top + DialogGrowth(MeasureText(dialog)), TRUE);
    }

    const HINSTANCE instance = m_services.ResourceModule();
    m_groupBox.reset(CreateWindowExW(0, L"BUTTON", L"", 0x50000007, 0, 0, 0, 0, dialog, nullptr,
                                     instance, nullptr));
    m_button.reset(CreateWindowExW(0, L"BUTTON",
                                   m_services.Text(TextKeys::ForgotMyPasswordButton).c_str(),
                                   0x50010000, 0, 0, 0, 0, dialog, nullptr, instance, nullptr));
    m_text.reset(CreateWindowExW(0, L"STATIC", m_textContent.c_str(),
                                 0x50000000 | (m_tabMode == 1 ? WS_TABSTOP : 0), 0, 0, 0, 0, dialog,
                                 nullptr, instance, nullptr));
    m_icon.reset(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IconResource), IMAGE_ICON, 32, 32, LR_VGACOLOR)));
    if (m_tabMode == 1 && m_text) {
        SubclassKeepingPrevious(m_text.get(), &TextFocusWndProc);
        SetWindowPos(m_button.get(), m_text.get(), 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    SetDefaultGuiFont(m_text.get());
    SetDefaultGuiFont(m_button.get());
    if (m_okButton != nullptr && !IsWindowEnabled(m_okButton)) {
        EnableWindow(m_text.get(), FALSE);
        EnableWindow(m_button.get(), FALSE);
    }
    Layout(dialog);
}

int cMvDialogLogonLocked::MeasureText(HWND dialog, HDC dc) const noexcept {
    if (dc != nullptr) {
        return TextHeight(dc, dialog, m_textContent.c_str());
    }
    int height = 0;
    if (HDC own = GetDC(dialog)) {
        height = TextHeight(own, dialog, m_textContent.c_str());
        ReleaseDC(dialog, own);
    }
    return height;
}

void cMvDialogLogonLocked::Layout(HWND dialog) {
    const int h = MeasureText(dialog);
    RECT r{};
    if (!GroupRect(m_positionMode, dialog, h, r)) {
        return;
    }
    auto place = [](const resetra::UniqueHWnd& control, int x, int y, int width, int height) {
        if (!control) {
            return;
        }
        ShowWindow(control.get(), SW_HIDE);
        MoveWindow(control.get(), x, y, width, height, FALSE);
        ShowWindow(control.get(), SW_SHOW);
    };
    place(m_groupBox, r.left, r.top, r.right - r.left, r.bottom - r.top);
    place(m_text, r.left + 79, r.top + 20, (r.right - r.left) - 89, h);
    place(m_button, r.left + 79, r.top + h + 27, 157, 23);
}

void cMvDialogLogonLocked::OnPaint(HWND dialog) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(dialog, &paint);
    if (dc == nullptr) {
        return;
    }
    const int h = MeasureText(dialog, dc);
    RECT r{};
    if (GroupRect(m_positionMode, dialog, h, r)) {
        if (m_icon) {
            const bool disabled = m_text && !IsWindowEnabled(m_text.get());
            DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(m_icon.get()), 0, r.left + 23,
                       r.top + h / 2 + 4, 32, 32, DST_ICON | (disabled ? DSS_DISABLED : 0));
        }
        if (m_text && GetFocus() == m_text.get()) {
            RECT frame{r.left + 78, r.top + 19, r.right - 9, r.top + 19 + h + 2};
            DrawFocusRect(dc, &frame);
        }
    }
    EndPaint(dialog, &paint);
}

void cMvDialogLogonLocked::OnDestroy() noexcept {
    if (m_okButton != nullptr && IsWindow(m_okButton)) {
        if (const HANDLE previous = RemovePropW(m_okButton, kOkButtonProcProperty)) {
            SetWindowLongPtrW(m_okButton, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        }
    }
    m_groupBox.reset();
    m_button.reset();
    m_text.reset();
    m_icon.reset();
    m_okButton = nullptr;
    m_window = nullptr;
    if (g_open == this) {
        g_open = nullptr;
    }
}

LRESULT CALLBACK cMvDialogLogonLocked::OkButtonWndProc(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam) noexcept {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, kOkButtonProcProperty));
    const cMvDialogLogonLocked* self = g_open;
    if (message == WM_ENABLE && self != nullptr && self->m_okButton == window) {
        EnableWindow(self->m_text.get(), static_cast<BOOL>(wParam));
        EnableWindow(self->m_button.get(), static_cast<BOOL>(wParam));
        InvalidateRect(GetParent(window), nullptr, TRUE);
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(window, kOkButtonProcProperty);
    }
    // The property is set before this procedure goes on, so it is never
    // missing while the procedure runs.
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK cMvDialogLogonLocked::TextFocusWndProc(HWND window, UINT message, WPARAM wParam,
                                                        LPARAM lParam) noexcept {
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        InvalidateRect(GetParent(window), nullptr, TRUE);
    }
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return previous != nullptr ? CallWindowProcW(previous, window, message, wParam, lParam) : 0;
}

void cMvDialogLogonLocked::StartResetWizard(HWND dialog) {
    std::optional<std::wstring> path;
    cMvGINARegistry registry;
    LONG code = registry.Connect(nullptr, HKEY_LOCAL_MACHINE);
    if (code == 0) {
        code = registry.GetString(kResetWizardKey, L"Reset Wizard Location", path);
    }
    if (code != 0 || !path) {
        std::wstring text = m_services.Text(TextKeys::ErrorDialogText);
        std::wstring title = m_services.Text(TextKeys::ErrorDialogTitleRegistry);
        (void)m_services.WinlogonMessageBox(dialog, text.data(), title.data(), MB_ICONERROR);
        return;
    }
    TypedNames names{m_services, {}, {}};
    EnumChildWindows(dialog, &CollectTypedNames, reinterpret_cast<LPARAM>(&names));
    if (names.failed) {
        // Without the names typed so far the wizard would start for nobody.
        return;
    }
    const HiddenWhileInScope hidden(dialog);
    if (RunResetWizard(m_services, *path, names.domain, names.user) != 0) {
        std::wstring text = m_services.Text(TextKeys::ErrorDialogText);
        std::wstring title = m_services.Text(TextKeys::ErrorDialogTitleStartResetWizard);
        (void)m_services.WinlogonMessageBox(dialog, text.data(), title.data(), MB_ICONERROR);
    }
}
