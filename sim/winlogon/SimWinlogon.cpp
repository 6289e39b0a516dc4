// The simulated Winlogon: loads a GINA by path, hands it a complete
// WLX_DISPATCH_VERSION_1_4 table whose every function journals its call, and
// drives the GINA through the steps of a scenario file (negotiate, initialize,
// SAS events, lock, unlock, logoff, shutdown). Dialogs are really shown; a
// scenario may type into them and press their buttons, or leave them to a
// person in interactive mode.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

extern "C" {
#include <winwlx.h>
}

#include "sim/common/PngWriter.h"
#include "sim/common/SimJournal.h"
#include "sim/common/SimScenario.h"
#include "sim/domain/SimDomain.h"

#include <string>
#include <vector>

namespace {

SimScenario g_scenario;
bool g_interactive = false;
HANDLE const g_winlogonHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x57A1100D));
PVOID g_context = nullptr;
HMODULE g_gina = nullptr;

std::wstring P(const void* p) {
    return SimJournal::Pointer(p);
}
std::wstring H(ULONG_PTR v) {
    return SimJournal::Hex(v);
}

std::wstring ModuleOf(const void* address) {
    HMODULE owner = nullptr;
    wchar_t path[MAX_PATH] = L"";
    if (address != nullptr && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                     GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                                 static_cast<LPCWSTR>(address), &owner)) {
        GetModuleFileNameW(owner, path, MAX_PATH);
    }
    const wchar_t* base = wcsrchr(path, L'\\');
    return SimJournal::Field(base ? base + 1 : path);
}

std::wstring TemplateText(LPCWSTR dialogTemplate) {
    if (IS_INTRESOURCE(dialogTemplate)) {
        return std::to_wstring(reinterpret_cast<ULONG_PTR>(dialogTemplate));
    }
    return L"name:" + SimJournal::Field(dialogTemplate);
}

// ---- scripted dialog automation ---------------------------------------------
// Every top-level dialog created on this thread is tracked; a thread timer,
// which the dialog's modal loop dispatches, performs the scenario's actions
// on the newest one, one action per tick.

struct TrackedDialog {
    HWND window = nullptr;
    std::wstring key; // template number, "name:...", or "msgbox"
    std::vector<std::vector<std::wstring>> actions;
    size_t next = 0;
    DWORD waitUntil = 0;
    DWORD deadline = 0;
    int timeouts = 0;
    int repeats = 0;
    // Text being typed into `typingControl`, one key per tick.
    std::wstring typing;
    size_t typed = 0;
    HWND typingControl = nullptr;
    int expectedLength = -1;
    wchar_t lastKey = 0;
};

std::vector<TrackedDialog> g_dialogs;
std::wstring g_pendingKey;
UINT_PTR g_timer = 0;
HHOOK g_cbtHook = nullptr;

std::vector<std::vector<std::wstring>> ActionsFor(const std::wstring& key) {
    // "set dialog.KEY action args ; action args ; ..."
    std::vector<std::vector<std::wstring>> actions;
    std::vector<std::wstring> current;
    for (const std::wstring& word : SimScenario::SplitWords(g_scenario.Get(L"dialog." + key))) {
        if (word == L";") {
            if (!current.empty()) {
                actions.push_back(current);
            }
            current.clear();
        } else {
            current.push_back(word);
        }
    }
    if (!current.empty()) {
        actions.push_back(current);
    }
    return actions;
}

// Which mark an icon shows: the check is drawn green, the cross red.
std::wstring MarkOf(HICON icon) {
    if (icon == nullptr) {
        return L"none";
    }
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) {
        return L"unknown";
    }
    long long red = 0;
    long long green = 0;
    if (info.hbmColor != nullptr) {
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        BITMAPINFO header{};
        header.bmiHeader.biSize = sizeof(header.bmiHeader);
        header.bmiHeader.biWidth = bitmap.bmWidth;
        header.bmiHeader.biHeight = -bitmap.bmHeight;
        header.bmiHeader.biPlanes = 1;
        header.bmiHeader.biBitCount = 32;
        header.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
        HDC dc = GetDC(nullptr);
        if (GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(bitmap.bmHeight), pixels.data(),
                      &header, DIB_RGB_COLORS) > 0) {
            for (DWORD pixel : pixels) {
                red += (pixel >> 16) & 0xFF;
                green += (pixel >> 8) & 0xFF;
            }
        }
        ReleaseDC(nullptr, dc);
        DeleteObject(info.hbmColor);
    }
    if (info.hbmMask != nullptr) {
        DeleteObject(info.hbmMask);
    }
    return green > red ? L"check" : L"cross";
}

BOOL CALLBACK DescribeControl(HWND control, LPARAM parameter) {
    auto* dialog = reinterpret_cast<TrackedDialog*>(parameter);
    const HWND parent = GetParent(control);
    const bool nested = parent != dialog->window;
    wchar_t className[64] = L"";
    GetClassNameW(control, className, 64);
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    wchar_t text[512] = L"";
    GetWindowTextW(control, text, 512);
    std::wstring shown = SimJournal::Field(text);
    // A password field's text never reaches the journal: only its length.
    if (lstrcmpiW(className, L"Edit") == 0 && (style & ES_PASSWORD) != 0) {
        shown = L"*masked* length=" + std::to_wstring(GetWindowTextLengthW(control));
    }
    SecureZeroMemory(text, sizeof(text));
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    std::wstring line = std::wstring(nested ? L"host subcontrol" : L"host control") + L" key=" +
                        dialog->key + L" hwnd=" + P(control);
    if (nested) {
        line += L" parent=" + P(parent);
    }
    line += L" id=" + std::to_wstring(GetDlgCtrlID(control)) + L" class=" +
            SimJournal::Field(className) + L" style=" +
            H(static_cast<ULONG_PTR>(style) & 0xFFFFFFFF) + L" x=" + std::to_wstring(r.left) +
            L" y=" + std::to_wstring(r.top) + L" w=" + std::to_wstring(r.right - r.left) + L" h=" +
            std::to_wstring(r.bottom - r.top) + L" visible=" +
            (IsWindowVisible(control) ? L"1" : L"0") + L" enabled=" +
            (IsWindowEnabled(control) ? L"1" : L"0");
    if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        line +=
            L" mark=" + MarkOf(reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0)));
    }
    SimJournal::Write(line + L" text=" + shown);
    return TRUE;
}

struct TextSearch {
    HWND parent;
    std::wstring text;
    HWND found;
};

BOOL CALLBACK FindByText(HWND control, LPARAM parameter) {
    auto* search = reinterpret_cast<TextSearch*>(parameter);
    wchar_t text[512] = L"";
    GetWindowTextW(control, text, 512);
    if (GetParent(control) == search->parent && search->text == text) {
        search->found = control;
        return FALSE;
    }
    return TRUE;
}

void DescribeWindow(TrackedDialog& dialog) {
    RECT window{};
    RECT client{};
    GetWindowRect(dialog.window, &window);
    GetClientRect(dialog.window, &client);
    wchar_t title[256] = L"";
    GetWindowTextW(dialog.window, title, 256);
    SimJournal::Write(
        L"host window key=" + dialog.key + L" hwnd=" + P(dialog.window) + L" x=" +
        std::to_wstring(window.left) + L" y=" + std::to_wstring(window.top) + L" w=" +
        std::to_wstring(window.right - window.left) + L" h=" +
        std::to_wstring(window.bottom - window.top) + L" cw=" + std::to_wstring(client.right) +
        L" ch=" + std::to_wstring(client.bottom) + L" visible=" +
        (IsWindowVisible(dialog.window) ? L"1" : L"0") + L" style=" +
        H(static_cast<ULONG_PTR>(GetWindowLongPtrW(dialog.window, GWL_STYLE)) & 0xFFFFFFFF) +
        L" title=" + SimJournal::Field(title));
    EnumChildWindows(dialog.window, &DescribeControl, reinterpret_cast<LPARAM>(&dialog));
}

// ---- typing like a person -------------------------------------------------------
// One key per tick at the focused control: Shift (when the layout needs it)
// and the key go down and up as posted keyboard messages, and the dialog's
// own message loop translates them into characters, as for a real keyboard.
// The next tick checks that the field grew by that character.

long g_lastDirectoryCalls = 0;

// Directory calls answered since the last time this was asked.
long DirectoryCallsSinceLast() {
    const long total = SimDomainCallCount();
    const long since = total - g_lastDirectoryCalls;
    g_lastDirectoryCalls = total;
    return since;
}

LPARAM KeyLParam(UINT vk, bool up) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    return static_cast<LPARAM>(1u | (scan << 16) | (up ? 0xC0000000u : 0u));
}

void SetShiftState(bool down) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = down ? 0x80 : 0;
    state[VK_LSHIFT] = down ? 0x80 : 0;
    SetKeyboardState(state);
}

std::wstring FieldText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// Posts the messages of one key press that types `ch` at `control`.
void PostKey(HWND control, wchar_t ch) {
    const SHORT scan = VkKeyScanW(ch);
    if (scan == -1) {
        // No key of the layout gives it: the character alone, as an input
        // method would deliver it.
        PostMessageW(control, WM_CHAR, ch, 1);
        return;
    }
    const UINT vk = LOBYTE(scan);
    const bool shift = (HIBYTE(scan) & 1) != 0;
    SetShiftState(shift);
    if (shift) {
        PostMessageW(control, WM_KEYDOWN, VK_SHIFT, KeyLParam(VK_SHIFT, false));
    }
    PostMessageW(control, WM_KEYDOWN, vk, KeyLParam(vk, false));
    PostMessageW(control, WM_KEYUP, vk, KeyLParam(vk, true));
    if (shift) {
        PostMessageW(control, WM_KEYUP, VK_SHIFT, KeyLParam(VK_SHIFT, true));
    }
}

// Types `text` at once and times each key from its first message to the
// end of its handling (the field's change notification, and with it the
// GINA's work, runs inside the character's dispatch), journaling the time
// and the directory calls of every key.
void TypeTimed(HWND dialog, HWND control, const std::wstring& text) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    for (const wchar_t ch : text) {
        const long callsBefore = SimDomainCallCount();
        LARGE_INTEGER start{};
        LARGE_INTEGER end{};
        QueryPerformanceCounter(&start);
        PostKey(control, ch);
        MSG message;
        while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            if (!IsDialogMessageW(dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        QueryPerformanceCounter(&end);
        SimJournal::Writef(L"host keytime us=%lld dircalls=%ld",
                           (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart,
                           SimDomainCallCount() - callsBefore);
    }
    SetShiftState(false);
    g_lastDirectoryCalls = SimDomainCallCount();
}

void TypeNextKey(TrackedDialog& dialog) {
    const HWND control = dialog.typingControl;
    if (dialog.typed > 0) {
        // The key of the previous tick must have reached the field whole.
        std::wstring text = FieldText(control);
        const bool arrived =
            text.size() >= dialog.typed && text.compare(text.size() - dialog.typed, dialog.typed,
                                                        dialog.typing, 0, dialog.typed) == 0;
        SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
        if (!arrived) {
            SimJournal::Writef(L"host type-error key=%ls id=%d position=%u", dialog.key.c_str(),
                               GetDlgCtrlID(control), static_cast<unsigned>(dialog.typed));
        }
    }
    if (dialog.typed >= dialog.typing.size() || !IsWindow(control)) {
        SetShiftState(false);
        SimJournal::Writef(L"host typed key=%ls id=%d keys=%u length=%d dircalls=%ld",
                           dialog.key.c_str(), GetDlgCtrlID(control),
                           static_cast<unsigned>(dialog.typing.size()),
                           GetWindowTextLengthW(control), DirectoryCallsSinceLast());
        SecureZeroMemory(dialog.typing.data(), dialog.typing.size() * sizeof(wchar_t));
        dialog.typing.clear();
        dialog.typed = 0;
        dialog.typingControl = nullptr;
        return;
    }
    PostKey(control, dialog.typing[dialog.typed++]);
    dialog.waitUntil = GetTickCount() + static_cast<DWORD>(g_scenario.GetNumber(L"type.pause", 0));
}

void PerformAction(TrackedDialog& dialog, const std::vector<std::wstring>& action) {
    const std::wstring& verb = action[0];
    auto arg = [&](size_t i) { return i < action.size() ? action[i] : std::wstring(); };
    HWND control = nullptr;
    if (action.size() > 1 && verb != L"presstext" && verb != L"screenshot" && verb != L"key" &&
        verb != L"tabuntil" && verb != L"wait") {
        control = GetDlgItem(dialog.window, static_cast<int>(SimScenario::ParseNumber(arg(1), 0)));
    }
    if (verb == L"settext" && control != nullptr) {
        SetWindowTextW(control, arg(2).c_str());
    } else if (verb == L"press" && control != nullptr) {
        SendMessageW(control, BM_CLICK, 0, 0);
    } else if (verb == L"presstext") {
        TextSearch search{dialog.window, arg(1), nullptr};
        EnumChildWindows(dialog.window, &FindByText, reinterpret_cast<LPARAM>(&search));
        control = search.found;
        if (control != nullptr) {
            SendMessageW(control, BM_CLICK, 0, 0);
        }
    } else if (verb == L"command") {
        SendMessageW(dialog.window, WM_COMMAND,
                     MAKEWPARAM(SimScenario::ParseNumber(arg(1), 0), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
    } else if (verb == L"enable" || verb == L"disable") {
        if (control != nullptr) {
            EnableWindow(control, verb == L"enable");
        }
    } else if (verb == L"key") {
        // A key typed at the focused control, through the dialog manager.
        const WPARAM key = static_cast<WPARAM>(SimScenario::ParseNumber(arg(1), 0));
        HWND target = GetFocus() != nullptr ? GetFocus() : dialog.window;
        PostMessageW(target, WM_KEYDOWN, key, 0);
        PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    } else if (verb == L"tabuntil") {
        // Tab through the dialog, one key per tick, until a control of the
        // class holds the focus (at most 30 keys).
        wchar_t className[64] = L"";
        if (HWND focus = GetFocus()) {
            GetClassNameW(focus, className, 64);
        }
        if (arg(1) != className && dialog.repeats < 30) {
            ++dialog.repeats;
            --dialog.next;
            HWND target = GetFocus() != nullptr ? GetFocus() : dialog.window;
            PostMessageW(target, WM_KEYDOWN, VK_TAB, 0);
            PostMessageW(target, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC0000001));
            dialog.waitUntil = GetTickCount() + 60;
            return;
        }
        dialog.repeats = 0;
    } else if (verb == L"focus") {
        HWND focus = GetFocus();
        wchar_t text[256] = L"";
        wchar_t className[64] = L"";
        if (focus != nullptr) {
            GetWindowTextW(focus, text, 256);
            GetClassNameW(focus, className, 64);
            if ((GetWindowLongPtrW(focus, GWL_STYLE) & ES_PASSWORD) != 0 &&
                lstrcmpiW(className, L"Edit") == 0) {
                SecureZeroMemory(text, sizeof(text));
                lstrcpyW(text, L"*masked*");
            }
        }
        SimJournal::Write(L"host focus key=" + dialog.key + L" id=" +
                          std::to_wstring(focus ? GetDlgCtrlID(focus) : -1) + L" class=" +
                          SimJournal::Field(className) + L" text=" + SimJournal::Field(text));
    } else if (verb == L"setfocus" && control != nullptr) {
        // As a click into the field: the control that had the focus loses it.
        SetFocus(control);
    } else if (verb == L"type" && control != nullptr) {
        SetFocus(control);
        dialog.typing = arg(2);
        dialog.typed = 0;
        dialog.typingControl = control;
    } else if (verb == L"typetimed" && control != nullptr) {
        SetFocus(control);
        TypeTimed(dialog.window, control, arg(2));
    } else if (verb == L"controls") {
        DescribeWindow(dialog);
    } else if (verb == L"screenshot") {
        const bool ok = PngWriter::CaptureWindow(dialog.window, arg(1));
        SimJournal::Write(L"host screenshot key=" + dialog.key + L" ok=" + (ok ? L"1" : L"0") +
                          L" path=" + SimJournal::Field(arg(1).c_str()));
    } else if (verb == L"close") {
        PostMessageW(dialog.window, WM_CLOSE, 0, 0);
    } else if (verb == L"wait") {
        dialog.waitUntil = GetTickCount() + static_cast<DWORD>(SimScenario::ParseNumber(arg(1), 0));
    }
    SimJournal::Writef(L"host dialog-action key=%ls action=%ls control=%ls found=%d dircalls=%ld",
                       dialog.key.c_str(), verb.c_str(), SimJournal::Field(arg(1).c_str()).c_str(),
                       control != nullptr ? 1 : 0, DirectoryCallsSinceLast());
}

// Messages that reach a tracked dialog window, as Winlogon's dialog manager
// delivers them: sent ones seen by a call hook, posted ones when removed from
// the queue.
bool g_traceMessages = false;
HHOOK g_callHook = nullptr;
HHOOK g_getMessageHook = nullptr;

bool Tracked(HWND window) {
    for (const auto& dialog : g_dialogs) {
        if (dialog.window == window) {
            return true;
        }
    }
    return false;
}

void TraceMessage(const wchar_t* how, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SimJournal::Writef(L"host winmsg how=%ls hwnd=%ls msg=%ls wparam=%ls lparam=%ls", how,
                       P(window).c_str(), H(message).c_str(), H(wParam).c_str(),
                       H(static_cast<ULONG_PTR>(lParam)).c_str());
}

LRESULT CALLBACK CallHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (Tracked(message->hwnd)) {
            TraceMessage(L"sent", message->hwnd, message->message, message->wParam,
                         message->lParam);
        }
    }
    return CallNextHookEx(g_callHook, code, wParam, lParam);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const auto* message = reinterpret_cast<const MSG*>(lParam);
        if (Tracked(message->hwnd)) {
            TraceMessage(L"posted", message->hwnd, message->message, message->wParam,
                         message->lParam);
        }
    }
    return CallNextHookEx(g_getMessageHook, code, wParam, lParam);
}

void CALLBACK AutomationTick(HWND, UINT, UINT_PTR, DWORD) {
    for (size_t i = g_dialogs.size(); i-- > 0;) {
        if (!IsWindow(g_dialogs[i].window)) {
            g_dialogs.erase(g_dialogs.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    if (g_dialogs.empty()) {
        return;
    }
    TrackedDialog& top = g_dialogs.back();
    const DWORD now = GetTickCount();
    if (!IsWindowVisible(top.window) || static_cast<LONG>(now - top.waitUntil) < 0) {
        return;
    }
    if (top.typingControl != nullptr) {
        TypeNextKey(top);
        top.deadline = now + static_cast<DWORD>(g_scenario.GetNumber(L"dialog-timeout", 15000));
        return;
    }
    if (top.next < top.actions.size()) {
        const auto action = top.actions[top.next++];
        PerformAction(top, action);
        return;
    }
    if (!g_interactive && static_cast<LONG>(now - top.deadline) >= 0) {
        // Nobody is there to answer: cancel as a user walking away would; a
        // dialog that refuses Cancel gets OK, and one that refuses both is
        // ended so that the run cannot hang.
        const int attempt = ++top.timeouts;
        SimJournal::Writef(L"host dialog-timeout key=%ls attempt=%d", top.key.c_str(), attempt);
        top.deadline = now + 1000;
        if (attempt == 1) {
            PostMessageW(top.window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        } else if (attempt == 2) {
            PostMessageW(top.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else {
            EndDialog(top.window, -2);
        }
    }
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        const bool dialogClass = IS_INTRESOURCE(create->lpcs->lpszClass) &&
                                 reinterpret_cast<ULONG_PTR>(create->lpcs->lpszClass) == 32770;
        if (dialogClass && (create->lpcs->style & WS_CHILD) == 0) {
            TrackedDialog dialog;
            dialog.window = reinterpret_cast<HWND>(wParam);
            dialog.key = g_pendingKey.empty() ? L"other" : g_pendingKey;
            dialog.actions = ActionsFor(dialog.key);
            dialog.deadline =
                GetTickCount() + static_cast<DWORD>(g_scenario.GetNumber(L"dialog-timeout", 15000));
            g_dialogs.push_back(dialog);
            g_pendingKey.clear();
        }
    }
    return CallNextHookEx(g_cbtHook, code, wParam, lParam);
}

void StartAutomation() {
    g_cbtHook = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
    g_timer =
        SetTimer(nullptr, 0, static_cast<UINT>(g_scenario.GetNumber(L"tick", 40)), AutomationTick);
    if (g_traceMessages) {
        g_callHook = SetWindowsHookExW(WH_CALLWNDPROC, CallHook, nullptr, GetCurrentThreadId());
        g_getMessageHook =
            SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
    }
}

// ---- the dispatch table -------------------------------------------------------

VOID WINAPI DispUseCtrlAltDel(HANDLE hWlx) {
    SimJournal::Write(L"host dispatch WlxUseCtrlAltDel hwlx=" + P(hWlx));
}
VOID WINAPI DispSetContextPointer(HANDLE hWlx, PVOID context) {
    SimJournal::Write(L"host dispatch WlxSetContextPointer hwlx=" + P(hWlx) + L" ctx=" +
                      P(context));
    g_context = context;
}
VOID WINAPI DispSasNotify(HANDLE hWlx, DWORD sas) {
    SimJournal::Write(L"host dispatch WlxSasNotify hwlx=" + P(hWlx) + L" sas=" + H(sas));
}
WINBOOL WINAPI DispSetTimeout(HANDLE hWlx, DWORD timeout) {
    SimJournal::Write(L"host dispatch WlxSetTimeout hwlx=" + P(hWlx) + L" timeout=" + H(timeout));
    return TRUE;
}
int WINAPI DispAssignShellProtection(HANDLE hWlx, HANDLE token, HANDLE process, HANDLE thread) {
    SimJournal::Write(L"host dispatch WlxAssignShellProtection hwlx=" + P(hWlx) + L" token=" +
                      P(token) + L" process=" + P(process) + L" thread=" + P(thread));
    return 0;
}
int WINAPI DispMessageBox(HANDLE hWlx, HWND owner, LPWSTR text, LPWSTR title, UINT style) {
    SimJournal::Write(L"host dispatch WlxMessageBox hwlx=" + P(hWlx) + L" owner=" + P(owner) +
                      L" title=" + SimJournal::Field(title) + L" style=" + H(style) + L" text=" +
                      SimJournal::Field(text));
    int result = 0;
    if (g_scenario.Has(L"msgbox.answer")) {
        result = static_cast<int>(g_scenario.GetNumber(L"msgbox.answer", IDOK));
    } else {
        g_pendingKey = L"msgbox";
        result = MessageBoxW(owner, text, title, style);
    }
    SimJournal::Writef(L"host msgbox-result result=%d", result);
    return result;
}
int ShowDialog(const wchar_t* function, HANDLE hWlx, HANDLE instance, LPCWSTR dialogTemplate,
               HWND owner, DLGPROC proc, LPARAM param) {
    SimJournal::Write(std::wstring(L"host dispatch ") + function + L" hwlx=" + P(hWlx) +
                      L" instance=" + P(instance) + L" instance-module=" + ModuleOf(instance) +
                      L" template=" + TemplateText(dialogTemplate) + L" owner=" + P(owner) +
                      L" proc=" + P(reinterpret_cast<void*>(proc)) + L" proc-module=" +
                      ModuleOf(reinterpret_cast<void*>(proc)) + L" param=" +
                      H(static_cast<ULONG_PTR>(param)));
    g_pendingKey = IS_INTRESOURCE(dialogTemplate)
                       ? std::to_wstring(reinterpret_cast<ULONG_PTR>(dialogTemplate))
                       : L"name";
    const INT_PTR result =
        DialogBoxParamW(static_cast<HINSTANCE>(instance), dialogTemplate, owner, proc, param);
    const DWORD error = result == -1 ? GetLastError() : 0;
    SimJournal::Writef(L"host dialog-result template=%ls result=%ld error=%lu",
                       TemplateText(dialogTemplate).c_str(), static_cast<long>(result), error);
    return static_cast<int>(result);
}
int WINAPI DispDialogBox(HANDLE hWlx, HANDLE instance, LPWSTR dialogTemplate, HWND owner,
                         DLGPROC proc) {
    return ShowDialog(L"WlxDialogBox", hWlx, instance, dialogTemplate, owner, proc, 0);
}
int WINAPI DispDialogBoxParam(HANDLE hWlx, HANDLE instance, LPWSTR dialogTemplate, HWND owner,
                              DLGPROC proc, LPARAM param) {
    return ShowDialog(L"WlxDialogBoxParam", hWlx, instance, dialogTemplate, owner, proc, param);
}
int WINAPI DispDialogBoxIndirect(HANDLE hWlx, HANDLE instance, LPCDLGTEMPLATE dialogTemplate,
                                 HWND owner, DLGPROC proc) {
    SimJournal::Write(L"host dispatch WlxDialogBoxIndirect hwlx=" + P(hWlx));
    return static_cast<int>(
        DialogBoxIndirectParamW(static_cast<HINSTANCE>(instance), dialogTemplate, owner, proc, 0));
}
int WINAPI DispDialogBoxIndirectParam(HANDLE hWlx, HANDLE instance, LPCDLGTEMPLATE dialogTemplate,
                                      HWND owner, DLGPROC proc, LPARAM param) {
    SimJournal::Write(L"host dispatch WlxDialogBoxIndirectParam hwlx=" + P(hWlx));
    return static_cast<int>(DialogBoxIndirectParamW(static_cast<HINSTANCE>(instance),
                                                    dialogTemplate, owner, proc, param));
}
int WINAPI DispSwitchDesktopToUser(HANDLE hWlx) {
    SimJournal::Write(L"host dispatch WlxSwitchDesktopToUser hwlx=" + P(hWlx));
    return 0;
}
int WINAPI DispSwitchDesktopToWinlogon(HANDLE hWlx) {
    SimJournal::Write(L"host dispatch WlxSwitchDesktopToWinlogon hwlx=" + P(hWlx));
    return 0;
}
int WINAPI DispChangePasswordNotify(HANDLE hWlx, PWLX_MPR_NOTIFY_INFO info, DWORD change) {
    SimJournal::Write(L"host dispatch WlxChangePasswordNotify hwlx=" + P(hWlx) + L" info=" +
                      P(info) + L" change=" + H(change));
    return 0;
}
WINBOOL WINAPI DispGetSourceDesktop(HANDLE hWlx, PWLX_DESKTOP* desktop) {
    SimJournal::Write(L"host dispatch WlxGetSourceDesktop hwlx=" + P(hWlx));
    if (desktop != nullptr) {
        *desktop = nullptr;
    }
    return FALSE;
}
WINBOOL WINAPI DispSetReturnDesktop(HANDLE hWlx, PWLX_DESKTOP desktop) {
    SimJournal::Write(L"host dispatch WlxSetReturnDesktop hwlx=" + P(hWlx) + L" desktop=" +
                      P(desktop));
    return TRUE;
}
WINBOOL WINAPI DispCreateUserDesktop(HANDLE hWlx, HANDLE token, DWORD flags, PWSTR name,
                                     PWLX_DESKTOP* desktop) {
    SimJournal::Write(L"host dispatch WlxCreateUserDesktop hwlx=" + P(hWlx) + L" token=" +
                      P(token) + L" flags=" + H(flags) + L" name=" + SimJournal::Field(name));
    if (desktop != nullptr) {
        *desktop = nullptr;
    }
    return FALSE;
}
int WINAPI DispChangePasswordNotifyEx(HANDLE hWlx, PWLX_MPR_NOTIFY_INFO info, DWORD change,
                                      PWSTR provider, PVOID reserved) {
    SimJournal::Write(L"host dispatch WlxChangePasswordNotifyEx hwlx=" + P(hWlx) + L" info=" +
                      P(info) + L" change=" + H(change) + L" provider=" +
                      SimJournal::Field(provider) + L" reserved=" + P(reserved));
    return 0;
}
WINBOOL WINAPI DispCloseUserDesktop(HANDLE hWlx, PWLX_DESKTOP desktop, HANDLE token) {
    SimJournal::Write(L"host dispatch WlxCloseUserDesktop hwlx=" + P(hWlx) + L" desktop=" +
                      P(desktop) + L" token=" + P(token));
    return TRUE;
}
WINBOOL WINAPI DispSetOption(HANDLE hWlx, DWORD option, ULONG_PTR value, ULONG_PTR* old) {
    SimJournal::Write(L"host dispatch WlxSetOption hwlx=" + P(hWlx) + L" option=" + H(option) +
                      L" value=" + H(value));
    if (old != nullptr) {
        *old = 0;
    }
    return TRUE;
}
WINBOOL WINAPI DispGetOption(HANDLE hWlx, DWORD option, ULONG_PTR* value) {
    SimJournal::Write(L"host dispatch WlxGetOption hwlx=" + P(hWlx) + L" option=" + H(option));
    if (value != nullptr) {
        *value = 0;
    }
    return TRUE;
}
VOID WINAPI DispWin31Migrate(HANDLE hWlx) {
    SimJournal::Write(L"host dispatch WlxWin31Migrate hwlx=" + P(hWlx));
}
WINBOOL WINAPI DispQueryClientCredentials(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 cred) {
    SimJournal::Write(L"host dispatch WlxQueryClientCredentials cred=" + P(cred));
    return FALSE;
}
WINBOOL WINAPI DispQueryInetConnectorCredentials(PWLX_CLIENT_CREDENTIALS_INFO_V1_0 cred) {
    SimJournal::Write(L"host dispatch WlxQueryInetConnectorCredentials cred=" + P(cred));
    return FALSE;
}
WINBOOL WINAPI DispDisconnect() {
    SimJournal::Write(L"host dispatch WlxDisconnect");
    return FALSE;
}
DWORD WINAPI DispQueryTerminalServicesData(HANDLE hWlx, PWLX_TERMINAL_SERVICES_DATA data,
                                           WCHAR* user, WCHAR* domain) {
    SimJournal::Write(L"host dispatch WlxQueryTerminalServicesData hwlx=" + P(hWlx) + L" data=" +
                      P(data) + L" user=" + P(user) + L" domain=" + P(domain));
    return ERROR_NOT_SUPPORTED;
}
DWORD WINAPI DispQueryConsoleSwitchCredentials(PWLX_CONSOLESWITCH_CREDENTIALS_INFO_V1_0 cred) {
    SimJournal::Write(L"host dispatch WlxQueryConsoleSwitchCredentials cred=" + P(cred));
    return 0;
}
WINBOOL WINAPI DispQueryTsLogonCredentials(PWLX_CLIENT_CREDENTIALS_INFO_V2_0 cred) {
    SimJournal::Write(L"host dispatch WlxQueryTsLogonCredentials cred=" + P(cred));
    return FALSE;
}

WLX_DISPATCH_VERSION_1_4 g_table = {
    DispUseCtrlAltDel,
    DispSetContextPointer,
    DispSasNotify,
    DispSetTimeout,
    DispAssignShellProtection,
    DispMessageBox,
    DispDialogBox,
    DispDialogBoxParam,
    DispDialogBoxIndirect,
    DispDialogBoxIndirectParam,
    DispSwitchDesktopToUser,
    DispSwitchDesktopToWinlogon,
    DispChangePasswordNotify,
    DispGetSourceDesktop,
    DispSetReturnDesktop,
    DispCreateUserDesktop,
    DispChangePasswordNotifyEx,
    DispCloseUserDesktop,
    DispSetOption,
    DispGetOption,
    DispWin31Migrate,
    DispQueryClientCredentials,
    DispQueryInetConnectorCredentials,
    DispDisconnect,
    DispQueryTerminalServicesData,
    DispQueryConsoleSwitchCredentials,
    DispQueryTsLogonCredentials,
};

// ---- driving the GINA -----------------------------------------------------------

template <typename Fn>
Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_gina, name)));
}

DWORD StepNumber(const std::vector<std::wstring>& step, size_t index, DWORD fallback) {
    return index < step.size() ? static_cast<DWORD>(SimScenario::ParseNumber(step[index], fallback))
                               : fallback;
}

void Returned(const wchar_t* function, ULONG_PTR result) {
    SimJournal::Write(std::wstring(L"host return ") + function + L" result=" + H(result));
}

bool RunStep(const std::vector<std::wstring>& step) {
    const std::wstring& verb = step[0];
    static wchar_t desktopName[] = L"Default";
    static wchar_t logonScript[] = L"logon.cmd";
    static wchar_t commandLine[] = L"explorer.exe";
    static wchar_t statusTitle[] = L"Windows";
    static wchar_t statusText[] = L"Applying your personal settings...";
    static wchar_t environment[] = L"USERNAME=alice\0\0";
    if (verb == L"negotiate") {
        auto fn = Export<decltype(&::WlxNegotiate)>("WlxNegotiate");
        const DWORD version = StepNumber(step, 1, WLX_VERSION_1_4);
        DWORD dllVersion = 0xDEADBEEF;
        SimJournal::Write(L"host call WlxNegotiate version=" + H(version) + L" pdllversion=" +
                          P(&dllVersion));
        const WINBOOL result = fn(version, &dllVersion);
        SimJournal::Write(L"host return WlxNegotiate result=" + H(static_cast<ULONG_PTR>(result)) +
                          L" dllversion=" + H(dllVersion));
        return result != FALSE || g_scenario.GetNumber(L"continue-on-failure", 0) != 0;
    }
    if (verb == L"initialize") {
        auto fn = Export<decltype(&::WlxInitialize)>("WlxInitialize");
        static wchar_t winsta[] = L"WinSta0";
        const PVOID reserved = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0x7E5E7000));
        SimJournal::Write(L"host call WlxInitialize winsta=WinSta0 hwlx=" + P(g_winlogonHandle) +
                          L" reserved=" + P(reserved) + L" table=" + P(&g_table) + L" pctx=" +
                          P(&g_context));
        const WINBOOL result = fn(winsta, g_winlogonHandle, reserved, &g_table, &g_context);
        SimJournal::Write(L"host return WlxInitialize result=" + H(static_cast<ULONG_PTR>(result)) +
                          L" ctx=" + P(g_context));
        return true;
    }
    const PVOID ctx = g_context;
    if (verb == L"displaysasnotice") {
        SimJournal::Write(L"host call WlxDisplaySASNotice ctx=" + P(ctx));
        Export<decltype(&::WlxDisplaySASNotice)>("WlxDisplaySASNotice")(ctx);
        Returned(L"WlxDisplaySASNotice", 0);
    } else if (verb == L"loggedoutsas") {
        const DWORD sas = StepNumber(step, 1, WLX_SAS_TYPE_CTRL_ALT_DEL);
        LUID luid{};
        BYTE sid[SECURITY_MAX_SID_SIZE] = {};
        DWORD options = 0;
        HANDLE token = nullptr;
        WLX_MPR_NOTIFY_INFO mpr{};
        PVOID profile = nullptr;
        SimJournal::Write(L"host call WlxLoggedOutSAS ctx=" + P(ctx) + L" sas=" + H(sas) +
                          L" luid=" + P(&luid) + L" sid=" + P(sid) + L" options=" + P(&options) +
                          L" token=" + P(&token) + L" mpr=" + P(&mpr) + L" profile=" + P(&profile));
        const int result = Export<decltype(&::WlxLoggedOutSAS)>("WlxLoggedOutSAS")(
            ctx, sas, &luid, sid, &options, &token, &mpr, &profile);
        Returned(L"WlxLoggedOutSAS", static_cast<unsigned>(result));
    } else if (verb == L"activateusershell") {
        SimJournal::Write(L"host call WlxActivateUserShell ctx=" + P(ctx) + L" desktop=" +
                          P(desktopName) + L" script=" + P(logonScript) + L" env=" +
                          P(environment));
        const WINBOOL result = Export<decltype(&::WlxActivateUserShell)>("WlxActivateUserShell")(
            ctx, desktopName, logonScript, environment);
        Returned(L"WlxActivateUserShell", static_cast<ULONG_PTR>(result));
    } else if (verb == L"loggedonsas") {
        const DWORD sas = StepNumber(step, 1, WLX_SAS_TYPE_CTRL_ALT_DEL);
        const PVOID reserved = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0x5E5E0001));
        SimJournal::Write(L"host call WlxLoggedOnSAS ctx=" + P(ctx) + L" sas=" + H(sas) +
                          L" reserved=" + P(reserved));
        const int result =
            Export<decltype(&::WlxLoggedOnSAS)>("WlxLoggedOnSAS")(ctx, sas, reserved);
        Returned(L"WlxLoggedOnSAS", static_cast<unsigned>(result));
    } else if (verb == L"displaylockednotice") {
        SimJournal::Write(L"host call WlxDisplayLockedNotice ctx=" + P(ctx));
        Export<decltype(&::WlxDisplayLockedNotice)>("WlxDisplayLockedNotice")(ctx);
        Returned(L"WlxDisplayLockedNotice", 0);
    } else if (verb == L"wkstalockedsas") {
        const DWORD sas = StepNumber(step, 1, WLX_SAS_TYPE_CTRL_ALT_DEL);
        SimJournal::Write(L"host call WlxWkstaLockedSAS ctx=" + P(ctx) + L" sas=" + H(sas));
        const int result = Export<decltype(&::WlxWkstaLockedSAS)>("WlxWkstaLockedSAS")(ctx, sas);
        Returned(L"WlxWkstaLockedSAS", static_cast<unsigned>(result));
    } else if (verb == L"islockok") {
        SimJournal::Write(L"host call WlxIsLockOk ctx=" + P(ctx));
        Returned(L"WlxIsLockOk",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxIsLockOk)>("WlxIsLockOk")(ctx)));
    } else if (verb == L"islogoffok") {
        SimJournal::Write(L"host call WlxIsLogoffOk ctx=" + P(ctx));
        Returned(L"WlxIsLogoffOk",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxIsLogoffOk)>("WlxIsLogoffOk")(ctx)));
    } else if (verb == L"logoff") {
        SimJournal::Write(L"host call WlxLogoff ctx=" + P(ctx));
        Export<decltype(&::WlxLogoff)>("WlxLogoff")(ctx);
        Returned(L"WlxLogoff", 0);
    } else if (verb == L"shutdown") {
        const DWORD type = StepNumber(step, 1, WLX_SAS_ACTION_SHUTDOWN);
        SimJournal::Write(L"host call WlxShutdown ctx=" + P(ctx) + L" type=" + H(type));
        Export<decltype(&::WlxShutdown)>("WlxShutdown")(ctx, type);
        Returned(L"WlxShutdown", 0);
    } else if (verb == L"startapplication") {
        SimJournal::Write(L"host call WlxStartApplication ctx=" + P(ctx) + L" desktop=" +
                          P(desktopName) + L" env=" + P(environment) + L" cmdline=" +
                          P(commandLine));
        Returned(L"WlxStartApplication",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxStartApplication)>(
                     "WlxStartApplication")(ctx, desktopName, environment, commandLine)));
    } else if (verb == L"screensavernotify") {
        WINBOOL secure = TRUE;
        SimJournal::Write(L"host call WlxScreenSaverNotify ctx=" + P(ctx) + L" secure=" +
                          P(&secure));
        Returned(L"WlxScreenSaverNotify",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxScreenSaverNotify)>(
                     "WlxScreenSaverNotify")(ctx, &secure)));
    } else if (verb == L"networkproviderload") {
        WLX_MPR_NOTIFY_INFO mpr{};
        SimJournal::Write(L"host call WlxNetworkProviderLoad ctx=" + P(ctx) + L" mpr=" + P(&mpr));
        Returned(L"WlxNetworkProviderLoad",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxNetworkProviderLoad)>(
                     "WlxNetworkProviderLoad")(ctx, &mpr)));
    } else if (verb == L"displaystatusmessage") {
        const HDESK desktop = reinterpret_cast<HDESK>(static_cast<ULONG_PTR>(0xDE5C0001));
        const DWORD options = StepNumber(step, 1, STATUSMSG_OPTION_NOANIMATION);
        SimJournal::Write(L"host call WlxDisplayStatusMessage ctx=" + P(ctx) + L" desktop=" +
                          P(desktop) + L" options=" + H(options) + L" title=" + P(statusTitle) +
                          L" message=" + P(statusText));
        Returned(L"WlxDisplayStatusMessage",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxDisplayStatusMessage)>(
                     "WlxDisplayStatusMessage")(ctx, desktop, options, statusTitle, statusText)));
    } else if (verb == L"getstatusmessage") {
        DWORD options = 0;
        static wchar_t buffer[256];
        SimJournal::Write(L"host call WlxGetStatusMessage ctx=" + P(ctx) + L" options=" +
                          P(&options) + L" message=" + P(buffer) + L" size=" + H(256));
        Returned(L"WlxGetStatusMessage",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxGetStatusMessage)>(
                     "WlxGetStatusMessage")(ctx, &options, buffer, 256)));
    } else if (verb == L"removestatusmessage") {
        SimJournal::Write(L"host call WlxRemoveStatusMessage ctx=" + P(ctx));
        Returned(L"WlxRemoveStatusMessage",
                 static_cast<ULONG_PTR>(
                     Export<decltype(&::WlxRemoveStatusMessage)>("WlxRemoveStatusMessage")(ctx)));
    } else if (verb == L"getconsoleswitchcredentials") {
        WLX_CONSOLESWITCH_CREDENTIALS_INFO_V1_0 cred{};
        SimJournal::Write(L"host call WlxGetConsoleSwitchCredentials ctx=" + P(ctx) + L" cred=" +
                          P(&cred));
        Returned(L"WlxGetConsoleSwitchCredentials",
                 static_cast<ULONG_PTR>(Export<decltype(&::WlxGetConsoleSwitchCredentials)>(
                     "WlxGetConsoleSwitchCredentials")(ctx, &cred)));
    } else if (verb == L"reconnectnotify") {
        SimJournal::Write(L"host call WlxReconnectNotify ctx=" + P(ctx));
        Export<decltype(&::WlxReconnectNotify)>("WlxReconnectNotify")(ctx);
        Returned(L"WlxReconnectNotify", 0);
    } else if (verb == L"disconnectnotify") {
        SimJournal::Write(L"host call WlxDisconnectNotify ctx=" + P(ctx));
        Export<decltype(&::WlxDisconnectNotify)>("WlxDisconnectNotify")(ctx);
        Returned(L"WlxDisconnectNotify", 0);
    } else if (verb == L"resources") {
        DWORD handles = 0;
        if (!GetProcessHandleCount(GetCurrentProcess(), &handles) || handles == 0) {
            // Wine does not count: probe the handle values a process uses.
            handles = 0;
            for (ULONG_PTR value = 4; value < 0x20000; value += 4) {
                DWORD flags = 0;
                if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
                    ++handles;
                }
            }
        }
        DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
        if (user == 0) {
            // Wine does not count either: the windows of this thread.
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND window, LPARAM count) -> BOOL {
                    ++*reinterpret_cast<DWORD*>(count);
                    EnumChildWindows(
                        window,
                        [](HWND, LPARAM inner) -> BOOL {
                            ++*reinterpret_cast<DWORD*>(inner);
                            return TRUE;
                        },
                        count);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&user));
        }
        SimJournal::Writef(L"host resources handles=%lu gdi=%lu user=%lu", handles,
                           GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), user);
    } else if (verb == L"unload") {
        FreeLibrary(g_gina);
        g_gina = nullptr;
        SimJournal::Write(L"host unloaded");
        return false;
    } else {
        SimJournal::Write(L"host unknown-step " + SimJournal::Field(verb.c_str()));
    }
    return true;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(full) : path;
}

} // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        fwprintf(stderr, L"usage: SimWinlogon SCENARIO [JOURNAL]\n");
        return 2;
    }
    const std::wstring scenarioPath = FullPath(argv[1]);
    if (!g_scenario.Load(scenarioPath)) {
        fwprintf(stderr, L"cannot read scenario %ls\n", scenarioPath.c_str());
        return 2;
    }
    SetEnvironmentVariableW(SimJournal::ScenarioVariable, scenarioPath.c_str());
    if (argc >= 3) {
        SetEnvironmentVariableW(SimJournal::JournalVariable, FullPath(argv[2]).c_str());
    } else if (g_scenario.Has(L"journal")) {
        SetEnvironmentVariableW(SimJournal::JournalVariable,
                                FullPath(g_scenario.Get(L"journal")).c_str());
    }
    SimJournal::SetEcho(g_scenario.GetNumber(L"echo", 1) != 0);
    g_interactive = g_scenario.GetNumber(L"interactive", 0) != 0;
    g_traceMessages = g_scenario.GetNumber(L"trace-messages", 0) != 0;
    LocalFree(argv);

    // An inheritable handle of Winlogon's: a program it starts must not get it.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE marker = CreateEventW(&inheritable, TRUE, FALSE, nullptr);
    SetEnvironmentVariableW(L"RESETRA_SIM_INHERITABLE",
                            H(reinterpret_cast<ULONG_PTR>(marker)).c_str());

    // Winlogon's secure desktop, where the GINA starts programs such as the
    // reset wizard.
    HDESK winlogonDesktop = CreateDesktopW(L"Winlogon", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SimJournal::Writef(L"host desktop name=Winlogon created=%d",
                       winlogonDesktop != nullptr ? 1 : 0);

    InitCommonControls();
    StartAutomation();

    SimJournal::Write(L"host start table=" + P(&g_table) + L" hwlx=" + P(g_winlogonHandle));
    auto* const entries = reinterpret_cast<void* const*>(&g_table);
    for (size_t i = 0; i < sizeof(g_table) / sizeof(void*); ++i) {
        SimJournal::Writef(L"host table index=%u fn=%ls", static_cast<unsigned>(i),
                           P(entries[i]).c_str());
    }

    const std::wstring gina = g_scenario.Get(L"gina", L"ResetraGINAx64.dll");
    g_gina = LoadLibraryW(gina.c_str());
    if (g_gina == nullptr) {
        SimJournal::Writef(L"host gina-load-failed path=%ls error=%lu",
                           SimJournal::Field(gina.c_str()).c_str(), GetLastError());
        return 3;
    }
    SimJournal::Write(L"host gina-loaded path=" + SimJournal::Field(gina.c_str()));

    // The simulated domain answers the GINA's directory calls.
    const std::wstring domain = g_scenario.Get(L"domain");
    if (!domain.empty()) {
        const DWORD code = InstallSimulatedDomain(g_gina, FullPath(domain).c_str());
        if (code != 0) {
            SimJournal::Writef(L"host domain-install-failed error=%lu reason=%ls", code,
                               SimJournal::Field(SimDomainLastError().c_str()).c_str());
            return 3;
        }
        SimJournal::Write(L"host domain-installed fixture=" + SimJournal::Field(domain.c_str()));
    }

    for (const auto& step : g_scenario.Steps()) {
        const bool goOn = RunStep(step);
        if (!domain.empty()) {
            SimJournal::Writef(L"host step-dircalls step=%ls dircalls=%ld", step[0].c_str(),
                               DirectoryCallsSinceLast());
        }
        if (!goOn) {
            SimJournal::Write(L"host stop step=" + step[0]);
            break;
        }
    }
    if (!domain.empty()) {
        const SimDomainOutstanding left = SimDomainOutstandingResources();
        SimJournal::Writef(L"host domain-calls total=%ld", SimDomainCallCount());
        SimJournal::Writef(L"host domain-outstanding binds=%ld nameresults=%ld netapibuffers=%ld "
                           L"adsmemory=%ld comobjects=%ld invalidreleases=%ld",
                           left.binds, left.nameResults, left.netApiBuffers, left.adsMemory,
                           left.comObjects, left.invalidReleases);
    }
    SimJournal::Write(L"host end");
    if (winlogonDesktop != nullptr) {
        CloseDesktop(winlogonDesktop);
    }
    return 0;
}
