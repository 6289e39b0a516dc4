// Look-ups over the simulated domains: every replacement function finds its
// answer through these, with the case-insensitive matching that the
// directory applies to names.
#include "sim/domain/SimDomainModel.h"

bool SimEqualNoCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                          b.c_str(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

const SimAttributeValue* SimDirectoryObject::FindOverride(const wchar_t* attribute) const {
    for (const SimAttributeValue& value : overrides) {
        if (SimEqualNoCase(value.name, attribute)) {
            return &value;
        }
    }
    return nullptr;
}

int SimDomainModel::FindDomain(const wchar_t* name, bool flat, bool dns) const {
    if (name == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < domains.size(); ++i) {
        if ((flat && SimEqualNoCase(domains[i].flat, name)) ||
            (dns && SimEqualNoCase(domains[i].dns, name))) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SimDomainModel::JoinedDomain() const {
    if (computer.joinStatus != 3) {
        return -1;
    }
    return FindDomain(computer.joinName.c_str());
}

int SimDomainModel::FindDomainOfController(const wchar_t* server) const {
    if (server == nullptr) {
        return -1;
    }
    while (*server == L'\\') {
        ++server;
    }
    for (std::size_t i = 0; i < domains.size(); ++i) {
        for (const SimDomainController& dc : domains[i].controllers) {
            if (SimEqualNoCase(dc.name, server) || SimEqualNoCase(dc.dnsName, server)) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

int SimDomainModel::FindDomainOfDn(const std::wstring& dn) const {
    for (std::size_t i = 0; i < domains.size(); ++i) {
        const std::wstring& suffix = domains[i].dn;
        if (dn.size() >= suffix.size() &&
            SimEqualNoCase(dn.substr(dn.size() - suffix.size()), suffix) &&
            (dn.size() == suffix.size() || dn[dn.size() - suffix.size() - 1] == L',')) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

namespace {
template <typename Field>
const SimDirectoryObject* FindObject(const std::vector<SimDirectoryObject>& objects,
                                     const std::wstring& wanted, Field field) {
    if (wanted.empty()) {
        return nullptr;
    }
    for (const SimDirectoryObject& object : objects) {
        if (SimEqualNoCase(object.*field, wanted)) {
            return &object;
        }
    }
    return nullptr;
}
} // namespace

namespace {
std::wstring UpperCased(const std::wstring& text) {
    std::wstring upper(text);
    if (!upper.empty()) {
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()),
                     upper.data(), static_cast<int>(upper.size()));
    }
    return upper;
}
} // namespace

void SimDomainModel::IndexNames() {
    dnIndex.clear();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        dnIndex.emplace(UpperCased(objects[i].dn), i);
    }
}

const SimDirectoryObject* SimDomainModel::FindByDn(const std::wstring& dn) const {
    if (!dnIndex.empty()) {
        const auto found = dnIndex.find(UpperCased(dn));
        return found == dnIndex.end() ? nullptr : &objects[found->second];
    }
    return FindObject(objects, dn, &SimDirectoryObject::dn);
}

const SimDirectoryObject* SimDomainModel::FindByCanonical(const std::wstring& canonical) const {
    return FindObject(objects, canonical, &SimDirectoryObject::canonical);
}

const SimDirectoryObject* SimDomainModel::FindByUpn(const std::wstring& upn) const {
    return FindObject(objects, upn, &SimDirectoryObject::upn);
}

const SimDirectoryObject* SimDomainModel::FindBySid(const std::wstring& sid) const {
    return FindObject(objects, sid, &SimDirectoryObject::sid);
}

const SimDirectoryObject* SimDomainModel::FindByDisplayName(const std::wstring& name) const {
    return FindObject(objects, name, &SimDirectoryObject::fullName);
}

const SimDirectoryObject* SimDomainModel::FindBySam(std::size_t domain,
                                                    const std::wstring& sam) const {
    for (const SimDirectoryObject& object : objects) {
        if (object.domain == domain && object.IsAccount() && SimEqualNoCase(object.sam, sam)) {
            return &object;
        }
    }
    return nullptr;
}

const SimDirectoryObject* SimDomainModel::FindByNt4(const std::wstring& account) const {
    const std::size_t slash = account.find(L'\\');
    if (slash == std::wstring::npos) {
        return nullptr;
    }
    const int domain = FindDomain(account.substr(0, slash).c_str(), true, false);
    if (domain < 0) {
        return nullptr;
    }
    return FindBySam(static_cast<std::size_t>(domain), account.substr(slash + 1));
}

const SimLocalAccount* SimDomainModel::FindLocalAccount(const std::wstring& domain,
                                                        const std::wstring& name) const {
    for (const SimLocalAccount& account : localAccounts) {
        if ((domain.empty() || SimEqualNoCase(account.domain, domain)) &&
            SimEqualNoCase(account.name, name)) {
            return &account;
        }
    }
    return nullptr;
}

const SimLocalAccount* SimDomainModel::FindLocalAccountBySid(const std::wstring& sid) const {
    for (const SimLocalAccount& account : localAccounts) {
        if (SimEqualNoCase(account.sid, sid)) {
            return &account;
        }
    }
    return nullptr;
}
