// Domain names of the computer and of the directory: the domain the computer
// is joined to, the DNS name of a flat domain name through the locator, and
// the distinguished name of a domain from its DNS name.
#pragma once

#include <cstdint>
#include <string>

class cMvLog;

// The flat name of the computer's domain. 0 also in a workgroup, where
// `flatName` stays unchanged and an Error entry says so.
[[nodiscard]] int32_t GetJoinedDomainName(cMvLog& log, std::wstring& flatName);

// The DNS name of the domain with this flat name, from its domain controller.
[[nodiscard]] int32_t FlatToDnsDomainName(cMvLog& log, const wchar_t* flatName,
                                          std::wstring& dnsName);

// True when `name` has DNS domain-name syntax: dot-separated labels of 1 to 63
// letters, digits, hyphens or underscores (non-ASCII letters allowed), at most
// 255 characters. Names typed by a user are checked with it before they
// become part of a directory path.
[[nodiscard]] bool IsDnsDomainName(const wchar_t* name);

// "DC=" followed by the DNS name with each "." replaced by ",DC=" (a.b.c gives
// DC=a,DC=b,DC=c; no name gives "DC="). A name without DNS syntax gives an
// empty string, so text such as "a.b/CN=Other" never becomes a path.
[[nodiscard]] std::wstring DnsNameToDomainDn(const wchar_t* dnsName);
