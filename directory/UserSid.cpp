// User SID look-up with its fallbacks. A way counts as successful only when it
// produced a SID: a name crack that answers no item leaves the SID unknown,
// and the next way is tried.
#include "directory/UserSid.h"

#include "directory/AccountSids.h"
#include "directory/AdsiNames.h"
#include "directory/NameCracking.h"
#include "support/WideFormat.h"
#include "support/cMvLog.h"

int32_t GetUserSidString(cMvLog& log, const wchar_t* dnsDomainName, const wchar_t* userName,
                         std::wstring& sidString) {
    const wchar_t* domain = OrEmpty(dnsDomainName);
    const wchar_t* user = OrEmpty(userName);

    const std::wstring principal = FormatWide(L"%s@%s", user, domain);
    std::wstring sid;
    int32_t code = CrackName(log, domain, DS_USER_PRINCIPAL_NAME, principal.c_str(),
                             DS_SID_OR_SID_HISTORY_NAME, sid, false);
    if (code == 0 && sid.empty()) {
        code = kCrackNameFailed;
    }
    if (code == 0) {
        log.Log(LogLevel::Debug, L"Successfully retrieved SID using DS Crackname '%s'.",
                sid.c_str());
        sidString = sid;
        return 0;
    }
    log.LogCode(LogLevel::Debug, code, L"Unable to translate UPN name '%s' to to SID.",
                principal.c_str());

    code = GetSidStringByAdsi(log, domain, user, sid);
    if (code == 0) {
        log.Log(LogLevel::Debug, L"Successfully retrieved SID using ADSI '%s'.", sid.c_str());
        sidString = sid;
        return 0;
    }
    log.LogCode(LogLevel::Debug, code,
                L"Failed to get user SID using ADSI for '%s' in domain (DNS name) '%s'.", user,
                domain);

    const std::wstring account = FormatWide(L"%s\\%s", domain, user);
    code = GetSidStringByAccountName(log, account.c_str(), sid);
    if (code == 0) {
        log.Log(LogLevel::Debug, L"Successfully retrieved SID using LookupAccountName '%s'.",
                sid.c_str());
        sidString = sid;
        return 0;
    }
    log.LogCode(LogLevel::Debug, code,
                L"Failed to get user SID using LookupAccountName for '%s' in domain (DNS name) "
                L"'%s'.",
                user, domain);
    log.LogCode(LogLevel::Error, code, L"Failed to get SID for user '%s' in '%s'.", user, domain);
    return code;
}
