// SimLaunchHook.dll, loaded by SimLaunch.exe into a program it started
// suspended. Its entry point only starts a thread (nothing heavier may run
// under the loader lock); that thread reads the fixture, rewrites the
// program's import table with the simulated domain and signals the
// launcher, which then lets the program run.
#include "sim/domain/SimDomain.h"
#include "support/UniqueHandle.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(value) : std::wstring();
}

DWORD WINAPI Install(void*) {
    const std::wstring fixture = Environment(L"SIMLAUNCH_FIXTURE");
    const std::wstring policyOut = Environment(L"SIMLAUNCH_POLICY_OUT");
    const HANDLE ready = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(
        std::wcstoull(Environment(L"SIMLAUNCH_READY").c_str(), nullptr, 10)));
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const DWORD code = InstallSimulatedDomain(GetModuleHandleW(nullptr), fixture.c_str());
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    if (code != 0) {
        fwprintf(stderr, L"SimLaunchHook: %ls\n", SimDomainLastError().c_str());
        ExitProcess(125);
    }
    SetSimDomainPolicyWriteBack(policyOut.c_str());
    SetEvent(ready);
    return 0;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        const resetra::UniqueKernelHandle thread(
            CreateThread(nullptr, 0, &Install, nullptr, 0, nullptr));
        if (!thread) {
            return FALSE;
        }
    }
    return TRUE;
}
