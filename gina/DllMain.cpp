// Entry point of ResetraGINAx64.dll: remembers the library's module handle for
// windows and resources, and prepares the common controls for the dialogs.
#include <windows.h>
#include <commctrl.h>

#include "gina/GinaProcess.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        SetLibraryInstance(instance);
        DisableThreadLibraryCalls(instance);
        InitCommonControls();
    }
    return TRUE;
}
