// The process-wide objects of the library, alive from load to unload: the
// library's own module handle, the chain object, the stub log and the
// localized texts.
#pragma once

#include <windows.h>

class cMvGINAChain;
class cMvGINALog;
class cTarnLocaleTextCollection;

// Set by the library's entry point; null in programs that link the
// subsystem libraries directly.
void SetLibraryInstance(HINSTANCE instance) noexcept;
[[nodiscard]] HINSTANCE LibraryInstance() noexcept;
// The module that holds this code (the DLL, or a test program).
[[nodiscard]] HMODULE OwnModule() noexcept;

[[nodiscard]] cMvGINAChain& Chain() noexcept;
[[nodiscard]] cMvGINALog& StubLog() noexcept;
[[nodiscard]] cTarnLocaleTextCollection& ProcessTextCollection() noexcept;
