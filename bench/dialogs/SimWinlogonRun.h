// Start-up shared by the dialog benchmarks: a work folder in the temporary
// folder, the library's registry switches, and one run of the simulated
// Winlogon with the real library over a scenario, whose journal comes back
// line by line.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace benchsim {

[[nodiscard]] std::string Narrow(const std::wstring& text);
void SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value);
// Creates `name` in the temporary folder; its path.
[[nodiscard]] std::wstring WorkFolder(const wchar_t* name);
// Writes `steps` after the lines that load the real library, runs the
// simulated Winlogon over it in `folder` until it ends and returns the
// journal's lines; none, with a message printed, when it cannot start.
[[nodiscard]] std::vector<std::string> RunSimWinlogon(const std::wstring& folder,
                                                      const std::string& steps);

} // namespace benchsim
