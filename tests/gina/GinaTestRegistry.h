// Set-up for the chaining code's unit tests: the GINA and wizard keys removed
// in both views, values written where asked, and log files of this process.
#pragma once

#include "support/RegistryKeys.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

inline void CleanGinaKeys() {
    // A key left empty in the 32-bit view would hide the native one.
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        for (const wchar_t* key : {kResetraGinaKey, kResetWizardKey}) {
            const LONG result = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, view, 0);
            EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
        }
    }
}

inline void SetGinaRaw(const wchar_t* name, DWORD type, const void* data, DWORD size,
                       REGSAM view = 0, const wchar_t* subkey = kResetraGinaKey) {
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                 nullptr, &key, nullptr));
    EXPECT_EQ(0, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

inline void SetGinaString(const wchar_t* name, const std::wstring& value, REGSAM view = 0,
                          const wchar_t* subkey = kResetraGinaKey) {
    SetGinaRaw(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2), view,
               subkey);
}

inline void SetGinaDword(const wchar_t* name, DWORD value, REGSAM view = 0) {
    SetGinaRaw(name, REG_DWORD, &value, sizeof(value), view);
}

// A file of this process in the temporary folder, and a UTF-16 file's text.
inline std::wstring TempFile(const wchar_t* name) {
    return (std::filesystem::temp_directory_path() /
            (name + std::to_wstring(GetCurrentProcessId())))
        .wstring();
}

inline std::wstring ReadUtf16(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::wstring text(bytes.size() / 2, L'\0');
    memcpy(text.data(), bytes.data(), text.size() * 2);
    return text;
}
