// The user and the DNS domain that a typed user name and a typed flat domain
// name stand for, worked out as the change-password dialog does it. Shared by
// the dialog's password test driver and the administrator's policy checker,
// so both find the same user.
#pragma once

#include <cstdint>
#include <string>

class cMvLog;

// A user principal name with no domain typed gives the part before the
// first "@" as user and the part after it as DNS domain, without a look-up.
// Otherwise the user name is taken as typed and the flat domain name is
// turned into its DNS name through the domain locator; on failure the
// domain is empty, the failure is logged and its code returned.
[[nodiscard]] int32_t ResolveTypedUser(cMvLog& log, const std::wstring& typedUserName,
                                       const std::wstring& typedFlatDomain, std::wstring& userName,
                                       std::wstring& dnsDomain);
