// Name forms of the simulated directory, after the DS_NAME_FORMAT numbers:
// 1 distinguished, 2 NT4 account, 3 display, 7 canonical, 8 user principal,
// 9 extended canonical, 11 SID, 12 DNS domain; 0 tries each.
#include "sim/domain/SimNameFormats.h"

#include <ntdsapi.h>

namespace {

const DWORD kLookupOrder[] = {DS_FQDN_1779_NAME,      DS_NT4_ACCOUNT_NAME,        DS_CANONICAL_NAME,
                              DS_USER_PRINCIPAL_NAME, DS_SID_OR_SID_HISTORY_NAME, DS_DISPLAY_NAME};

std::wstring CanonicalDomainPart(const std::wstring& canonical) {
    const std::size_t slash = canonical.find(L'/');
    return slash == std::wstring::npos ? canonical : canonical.substr(0, slash);
}

} // namespace

const SimDirectoryObject* SimFindByDsFormat(const SimDomainModel& model, DWORD format,
                                            const std::wstring& name) {
    switch (format) {
    case DS_FQDN_1779_NAME:
        return model.FindByDn(name);
    case DS_NT4_ACCOUNT_NAME:
        return model.FindByNt4(name);
    case DS_DISPLAY_NAME:
        return model.FindByDisplayName(name);
    case DS_CANONICAL_NAME:
        return model.FindByCanonical(name);
    case DS_USER_PRINCIPAL_NAME:
        return model.FindByUpn(name);
    case DS_SID_OR_SID_HISTORY_NAME:
        return model.FindBySid(name);
    case DS_UNKNOWN_NAME:
        for (DWORD each : kLookupOrder) {
            if (const SimDirectoryObject* object = SimFindByDsFormat(model, each, name)) {
                return object;
            }
        }
        return nullptr;
    default:
        return nullptr;
    }
}

bool SimFormatName(const SimDomainModel& model, const SimDirectoryObject& object, DWORD format,
                   std::wstring& name) {
    switch (format) {
    case DS_FQDN_1779_NAME:
        name = object.dn;
        return true;
    case DS_NT4_ACCOUNT_NAME:
        if (!object.IsAccount()) {
            return false;
        }
        name = model.domains[object.domain].flat + L"\\" + object.sam;
        return true;
    case DS_DISPLAY_NAME:
        name = object.fullName;
        return !name.empty();
    case DS_CANONICAL_NAME:
        name = object.canonical;
        return true;
    case DS_CANONICAL_NAME_EX: {
        name = object.canonical;
        const std::size_t last = name.rfind(L'/');
        if (last != std::wstring::npos) {
            name[last] = L'\n';
        }
        return true;
    }
    case DS_USER_PRINCIPAL_NAME:
        name = object.upn;
        return !name.empty();
    case DS_SID_OR_SID_HISTORY_NAME:
        name = object.sid;
        return !name.empty();
    case DS_DNS_DOMAIN_NAME:
        name = model.domains[object.domain].dns;
        return true;
    default:
        return false;
    }
}

int SimHomeDomainOfName(const SimDomainModel& model, DWORD format, const std::wstring& name) {
    switch (format) {
    case DS_FQDN_1779_NAME:
        return model.FindDomainOfDn(name);
    case DS_NT4_ACCOUNT_NAME: {
        const std::size_t slash = name.find(L'\\');
        return slash == std::wstring::npos ? -1 : model.FindDomain(name.substr(0, slash).c_str());
    }
    case DS_CANONICAL_NAME:
    case DS_CANONICAL_NAME_EX:
        return model.FindDomain(CanonicalDomainPart(name).c_str(), false, true);
    case DS_USER_PRINCIPAL_NAME: {
        const std::size_t at = name.rfind(L'@');
        return at == std::wstring::npos
                   ? -1
                   : model.FindDomain(name.substr(at + 1).c_str(), false, true);
    }
    case DS_SID_OR_SID_HISTORY_NAME:
        for (std::size_t i = 0; i < model.domains.size(); ++i) {
            const std::wstring& prefix = model.domains[i].sid;
            if (!prefix.empty() && name.size() > prefix.size() &&
                SimEqualNoCase(name.substr(0, prefix.size()), prefix) &&
                name[prefix.size()] == L'-') {
                return static_cast<int>(i);
            }
        }
        return -1;
    default:
        return -1;
    }
}

DWORD SimDsFormatOfAdsNameType(long type) {
    switch (type) {
    case 1: // ADS_NAME_TYPE_1779
        return DS_FQDN_1779_NAME;
    case 2: // ADS_NAME_TYPE_CANONICAL
        return DS_CANONICAL_NAME;
    case 3: // ADS_NAME_TYPE_NT4
        return DS_NT4_ACCOUNT_NAME;
    case 4: // ADS_NAME_TYPE_DISPLAY
        return DS_DISPLAY_NAME;
    case 8: // ADS_NAME_TYPE_UNKNOWN
        return DS_UNKNOWN_NAME;
    case 9: // ADS_NAME_TYPE_USER_PRINCIPAL_NAME
        return DS_USER_PRINCIPAL_NAME;
    case 10: // ADS_NAME_TYPE_CANONICAL_EX
        return DS_CANONICAL_NAME_EX;
    case 12: // ADS_NAME_TYPE_SID_OR_SID_HISTORY_NAME
        return DS_SID_OR_SID_HISTORY_NAME;
    default:
        return 0xFFFFFFFFu;
    }
}
