// Canonical name, distinguished name, ADsPath, user object: the path both
// directory-reading rules take.
#include "policy/UserObject.h"

#include "directory/AdsPaths.h"
#include "directory/NameCracking.h"
#include "policy/CScope.h"
#include "support/cMvLog.h"

#include <adshlp.h>

#include <string>

int32_t BindUserObject(cMvLog& log, const CScope& userScope, resetra::cMvComPtr<IADsUser>& user,
                       UserObjectFailure& failure) {
    failure = UserObjectFailure::None;
    const wchar_t* canonical = userScope.GetCanonicalName();
    std::wstring distinguished;
    int32_t code = CanonicalToDistinguishedName(log, canonical, distinguished);
    // A name service that answers without an item leaves the name empty,
    // which would bind the root of the directory instead of the user.
    if (code == 0 && distinguished.empty()) {
        code = kCrackNameFailed;
    }
    if (code != 0) {
        log.LogCode(LogLevel::Error, code,
                    L"Failed to convert canonical name '%s' to distinguished name.",
                    canonical != nullptr ? canonical : L"");
        failure = UserObjectFailure::NameConversion;
        return code;
    }
    const std::wstring path = LdapPathOf(distinguished);
    log.Log(LogLevel::Debug, L"Created LDAP query: %s", path.c_str());
    const HRESULT hr = ADsGetObject(path.c_str(), IID_IADsUser, user.put_void());
    if (FAILED(hr) || !user) {
        user.reset();
        log.LogHResult(LogLevel::Error, FAILED(hr) ? hr : E_NOINTERFACE,
                       L"Failed to bind user object in Active Directoy.");
        failure = UserObjectFailure::Bind;
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    return 0;
}
