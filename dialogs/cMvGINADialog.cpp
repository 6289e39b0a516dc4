// The base dialog procedure: the chained GINA's share of every message.
#include "dialogs/cMvGINADialog.h"

INT_PTR cMvGINADialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam) noexcept {
    if (m_ginaDialogProc == nullptr) {
        return 0;
    }
    return m_ginaDialogProc(window, message, wParam, lParam);
}
