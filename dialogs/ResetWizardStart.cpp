// The reset wizard's process: quoted command line, start on the Winlogon
// desktop, and a wait that keeps answering sent messages, so a wizard that
// broadcasts cannot deadlock the dialog's thread.
#include "dialogs/ResetWizardStart.h"

#include "dialogs/cMvWinlogonServices.h"
#include "support/UniqueHandle.h"

#include <cwctype>

namespace {

const wchar_t* const kWizardFileName = L"ResetraReset.exe";

bool ContainsIgnoringCase(const std::wstring& text, const wchar_t* part) {
    std::wstring lowerText = text;
    std::wstring lowerPart = part;
    for (auto* s : {&lowerText, &lowerPart}) {
        for (wchar_t& c : *s) {
            c = static_cast<wchar_t>(towlower(c));
        }
    }
    return lowerText.find(lowerPart) != std::wstring::npos;
}

} // namespace

std::wstring QuoteArgument(const std::wstring& argument) {
    // The rules programs use to split their command line: backslashes are
    // literal unless they precede a quote; 2n backslashes + quote give n
    // backslashes and end the argument, 2n+1 give n and a literal quote.
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
    quoted += L'"';
    return quoted;
}

std::wstring BuildWizardCommandLine(const std::wstring& path, const std::wstring& domain,
                                    const std::wstring& user) {
    // The program name is taken up to the next quote without escapes; a path
    // cannot hold a quote.
    return L"\"" + path + L"\" " + QuoteArgument(domain) + L" " + QuoteArgument(user);
}

LONG WaitForProcessEnd(HANDLE process, MessageWaitFunction wait) noexcept {
    for (;;) {
        // Answer messages sent to this thread while waiting (a wizard that
        // broadcasts a setting change waits for every top-level window), but
        // dispatch no input to the hidden dialog.
        if (wait(1, &process, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        const DWORD state = WaitForSingleObject(process, 0);
        if (state == WAIT_OBJECT_0) {
            return 0;
        }
        if (state == WAIT_FAILED) {
            return static_cast<LONG>(GetLastError());
        }
        // The wait failed while the wizard still runs: wait again shortly.
        Sleep(50);
    }
}

LONG RunResetWizard(cMvWinlogonServices& services, const std::wstring& path,
                    const std::wstring& domain, const std::wstring& user) {
    if (!ContainsIgnoringCase(path, kWizardFileName)) {
        services.WriteLog(
            cMvWinlogonServices::LevelWarning,
            L"Reset Wizard location '%s' does not name %s; the wizard is not started.",
            path.c_str(), kWizardFileName);
        return 0;
    }
    std::wstring commandLine = BuildWizardCommandLine(path, domain, user);
    wchar_t desktop[] = L"WinSta0\\Winlogon";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // No handle of Winlogon's is inherited by a program on the secure desktop.
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        const LONG code = static_cast<LONG>(GetLastError());
        services.WriteLog(cMvWinlogonServices::LevelError,
                          L"Error starting Reset Wizard. Errorcode %ld.", code);
        return code;
    }
    const resetra::UniqueKernelHandle processHandle(process.hProcess);
    const resetra::UniqueKernelHandle threadHandle(process.hThread);
    const LONG waited = WaitForProcessEnd(process.hProcess);
    if (waited != 0) {
        services.WriteLog(cMvWinlogonServices::LevelError,
                          L"Error waiting for the Reset Wizard. Errorcode %ld.", waited);
    }
    return 0;
}
