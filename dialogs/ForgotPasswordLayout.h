// Geometry of the forgot-password group on the logon and locked dialogs:
// the height of its text in the dialog font, the rectangle of the group box
// under both position policies, and how much taller the dialog becomes.
#pragma once

#include <windows.h>

// The height `text` takes, word-wrapped in DEFAULT_GUI_FONT, at the text
// width of a group placed at the bottom of `dialog`; 0 when the dialog's
// rectangle cannot be read.
[[nodiscard]] int TextHeight(HDC dc, HWND dialog, const wchar_t* text) noexcept;

// The group box in the dialog's client coordinates: right below the OK
// button in position mode 1 when the dialog has one, else at the bottom.
// A text taller than 32 pixels makes the group taller by the excess.
[[nodiscard]] bool GroupRect(DWORD positionMode, HWND dialog, int textHeight,
                             RECT& rectangle) noexcept;

// How many pixels the dialog grows to make room for the group.
[[nodiscard]] constexpr int DialogGrowth(int textHeight) noexcept {
    return textHeight > 32 ? textHeight + 62 : 94;
}
