// Allocation failures injected into the chaining code and the dialog
// extensions, linked into this program as into the DLL: every allocation of
// an export, the hook and a dialog procedure is made to fail in turn. Nothing
// may end the process, Winlogon's call is still forwarded, the dialog keeps
// working, and an exception that reached an edge left its log line.
#include "gina/GinaProcess.h"
#include "gina/HookedDialogBoxParam.h"
#include "gina/WinWlx.h"
#include "gina/cMvGINAChain.h"
#include "support/UniqueHandle.h"
#include "support/RegistryKeys.h"
#include "tests/support/SupportTestFiles.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace {
// 0: off; n > 0: the n-th allocation from now throws std::bad_alloc.
long g_failAt = 0;
} // namespace

void* operator new(std::size_t size) {
    if (g_failAt > 0 && --g_failAt == 0) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

// Runs `call` with its k-th allocation failing, k = 1, 2, ... until a run
// makes fewer than k allocations; `check()` follows each run, disarmed.
template <typename Call, typename Check>
int SweepAllocationFailures(Call call, Check check) {
    for (long k = 1; k < 5000; ++k) {
        g_failAt = k;
        call();
        const bool reached = g_failAt == 0;
        g_failAt = 0;
        check();
        if (!reached) {
            return static_cast<int>(k);
        }
    }
    ADD_FAILURE() << "no end to the allocations";
    return 0;
}

// Room reserved up front: the chained GINA's procedure allocates nothing.
std::vector<UINT> g_chained;
INT_PTR CALLBACK ChainedProc(HWND, UINT message, WPARAM, LPARAM) {
    g_chained.push_back(message);
    return message == WM_INITDIALOG ? TRUE : 0;
}

DLGPROC g_shownProc = nullptr;
int g_shown = 0;
int WINAPI WinlogonDialogBox(HANDLE, HANDLE, LPWSTR, HWND, DLGPROC procedure, LPARAM) {
    g_shownProc = procedure;
    ++g_shown;
    return 1;
}
int WINAPI WinlogonMessageBox(HANDLE, HWND, LPWSTR, LPWSTR, UINT) {
    return IDOK;
}

class EdgeFaults : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        SetRegistryString(kResetraGinaKey, L"Log File", log);
        SetRegistryDword(kResetraGinaKey, L"GINAEnabled", 1);
        // The configured GINA is missing: MSGINA.DLL (the stand-in) is loaded
        // and the chaining-failure notice is prepared.
        SetRegistryString(kResetraGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
        SetDllDirectoryW(RESETRA_SIM_DIR);
        table.WlxDialogBoxParam = &WinlogonDialogBox;
        table.WlxMessageBox = &WinlogonMessageBox;
    }
    void TearDown() override {
        DeleteRegistryTree(kResetraGinaKey);
        DeleteRegistryTree(kResetWizardKey);
    }
    bool LogHas(const std::wstring& text) const {
        return ReadUtf16File(log).find(text) != std::wstring::npos;
    }

    TempFolder folder;
    const std::wstring log = folder.Path(L"stub.log");
    WLX_DISPATCH_VERSION_1_0 table{};
};

TEST_F(EdgeFaults, NegotiationIsForwardedWhateverAllocationFails) {
    DWORD version = 0;
    BOOL result = FALSE;
    const int runs = SweepAllocationFailures(
        [&] {
            version = 0;
            result = WlxNegotiate(WLX_VERSION_1_3, &version);
        },
        [&] {
            EXPECT_TRUE(result);
            EXPECT_EQ(static_cast<DWORD>(WLX_VERSION_1_3), version) << "not forwarded";
        });
    EXPECT_GT(runs, 3);
    EXPECT_TRUE(LogHas(L"Error: Exception caught in WlxNegotiate: out of memory.\r\n"));
}

// Before WlxInitialize no Winlogon function is known: the hook and the
// message box answer -123 and show nothing.
TEST_F(EdgeFaults, WrappedDialogIsShownAndKeepsWorkingWhateverAllocationFails) {
    wchar_t text[] = L"t";
    for (const WORD number : {1500, 1501, 1700}) {
        EXPECT_EQ(-123, HookedDialogBoxParam(nullptr, nullptr, MAKEINTRESOURCEW(number), nullptr,
                                             &ChainedProc, 0))
            << number;
    }
    EXPECT_EQ(-123, Chain().WinlogonMessageBox(nullptr, text, text, MB_OK));
    DWORD version = 0;
    ASSERT_TRUE(WlxNegotiate(WLX_VERSION_1_3, &version));
    PVOID context = nullptr;
    wchar_t station[] = L"WinSta0";
    WlxInitialize(station, reinterpret_cast<HANDLE>(0x51d0), nullptr, &table, &context);
    // A wizard that cannot start: the click goes as far as the message box.
    SetRegistryString(kResetWizardKey, L"Reset Wizard Location",
                      L"C:\\no\\such\\folder\\ResetraReset.exe");

    int shown = 0;
    SweepAllocationFailures(
        [&] {
            g_shown = 0;
            shown = HookedDialogBoxParam(nullptr, nullptr, MAKEINTRESOURCEW(1500), nullptr,
                                         &ChainedProc, 0);
        },
        [&] {
            EXPECT_EQ(1, shown);
            EXPECT_EQ(1, g_shown) << "Winlogon was not asked to show the dialog";
        });
    ASSERT_EQ(&LogonLockedDialogThunk, g_shownProc);
    ASSERT_TRUE(Chain().LogonLocked().Enabled());
    g_chained.reserve(1000);

    // Clicks are swept with a dialog initialised in full; the checks and the
    // clean-up run disarmed, the count left restored for the sweep.
    for (const bool click : {false, true}) {
        SweepAllocationFailures(
            [&] {
                const long armed = std::exchange(g_failAt, 0);
                resetra::UniqueHWnd dialog(CreateWindowExW(0, L"#32770", L"logon",
                                                           WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                                           nullptr, nullptr, nullptr, nullptr));
                CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 200, 60, 80, 24,
                                dialog.get(), reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
                CreateWindowExW(0, L"EDIT", L"a user name longer than any short string",
                                WS_CHILD | WS_VISIBLE, 10, 10, 80, 24, dialog.get(),
                                reinterpret_cast<HMENU>(1502), nullptr, nullptr);
                g_chained.clear();
                g_failAt = click ? 0 : armed;
                LogonLockedDialogThunk(dialog.get(), WM_INITDIALOG, 0, 0);
                if (click) {
                    g_failAt = armed;
                    const HWND button =
                        FindWindowExW(dialog.get(), nullptr, L"BUTTON", L"&Forgot my password...");
                    LogonLockedDialogThunk(dialog.get(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                                           reinterpret_cast<LPARAM>(button));
                }
                const long left = std::exchange(g_failAt, 0);
                EXPECT_TRUE(IsWindowVisible(dialog.get())) << "left hidden";
                LogonLockedDialogThunk(dialog.get(), WM_COMMAND, IDOK, 0);
                LogonLockedDialogThunk(dialog.get(), WM_DESTROY, 0, 0);
                dialog.reset();
                EXPECT_EQ(1, std::count(g_chained.begin(), g_chained.end(), WM_INITDIALOG));
                EXPECT_EQ(click ? 2 : 1, std::count(g_chained.begin(), g_chained.end(), WM_COMMAND))
                    << "the chained GINA lost a message";
                g_failAt = left;
            },
            [] {});
    }
    EXPECT_TRUE(LogHas(L"Error: Exception caught in CollectTypedNames: out of memory.\r\n"));
}

} // namespace
