// The simulated Winlogon started as a child process of the benchmark, with a
// scenario and a journal in the benchmark's work folder.
#include "SimWinlogonRun.h"

#include <cstdio>
#include <fstream>

namespace benchsim {

std::string Narrow(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

void SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == 0) {
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
        RegCloseKey(key);
    }
}

std::wstring WorkFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::vector<std::string> RunSimWinlogon(const std::wstring& folder, const std::string& steps) {
    const std::wstring scenario = folder + L"\\scenario.txt";
    const std::wstring journal = folder + L"\\journal.txt";
    DeleteFileW(journal.c_str());
    {
        std::ofstream out(Narrow(scenario), std::ios::binary);
        out << "set echo 0\nset gina " << Narrow(RESETRA_PRODUCT_DLL) << "\n" << steps;
    }
    const std::wstring exe = std::wstring(RESETRA_SIM_DIR) + L"\\SimWinlogon.exe";
    std::wstring commandLine = L"\"" + exe + L"\" \"" + scenario + L"\" \"" + journal + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        RESETRA_SIM_DIR, &startup, &process)) {
        std::printf("cannot start the simulated Winlogon: %lu\n", GetLastError());
        return {};
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::vector<std::string> lines;
    std::ifstream in(Narrow(journal), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace benchsim
