// The registry keys the library reads and writes, all under
// HKEY_LOCAL_MACHINE: machine settings, group-policy settings and the keys
// of the neighbouring products whose settings decide what the dialogs show.
#pragma once

// Chain settings, stub log settings and the local enabling of the dialogs.
inline constexpr const wchar_t* kResetraGinaKey = L"SOFTWARE\\Harrowgate\\Resetra\\GINA";
// Group-policy settings of the chaining, the dialogs and the language.
inline constexpr const wchar_t* kWizardsPolicyKey =
    L"SOFTWARE\\Policies\\Harrowgate\\Resetra\\Wizards";
// Where the reset wizard is installed ("Reset Wizard Location").
inline constexpr const wchar_t* kResetWizardKey = L"SOFTWARE\\Harrowgate\\Resetra\\Reset Wizard";
// The installed Harrowgate products ("Installed Products").
inline constexpr const wchar_t* kExtensionsKey = L"SOFTWARE\\Harrowgate\\Extensions";
// Group-policy settings of the password-policy GINA: its enabling and the
// policy log.
inline constexpr const wchar_t* kVexaGinaPolicyKey =
    L"Software\\Policies\\Harrowgate\\Vexa Policy Manager\\Vexa Gina";
// Machine settings of the password-policy GINA (its local enabling).
inline constexpr const wchar_t* kVexaGinaLocalKey =
    L"Software\\Harrowgate\\Vexa Policy Manager\\Vexa GINA";
// Winlogon's own settings ("GINADll").
inline constexpr const wchar_t* kWinlogonKey =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
