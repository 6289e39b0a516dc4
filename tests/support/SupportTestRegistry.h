// Registry set-up for the support tests: removes a key with everything below
// it from both the 32-bit and the native view, and writes values as stored
// by an administrator (any type, any size).
#pragma once

#include <windows.h>

#include <string>

void DeleteRegistryTree(const wchar_t* path);
void SetRegistryValue(const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
                      DWORD size, REGSAM view = 0);
void SetRegistryDword(const wchar_t* path, const wchar_t* name, DWORD value, REGSAM view = 0);
void SetRegistryString(const wchar_t* path, const wchar_t* name, const std::wstring& value);
