// Window helpers of the dialog extensions.
#include "dialogs/WindowHelpers.h"

#include "support/RegistryKeys.h"
#include "support/cMvGINARegistry.h"

bool ScreenRectToClient(HWND window, RECT& rectangle) noexcept {
    POINT topLeft{rectangle.left, rectangle.top};
    POINT bottomRight{rectangle.right, rectangle.bottom};
    if (!ScreenToClient(window, &topLeft) || !ScreenToClient(window, &bottomRight)) {
        return false;
    }
    rectangle = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    return true;
}

void CenterOnScreen(HWND window) noexcept {
    RECT rectangle{};
    if (!GetWindowRect(window, &rectangle)) {
        return;
    }
    const int width = rectangle.right - rectangle.left;
    const int height = rectangle.bottom - rectangle.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(window, x, y, width, height, TRUE);
}

void SubclassKeepingPrevious(HWND control, WNDPROC procedure) noexcept {
    if (control == nullptr) {
        return;
    }
    const LONG_PTR previous =
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    SetWindowLongPtrW(control, GWLP_USERDATA, previous);
}

namespace {
void DrawFocusFrame(HWND control, HWND parent, HDC dc) noexcept {
    RECT frame{};
    if (GetWindowRect(control, &frame) && ScreenRectToClient(parent, frame)) {
        InflateRect(&frame, GetSystemMetrics(SM_CXEDGE) + 5, GetSystemMetrics(SM_CYEDGE) + 5);
        DrawFocusRect(dc, &frame);
    }
}
} // namespace

LRESULT CALLBACK FocusFrameWndProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
    const HWND parent = GetParent(window);
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if ((message == WM_SETFOCUS || message == WM_KILLFOCUS) && parent != nullptr) {
        // Erase an old frame at once, then draw the new one into the same
        // paint cycle of the parent.
        InvalidateRect(parent, nullptr, TRUE);
        if (message == WM_SETFOCUS) {
            PAINTSTRUCT paint{};
            if (HDC dc = BeginPaint(parent, &paint)) {
                DrawFocusFrame(window, parent, dc);
                EndPaint(parent, &paint);
            }
        }
    }
    const LRESULT result =
        previous != nullptr ? CallWindowProcW(previous, window, message, wParam, lParam) : 0;
    if (message == WM_PAINT && parent != nullptr && GetFocus() == window) {
        // The control has painted itself; the frame lies around it, on the parent.
        if (HDC dc = GetDC(parent)) {
            DrawFocusFrame(window, parent, dc);
            ReleaseDC(parent, dc);
        }
    }
    return result;
}

void SetDefaultGuiFont(HWND control) noexcept {
    if (control != nullptr) {
        SendMessageW(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    }
}

DWORD ReadTabMode(cMvGINARegistry& registry) noexcept {
    DWORD mode = 0;
    if (registry.GetDword(kWizardsPolicyKey, L"TabAllControls", mode) != 0) {
        mode = 0;
    }
    return mode;
}
