// ADsPath building for the LDAP provider.
#include "directory/AdsPaths.h"

std::wstring LdapPathOf(const std::wstring& distinguishedName) {
    std::wstring path = L"LDAP://";
    path.reserve(path.size() + distinguishedName.size() + 8);
    for (wchar_t c : distinguishedName) {
        if (c == L'/') {
            path += L'\\';
        }
        path += c;
    }
    return path;
}
