// Domain names from the join information and the domain-controller locator.
// Buffers from netapi32 are owned from the moment the call returns, so the
// failure paths release them too.
#include "directory/DomainNames.h"

#include "support/UniqueHandle.h"
#include "support/WideFormat.h"
#include "support/cMvLog.h"

#include <dsgetdc.h>
#include <lmcons.h>
#include <lmjoin.h>

using resetra::UniqueNetApiBuffer;

namespace {

bool IsLabelCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'_' || c >= 0x80;
}
} // namespace

int32_t GetJoinedDomainName(cMvLog& log, std::wstring& flatName) {
    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS status = NetSetupUnknownStatus;
    const DWORD code = NetGetJoinInformation(nullptr, &name, &status);
    const UniqueNetApiBuffer owner(name);
    if (code != NERR_Success) {
        log.LogCode(LogLevel::Error, static_cast<int32_t>(code),
                    L"Failed to get join status information for the local computer.");
        return static_cast<int32_t>(code);
    }
    if (status == NetSetupDomainName && name != nullptr && *name != L'\0') {
        flatName = name;
        log.Log(LogLevel::Debug, L"Local computer is joined to domain '%s'.", name);
    } else {
        log.Log(LogLevel::Error, L"Local computer is not joined to a domain.");
    }
    return 0;
}

int32_t FlatToDnsDomainName(cMvLog& log, const wchar_t* flatName, std::wstring& dnsName) {
    PDOMAIN_CONTROLLER_INFOW info = nullptr;
    DWORD code = DsGetDcNameW(nullptr, flatName, nullptr, nullptr,
                              DS_IS_FLAT_NAME | DS_RETURN_DNS_NAME, &info);
    const UniqueNetApiBuffer owner(info);
    // A success without a name would leave the caller with nothing to use.
    if (code == ERROR_SUCCESS && (info == nullptr || info->DomainName == nullptr)) {
        code = ERROR_NO_SUCH_DOMAIN;
    }
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LogLevel::Error, code,
                     L"Failed to get DNS name of domain controller with flat name '%s'.",
                     OrEmpty(flatName));
        return static_cast<int32_t>(code);
    }
    dnsName = info->DomainName;
    log.Log(LogLevel::Debug, L"Converting Flat name '%s' to DNS name '%s'.", OrEmpty(flatName),
            dnsName.c_str());
    return 0;
}

bool IsDnsDomainName(const wchar_t* name) {
    if (name == nullptr || *name == L'\0') {
        return false;
    }
    std::size_t total = 0;
    std::size_t label = 0;
    for (const wchar_t* p = name; *p != L'\0'; ++p, ++total) {
        if (*p == L'.') {
            if (label == 0) {
                return false;
            }
            label = 0;
        } else if (IsLabelCharacter(*p) && ++label <= 63) {
            continue;
        } else {
            return false;
        }
    }
    return label != 0 && total <= 255;
}

std::wstring DnsNameToDomainDn(const wchar_t* dnsName) {
    if (dnsName != nullptr && *dnsName != L'\0' && !IsDnsDomainName(dnsName)) {
        return {};
    }
    std::wstring dn = L"DC=";
    for (const wchar_t* p = OrEmpty(dnsName); *p != L'\0'; ++p) {
        if (*p == L'.') {
            dn += L",DC=";
        } else {
            dn += *p;
        }
    }
    return dn;
}
