// Measuring and placing the forgot-password group with the system's edge
// metrics, in the dialog's own client coordinates.
#include "dialogs/ForgotPasswordLayout.h"

#include "dialogs/WindowHelpers.h"

int TextHeight(HDC dc, HWND dialog, const wchar_t* text) noexcept {
    const HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    int height = 0;
    RECT group{};
    if (GroupRect(0, dialog, 0, group)) {
        RECT measure{0, 0, (group.right - group.left) - 89, 0};
        height = DrawTextW(dc, text, -1, &measure, DT_CALCRECT | DT_WORDBREAK);
    }
    SelectObject(dc, previous);
    return height;
}

bool GroupRect(DWORD positionMode, HWND dialog, int textHeight, RECT& rectangle) noexcept {
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
