// Typed names to user and DNS domain: the principal-name split, else the
// locator's DNS name of the typed flat domain.
#include "policy/TypedUserName.h"

#include "directory/DomainNames.h"
#include "support/cMvLog.h"

int32_t ResolveTypedUser(cMvLog& log, const std::wstring& typedUserName,
                         const std::wstring& typedFlatDomain, std::wstring& userName,
                         std::wstring& dnsDomain) {
    dnsDomain.clear();
    const size_t at = typedUserName.find(L'@');
    if (typedFlatDomain.empty() && at != std::wstring::npos) {
        userName = typedUserName.substr(0, at);
        dnsDomain = typedUserName.substr(at + 1);
        return 0;
    }
    userName = typedUserName;
    const int32_t code = FlatToDnsDomainName(log, typedFlatDomain.c_str(), dnsDomain);
    if (code != 0) {
        dnsDomain.clear();
        log.LogCode(LogLevel::Error, code,
                    L"An error occurred while trying to get flat name for domain '%s'",
                    typedFlatDomain.c_str());
    }
    return code;
}
