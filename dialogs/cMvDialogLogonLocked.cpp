// The forgot-password group of the logon and locked dialogs: enabling checks,
// layout measured with the dialog's font, and the reset wizard started on
// "WinSta0\Winlogon" while the dialog is hidden. The wait for the wizard keeps
// answering sent messages, so a wizard that broadcasts cannot deadlock it.
#include "dialogs/cMvDialogLogonLocked.h"

#include "dialogs/WindowHelpers.h"
#include "gina/GinaProcess.h"
#include "gina/LocalizedText.h"
#include "gina/cMvGINAChain.h"
#include "gina/cMvGINALog.h"
#include "gina/cMvGINARegistry.h"
#include "support/RegistryKeys.h"

#include <cwctype>
#include <vector>

namespace {

const wchar_t* const kWizardFileName = L"ResetraReset.exe";

constexpr int kLogonUserControl = 1502;
constexpr int kLogonDomainControl = 1504;
constexpr int kLockedUserControl = 1953;
constexpr int kLockedDomainControl = 1956;

// The extension whose dialog is open: the OK button's subclass procedure has
// no other way to find it.
cMvDialogLogonLocked* g_open = nullptr;

bool ContainsIgnoringCase(const std::wstring& text, const wchar_t* part) {
    std::wstring lowerText = text;
    std::wstring lowerPart = part;
    for (auto* s : {&lowerText, &lowerPart}) {
        for (wchar_t& c : *s) {
            c = static_cast<wchar_t>(towlower(c));
        }
    }
    return lowerText.find(lowerPart) != std::wstring::npos;
}

struct TypedNames {
    std::wstring user;
    std::wstring domain;
};

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

BOOL CALLBACK CollectTypedNames(HWND child, LPARAM parameter) {
    auto* names = reinterpret_cast<TypedNames*>(parameter);
    const int id = GetDlgCtrlID(child);
    if (id == kLogonUserControl || id == kLockedUserControl) {
        names->user = WindowText(child);
    } else if ((id == kLogonDomainControl || id == kLockedDomainControl) &&
               IsWindowEnabled(child)) {
        names->domain = WindowText(child);
    }
    return TRUE;
}

} // namespace

cMvDialogLogonLocked::~cMvDialogLogonLocked() {
    if (g_open == this) {
        g_open = nullptr;
    }
}

LONG cMvDialogLogonLocked::PrepareDialog(DLGPROC ginaDialogProc) noexcept {
    SetGinaDialogProc(ginaDialogProc);
    cMvGINALog& log = StubLog();
    cMvGINARegistry registry;
    const LONG connected = registry.Connect(nullptr, HKEY_LOCAL_MACHINE);
    if (connected != 0) {
        log.Write(cMvGINALog::LevelError, L"Error connecting to registry. Errorcode %ld.",
                  connected);
        return connected;
    }
    DWORD policy = 1;
    LONG code = registry.GetDword(kWizardsPolicyKey, L"GINAEnabled", policy);
    if (code != 0) {
        policy = 1;
        log.Write(cMvGINALog::LevelError,
                  L"Error getting policy value '%s' from registry. Errorcode %ld.", L"GINAEnabled",
                  code);
    }
    DWORD local = 0;
    code = registry.GetDword(kResetraGinaKey, L"GINAEnabled", local);
    if (code != 0) {
        local = 0;
        log.Write(cMvGINALog::LevelError, L"Error getting value '%s' from registry. Errorcode %ld.",
                  L"GINAEnabled", code);
    }
    bool vexaWithMarrow = false;
    code = IsVexaWithMarrowActive(registry, vexaWithMarrow);
    if (code != 0) {
        log.Write(cMvGINALog::LevelError,
                  L"Error determining if Vexa was installed in combination with Marrow GINA. "
                  L"Errorcode %ld.",
                  code);
    }
    m_enabled = 0;
    if (local != 0 && policy != 0 && !vexaWithMarrow) {
        log.Write(cMvGINALog::LevelInformation, L"Enabling Resetra functionality.");
        m_enabled = 1;
    }
    return 0;
}

LONG cMvDialogLogonLocked::IsProductInstalled(cMvGINARegistry& registry, const wchar_t* name,
                                              bool& installed) {
    installed = false;
    std::vector<std::wstring> products;
    const LONG code = registry.GetMultiString(kExtensionsKey, L"Installed Products", products);
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        return 0;
    }
    if (code != 0) {
        StubLog().Write(cMvGINALog::LevelError, L"Error getting installed products. Errorcode %ld.",
                        code);
        return code;
    }
    for (const std::wstring& product : products) {
        if (lstrcmpiW(product.c_str(), name) == 0) {
            installed = true;
        }
    }
    return 0;
}

LONG cMvDialogLogonLocked::IsVexaWithMarrowActive(cMvGINARegistry& registry, bool& active) {
    active = false;
    cMvGINALog& log = StubLog();
    DWORD policy = 0;
    bool policySet = true;
    LONG code = registry.GetDword(kVexaGinaPolicyKey, L"GinaEnabled", policy);
    if (code != 0) {
        policySet = false;
        log.Write(cMvGINALog::LevelError,
                  L"Error getting policy value '%s' from registry. Errorcode %ld.", L"GinaEnabled",
                  code);
    }
    DWORD local = 0;
    code = registry.GetDword(kVexaGinaLocalKey, L"GinaEnabled", local);
    if (code != 0) {
        local = 0;
        log.Write(cMvGINALog::LevelError, L"Error getting value '%s' from registry. Errorcode %ld.",
                  L"GinaEnabled", code);
    }
    bool marrow = false;
    code = IsProductInstalled(registry, L"Marrow", marrow);
    if (code != 0) {
        marrow = false;
        log.Write(cMvGINALog::LevelError,
                  L"Error getting detecting Marrow extension. Errorcode %ld.", code);
    }
    bool offline = false;
    const LONG lastCode = IsProductInstalled(registry, L"Resetra Offline", offline);
    if (lastCode != 0) {
        offline = false;
        log.Write(cMvGINALog::LevelError,
                  L"Error getting detected Resetra Offline extension. Errorcode %ld.", lastCode);
    }
    bool vexaEnabled = false;
    if (policySet && policy == 1) {
        vexaEnabled = true;
    } else if (!(policySet && policy == 0)) {
        vexaEnabled = local != 0;
    }
    if (vexaEnabled && (marrow || offline)) {
        log.Write(cMvGINALog::LevelInformation, L"Vexa and Marrow GINA active.");
        active = true;
    }
    return lastCode;
}

INT_PTR cMvDialogLogonLocked::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const INT_PTR result = cMvGINADialog::DialogProc(window, message, wParam, lParam);
    if (m_enabled == 0) {
        return result;
    }
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        return result;
    case WM_SIZE:
        Layout(window);
        return result;
    case WM_PAINT:
        OnPaint(window);
        return result;
    case WM_COMMAND:
        // The button has no control identifier of its own; its handle tells
        // its clicks from those of a GINA control with identifier 0.
        if (m_button != nullptr && reinterpret_cast<HWND>(lParam) == m_button &&
            HIWORD(wParam) == BN_CLICKED) {
            StartResetWizard(window);
            return 1;
        }
        return result;
    case WM_DESTROY:
        OnDestroy();
        return result;
    default:
        return result;
    }
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
        m_okButtonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            m_okButton, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OkButtonWndProc)));
    }

    int h = 0;
    if (HDC dc = GetDC(dialog)) {
        h = TextHeight(dc, dialog);
        ReleaseDC(dialog, dc);
    }
    RECT window{};
    if (GetWindowRect(dialog, &window)) {
        const int growth = h > 32 ? h + 62 : 94;
        MoveWindow(dialog, window.left, window.top, window.right - window.left,
                   window.bottom - window.top + growth, TRUE);
    }

    const HINSTANCE instance = LibraryInstance();
    m_groupBox = CreateWindowExW(0, L"BUTTON", L"", 0x50000007, 0, 0, 0, 0, dialog, nullptr,
                                 instance, nullptr);
    const std::wstring buttonText = LocalizedText(TextKeys::ForgotMyPasswordButton);
    m_button = CreateWindowExW(0, L"BUTTON", buttonText.c_str(), 0x50010000, 0, 0, 0, 0, dialog,
                               nullptr, instance, nullptr);
    const std::wstring text = LocalizedText(TextKeys::LogonDialogText);
    m_text =
        CreateWindowExW(0, L"STATIC", text.c_str(), 0x50000000 | (m_tabMode == 1 ? WS_TABSTOP : 0),
                        0, 0, 0, 0, dialog, nullptr, instance, nullptr);
    m_icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IconResource), IMAGE_ICON, 32, 32, LR_VGACOLOR));
    if (m_tabMode == 1 && m_text != nullptr) {
        SubclassKeepingPrevious(m_text, &TextFocusWndProc);
        SetWindowPos(m_button, m_text, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    SetDefaultGuiFont(m_text);
    SetDefaultGuiFont(m_button);
    if (m_okButton != nullptr && !IsWindowEnabled(m_okButton)) {
        EnableWindow(m_text, FALSE);
        EnableWindow(m_button, FALSE);
    }
    Layout(dialog);
}

int cMvDialogLogonLocked::TextHeight(HDC dc, HWND dialog) {
    const HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    int height = 0;
    RECT group{};
    if (GroupRect(0, dialog, 0, group)) {
        const std::wstring text = LocalizedText(TextKeys::LogonDialogText);
        RECT measure{0, 0, (group.right - group.left) - 89, 0};
        height = DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK);
    }
    SelectObject(dc, previous);
    return height;
}

bool cMvDialogLogonLocked::GroupRect(DWORD positionMode, HWND dialog, int textHeight,
                                     RECT& rectangle) {
    RECT r{};
    if (!GetWindowRect(dialog, &r) || !ScreenRectToClient(dialog, r)) {
        return false;
    }
    const int cyEdge = GetSystemMetrics(SM_CYEDGE);
    const int cxEdge = GetSystemMetrics(SM_CXEDGE);
    const HWND ok = positionMode == 1 ? GetDlgItem(dialog, IDOK) : nullptr;
    if (ok != nullptr) {
        RECT okRect{};
        if (!GetWindowRect(ok, &okRect) || !ScreenRectToClient(dialog, okRect)) {
            return false;
        }
        r.top = okRect.bottom + 5 - cyEdge;
        r.bottom = r.top + 99 - cyEdge;
        if (textHeight > 32) {
            r.bottom += textHeight - 32;
        }
    } else {
        r.bottom -= cyEdge + 5;
        r.top = r.bottom - 89;
        if (textHeight > 32) {
            r.top -= textHeight - 32;
        }
    }
    r.left += cxEdge + 5;
    r.right -= cxEdge + 5;
    rectangle = r;
    return true;
}

void cMvDialogLogonLocked::Layout(HWND dialog) {
    int h = 0;
    if (HDC dc = GetDC(dialog)) {
        h = TextHeight(dc, dialog);
        ReleaseDC(dialog, dc);
    }
    RECT r{};
    if (!GroupRect(m_positionMode, dialog, h, r)) {
        return;
    }
    auto place = [](HWND control, int x, int y, int width, int height) {
        if (control == nullptr) {
            return;
        }
        ShowWindow(control, SW_HIDE);
        MoveWindow(control, x, y, width, height, FALSE);
        ShowWindow(control, SW_SHOW);
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
    if (m_icon != nullptr) {
        const int h = TextHeight(dc, dialog);
        RECT r{};
        if (GroupRect(m_positionMode, dialog, h, r)) {
            const bool disabled = m_text != nullptr && !IsWindowEnabled(m_text);
            DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(m_icon), 0, r.left + 23,
                       r.top + h / 2 + 4, 32, 32, DST_ICON | (disabled ? DSS_DISABLED : 0));
        }
    }
    if (m_text != nullptr && GetFocus() == m_text) {
        const int h = TextHeight(dc, dialog);
        RECT r{};
        if (GroupRect(m_positionMode, dialog, h, r)) {
            RECT frame{r.left + 78, r.top + 19, r.right - 9, r.top + 19 + h + 2};
            DrawFocusRect(dc, &frame);
        }
    }
    EndPaint(dialog, &paint);
}

void cMvDialogLogonLocked::OnDestroy() {
    if (m_okButton != nullptr && m_okButtonProc != nullptr && IsWindow(m_okButton)) {
        SetWindowLongPtrW(m_okButton, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_okButtonProc));
    }
    for (HWND* control : {&m_groupBox, &m_button, &m_text}) {
        if (*control != nullptr) {
            DestroyWindow(*control);
            *control = nullptr;
        }
    }
    if (m_icon != nullptr) {
        DestroyIcon(m_icon);
        m_icon = nullptr;
    }
    m_okButton = nullptr;
    m_okButtonProc = nullptr;
    m_window = nullptr;
    if (g_open == this) {
        g_open = nullptr;
    }
}

LRESULT CALLBACK cMvDialogLogonLocked::OkButtonWndProc(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam) {
    cMvDialogLogonLocked* self = g_open;
    if (self == nullptr || self->m_okButtonProc == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_ENABLE) {
        EnableWindow(self->m_text, static_cast<BOOL>(wParam));
        EnableWindow(self->m_button, static_cast<BOOL>(wParam));
        InvalidateRect(GetParent(window), nullptr, TRUE);
    }
    return CallWindowProcW(self->m_okButtonProc, window, message, wParam, lParam);
}

LRESULT CALLBACK cMvDialogLogonLocked::TextFocusWndProc(HWND window, UINT message, WPARAM wParam,
                                                        LPARAM lParam) {
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        InvalidateRect(GetParent(window), nullptr, TRUE);
    }
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return previous != nullptr ? CallWindowProcW(previous, window, message, wParam, lParam) : 0;
}

void cMvDialogLogonLocked::StartResetWizard(HWND dialog) {
    const cMvGINAChain& chain = Chain();
    std::optional<std::wstring> path;
    cMvGINARegistry registry;
    LONG code = registry.Connect(nullptr, HKEY_LOCAL_MACHINE);
    if (code == 0) {
        code = registry.GetString(kResetWizardKey, L"Reset Wizard Location", path);
    }
    if (code != 0 || !path) {
        std::wstring text = LocalizedText(TextKeys::ErrorDialogText);
        std::wstring title = LocalizedText(TextKeys::ErrorDialogTitleRegistry);
        (void)chain.WinlogonMessageBox(dialog, text.data(), title.data(), MB_ICONERROR);
        return;
    }
    TypedNames names;
    EnumChildWindows(dialog, &CollectTypedNames, reinterpret_cast<LPARAM>(&names));
    ShowWindow(dialog, SW_HIDE);
    if (RunResetWizard(*path, names.domain, names.user) != 0) {
        std::wstring text = LocalizedText(TextKeys::ErrorDialogText);
        std::wstring title = LocalizedText(TextKeys::ErrorDialogTitleStartResetWizard);
        (void)chain.WinlogonMessageBox(dialog, text.data(), title.data(), MB_ICONERROR);
    }
    ShowWindow(dialog, SW_SHOW);
}

std::wstring cMvDialogLogonLocked::QuoteArgument(const std::wstring& argument) {
    // The rules programs use to split their command line: backslashes are
    // literal unless they precede a quote; 2n backslashes + quote give n
    // backslashes and end the argument, 2n+1 give n and a literal quote.
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring cMvDialogLogonLocked::BuildWizardCommandLine(const std::wstring& path,
                                                          const std::wstring& domain,
                                                          const std::wstring& user) {
    // The program name is taken up to the next quote without escapes; a path
    // cannot hold a quote.
    return L"\"" + path + L"\" " + QuoteArgument(domain) + L" " + QuoteArgument(user);
}

LONG cMvDialogLogonLocked::RunResetWizard(const std::wstring& path, const std::wstring& domain,
                                          const std::wstring& user) {
    if (!ContainsIgnoringCase(path, kWizardFileName)) {
        StubLog().Write(cMvGINALog::LevelWarning,
                        L"Reset Wizard location '%s' does not name %s; the wizard is not started.",
                        path.c_str(), kWizardFileName);
        return 0;
    }
    std::wstring commandLine = BuildWizardCommandLine(path, domain, user);
    wchar_t desktop[] = L"WinSta0\\Winlogon";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // No handle of Winlogon's is inherited by a program on the secure desktop.
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        const LONG code = static_cast<LONG>(GetLastError());
        StubLog().Write(cMvGINALog::LevelError, L"Error starting Reset Wizard. Errorcode %ld.",
                        code);
        return code;
    }
    resetra::UniqueKernelHandle processHandle(process.hProcess);
    resetra::UniqueKernelHandle threadHandle(process.hThread);
    // Answer messages sent to this thread while waiting (a wizard that
    // broadcasts a setting change waits for every top-level window), but
    // dispatch no input to the hidden dialog.
    for (;;) {
        const DWORD wait =
            MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        break;
    }
    return 0;
}
