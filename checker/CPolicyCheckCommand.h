// The check command: finds the user as the change-password dialog does,
// chooses the applicable policy from a file or from the domain, and tests
// each password of standard input with the policy code of the library,
// writing for a person or, with --format tsv, for scripts.
#pragma once

#include "checker/CCapturingLogHandler.h"
#include "support/cMvLog.h"
#include "support/cMvSecureString.h"

#include <cstdint>
#include <string>
#include <vector>

class CCheckerCommandLine;
class CCheckerConsole;
class CPolicy;

class CPolicyCheckCommand {
public:
    CPolicyCheckCommand(const CCheckerCommandLine& line, CCheckerConsole& console);
    // The exit code.
    [[nodiscard]] int Run();

    // What the test of one password gave.
    struct Outcome {
        int32_t code = 0;
        bool accepted = true;
        std::vector<bool> results;
        std::wstring feedback; // introduction and one line per refusing rule
    };

private:
    [[nodiscard]] int NoPolicy(int32_t code);
    [[nodiscard]] int Failed(int32_t code, const std::wstring& what);
    [[nodiscard]] int Report(const CPolicy& policy, const std::vector<std::wstring>& descriptions,
                             const std::vector<Outcome>& outcomes);
    [[nodiscard]] bool LoadPolicyFile(class CPolicylist& list);
    void ConfigureTexts();

    const CCheckerCommandLine& m_line;
    CCheckerConsole& m_console;
    cMvLog m_log;
    CCapturingLogHandler m_capture;
    uint32_t m_language = 9;
    std::wstring m_introduction;
};
