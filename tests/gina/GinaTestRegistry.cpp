// Registry helpers of the chaining code's unit tests.
#include "tests/gina/GinaTestRegistry.h"

#include <gtest/gtest.h>

void CleanGinaKeys() {
    // The key itself goes, in both views: a key left empty in the 32-bit view
    // would hide the native one from the reader.
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        const LONG result = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kTestGinaKey, view, 0);
        ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    }
}

void SetGinaRaw(const wchar_t* name, DWORD type, const void* data, DWORD size, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestGinaKey, 0, nullptr, 0,
                                 KEY_ALL_ACCESS | view, nullptr, &key, nullptr));
    ASSERT_EQ(0, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void SetGinaString(const wchar_t* name, const std::wstring& value, REGSAM view) {
    SetGinaRaw(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2), view);
}

void SetGinaDword(const wchar_t* name, DWORD value, REGSAM view) {
    SetGinaRaw(name, REG_DWORD, &value, sizeof(value), view);
}
