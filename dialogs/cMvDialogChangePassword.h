// Extension of the chained GINA's change-password dialog (1700). Until the
// live policy test is built in, it passes every message to the chained GINA.
#pragma once

#include "dialogs/cMvGINADialog.h"

class cMvDialogChangePassword : public cMvGINADialog {
public:
    using cMvGINADialog::cMvGINADialog;

    [[nodiscard]] LONG PrepareDialog(DLGPROC ginaDialogProc) noexcept {
        SetGinaDialogProc(ginaDialogProc);
        return 0;
    }
};
