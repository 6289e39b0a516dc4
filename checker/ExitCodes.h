// The exit codes of ResetraPolicyCheck. Scripts rely on them, so they never
// change meaning; checker/README.md lists them per command.
#pragma once

inline constexpr int kExitOk = 0;      // accepted, no policy applies, or done
inline constexpr int kExitRefused = 1; // a password refused, or document problems
inline constexpr int kExitUsage = 2;   // usage or input error
inline constexpr int kExitEngine = 3;  // the policy engine or the directory failed
