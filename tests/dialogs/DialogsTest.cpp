// The dialog extensions on their own, with a stand-in for the chaining code:
// the wizard's command line and wait, the group's geometry, and the
// logon/locked extension on a real window (the button's click, the OK
// button's own procedure). The enabling rules are shown in the simulated
// Winlogon.
#include "dialogs/ForgotPasswordLayout.h"
#include "dialogs/ResetWizardStart.h"
#include "dialogs/cMvDialogLogonLocked.h"

#include "support/RegistryKeys.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

class FakeServices final : public cMvWinlogonServices {
public:
    int WinlogonMessageBox(HWND, LPWSTR, LPWSTR title, UINT) const noexcept override {
        titles.push_back(title);
        return IDOK;
    }
    int CallWinlogonDialogBoxParam(HANDLE, LPWSTR, HWND, DLGPROC, LPARAM) const noexcept override {
        return -1;
    }
    void WriteLogV(unsigned, const wchar_t*, va_list) noexcept override {}
    std::wstring Text(const TextKey& key) const override { return key.english; }
    DWORD TextLanguageId() const noexcept override { return 9; }
    HINSTANCE ResourceModule() const noexcept override { return nullptr; }

    mutable std::vector<std::wstring> titles;
};

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
            const auto args = Split(BuildWizardCommandLine(path, domain, user));
            ASSERT_EQ(3u, args.size())
                << "domain [" << domain.size() << "] user [" << user.size() << "]";
            EXPECT_EQ(path, args[0]);
            EXPECT_EQ(domain, args[1]);
            EXPECT_EQ(user, args[2]);
        }
    }
}

DWORD WINAPI AlwaysFails(DWORD, const HANDLE*, BOOL, DWORD, DWORD) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
}

TEST(WizardWait, AFailingWaitReturnsOnlyOnceTheWizardHasEnded) {
    // A suspended copy of this program stands for a wizard that runs until
    // another thread ends it.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                               nullptr, nullptr, &startup, &process));
    const resetra::UniqueKernelHandle owned(process.hProcess);
    const resetra::UniqueKernelHandle thread(process.hThread);
    std::thread ender([&] {
        Sleep(300);
        TerminateProcess(process.hProcess, 7);
    });
    const LONG waited = WaitForProcessEnd(process.hProcess, &AlwaysFails);
    const DWORD state = WaitForSingleObject(process.hProcess, 0);
    ender.join();
    EXPECT_EQ(0, waited);
    EXPECT_EQ(WAIT_OBJECT_0, state) << "the wait ended while the wizard still ran";
}

// A dialog window, 400 x 300, with the chained GINA's OK button or without one.
struct TestDialog {
    explicit TestDialog(bool withOk = true) {
        if (withOk) {
            ok = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 200, 60, 80, 24,
                                 window.get(), reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
        }
    }
    resetra::UniqueHWnd window{CreateWindowExW(0, L"#32770", L"logon", WS_POPUP | WS_CAPTION, 100,
                                               100, 400, 300, nullptr, nullptr, nullptr, nullptr)};
    HWND ok = nullptr;
};

// Text heights over 32 pixels grow the group; position mode 1 without an OK
// button falls back to the bottom of the dialog.
TEST(ForgotPasswordLayout, GroupAndGrowthFollowTheTextHeightAndThePositionMode) {
    const int cy = GetSystemMetrics(SM_CYEDGE);
    TestDialog with;
    TestDialog without(false);
    RECT frame{};
    ASSERT_TRUE(GetWindowRect(with.window.get(), &frame));
    ASSERT_TRUE(ScreenToClient(with.window.get(), reinterpret_cast<POINT*>(&frame.right)));
    const int bottom = frame.bottom - (cy + 5);
    const int belowOk = 60 + 24 + 5 - cy;
    const HWND ok = with.window.get();
    // mode, dialog, text height, top, height
    const std::tuple<DWORD, HWND, int, int, int> rows[] = {
        {0, ok, 20, bottom - 89, 89},
        {0, ok, 50, bottom - 107, 107},
        {1, ok, 20, belowOk, 99 - cy},
        {1, ok, 50, belowOk, 117 - cy},
        {1, without.window.get(), 20, bottom - 89, 89}};
    for (const auto& [mode, dialog, h, top, height] : rows) {
        RECT r{};
        ASSERT_TRUE(GroupRect(mode, dialog, h, r)) << mode << " " << h;
        EXPECT_EQ(top, r.top) << mode << " " << h;
        EXPECT_EQ(height, r.bottom - r.top) << mode << " " << h;
        EXPECT_EQ(frame.right - (GetSystemMetrics(SM_CXEDGE) + 5), r.right) << mode << " " << h;
    }
    EXPECT_EQ(94, DialogGrowth(32));
    EXPECT_EQ(112, DialogGrowth(50));
}

// ---- the logon/locked extension on a window ----------------------------------

std::vector<UINT> g_chainedMessages;
INT_PTR CALLBACK ChainedAnswersZero(HWND, UINT message, WPARAM, LPARAM) {
    g_chainedMessages.push_back(message);
    return 0;
}

std::vector<UINT> g_okMessages;
WNDPROC g_buttonProc = nullptr;
LRESULT CALLBACK RecordingOkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_okMessages.push_back(message);
    return CallWindowProcW(g_buttonProc, window, message, wParam, lParam);
}

// The click is answered with one whatever the GINA answered; without a
// wizard location the registry error is shown. Once no extension has the
// dialog, the OK button keeps its own procedure.
TEST(LogonLockedExtension, ForgotPasswordClickAndTheOkButtonsOwnProcedure) {
    DeleteRegistryTree(kResetraGinaKey);
    DeleteRegistryTree(kResetWizardKey);
    SetRegistryDword(kResetraGinaKey, L"GINAEnabled", 1);
    TestDialog dialog;
    g_buttonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(dialog.ok, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingOkProc)));
    FakeServices services;
    auto extension = std::make_unique<cMvDialogLogonLocked>(services);
    EXPECT_EQ(0, extension->PrepareDialog(&ChainedAnswersZero));
    EXPECT_TRUE(extension->Enabled());
    extension->DialogProc(dialog.window.get(), WM_INITDIALOG, 0, 0);
    const HWND button =
        FindWindowExW(dialog.window.get(), nullptr, L"BUTTON", L"&Forgot my password...");
    ASSERT_NE(nullptr, button);
    g_chainedMessages.clear();
    EXPECT_EQ(1, extension->DialogProc(dialog.window.get(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                                       reinterpret_cast<LPARAM>(button)));
    EXPECT_EQ(std::vector<UINT>{WM_COMMAND}, g_chainedMessages);
    EXPECT_EQ(std::vector<std::wstring>{L"Resetra - Registry error"}, services.titles);
    extension.reset();
    g_okMessages.clear();
    SendMessageW(dialog.ok, WM_USER + 7, 0, 0);
    EXPECT_EQ(std::vector<UINT>{WM_USER + 7}, g_okMessages);
    DeleteRegistryTree(kResetraGinaKey);
}

TEST(IconResources, EveryIconHasFourAndThirtyTwoBitImagesAtEverySize) {
    const resetra::UniqueHModule dll(
        LoadLibraryExW(RESETRA_PRODUCT_DLL, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(dll);
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    for (const int icon : {101, 102, 103, 109}) {
        const HRSRC found = FindResourceW(dll.get(), MAKEINTRESOURCEW(icon), RT_GROUP_ICON);
        ASSERT_NE(nullptr, found) << icon;
        const auto* group = static_cast<const WORD*>(LockResource(LoadResource(dll.get(), found)));
        const auto* entries = reinterpret_cast<const GroupEntry*>(group + 3);
        std::set<std::pair<int, int>> images;
        for (WORD i = 0; i < group[2]; ++i) {
            images.insert({entries[i].width, entries[i].bitCount});
        }
        for (const int size : {16, 24, 32, 48}) {
            for (const int depth : {4, 32}) {
                EXPECT_TRUE(images.count({size, depth})) << icon << ": " << size << " " << depth;
            }
        }
    }
}

} // namespace
