// One keystroke in the change-password dialog, end to end: the simulated
// Winlogon runs the real library, the dialog opens for a user whose policy
// has every rule type, and a 254-character password is typed into the
// new-password field with key messages; the host times each key from its
// first message to the end of its handling and counts the directory calls.
// Run with the directory answering at once and after 5 ms per call, and once
// with the extension switched off: that row is what the edit control, the
// dialog manager and the chained GINA stand-in cost by themselves, so the
// difference to it is our own work.
#include "SimWinlogonRun.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const wchar_t* const kVexaLocalKey = L"Software\\Harrowgate\\Vexa Policy Manager\\Vexa GINA";

const char* const kPolicy =
    "<PolicyList version=\"2.0\"><Policy name=\"Strict\"><Configuration>0</Configuration>"
    "<Scope type=\"2\"><SID>corp.example.com/Sales</SID></Scope>"
    "<Rule type=\"1\"><Enabled>1</Enabled><MinimumAge>1440</MinimumAge></Rule>"
    "<Rule type=\"2\"><Enabled>1</Enabled><MinimumLength>12</MinimumLength></Rule>"
    "<Rule type=\"3\"><Enabled>1</Enabled><MaximumLength>300</MaximumLength></Rule>"
    "<Rule type=\"4\"><Enabled>1</Enabled><UsernameRatio Enabled=\"1\">0.8</UsernameRatio>"
    "<FullnameRatio Enabled=\"1\">0.8</FullnameRatio><PasswordRatio Enabled=\"1\">0.8"
    "</PasswordRatio></Rule>"
    "<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"1\">.*(.)\\1{2,}.*</Regex><Data>2</Data>"
    "<ExpressionValidatesPassword>0</ExpressionValidatesPassword></Rule>"
    "<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"2\">.*[a-z].*</Regex>"
    "<ExpressionValidatesPassword>1</ExpressionValidatesPassword></Rule>"
    "<Rule type=\"6\"><Enabled>1</Enabled><UsernameRatio Enabled=\"1\">0.6</UsernameRatio>"
    "<FullnameRatio Enabled=\"1\">0.8</FullnameRatio></Rule>"
    "<Rule type=\"7\"><Enabled>1</Enabled><PasswordRatio Enabled=\"1\">0.6</PasswordRatio></Rule>"
    "<Rule type=\"8\"><Enabled>1</Enabled><Blacklist Interpretation=\"0\"><Item>Password1234"
    "</Item><Item>Welcome12345</Item></Blacklist></Rule>"
    "</Policy></PolicyList>";

// 254 characters that no pattern rule refuses for repetition.
std::string Password() {
    const std::string alphabet = "aB3xQ9mZ!kT7pW2rV5sY8nC4hJ6dF1gL0";
    std::string password;
    for (size_t i = 0; password.size() < 254; ++i) {
        password += alphabet[(i * 7) % alphabet.size()];
    }
    return password;
}

struct Figures {
    long long firstUs = 0;
    long firstCalls = 0;
    std::vector<long long> restUs;
    long restCalls = 0;
};

Figures Run(const std::wstring& folder, int delayMs) {
    const std::wstring fixture = folder + L"\\bench-domain.xml";
    {
        std::ofstream out(benchsim::Narrow(fixture), std::ios::binary);
        out << "<SimulatedDomain delayMs=\"" << delayMs
            << "\"><Computer name=\"WS01\" joinedTo=\"CORP\"/>"
               "<Domain flat=\"CORP\" dns=\"corp.example.com\" sid=\"S-1-5-21-1-2-3\">"
               "<DomainController name=\"DC01\"/><Policy><![CDATA["
            << kPolicy
            << "#1#]]></Policy><OU name=\"Sales\"><User sam=\"alice\" rid=\"1104\" "
               "cn=\"Alice Archer\" first=\"Alice\" last=\"Archer\" full=\"Alice Archer\"/>"
               "</OU></Domain></SimulatedDomain>";
    }
    const std::vector<std::string> journal = benchsim::RunSimWinlogon(
        folder, "set domain " + benchsim::Narrow(fixture) +
                    "\nset chained.user alice\nset chained.domains CORP\n"
                    "set dialog.1700 typetimed 1708 " +
                    Password() + " ; press 2\nnegotiate\ninitialize\nloggedonsas 1\n");
    Figures figures;
    bool first = true;
    for (const std::string& line : journal) {
        long long us = 0;
        long calls = 0;
        if (std::sscanf(line.c_str(), "host keytime us=%lld dircalls=%ld", &us, &calls) != 2) {
            continue;
        }
        if (first) {
            figures.firstUs = us;
            figures.firstCalls = calls;
            first = false;
        } else {
            figures.restUs.push_back(us);
            figures.restCalls += calls;
        }
    }
    return figures;
}

} // namespace

int main() {
    const std::wstring folder = benchsim::WorkFolder(L"resetra-keystroke-bench");

    std::printf("One keystroke in the change-password dialog (policy of every rule type, "
                "254-character password)\n");
    std::printf("%-22s %12s %12s %12s %12s %14s %16s\n", "directory latency", "first key us",
                "median us", "p95 us", "max us", "first key calls", "calls, other keys");
    struct Row {
        const char* name;
        int delayMs;
        DWORD enabled;
    };
    for (const Row& row :
         {Row{"at once", 0, 1}, Row{"5 ms per call", 5, 1}, Row{"extension off", 0, 0}}) {
        benchsim::SetDword(kVexaLocalKey, L"GinaEnabled", row.enabled);
        Figures f = Run(folder, row.delayMs);
        if (f.restUs.empty()) {
            std::printf("%-22s no keys timed\n", row.name);
            continue;
        }
        std::sort(f.restUs.begin(), f.restUs.end());
        const long long median = f.restUs[f.restUs.size() / 2];
        const long long p95 = f.restUs[f.restUs.size() * 95 / 100];
        std::printf("%-22s %12lld %12lld %12lld %12lld %14ld %16ld\n", row.name, f.firstUs, median,
                    p95, f.restUs.back(), f.firstCalls, f.restCalls);
    }
    benchsim::SetDword(kVexaLocalKey, L"GinaEnabled", 1);
    return 0;
}
