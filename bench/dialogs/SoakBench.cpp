// Winlogon lives for weeks: one simulated Winlogon process opens and closes
// the logon, locked and change-password dialogs of the real library N times
// each (1,000 by default), typing into each, and reports its handle count
// and GDI and USER object counts along the way, and the directory resources
// left outstanding at the end. Flat counts after the first rounds mean
// nothing leaks per dialog.
#include "SimWinlogonRun.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::wstring folder = benchsim::WorkFolder(L"resetra-soak-bench");
    benchsim::SetDword(L"Software\\Harrowgate\\Vexa Policy Manager\\Vexa GINA", L"GinaEnabled", 1);
    benchsim::SetDword(L"SOFTWARE\\Harrowgate\\Resetra\\GINA", L"GINAEnabled", 1);

    std::vector<int> labels{0};
    std::string steps = "set domain " + benchsim::Narrow(RESETRA_DOMAIN_FIXTURE) +
                        "\nset chained.user alice\nset chained.domains CORP\nset tick 5\n"
                        "set dialog.1500 type 1503 pw1 ; press 2\n"
                        "set dialog.1950 type 1954 pw2 ; press 2\n"
                        "set dialog.1700 type 1706 Old42! ; type 1708 aB3x ; press 2\n"
                        "negotiate\ninitialize\nresources\n";
    for (int i = 1; i <= rounds; ++i) {
        steps += "loggedoutsas 1\nwkstalockedsas 1\nloggedonsas 1\n";
        if (i <= 10 || i % 100 == 0) {
            steps += "resources\n";
            labels.push_back(i);
        }
    }
    const DWORD start = GetTickCount();
    const std::vector<std::string> journal = benchsim::RunSimWinlogon(folder, steps);
    if (journal.empty()) {
        return 0;
    }
    std::printf("%d rounds of logon, locked and change-password dialogs in %.1f s\n", rounds,
                (GetTickCount() - start) / 1000.0);
    std::printf("%8s %10s %8s %8s\n", "round", "handles", "GDI", "USER");
    size_t taken = 0;
    for (const std::string& line : journal) {
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
