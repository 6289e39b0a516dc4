// A small DLL that uses the directory services the way the GINA does, from a
// module of its own: the simulation must reach it through its import table
// alone, as it reaches the loaded ResetraGINAx64.dll.
#include "directory/UserSid.h"
#include "support/cMvLog.h"

#include <windows.h>

#include <cwchar>

extern "C" __declspec(dllexport) int32_t
    ProbeUserSid(const wchar_t* domain, const wchar_t* user, wchar_t* sid, DWORD size) noexcept {
    try {
        cMvLog log;
        std::wstring text;
        const int32_t code = GetUserSidString(log, domain, user, text);
        if (code == 0 && size > 0) {
            wcsncpy(sid, text.c_str(), size - 1);
            sid[size - 1] = L'\0';
        }
        return code;
    } catch (...) {
        return -8;
    }
}
