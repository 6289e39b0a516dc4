// The simulated domain, never shipped: replaces the directory functions that a
// module imports (activeds, ntdsapi, netapi32, the advapi32 account look-ups
// and CoCreateInstance for the name-translation class) by answers from a
// fixture file, and counts every call it answers. Format in sim/README.md.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Loads the fixture and rewrites the import address table of `module` (the
// loaded ResetraGINAx64.dll, or a test program's own module). Every import
// from activeds, ntdsapi and netapi32 is redirected, to a replacement or to a
// trap that fails loudly. Returns 0, or a Win32 code with the reason in
// SimDomainLastError(). May be called again: a new fixture replaces the old.
[[nodiscard]] DWORD InstallSimulatedDomain(HMODULE module, const wchar_t* fixturePath);

// Every policy value that a caller writes ("msDS-ByteArray" of a policy
// object, committed with SetInfo) is also written, as its raw bytes, to this
// file; an empty path turns that off.
void SetSimDomainPolicyWriteBack(const wchar_t* path);

// Replaces the fixture without touching any import table.
[[nodiscard]] DWORD LoadSimulatedDomainFile(const wchar_t* fixturePath);
[[nodiscard]] DWORD LoadSimulatedDomainText(const wchar_t* fixtureXml);
[[nodiscard]] std::wstring SimDomainLastError();

// Calls answered per function name ("DsCrackNamesW", "IADs::Get", ...);
// null gives the total. Counters start at zero with each fixture.
[[nodiscard]] long SimDomainCallCount(const wchar_t* function = nullptr);
void SimDomainResetCounters();

// One line per answered call with its main arguments, for tests that need
// to know where a call went ("DsBindW domain=corp.example.com").
[[nodiscard]] std::vector<std::wstring> SimDomainJournal();
void SimDomainClearJournal();

// What callers obtained and have not released yet.
struct SimDomainOutstanding {
    long binds = 0;
    long nameResults = 0;
    long netApiBuffers = 0;
    long adsMemory = 0;
    long comObjects = 0;
    long invalidReleases = 0; // frees of what the simulation never handed out
};
[[nodiscard]] SimDomainOutstanding SimDomainOutstandingResources();

// Called when the module calls an import that the simulation does not
// implement. The default handler prints the name and ends the process with
// exit code 3; a handler that returns makes the call answer
// ERROR_CALL_NOT_IMPLEMENTED.
using SimDomainTrapHandler = void (*)(const char* dll, const char* function);
void SetSimDomainTrapHandler(SimDomainTrapHandler handler);

// True for the replacement functions and traps that the rewriting writes
// into import slots.
[[nodiscard]] bool IsSimulatedDomainFunction(const void* address);
