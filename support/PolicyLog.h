// The policy log of the process: one file handler shared by every thread,
// and the set-up that the change-password dialog runs each time it
// initialises ("LogEnabled" and the file settings under the Vexa Gina
// policy key).
#pragma once

class cMvLog;
class cMvLogHandlerFile;

// The process-wide file handler; it exists from load to unload and writes
// nothing until it is configured with a file name.
cMvLogHandlerFile& GetPolicyLogHandler() noexcept;

// Reads the settings, configures the file handler and adds it to `log`
// when logging is enabled. Failures are logged and leave logging off.
void SetUpPolicyLog(cMvLog& log);

inline constexpr const wchar_t* kPolicyLogDefaultFile = L"C:\\Vexa_GinaLog.txt";
