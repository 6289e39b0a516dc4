// Registry set-up for the chaining code's unit tests: the GINA key cleaned in
// both views before and after each test, values written where asked.
#pragma once

#include <windows.h>

#include <string>

inline const wchar_t* const kTestGinaKey = L"SOFTWARE\\Harrowgate\\Resetra\\GINA";

void CleanGinaKeys();
void SetGinaString(const wchar_t* name, const std::wstring& value, REGSAM view = 0);
void SetGinaDword(const wchar_t* name, DWORD value, REGSAM view = 0);
void SetGinaRaw(const wchar_t* name, DWORD type, const void* data, DWORD size, REGSAM view = 0);
