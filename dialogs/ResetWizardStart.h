// Starting the reset wizard for the forgot-password button: its command line
// (each argument quoted so that the wizard's own parsing gives it back
// exactly), the process on "WinSta0\Winlogon", and the wait for its end.
#pragma once

#include <windows.h>

#include <string>

class cMvWinlogonServices;

[[nodiscard]] std::wstring QuoteArgument(const std::wstring& argument);
[[nodiscard]] std::wstring BuildWizardCommandLine(const std::wstring& path,
                                                  const std::wstring& domain,
                                                  const std::wstring& user);

// Starts the wizard and waits for it to end; 0 or the Win32 error of the
// start. A path that does not name ResetraReset.exe starts nothing (0).
[[nodiscard]] LONG RunResetWizard(cMvWinlogonServices& services, const std::wstring& path,
                                  const std::wstring& domain, const std::wstring& user);

// The wait of the dialog's thread: answers messages sent to it meanwhile and
// returns only once the process has ended (0), or when its handle cannot be
// waited on at all (the error). A failed wait is tried again, so the hidden
// dialog never comes back while the wizard runs.
using MessageWaitFunction = DWORD(WINAPI*)(DWORD, const HANDLE*, BOOL, DWORD, DWORD);
[[nodiscard]] LONG
WaitForProcessEnd(HANDLE process, MessageWaitFunction wait = &MsgWaitForMultipleObjects) noexcept;
