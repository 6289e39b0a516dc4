// Scopes: loading from the "Scope" element, refreshing names from the
// directory, building the user scope, and matching. Canonical names compare
// without regard to the case of A to Z; an absent name matches nothing, so a
// scope or a user whose name could not be found never matches by accident.
// Group sets are gathered through "memberOf" with an explicit work list.
#include "policy/CScope.h"

#include "directory/AccountSids.h"
#include "directory/AdsPaths.h"
#include "directory/DomainNames.h"
#include "directory/NameCracking.h"
#include "directory/UserSid.h"
#include "directory/XmlAttributes.h"
#include "policy/RuleXml.h"
#include "support/UniqueHandle.h"
#include "support/_com_error.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"
#include "support/cMvSafeArrayAccess.h"
#include "support/cMvVariant.h"

#include <adshlp.h>
#include <iads.h>
#include <ntdsapi.h>
#include <sddl.h>

#include <vector>

using resetra::_com_error;
using resetra::cMvBstr;
using resetra::cMvComPtr;
using resetra::cMvSafeArrayAccess;
using resetra::cMvVariant;
using resetra::UniqueDsBind;
using resetra::UniqueDsNameResult;
using resetra::UniqueLocalMem;

namespace {

constexpr int32_t kValueMissing = -11;
constexpr int32_t kEmptyElement = -12;
constexpr HRESULT kPropertyNotFound = static_cast<HRESULT>(0x8000500DL); // E_ADS_PROPERTY_NOT_FOUND

const wchar_t* Text(const wchar_t* value) {
    return value != nullptr ? value : L"";
}

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Whether the first `count` characters of `a` and `b` are equal, ignoring
// the case of A to Z only.
bool EqualFolded(const wchar_t* a, const wchar_t* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool EqualNames(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && EqualFolded(a.c_str(), b.c_str(), a.size());
}

int CompareFolded(const std::wstring& a, const std::wstring& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const wchar_t x = FoldAscii(a[i]);
        const wchar_t y = FoldAscii(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Whether a part of a canonical name holds a separator; "\/" is a slash
// inside a name, not a separator.
bool HasSeparator(const std::wstring& text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == L'/' && (i == from || text[i - 1] != L'\\')) {
            return true;
        }
    }
    return false;
}

// One name result of a crack; status and name are checked before use.
bool CrackedName(const UniqueDsNameResult& result, std::wstring& name) {
    if (!result || result.get()->cItems == 0 || result.get()->rItems == nullptr) {
        return false;
    }
    const DS_NAME_RESULT_ITEMW& item = result.get()->rItems[0];
    if (item.status != DS_NAME_NO_ERROR || item.pName == nullptr || item.pName[0] == L'\0') {
        return false;
    }
    name = item.pName;
    return true;
}

// Calls `each(child, baseName)` for every child of `node` in document order;
// stops early when `each` returns false. A child whose name cannot be read is
// logged, leaves its code in `result` and is skipped. The HRESULT of the walk.
template <typename Each>
HRESULT ForEachNamedChild(cMvLog& log, IXMLDOMNodeList* children, int32_t& result, Each each) {
    for (;;) {
        cMvComPtr<IXMLDOMNode> child;
        const HRESULT hr = children->nextNode(child.put());
        if (FAILED(hr)) {
            return hr;
        }
        if (hr == S_FALSE || !child) {
            return S_OK;
        }
        cMvBstr name;
        const HRESULT nameResult = GetNodeBaseName(child.get(), name);
        if (FAILED(nameResult)) {
            log.LogHResult(LogLevel::Error, nameResult,
                           L"An error occurred getting base name of child.");
            result = nameResult;
            continue;
        }
        if (!each(child.get(), name.view())) {
            return S_OK;
        }
    }
}

// Where a distinguished name waiting in the work list came from, for the
// message when it cannot be read.
enum class Origin { Start, SingleValue, ArrayElement };

struct PendingGroup {
    std::wstring distinguishedName;
    Origin origin;
};

// Reads the "memberOf" value of one object into `parents`, in value order.
// 0 also for an object that is a member of nothing.
HRESULT ReadMemberOf(cMvLog& log, const std::wstring& distinguishedName,
                     std::vector<std::wstring>& parents, bool& single) {
    const std::wstring path = LdapPathOf(distinguishedName);
    log.Log(LogLevel::Debug, L"Created LDAP query: %s", path.c_str());

    cMvComPtr<IADs> object;
    HRESULT hr = ADsGetObject(path.c_str(), IID_IADs, object.put_void());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to bind user object in Active Directoy.");
        return hr;
    }
    log.Log(LogLevel::Debug, L"Trying to extract information from bound object.");
    hr = object->GetInfo();
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to load property cache of bound object.");
        return hr;
    }
    cMvVariant value;
    hr = object->Get(cMvBstr(L"memberOf").get(), value.put());
    if (hr == kPropertyNotFound) {
        // A member of no group: the end of this branch, not a failure.
        log.LogHResult(LogLevel::Debug, hr, L"Failed to get memberOf attribute of bound object.");
        return S_OK;
    }
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to get memberOf attribute of bound object.");
        return hr;
    }

    const VARIANT* v = value.get();
    if (v->vt == VT_BSTR) {
        single = true;
        parents.emplace_back(v->bstrVal != nullptr ? v->bstrVal : L"");
        return S_OK;
    }
    if (v->vt != (VT_ARRAY | VT_VARIANT) || v->parray == nullptr ||
        SafeArrayGetDim(v->parray) != 1) {
        log.Log(LogLevel::Debug, L"Unknown data type stored in result object for memberOf data.");
        return S_OK;
    }
    single = false;
    try {
        const cMvSafeArrayAccess access(v->parray);
        const VARIANT* items = static_cast<const VARIANT*>(access.Data());
        for (ULONG i = 0; i < access.Count(); ++i) {
            if (items[i].vt == VT_BSTR && items[i].bstrVal != nullptr) {
                parents.emplace_back(items[i].bstrVal);
            } else {
                log.Log(LogLevel::Debug,
                        L"Unknown data type stored in result object for memberOf data.");
            }
        }
    } catch (const _com_error& e) {
        log.LogHResult(LogLevel::Error, e.Error(),
                       L"Error occurred while accessing the result array with the memberOf data.");
        return e.Error();
    }
    return S_OK;
}

} // namespace

bool GroupNameLess::operator()(const std::wstring& a, const std::wstring& b) const noexcept {
    return CompareFolded(a, b) < 0;
}

CScope::CScope(int32_t type, const wchar_t* sid, const wchar_t* canonicalName, const wchar_t* name)
    : m_type(type) {
    SetSid(sid);
    SetCanonicalName(canonicalName);
    SetName(name);
}

int32_t CScope::LoadFromXML(cMvLog& log, IXMLDOMNode* element) {
    VARIANT_BOOL hasChildren = VARIANT_FALSE;
    HRESULT hr = element->hasChildNodes(&hasChildren);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to determine if scope node has children.");
        return hr;
    }
    if (hasChildren == VARIANT_FALSE) {
        log.LogCode(LogLevel::Error, kEmptyElement, L"Scope is empty.");
        return kEmptyElement;
    }

    std::wstring typeText;
    const int32_t found = GetXmlAttributeValue(log, element, L"type", typeText);
    if (found < 0) {
        log.LogHResult(LogLevel::Error, found, L"Failed to get type attribute.");
        return found;
    }
    if (found != 0) {
        return kValueMissing;
    }
    int32_t result = 0;
    int32_t type = 0;
    if (ParseIntegerText(typeText.c_str(), type)) {
        m_type = type;
        log.Log(LogLevel::Debug, L"Successfully determined type.");
    } else {
        result = kValueMissing;
        log.LogCode(LogLevel::Error, kValueMissing,
                    L"Failed to convert value of type attribute to integer.");
    }

    cMvComPtr<IXMLDOMNodeList> children;
    hr = element->get_childNodes(children.put());
    if (FAILED(hr) || !children) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr, L"An error occurred getting scope data.");
        return hr;
    }
    log.Log(LogLevel::Debug, L"Load scope data from XML.");

    bool stopped = false;
    hr = ForEachNamedChild(
        log, children.get(), result, [&](IXMLDOMNode* child, std::wstring_view baseName) {
            struct NameField {
                const wchar_t* element;
                std::wstring CScope::*field;
                const wchar_t* failure;
                const wchar_t* success;
            };
            static const NameField fields[] = {
                {L"SID", &CScope::m_sid, L"Failed to get value of SID node.",
                 L"Successfully set SID."},
                {L"CanonicalName", &CScope::m_canonicalName,
                 L"Failed to get value of CanonicalName node.",
                 L"Successfully set Canonical Name."},
                {L"Name", &CScope::m_name, L"Failed to get value of Name node.",
                 L"Successfully set Name."},
            };
            for (const NameField& field : fields) {
                if (baseName == field.element) {
                    std::wstring text;
                    const HRESULT textResult = GetNodeText(child, text);
                    if (FAILED(textResult)) {
                        log.LogHResult(LogLevel::Error, textResult, field.failure);
                        result = textResult;
                        stopped = true;
                        return false;
                    }
                    this->*field.field = text;
                    log.Log(LogLevel::Debug, field.success);
                    return true;
                }
            }
            if (baseName == L"Groups") {
                result = LoadGroupsFromXML(log, child);
                if (result != 0) {
                    log.Log(LogLevel::Error, L"Failed to get value of groups node.");
                    stopped = true;
                    return false;
                }
                log.Log(LogLevel::Debug, L"Successfully added group set data.");
            }
            return true;
        });
    if (FAILED(hr) && !stopped) {
        log.LogHResult(LogLevel::Error, hr, L"An error occurred getting scope data.");
        return hr;
    }
    return result;
}

int32_t CScope::LoadGroupsFromXML(cMvLog& log, IXMLDOMNode* element) {
    m_groups.clear();
    VARIANT_BOOL hasChildren = VARIANT_FALSE;
    HRESULT hr = element->hasChildNodes(&hasChildren);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to determine if groups node has children.");
        return hr;
    }
    if (hasChildren == VARIANT_FALSE) {
        log.LogCode(LogLevel::Error, kEmptyElement, L"Group is empty.");
        return 0;
    }
    cMvComPtr<IXMLDOMNodeList> children;
    hr = element->get_childNodes(children.put());
    if (FAILED(hr) || !children) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr, L"An error occurred getting group set data.");
        return hr;
    }
    log.Log(LogLevel::Debug, L"Load group set data from XML.");

    int32_t result = 0;
    bool stopped = false;
    hr = ForEachNamedChild(
        log, children.get(), result, [&](IXMLDOMNode* child, std::wstring_view baseName) {
            if (baseName != L"Group") {
                return true;
            }
            std::wstring text;
            const HRESULT textResult = GetNodeText(child, text);
            if (FAILED(textResult)) {
                log.LogHResult(LogLevel::Error, textResult, L"Failed to get value of group node.");
                result = textResult;
                stopped = true;
                return false;
            }
            if (!text.empty()) {
                m_groups.insert(text);
            }
            log.Log(LogLevel::Debug, L"Successfully added name to group set.");
            return true;
        });
    if (FAILED(hr) && !stopped) {
        log.LogHResult(LogLevel::Error, hr, L"An error occurred getting group set data.");
        return hr;
    }
    return result;
}

int32_t CScope::Refresh(cMvLog& log) {
    switch (m_type) {
    case ST_OU:
    case ST_DOMAIN:
    case ST_SINGLEOU:
        m_name = m_sid;
        m_canonicalName = m_sid;
        return 0;
    case ST_USERS:
    case ST_GROUPS:
        return RefreshAccount(log);
    default:
        return 0;
    }
}

int32_t CScope::RefreshAccount(cMvLog& log) {
    if (m_type == ST_USERS) {
        m_name.clear();
    }
    PSID rawSid = nullptr;
    if (m_sid.empty() || !ConvertStringSidToSidW(m_sid.c_str(), &rawSid)) {
        return 0;
    }
    UniqueLocalMem sid(rawSid);

    std::wstring domainName;
    std::wstring accountName;
    SID_NAME_USE kind = SidTypeUnknown;
    int32_t code = GetAccountNameFromSid(log, sid.get(), domainName, accountName, kind);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"Error looking up account name by SID '%s'",
                    m_sid.c_str());
        return code;
    }
    m_name = accountName;

    UniqueDsBind bind;
    const DWORD bound = DsBindW(nullptr, domainName.c_str(), bind.put());
    if (bound != ERROR_SUCCESS) {
        log.LogCode(LogLevel::Error, static_cast<int32_t>(bound),
                    L"Failed to bind a domain controller for domain '%s'.", domainName.c_str());
        return static_cast<int32_t>(bound);
    }

    const wchar_t* names[] = {m_sid.c_str()};
    UniqueDsNameResult canonical;
    DWORD cracked = DsCrackNamesW(bind.get(), DS_NAME_NO_FLAGS, DS_SID_OR_SID_HISTORY_NAME,
                                  DS_CANONICAL_NAME, 1, names, canonical.put());
    code = static_cast<int32_t>(cracked);
    if (cracked != ERROR_SUCCESS) {
        log.LogCode(LogLevel::Error, code,
                    L"Error cracking name '%s', unable to get canonical name.", m_sid.c_str());
    } else {
        CrackedName(canonical, m_canonicalName);
    }

    if (m_type == ST_GROUPS) {
        m_name = m_canonicalName;
    } else {
        UniqueDsNameResult principal;
        cracked = DsCrackNamesW(bind.get(), DS_NAME_NO_FLAGS, DS_SID_OR_SID_HISTORY_NAME,
                                DS_USER_PRINCIPAL_NAME, 1, names, principal.put());
        if (cracked != ERROR_SUCCESS) {
            code = static_cast<int32_t>(cracked);
            log.LogCode(LogLevel::Error, code,
                        L"Error cracking name '%s', unable to get user principal name.",
                        m_sid.c_str());
        } else {
            CrackedName(principal, m_name);
        }
    }
    return code;
}

int32_t CScope::CreateUserScope(cMvLog& log, const wchar_t* userName, const wchar_t* domain) {
    log.Log(LogLevel::Debug, L"Create user scope for '%s'.", Text(userName));
    m_sid.clear();
    m_canonicalName.clear();
    m_name.clear();
    m_groups.clear();
    m_objectFacts = {};
    m_type = ST_NONE;

    std::wstring dnsDomain;
    if (domain == nullptr) {
        std::wstring flatName;
        int32_t code = GetJoinedDomainName(log, flatName);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code,
                        L"No domain name provided and call to retrieve domain name failed.");
            return code;
        }
        // A workgroup computer has no domain: the scope stays without type.
        if (!flatName.empty()) {
            code = FlatToDnsDomainName(log, flatName.c_str(), dnsDomain);
            if (code != 0) {
                log.LogCode(LogLevel::Error, code, L"Failed to convert flat name '%s' to DNS name.",
                            flatName.c_str());
                return code;
            }
        }
    } else {
        dnsDomain = domain;
    }
    log.Log(LogLevel::Debug, L"User '%s' should be in domain '%s'.", Text(userName),
            dnsDomain.c_str());

    if (!dnsDomain.empty()) {
        std::wstring sid;
        const int32_t code = GetUserSidString(log, dnsDomain.c_str(), Text(userName), sid);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code,
                        L"Failed to get user SID for '%s' in domain (DNS name) '%s'.",
                        Text(userName), dnsDomain.c_str());
            return code;
        }
        m_type = ST_USERS;
        m_sid = sid;
        // Whatever the refresh cannot find stays absent and matches nothing.
        (void)Refresh(log);
    }
    log.Log(LogLevel::Debug, L"Successfully created user scope for '%s'.", Text(userName));
    return 0;
}

int32_t CScope::Matches(cMvLog& log, CScope& userScope, bool& match) {
    match = false;
    if (userScope.m_type != ST_USERS) {
        return 0;
    }
    const std::wstring& s = m_canonicalName;
    const std::wstring& u = userScope.m_canonicalName;
    log.Log(LogLevel::Debug,
            L"Try to find match for type '%d' for current scope ('%s') with user scope ('%s').",
            m_type, s.c_str(), u.c_str());

    const std::size_t n = s.size();
    const std::wstring left = u.substr(0, n);
    switch (m_type) {
    case ST_USERS:
        // An absent name on either side matches nothing.
        if (!s.empty() && EqualNames(u, s)) {
            log.Log(LogLevel::Debug,
                    L"Found match as ST_USERS to find match for current scope ('%s') .", s.c_str());
            match = true;
        }
        break;
    case ST_GROUPS: {
        bool shared = false;
        const int32_t code = IntersectGroups(log, userScope, shared);
        if (code != 0) {
            log.LogCode(LogLevel::Warning, code,
                        L"An error occurred while trying to intersect 2 groups for current scope "
                        L"('%s').",
                        s.c_str());
            return code;
        }
        if (shared) {
            log.Log(LogLevel::Debug, L"Found match as ST_GROUPS for current scope ('%s').",
                    s.c_str());
            match = true;
        }
        break;
    }
    case ST_OU:
        log.Log(LogLevel::Debug, L"Comparing left side '%s' of '%s' with '%s'.", left.c_str(),
                u.c_str(), s.c_str());
        if (!s.empty() && EqualNames(left, s)) {
            log.Log(LogLevel::Debug,
                    L"Left side '%s' matches with '%s', now checking last character of '%s'.",
                    left.c_str(), s.c_str(), u.c_str());
            if (u.size() > n && u[n] == L'/') {
                log.Log(LogLevel::Debug,
                        L"Found match as ST_OU to find match for current scope ('%s').", s.c_str());
                match = true;
            }
        }
        break;
    case ST_DOMAIN:
        log.Log(LogLevel::Debug, L"Comparing domain of '%s' with '%s'.", u.c_str(), s.c_str());
        if (!s.empty() && EqualNames(left, s)) {
            log.Log(LogLevel::Debug,
                    L"Found match as ST_DOMAIN to find match for current scope ('%s').", s.c_str());
            match = true;
        }
        break;
    case ST_SINGLEOU:
        log.Log(LogLevel::Debug, L"Comparing left side '%s' of '%s' with '%s'.", left.c_str(),
                u.c_str(), s.c_str());
        if (!s.empty() && EqualNames(left, s)) {
            log.Log(LogLevel::Debug,
                    L"Left side '%s' matches with '%s', now checking the right side of '%s'.",
                    left.c_str(), s.c_str(), u.c_str());
            const long long remaining =
                static_cast<long long>(u.size()) - static_cast<long long>(n) - 1;
            log.Log(LogLevel::Debug, L"Remaining number of characters: %d.",
                    static_cast<int>(remaining));
            if (remaining > 0) {
                log.Log(LogLevel::Debug, L"Check the right side of '%s' starting at index %d.",
                        u.c_str(), static_cast<int>(remaining));
                if (u[n] == L'/' && !HasSeparator(u, n + 1)) {
                    log.Log(LogLevel::Debug, L"Found match of type ST_SINGLEOU for '%s'.",
                            u.c_str());
                    match = true;
                }
            }
        }
        break;
    default:
        break;
    }
    return 0;
}

int32_t CScope::GatherGroups(cMvLog& log, const std::wstring& canonicalName, GroupSet& groups) {
    std::wstring distinguishedName;
    const int32_t code =
        CanonicalToDistinguishedName(log, canonicalName.c_str(), distinguishedName);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code,
                    L"Failed to convert canonical name '%s' to distinguished name.",
                    canonicalName.c_str());
        return code;
    }
    const int32_t enumerated = EnumerateGroups(log, distinguishedName, groups);
    if (enumerated != 0) {
        log.LogWin32(LogLevel::Error, static_cast<DWORD>(enumerated),
                     L"Failed to enumerate groups for '%s'.", distinguishedName.c_str());
    }
    return 0;
}

// The user's set holds the user and every group that contains the user; a
// gathered scope set holds the scope's group and every group that contains
// that group. So the members of a group that contains the scope's group match
// as well. Policy lists in use may rely on this, so it stays; a "Groups" list in
// the document names the groups exactly and avoids it.
int32_t CScope::IntersectGroups(cMvLog& log, CScope& userScope, bool& shared) {
    shared = false;
    if (userScope.m_groups.empty() && !userScope.m_canonicalName.empty()) {
        const int32_t code = GatherGroups(log, userScope.m_canonicalName, userScope.m_groups);
        if (code != 0) {
            return code;
        }
    }
    if (m_groups.empty() && !m_canonicalName.empty()) {
        const int32_t code = GatherGroups(log, m_canonicalName, m_groups);
        if (code != 0) {
            return code;
        }
    }
    const GroupSet& smaller =
        userScope.m_groups.size() < m_groups.size() ? userScope.m_groups : m_groups;
    const GroupSet& larger = &smaller == &m_groups ? userScope.m_groups : m_groups;
    for (const std::wstring& name : smaller) {
        if (larger.count(name) != 0) {
            shared = true;
            break;
        }
    }
    return 0;
}

int32_t CScope::EnumerateGroups(cMvLog& log, const std::wstring& distinguishedName,
                                GroupSet& groups) {
    int32_t result = 0;
    std::vector<PendingGroup> work{{distinguishedName, Origin::Start}};
    std::vector<std::wstring> parents;
    while (!work.empty()) {
        PendingGroup next = std::move(work.back());
        work.pop_back();
        if (next.distinguishedName.empty() || !groups.insert(next.distinguishedName).second) {
            continue;
        }
        parents.clear();
        bool single = false;
        const HRESULT hr = ReadMemberOf(log, next.distinguishedName, parents, single);
        if (FAILED(hr)) {
            result = hr;
            if (next.origin == Origin::SingleValue) {
                log.LogHResult(LogLevel::Error, hr,
                               L"Error occurred while recursively trying to enumerate groups for "
                               L"'%s'.",
                               next.distinguishedName.c_str());
            } else if (next.origin == Origin::ArrayElement) {
                log.LogHResult(LogLevel::Error, hr, L"Error occurred enumerating groups for '%s'.",
                               next.distinguishedName.c_str());
            }
            continue;
        }
        // Pushed in reverse, so the groups are visited in value order.
        const Origin origin = single ? Origin::SingleValue : Origin::ArrayElement;
        for (auto parent = parents.rbegin(); parent != parents.rend(); ++parent) {
            work.push_back({std::move(*parent), origin});
        }
    }
    return result;
}

int32_t CScope::ResolveSid(cMvLog& log) {
    switch (m_type) {
    case ST_USERS:
    case ST_GROUPS: {
        std::wstring account = m_type == ST_USERS ? m_name : m_canonicalName;
        if (m_type == ST_GROUPS) {
            for (wchar_t& c : account) {
                if (c == L'/') {
                    c = L'\\';
                }
            }
        }
        std::wstring sid;
        const int32_t code = GetSidStringByAccountName(log, account.c_str(), sid);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code, L"Failed to get SID for '%s'.", account.c_str());
            return code;
        }
        log.Log(LogLevel::Debug, L"Found SID for '%s'.", account.c_str());
        m_sid = sid;
        return 0;
    }
    case ST_OU:
    case ST_DOMAIN:
    case ST_SINGLEOU:
        m_sid = m_canonicalName;
        return 0;
    default:
        return 0;
    }
}

bool CScope::operator<(const CScope& other) const {
    const auto key = [](const CScope& scope) -> const std::wstring& {
        return scope.m_type == ST_USERS || scope.m_type == ST_GROUPS ? scope.m_sid
                                                                     : scope.m_canonicalName;
    };
    return CompareFolded(key(*this), key(other)) < 0;
}
