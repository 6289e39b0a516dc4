// The tests may use functions newer than the library's target system.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

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

void SetRegistryValue(const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
                      DWORD size, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                              nullptr, &key, nullptr),
              0);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
    RegCloseKey(key);
}

void SetRegistryDword(const wchar_t* path, const wchar_t* name, DWORD value, REGSAM view) {
    SetRegistryValue(path, name, REG_DWORD, &value, sizeof(value), view);
}

void SetRegistryString(const wchar_t* path, const wchar_t* name, const std::wstring& value) {
    SetRegistryValue(path, name, REG_SZ, value.c_str(),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}
