// ADsPaths of directory objects. A distinguished name may hold "/", which the
// path syntax reads as the end of a server name, so it is escaped before the
// name becomes part of a path.
#pragma once

#include <string>

// "LDAP://" followed by the distinguished name with every "/" written "\/".
[[nodiscard]] std::wstring LdapPathOf(const std::wstring& distinguishedName);
