// The change-password extension on its own: the end of a dialog leaves COM
// only when that dialog's preparation entered it, so a thread that was in
// another apartment, or a preparation that stopped early, keeps its COM.
#include "dialogs/cMvDialogChangePassword.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

namespace {

class QuietServices final : public cMvWinlogonServices {
public:
    int WinlogonMessageBox(HWND, LPWSTR, LPWSTR, UINT) const noexcept override { return IDOK; }
    int CallWinlogonDialogBoxParam(HANDLE, LPWSTR, HWND, DLGPROC, LPARAM) const noexcept override {
        return -1;
    }
    void WriteLogV(unsigned, const wchar_t*, va_list) noexcept override {}
    std::wstring Text(const TextKey& key) const override { return key.english; }
    DWORD TextLanguageId() const noexcept override { return 9; }
    HINSTANCE ResourceModule() const noexcept override { return GetModuleHandleW(nullptr); }
};

INT_PTR CALLBACK GinaProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Whether the thread is in COM after the dialog ended: entering again
// answers S_FALSE then (and is undone at once).
bool InComAfterDialog(DWORD apartmentBefore, LONG& prepared) {
    bool inCom = false;
    std::thread([&] {
        const bool entered =
            apartmentBefore != ~0u && SUCCEEDED(CoInitializeEx(nullptr, apartmentBefore));
        QuietServices services;
        cMvDialogChangePassword extension(services);
        prepared = extension.PrepareDialog(&GinaProc);
        HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr);
        (void)extension.DialogProc(window, WM_DESTROY, 0, 0);
        DestroyWindow(window);
        const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        inCom = again == S_FALSE || again == RPC_E_CHANGED_MODE;
        if (SUCCEEDED(again)) {
            CoUninitialize();
        }
        if (entered) {
            CoUninitialize();
        }
    }).join();
    return inCom;
}

TEST(ChangePasswordCom, TheDialogsEndLeavesOnlyTheComItsPreparationEntered) {
    LONG prepared = 1;
    // Not in COM before: preparation enters, the end leaves.
    EXPECT_FALSE(InComAfterDialog(~0u, prepared));
    EXPECT_EQ(0, prepared);
    // In the multithreaded apartment before: preparation fails, the end
    // must not take the caller's COM away.
    EXPECT_TRUE(InComAfterDialog(COINIT_MULTITHREADED, prepared));
    EXPECT_EQ(RPC_E_CHANGED_MODE, prepared);
    // In a single-threaded apartment before: preparation adds one entry and
    // the end removes only that one.
    EXPECT_TRUE(InComAfterDialog(COINIT_APARTMENTTHREADED, prepared));
    EXPECT_EQ(0, prepared);
}

} // namespace
