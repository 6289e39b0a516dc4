// The journal of the simulated world: one UTF-8 text file that the simulated
// Winlogon and the chained GINA stand-in both append to, a line per event, in
// the order the events happen. Lines are "who event key=value ...".
#pragma once

#include <windows.h>

#include <string>

class SimJournal {
public:
    // Environment variable through which the host tells the chained GINA
    // where the journal and the scenario are.
    static constexpr const wchar_t* JournalVariable = L"RESETRA_SIM_JOURNAL";
    static constexpr const wchar_t* ScenarioVariable = L"RESETRA_SIM_SCENARIO";

    // Appends one line (a newline is added) and echoes it to stdout when
    // `echo` is set for this process.
    static void Write(const std::wstring& line);
    static void Writef(const wchar_t* format, ...);
    static void SetEcho(bool echo);

    static std::wstring Hex(ULONG_PTR value);
    static std::wstring Pointer(const void* value) {
        return Hex(reinterpret_cast<ULONG_PTR>(value));
    }
    // Text made safe for one journal field: spaces and controls escaped.
    static std::wstring Field(const wchar_t* text);
};
