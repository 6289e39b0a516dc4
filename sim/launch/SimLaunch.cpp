// SimLaunch.exe: runs a shipped program unchanged against the simulated
// domain. The program is started suspended, SimLaunchHook.dll is loaded into
// it by a thread of the launcher's making, the hook installs the simulated
// domain on the program's own module and signals, and only then does the
// program's first thread run. Standard input, output and error pass through;
// the program's exit code is the launcher's.
//
//   SimLaunch.exe FIXTURE [--policy-out FILE] -- PROGRAM [ARGUMENTS...]
#include "support/UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring Beside(const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder + name;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full) : path;
}

int Fail(const wchar_t* what) {
    fwprintf(stderr, L"SimLaunch: %ls (error %lu)\n", what, GetLastError());
    return 125;
}

// Loads the hook into the suspended process and waits until it has
// installed the simulated domain.
bool Inject(HANDLE process, HANDLE ready) {
    const std::wstring hook = Beside(L"SimLaunchHook.dll");
    const SIZE_T bytes = (hook.size() + 1) * sizeof(wchar_t);
    // The path's copy in the program, freed when the hook is loaded.
    struct RemoteMemory {
        HANDLE process;
        void* address;
        ~RemoteMemory() {
            if (address != nullptr) {
                VirtualFreeEx(process, address, 0, MEM_RELEASE);
            }
        }
    } remote{process,
             VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)};
    if (remote.address == nullptr ||
        !WriteProcessMemory(process, remote.address, hook.c_str(), bytes, nullptr)) {
        return false;
    }
    // kernel32 lies at the same address in every process of a session.
    auto* loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const resetra::UniqueKernelHandle thread(
        CreateRemoteThread(process, nullptr, 0, loadLibrary, remote.address, 0, nullptr));
    if (!thread) {
        return false;
    }
    WaitForSingleObject(thread.get(), 60000);
    DWORD loaded = 0;
    GetExitCodeThread(thread.get(), &loaded);
    if (loaded == 0) {
        return false;
    }
    HANDLE both[2] = {ready, process};
    return WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int separator = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--") {
            separator = i;
            break;
        }
    }
    if (argc < 4 || separator < 2 || separator + 1 >= argc) {
        fwprintf(stderr,
                 L"usage: SimLaunch.exe FIXTURE [--policy-out FILE] -- PROGRAM [ARGS...]\n");
        return 125;
    }
    std::wstring policyOut;
    for (int i = 2; i < separator; ++i) {
        if (std::wstring(argv[i]) == L"--policy-out" && i + 1 < separator) {
            policyOut = FullPath(argv[++i]);
        } else {
            fwprintf(stderr, L"SimLaunch: unknown option %ls\n", argv[i]);
            return 125;
        }
    }

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const resetra::UniqueKernelHandle ready(CreateEventW(&inherit, TRUE, FALSE, nullptr));
    if (!ready) {
        return Fail(L"no event");
    }
    // What the hook reads in the program's process.
    SetEnvironmentVariableW(L"SIMLAUNCH_FIXTURE", FullPath(argv[1]).c_str());
    SetEnvironmentVariableW(L"SIMLAUNCH_POLICY_OUT",
                            policyOut.empty() ? nullptr : policyOut.c_str());
    SetEnvironmentVariableW(L"SIMLAUNCH_READY",
                            std::to_wstring(reinterpret_cast<ULONG_PTR>(ready.get())).c_str());

    std::wstring commandLine;
    for (int i = separator + 1; i < argc; ++i) {
        commandLine += (commandLine.empty() ? L"" : L" ") + Quote(argv[i]);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(argv[separator + 1], commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED, nullptr, nullptr, &startup, &child)) {
        return Fail(L"cannot start the program");
    }
    const resetra::UniqueKernelHandle process(child.hProcess);
    const resetra::UniqueKernelHandle thread(child.hThread);
    if (!Inject(process.get(), ready.get())) {
        TerminateProcess(process.get(), 125);
        return Fail(L"the simulated domain could not be installed in the program");
    }
    ResumeThread(thread.get());
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 125;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
