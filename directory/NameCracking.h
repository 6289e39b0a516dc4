// Name translation through the name-cracking service of a domain controller
// (DsBindW, DsCrackNamesW): between distinguished, canonical, principal and
// SID names, with the referral to the domain that holds a name.
#pragma once

#include <windows.h>
#include <ntdsapi.h>

#include <cstdint>
#include <string>

class cMvLog;

// Result of a name crack whose item reports a status other than success.
constexpr int32_t kCrackNameFailed = -6;

// Translates `name` from `offered` to `desired` at a domain controller of
// `domain` (DNS or flat name; null for the computer's own domain). With
// `retry`, a referral (DS_NAME_ERROR_DOMAIN_ONLY) is followed once to the
// domain the controller names. 0 with `translated` set, or a code with
// `translated` unchanged (also unchanged when the service answers no item).
[[nodiscard]] int32_t CrackName(cMvLog& log, const wchar_t* domain, DS_NAME_FORMAT offered,
                                const wchar_t* name, DS_NAME_FORMAT desired,
                                std::wstring& translated, bool retry);

// D/OU/.../Name to CN=Name,OU=...,DC=...; the domain is the part before the
// first "/".
[[nodiscard]] int32_t CanonicalToDistinguishedName(cMvLog& log, const wchar_t* canonicalName,
                                                   std::wstring& distinguishedName);
