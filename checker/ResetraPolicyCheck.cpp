// Entry point of ResetraPolicyCheck.exe: parses the command line, sets up
// COM for the policy code and runs one command. Nothing escapes as an
// exception: an unexpected failure is reported and gives exit code 3.
#include "checker/CCheckerCommandLine.h"
#include "checker/CCheckerConsole.h"
#include "checker/CPolicyCheckCommand.h"
#include "checker/CPolicyDocumentValidator.h"
#include "checker/CPolicyStore.h"
#include "checker/ExitCodes.h"
#include "support/CatchAll.h"

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

namespace {

// COM for the whole run; the policy code uses MSXML and ADSI.
class ComScope {
public:
    ComScope() noexcept : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    [[nodiscard]] HRESULT Result() const noexcept { return m_result; }

private:
    HRESULT m_result;
};

int Run(const std::vector<std::wstring>& arguments) {
    CCheckerConsole console;
    CCheckerCommandLine line;
    if (!line.Parse(arguments)) {
        console.Err(L"ResetraPolicyCheck: " + line.Error());
        console.Err(CCheckerCommandLine::kUsage);
        return kExitUsage;
    }
    if (line.GetCommand() == CCheckerCommandLine::Command::Help) {
        console.Out(CCheckerCommandLine::kUsage);
        return kExitOk;
    }
    const ComScope com;
    if (FAILED(com.Result())) {
        console.Err(L"ResetraPolicyCheck: COM could not be initialised");
        return kExitEngine;
    }
    switch (line.GetCommand()) {
    case CCheckerCommandLine::Command::Check:
        return CPolicyCheckCommand(line, console).Run();
    case CCheckerCommandLine::Command::Validate:
        return CPolicyDocumentValidator(console).Run(line.file);
    case CCheckerCommandLine::Command::Publish:
        return CPolicyStore(console).Publish(line.file, line.domain);
    case CCheckerCommandLine::Command::Export:
        return CPolicyStore(console).Export(line.domain, line.file);
    default:
        return kExitUsage;
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        std::vector<std::wstring> arguments;
        for (int i = 1; i < argc; ++i) {
            arguments.emplace_back(argv[i]);
        }
        return Run(arguments);
    } catch (...) {
        const char* what = resetra::DescribeCurrentException();
        CCheckerConsole().Err(L"ResetraPolicyCheck: stopped by an unexpected failure: " +
                              std::wstring(what, what + std::char_traits<char>::length(what)));
        return kExitEngine;
    }
}
