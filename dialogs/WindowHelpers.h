// Small window helpers the dialog extensions share: rectangles in client
// coordinates, centring on the screen, the keyboard-focus frame for static
// controls made tab stops, and the "TabAllControls" policy.
#pragma once

#include <windows.h>

class cMvGINARegistry;

// Converts both corners from screen to `window`'s client coordinates; false
// (rectangle unchanged) if either conversion fails.
[[nodiscard]] bool ScreenRectToClient(HWND window, RECT& rectangle) noexcept;

// Centres the window on the primary screen, keeping its size.
void CenterOnScreen(HWND window) noexcept;

// Window procedure for a static control that is a tab stop: draws a focus
// frame around it while it has the keyboard focus. The control's previous
// procedure is kept in its GWLP_USERDATA.
LRESULT CALLBACK FocusFrameWndProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept;

// Puts `procedure` on `control`, keeping the previous one in the control's
// user data for the procedure to call.
void SubclassKeepingPrevious(HWND control, WNDPROC procedure) noexcept;

// Gives a control the stock DEFAULT_GUI_FONT, with redraw.
void SetDefaultGuiFont(HWND control) noexcept;

// The policy "TabAllControls" (0 when missing).
[[nodiscard]] DWORD ReadTabMode(cMvGINARegistry& registry) noexcept;
