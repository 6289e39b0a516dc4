// Building blocks of the dialog extensions: the wizard's command line gives
// every argument back whole to a program that splits it the Windows way;
// window helpers; the base procedure; the Winlogon callbacks before
// WlxInitialize.
#include "dialogs/WindowHelpers.h"
#include "dialogs/cMvDialogLogonLocked.h"
#include "dialogs/cMvGINADialog.h"
#include "gina/GinaProcess.h"
#include "gina/HookedDialogBoxParam.h"
#include "gina/cMvGINAChain.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Split(const std::wstring& commandLine) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &argc);
    std::vector<std::wstring> args(argv, argv + argc);
    LocalFree(argv);
    return args;
}

TEST(WizardCommandLine, HostileNamesComeBackWholeAsTheirOwnArguments) {
    const std::wstring path = L"C:\\Program Files\\Resetra\\ResetraReset.exe";
    const std::vector<std::wstring> names = {
        L"",          L"bob",         L"bob smith",   L"bob\" \"evil", L"\"",
        L"\\",        L"x\\",         L"x\\\\",       L"a\\\"b",       L"\\\\server\\share\\",
        L"tab\there", L"\" /evil \"", L"trailing \\", L"M\u00fcller",  L"\\\"\\\"\\",
    };
    for (const auto& domain : names) {
        for (const auto& user : names) {
            const auto args =
                Split(cMvDialogLogonLocked::BuildWizardCommandLine(path, domain, user));
            ASSERT_EQ(3u, args.size())
                << "domain [" << domain.size() << "] user [" << user.size() << "]";
            EXPECT_EQ(path, args[0]);
            EXPECT_EQ(domain, args[1]);
            EXPECT_EQ(user, args[2]);
        }
    }
}

TEST(WizardCommandLine, RandomTextsOfQuotesBackslashesAndBlanksSurvive) {
    std::mt19937 random(20261207);
    const wchar_t alphabet[] = L"\\\" \ta\u00e9";
    for (int i = 0; i < 2000; ++i) {
        std::wstring text;
        const int length = static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k) {
            text += alphabet[random() % (sizeof(alphabet) / sizeof(wchar_t) - 1)];
        }
        const auto args = Split(cMvDialogLogonLocked::BuildWizardCommandLine(
            L"C:\\ResetraReset.exe", L"CONTOSO", text));
        ASSERT_EQ(3u, args.size());
        ASSERT_EQ(text, args[2]);
    }
}

TEST(WindowHelpers, CenterOnScreenKeepsTheSizeAndCentresOnThePrimaryScreen) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 3, 7, 301, 199, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    CenterOnScreen(window);
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(301, r.right - r.left);
    EXPECT_EQ(199, r.bottom - r.top);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 301) / 2, r.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 199) / 2, r.top);
    DestroyWindow(window);
}

TEST(WindowHelpers, ScreenRectToClientConvertsBothCornersOrLeavesTheRectangle) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 100, 50, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    RECT r{110, 70, 150, 90};
    EXPECT_TRUE(ScreenRectToClient(window, r));
    EXPECT_EQ(10, r.left);
    EXPECT_EQ(20, r.top);
    EXPECT_EQ(50, r.right);
    EXPECT_EQ(40, r.bottom);
    DestroyWindow(window);
    RECT unchanged{1, 2, 3, 4};
    EXPECT_FALSE(ScreenRectToClient(window, unchanged));
    EXPECT_EQ(1, unchanged.left);
    EXPECT_EQ(4, unchanged.bottom);
}

INT_PTR CALLBACK AnswersSeven(HWND, UINT, WPARAM, LPARAM) {
    return 7;
}

TEST(DialogBase, AnswersZeroWithoutAGinaProcedureAndTheGinaAnswerWithOne) {
    cMvGINADialog dialog;
    EXPECT_EQ(0, dialog.DialogProc(nullptr, WM_COMMAND, 0, 0));
    dialog.SetGinaDialogProc(&AnswersSeven);
    EXPECT_EQ(7, dialog.DialogProc(nullptr, WM_COMMAND, 0, 0));
}

TEST(DialogInterception, WinlogonCallbacksAnswerMinus123BeforeInitialize) {
    wchar_t text[] = L"t";
    EXPECT_EQ(-123, HookedDialogBoxParam(nullptr, nullptr, MAKEINTRESOURCEW(1500), nullptr,
                                         &AnswersSeven, 0));
    EXPECT_EQ(-123, HookedDialogBoxParam(nullptr, nullptr, MAKEINTRESOURCEW(1501), nullptr,
                                         &AnswersSeven, 0));
    EXPECT_EQ(-123, Chain().WinlogonMessageBox(nullptr, text, text, MB_OK));
}

} // namespace
