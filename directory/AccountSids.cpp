// Account look-ups. Both loops that grow their buffers to the sizes the
// system reports are bounded, so a look-up that keeps asking for more ends
// with ERROR_INSUFFICIENT_BUFFER instead of spinning inside Winlogon.
#include "directory/AccountSids.h"

#include "support/UniqueHandle.h"
#include "support/WideFormat.h"
#include "support/cMvLog.h"

#include <dsgetdc.h>
#include <sddl.h>

#include <vector>

using resetra::UniqueLocalMem;
using resetra::UniqueNetApiBuffer;

namespace {

// LookupAccountNameW with buffers grown to the reported sizes; 0 with `sid`
// filled, or the failing call's code.
DWORD LookupSid(cMvLog& log, const wchar_t* system, const wchar_t* name, std::vector<BYTE>& sid) {
    DWORD sidSize = 0;
    DWORD domainSize = 0;
    std::vector<BYTE> sidBuffer;
    std::vector<wchar_t> domainBuffer;
    SID_NAME_USE use = SidTypeUnknown;
    for (int answers = 0;;) {
        if (LookupAccountNameW(system, name, sidBuffer.empty() ? nullptr : sidBuffer.data(),
                               &sidSize, domainBuffer.empty() ? nullptr : domainBuffer.data(),
                               &domainSize, &use)) {
            sid = std::move(sidBuffer);
            return ERROR_SUCCESS;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_INSUFFICIENT_BUFFER) {
            return code;
        }
        log.LogWin32(LogLevel::Debug, code,
                     L"Buffer was too small to lookup SID for '%s', try again with correct "
                     L"buffer size.",
                     name);
        if (++answers == kLookupBufferAnswers) {
            return code;
        }
        sidBuffer.assign(sidSize, 0);
        domainBuffer.assign(domainSize, L'\0');
    }
}

// The computer to repeat a look-up on: none (the local computer) for no
// domain and for BUILTIN, the part itself when it names a computer already.
std::wstring DomainControllerFor(cMvLog& log, const std::wstring& domain) {
    if (domain.empty()) {
        return {};
    }
    if (domain.compare(0, 2, L"\\\\") == 0) {
        return domain;
    }
    if (_wcsnicmp(domain.c_str(), L"BUILTIN", domain.size()) == 0) {
        return {};
    }
    PDOMAIN_CONTROLLER_INFOW info = nullptr;
    const DWORD code =
        DsGetDcNameW(nullptr, domain.c_str(), nullptr, nullptr, DS_RETURN_FLAT_NAME, &info);
    const UniqueNetApiBuffer owner(info);
    if (code != ERROR_SUCCESS || info == nullptr || info->DomainControllerName == nullptr) {
        log.LogWin32(LogLevel::Error, code != ERROR_SUCCESS ? code : ERROR_NO_SUCH_DOMAIN,
                     L"Error retrieving domain controller for domain '%s'.", domain.c_str());
        return {};
    }
    const wchar_t* name = info->DomainControllerName;
    while (*name == L'\\') {
        ++name;
    }
    return std::wstring(L"\\\\") + name;
}

int32_t SidStringByAccountName(cMvLog& log, const wchar_t* accountName, std::wstring& sidString) {
    const std::wstring account = OrEmpty(accountName);
    std::wstring domain;
    std::wstring user = account;
    const std::size_t backslash = account.find(L'\\');
    if (backslash != std::wstring::npos && account.find(L'/') == std::wstring::npos) {
        domain = account.substr(0, backslash);
        user = account.substr(backslash + 1);
    }

    std::vector<BYTE> sid;
    DWORD code = LookupSid(log, nullptr, account.c_str(), sid);
    if (code != ERROR_SUCCESS && code != ERROR_INSUFFICIENT_BUFFER) {
        const std::wstring computer = DomainControllerFor(log, domain);
        log.Log(LogLevel::Debug,
                L"Looking up sid for account '%s' in domain '%s' (Using computer "
                L"'%s').",
                user.c_str(), domain.c_str(), computer.c_str());
        code = LookupSid(log, computer.empty() ? nullptr : computer.c_str(), user.c_str(), sid);
    }
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LogLevel::Error, code, L"Failed to lookup SID for '%s'.", account.c_str());
        return static_cast<int32_t>(code);
    }

    LPWSTR text = nullptr;
    if (sid.empty() || !ConvertSidToStringSidW(sid.data(), &text)) {
        const DWORD error = sid.empty() ? ERROR_INVALID_SID : GetLastError();
        log.LogWin32(LogLevel::Error, error, L"Failed to convert SID object to string.");
        return static_cast<int32_t>(error);
    }
    UniqueLocalMem owner(text);
    log.Log(LogLevel::Debug, L"Found SID '%s'.", text);
    sidString = text;
    if (LocalFree(owner.release()) != nullptr) {
        log.LogWin32(LogLevel::Warning, GetLastError(), L"Failed to free SID string '%s'.",
                     account.c_str());
    }
    return 0;
}

} // namespace

int32_t GetSidStringByAccountName(cMvLog& log, const wchar_t* accountName,
                                  std::wstring& sidString) {
    const int32_t code = SidStringByAccountName(log, accountName, sidString);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"Unable to look up SID for lookupname '%s'.",
                    OrEmpty(accountName));
    }
    return code;
}

int32_t GetAccountNameFromSid(cMvLog& log, PSID sid, std::wstring& domainName,
                              std::wstring& accountName, SID_NAME_USE& sidKind) {
    if (sid == nullptr || !IsValidSid(sid)) {
        log.LogWin32(LogLevel::Error, ERROR_INVALID_SID,
                     L"Error looking up account name using a SID.");
        return ERROR_INVALID_SID;
    }
    DWORD nameSize = 0;
    DWORD domainSize = 0;
    std::vector<wchar_t> name;
    std::vector<wchar_t> domain;
    SID_NAME_USE use = SidTypeUnknown;
    for (int answers = 0;;) {
        if (LookupAccountSidW(nullptr, sid, name.empty() ? nullptr : name.data(), &nameSize,
                              domain.empty() ? nullptr : domain.data(), &domainSize, &use)) {
            break;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_INSUFFICIENT_BUFFER || ++answers == kLookupBufferAnswers) {
            log.LogWin32(LogLevel::Error, code, L"Error looking up account name using a SID.");
            return static_cast<int32_t>(code);
        }
        name.assign(nameSize, L'\0');
        domain.assign(domainSize, L'\0');
    }
    accountName = name.empty() ? L"" : name.data();
    domainName = domain.empty() ? L"" : domain.data();
    sidKind = use;
    return 0;
}
