// SIDs and account names through the local security authority
// (LookupAccountNameW, LookupAccountSidW), with the repeat at a domain
// controller of the account's domain when the local computer cannot resolve
// the name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class cMvLog;

// How many ERROR_INSUFFICIENT_BUFFER answers in a row an account look-up
// accepts before it gives up; a correct answer needs one.
constexpr int kLookupBufferAnswers = 12;

// SID text of an account given as "domain\user" (or "user").
[[nodiscard]] int32_t GetSidStringByAccountName(cMvLog& log, const wchar_t* accountName,
                                                std::wstring& sidString);

// Account name, its domain's name and the kind of account of a binary SID.
// An invalid SID fails with ERROR_INVALID_SID without a look-up.
[[nodiscard]] int32_t GetAccountNameFromSid(cMvLog& log, PSID sid, std::wstring& domainName,
                                            std::wstring& accountName, SID_NAME_USE& sidKind);
