// The switches that decide whether a dialog extension adds anything: the
// Vexa GINA's rule of a policy value over a local value, which both the
// logon/locked and the change-password extensions apply, and the list of
// installed products of the suite.
#pragma once

#include <windows.h>

#include <optional>

class cMvGINARegistry;
class cMvWinlogonServices;

// A policy value of 1 switches on and 0 switches off, whatever the local
// value; any other policy value, or none, follows the local value.
[[nodiscard]] bool PolicyOverLocal(std::optional<DWORD> policy, DWORD local) noexcept;

// The Vexa GINA's two "GinaEnabled" values under PolicyOverLocal; an
// unreadable policy value counts as none, an unreadable local value as 0,
// and each failed read is logged.
[[nodiscard]] bool IsVexaGinaEnabled(cMvWinlogonServices& services, cMvGINARegistry& registry);

// Whether "Installed Products" lists `name` (ignoring case); a missing list
// is an empty one. 0 or the code of a failed read, which is logged.
[[nodiscard]] LONG IsProductInstalled(cMvWinlogonServices& services, cMvGINARegistry& registry,
                                      const wchar_t* name, bool& installed);

// Whether the Vexa GINA is enabled together with the Marrow or the Resetra
// Offline extension; 0 or the code of the last product detection.
[[nodiscard]] LONG IsVexaWithMarrowActive(cMvWinlogonServices& services, cMvGINARegistry& registry,
                                          bool& active);
