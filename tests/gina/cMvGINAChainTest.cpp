// The chain object before WlxInitialize: no Winlogon function is known, so the
// hook and the message box answer -123 and show nothing.
#include "gina/GinaProcess.h"
#include "gina/HookedDialogBoxParam.h"
#include "gina/cMvGINAChain.h"

#include <gtest/gtest.h>

namespace {

INT_PTR CALLBACK AnswersSeven(HWND, UINT, WPARAM, LPARAM) {
    return 7;
}

TEST(GinaChain, WinlogonCallbacksAnswerMinus123BeforeInitialize) {
    wchar_t text[] = L"t";
    for (const WORD number : {1500, 1501, 1700}) {
        EXPECT_EQ(-123, HookedDialogBoxParam(nullptr, nullptr, MAKEINTRESOURCEW(number), nullptr,
                                             &AnswersSeven, 0))
            << number;
    }
    EXPECT_EQ(-123, Chain().WinlogonMessageBox(nullptr, text, text, MB_OK));
}

} // namespace
