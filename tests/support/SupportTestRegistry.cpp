// The tests may use functions newer than the library's target system.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "tests/support/SupportTestRegistry.h"

#include <windows.h>

#include <initializer_list>

void DeleteRegistryTree(const wchar_t* path) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | view, &key) == 0) {
            RegDeleteTreeW(key, nullptr);
            RegCloseKey(key);
        }
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, view, 0);
    }
}
