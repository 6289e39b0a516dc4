// Rewrites a loaded module's import address table: each slot of an import
// that the simulated domain replaces gets the replacement, each other import
// from a library the simulation takes over completely gets a trap.
#pragma once

#include <windows.h>

#include <string>

// Returns 0, or a Win32 code with `error` set.
[[nodiscard]] DWORD RewriteImportTable(HMODULE module, std::wstring& error);

// True for the trap functions that stand in for unimplemented imports.
[[nodiscard]] bool IsSimTrapFunction(const void* address);
