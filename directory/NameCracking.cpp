// Name cracking. The bind and the name result are owned for the whole call,
// so every way out releases them; a referral is followed only after both are
// released, with the retry switch cleared, so a chain of referrals ends.
#include "directory/NameCracking.h"

#include "support/ErrorTexts.h"
#include "support/UniqueHandle.h"
#include "support/WideFormat.h"
#include "support/cMvLog.h"

using resetra::UniqueDsBind;
using resetra::UniqueDsNameResult;

int32_t CrackName(cMvLog& log, const wchar_t* domain, DS_NAME_FORMAT offered, const wchar_t* name,
                  DS_NAME_FORMAT desired, std::wstring& translated, bool retry) {
    log.Log(LogLevel::Debug, L"Translating name using Crack Names.");
    log.Log(LogLevel::Debug, L"Binding to a domain controller in domain '%s'.", OrEmpty(domain));

    std::wstring referral;
    {
        UniqueDsBind bind;
        DWORD code = DsBindW(nullptr, domain, bind.put());
        if (code != ERROR_SUCCESS) {
            log.LogCode(LogLevel::Error, static_cast<int32_t>(code),
                        L"Failed to bind a domain controller for domain '%s'.", OrEmpty(domain));
            return static_cast<int32_t>(code);
        }

        const wchar_t* names[] = {OrEmpty(name)};
        UniqueDsNameResult result;
        code = DsCrackNamesW(bind.get(), DS_NAME_FLAG_TRUST_REFERRAL, offered, desired, 1, names,
                             result.put());
        if (code != ERROR_SUCCESS) {
            log.LogCode(LogLevel::Error, static_cast<int32_t>(code), L"Error cracking name '%s'.",
                        OrEmpty(name));
            return static_cast<int32_t>(code);
        }
        if (!result || result.get()->cItems == 0 || result.get()->rItems == nullptr) {
            return 0;
        }

        const DS_NAME_RESULT_ITEMW& item = result.get()->rItems[0];
        if (item.status == DS_NAME_NO_ERROR) {
            translated = OrEmpty(item.pName);
            log.Log(LogLevel::Debug, L"Name translated to '%s'.", translated.c_str());
            return 0;
        }
        // A referral without a domain cannot be followed; it fails like any
        // other status below.
        if (item.status == DS_NAME_ERROR_DOMAIN_ONLY && item.pDomain != nullptr) {
            referral = item.pDomain;
            log.Log(LogLevel::Debug, L"Failed to crack name. New domain '%s' found. Retrying...",
                    referral.c_str());
        }
        if (referral.empty() || !retry) {
            log.LogCode(LogLevel::Error, kCrackNameFailed, L"Error cracking name. %s",
                        GetCrackNameErrorText(log, item.status));
            return kCrackNameFailed;
        }
    }

    const int32_t code =
        CrackName(log, referral.c_str(), offered, name, desired, translated, false);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while translating a name for domain '%s'.",
                    referral.c_str());
        return code;
    }
    return 0;
}

int32_t CanonicalToDistinguishedName(cMvLog& log, const wchar_t* canonicalName,
                                     std::wstring& distinguishedName) {
    const std::wstring canonical = OrEmpty(canonicalName);
    const std::size_t slash = canonical.find(L'/');
    std::wstring domainPart;
    const wchar_t* domain = nullptr; // the computer's own domain
    if (slash == std::wstring::npos || slash == 0) {
        log.Log(LogLevel::Debug, L"Unable to extract domain name from canonical name '%s'.",
                canonical.c_str());
    }
    if (slash != std::wstring::npos) {
        domainPart = canonical.substr(0, slash);
        domain = domainPart.c_str(); // empty when the name starts with "/"
    }
    const int32_t code = CrackName(log, domain, DS_CANONICAL_NAME, canonical.c_str(),
                                   DS_FQDN_1779_NAME, distinguishedName, false);
    if (code != 0) {
        log.LogCode(LogLevel::Debug, code,
                    L"Unable to translate canonical name '%s' to to distinguished name .",
                    canonical.c_str());
    }
    return code;
}
