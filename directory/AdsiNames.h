// Names and SIDs through ADSI: the directory's name-translation object turns
// a user principal name into a distinguished name, and the user object
// reached by that name gives its "ObjectSID".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class cMvLog;

// SID text of `userName` in `domain`, read from the user's directory object.
// 0, or an HRESULT (a Win32 code when only the text conversion fails).
[[nodiscard]] int32_t GetSidStringByAdsi(cMvLog& log, const wchar_t* domain,
                                         const wchar_t* userName, std::wstring& sidString);

// Distinguished name of the user whose principal name is userName@domain.
// The HRESULT of the last step; `distinguishedName` is set only on success.
[[nodiscard]] HRESULT TranslateToDistinguishedName(cMvLog& log, const wchar_t* domain,
                                                   const wchar_t* userName,
                                                   std::wstring& distinguishedName);
