// The SID of a user given by DNS domain name and user name, found in the
// first of three ways that succeeds: name cracking of the principal name,
// ADSI, and the account look-up of the local security authority.
#pragma once

#include <cstdint>
#include <string>

class cMvLog;

[[nodiscard]] int32_t GetUserSidString(cMvLog& log, const wchar_t* dnsDomainName,
                                       const wchar_t* userName, std::wstring& sidString);
