// The reset wizard stand-in: records how it was started (its arguments as
// CommandLineToArgvW splits them, its desktop, its start time and whether
// it inherited handles) and whether the logon dialog was visible at any time
// while it "ran" (at its start and after its broadcast); then exits after the
// scenario's delay. Optionally it broadcasts a setting change, as real wizards
// do, which only returns once every top-level window, the waiting dialog's
// thread included, has answered.
#include <windows.h>
#include <shellapi.h>

#include "sim/common/SimJournal.h"
#include "sim/common/SimScenario.h"

#include <string>

namespace {

std::wstring DesktopName() {
    wchar_t name[256] = L"";
    DWORD needed = 0;
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof(name),
                              &needed);
    return name;
}

struct Visibility {
    std::wstring title;
    int found = 0;
    int visible = 0;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM parameter) {
    auto* visibility = reinterpret_cast<Visibility*>(parameter);
    wchar_t title[256] = L"";
    GetWindowTextW(window, title, 256);
    if (visibility->title == title) {
        ++visibility->found;
        // The style bit: under Wine, IsWindowVisible of a window on another
        // desktop answers FALSE even while the window is shown.
        visibility->visible += (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0 ? 1 : 0;
    }
    return TRUE;
}

} // namespace

int main() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    SimScenario scenario;
    wchar_t path[MAX_PATH * 2] = L"";
    if (GetEnvironmentVariableW(SimJournal::ScenarioVariable, path, MAX_PATH * 2) > 0) {
        scenario.Load(path);
    }
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring line = L"wizard start argc=" + std::to_wstring(argc);
    for (int i = 0; i < argc; ++i) {
        line += L" argv" + std::to_wstring(i) + L"=" + SimJournal::Field(argv[i]);
    }
    LocalFree(argv);
    wchar_t time[64];
    _snwprintf(time, 63, L"%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
               now.wMilliseconds);
    time[63] = L'\0';
    line += L" desktop=" + SimJournal::Field(DesktopName().c_str()) + L" time=" + time;
    // The host holds an inheritable event; its handle value is valid here
    // only if the wizard was started with handle inheritance.
    wchar_t marker[32] = L"";
    DWORD flags = 0;
    const bool inherited =
        GetEnvironmentVariableW(L"RESETRA_SIM_INHERITABLE", marker, 32) > 0 &&
        GetHandleInformation(
            reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(SimScenario::ParseNumber(marker, 0))),
            &flags) != FALSE;
    line += std::wstring(L" inherited=") + (inherited ? L"1" : L"0");
    SimJournal::Write(line);

    // The watched window is looked at when the wizard starts and again after
    // its broadcast, as a person would see the screen while the wizard runs.
    const std::wstring watch = scenario.Get(L"wizard.watch-title");
    Visibility visibility;
    visibility.title = watch;
    const auto look = [&visibility] {
        if (HDESK desktop =
                OpenDesktopW(L"Default", 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE)) {
            visibility.found = 0;
            EnumDesktopWindows(desktop, &FindTitled, reinterpret_cast<LPARAM>(&visibility));
            CloseDesktop(desktop);
        }
    };
    if (!watch.empty()) {
        look();
    }
    if (scenario.GetNumber(L"wizard.broadcast", 0) != 0) {
        // Sent, not posted: returns only when every top-level window answered.
        DWORD_PTR answer = 0;
        const LRESULT sent = SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                                                 reinterpret_cast<LPARAM>(L"Environment"),
                                                 SMTO_BLOCK, 20000, &answer);
        SimJournal::Writef(L"wizard broadcast answered=%d", sent != 0 ? 1 : 0);
    }
    if (!watch.empty()) {
        look();
        SimJournal::Writef(L"wizard watched title=%ls found=%d visible=%d",
                           SimJournal::Field(watch.c_str()).c_str(), visibility.found,
                           visibility.visible != 0 ? 1 : 0);
    }
    Sleep(static_cast<DWORD>(scenario.GetNumber(L"wizard.delay", 200)));
    SimJournal::Write(L"wizard exit");
    return static_cast<int>(scenario.GetNumber(L"wizard.exit-code", 0));
}
