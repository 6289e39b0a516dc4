// Winlogon lives for weeks: one simulated Winlogon process opens and closes
// the logon, locked and change-password dialogs of the real library N times
// each (1,000 by default), typing into each, and reports its handle count
// and GDI and USER object counts along the way, and the directory resources
// left outstanding at the end. Flat counts after the first rounds mean
// nothing leaks per dialog.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

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

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"resetra-soak-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    SetDword(L"Software\\Harrowgate\\Vexa Policy Manager\\Vexa GINA", L"GinaEnabled", 1);
    SetDword(L"SOFTWARE\\Harrowgate\\Resetra\\GINA", L"GINAEnabled", 1);

    std::vector<int> labels{0};
    const std::wstring scenario = folder + L"\\soak-scenario.txt";
    const std::wstring journal = folder + L"\\soak-journal.txt";
    DeleteFileW(journal.c_str());
    {
        std::ofstream out(Narrow(scenario), std::ios::binary);
        out << "set echo 0\nset gina " << Narrow(RESETRA_PRODUCT_DLL) << "\nset domain "
            << Narrow(RESETRA_DOMAIN_FIXTURE)
            << "\nset chained.user alice\nset chained.domains CORP\nset tick 5\n"
               "set dialog.1500 type 1503 pw1 ; press 2\n"
               "set dialog.1950 type 1954 pw2 ; press 2\n"
               "set dialog.1700 type 1706 Old42! ; type 1708 aB3x ; press 2\n"
               "negotiate\ninitialize\nresources\n";
        for (int i = 1; i <= rounds; ++i) {
            out << "loggedoutsas 1\nwkstalockedsas 1\nloggedonsas 1\n";
            if (i <= 10 || i % 100 == 0) {
                out << "resources\n";
                labels.push_back(i);
            }
        }
    }
    const std::wstring exe = std::wstring(RESETRA_SIM_DIR) + L"\\SimWinlogon.exe";
    std::wstring commandLine = L"\"" + exe + L"\" \"" + scenario + L"\" \"" + journal + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const DWORD start = GetTickCount();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        RESETRA_SIM_DIR, &startup, &process)) {
        std::printf("cannot start the simulated Winlogon: %lu\n", GetLastError());
        return 0;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("%d rounds of logon, locked and change-password dialogs in %.1f s\n", rounds,
                (GetTickCount() - start) / 1000.0);
    std::printf("%8s %10s %8s %8s\n", "round", "handles", "GDI", "USER");
    std::ifstream in(Narrow(journal), std::ios::binary);
    std::string line;
    size_t taken = 0;
    while (std::getline(in, line)) {
        unsigned long handles = 0, gdi = 0, user = 0;
        if (std::sscanf(line.c_str(), "host resources handles=%lu gdi=%lu user=%lu", &handles, &gdi,
                        &user) == 3) {
            std::printf("%8d %10lu %8lu %8lu\n", taken < labels.size() ? labels[taken] : -1,
                        handles, gdi, user);
            ++taken;
        } else if (line.rfind("host domain-outstanding", 0) == 0 ||
                   line.rfind("host type-error", 0) == 0) {
            std::printf("%s\n", line.c_str());
        }
    }
    return 0;
}
