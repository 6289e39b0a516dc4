// Reading, checking and parsing the domain's policy list, and choosing the
// applicable policy. The stored value is input: it must be a byte array of
// bounded size holding valid UTF-8, and the text must pass the markup check
// before MSXML sees it. Nodes among the policies that are not elements
// (comments, processing instructions) are passed over.
#include "policy/CPolicylist.h"

#include "directory/AdsPaths.h"
#include "directory/DomainNames.h"
#include "directory/XmlAttributes.h"
#include "policy/CScope.h"
#include "policy/PolicyDocumentCheck.h"
#include "support/_com_error.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"
#include "support/cMvSafeArrayAccess.h"
#include "support/cMvVariant.h"

#include <iads.h>
#include <adshlp.h>
#include <msxml.h>

#include <cerrno>
#include <cwchar>

using resetra::_com_error;
using resetra::cMvBstr;
using resetra::cMvComPtr;
using resetra::cMvSafeArrayAccess;
using resetra::cMvVariant;

namespace {

constexpr HRESULT kPropertyNotFound = static_cast<HRESULT>(0x8000500DL); // E_ADS_PROPERTY_NOT_FOUND

const wchar_t* Text(const wchar_t* value) {
    return value != nullptr ? value : L"";
}

// Sets a parser property through the document's dispatch interface, as
// setProperty of IXMLDOMDocument2 would; a parser that lacks the property
// keeps its default.
void SetParserProperty(IXMLDOMDocument* document, const wchar_t* name, const VARIANT& value) {
    OLECHAR* method = const_cast<OLECHAR*>(L"setProperty");
    DISPID id = 0;
    if (FAILED(document->GetIDsOfNames(IID_NULL, &method, 1, LOCALE_USER_DEFAULT, &id))) {
        return;
    }
    cMvVariant propertyName(name);
    // Arguments go in reverse order.
    VARIANT arguments[2] = {value, *propertyName.get()};
    DISPPARAMS parameters{arguments, nullptr, 2, 0};
    (void)document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr,
                           nullptr, nullptr);
}

// The parser settings that keep a hostile document from reaching beyond
// itself: no document type definitions, no external resources, no
// validation, a bounded depth, a synchronous load.
void MakeParserSafe(IXMLDOMDocument* document) {
    (void)document->put_async(VARIANT_FALSE);
    (void)document->put_validateOnParse(VARIANT_FALSE);
    (void)document->put_resolveExternals(VARIANT_FALSE);
    VARIANT on;
    VariantInit(&on);
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    SetParserProperty(document, L"ProhibitDTD", on);
    VARIANT depth;
    VariantInit(&depth);
    depth.vt = VT_I4;
    depth.lVal = static_cast<LONG>(kMaxPolicyDocumentDepth);
    SetParserProperty(document, L"MaxElementDepth", depth);
}

// The text of a "#<number>#" suffix at the very end; `text` loses it.
void SplitTimeStamp(cMvLog& log, std::wstring& text, int64_t* time) {
    if (time != nullptr) {
        *time = 0;
    }
    log.Log(LogLevel::Debug, L"Try to extract time from policy.");
    if (text.empty() || text.back() != L'#') {
        return;
    }
    log.Log(LogLevel::Debug, L"Detected opening '#' in policy, try to locate closing '#'.");
    // The search skips the character before the final "#".
    const std::size_t k = text.size() >= 3 ? text.rfind(L'#', text.size() - 3) : std::wstring::npos;
    if (k == std::wstring::npos) {
        log.Log(LogLevel::Debug,
                L"Could not find closing '#', unable to extract time from policy.");
        return;
    }
    const std::wstring timeText = text.substr(k + 1, text.size() - 1 - (k + 1));
    log.Log(LogLevel::Debug, L"Found time '%s'.", timeText.c_str());
    text.resize(k);
    if (time != nullptr) {
        errno = 0;
        *time = _wcstoi64(timeText.c_str(), nullptr, 10);
        if (errno == ERANGE) {
            log.Log(LogLevel::Error,
                    L"Overflow condition occurred while convering string time to integer.");
        }
    }
}

} // namespace

std::wstring CPolicylist::PolicyObjectPath(const wchar_t* domainDnsName) {
    return LdapPathOf(L"CN=HwgPasswordPolicy,CN=Vexa Policy Manager,CN=Harrowgate,CN=Program "
                      L"Data," +
                      DnsNameToDomainDn(domainDnsName));
}

int32_t CPolicylist::ReadPolicyData(cMvLog& log, const wchar_t* domainDnsName, std::wstring& text,
                                    int64_t* time) {
    text.clear();
    if (time != nullptr) {
        *time = 0;
    }
    log.Log(LogLevel::Debug, L"Loading policy from domain with DNS name: '%s'",
            Text(domainDnsName));
    if (!IsDnsDomainName(domainDnsName)) {
        log.LogWin32(LogLevel::Error, ERROR_INVALID_DOMAINNAME,
                     L"Failed to bind policy object in Active Directoy.");
        return ERROR_INVALID_DOMAINNAME;
    }
    const std::wstring path = PolicyObjectPath(domainDnsName);
    log.Log(LogLevel::Debug, L"Created LDAP query: %s", path.c_str());

    cMvComPtr<IADs> object;
    HRESULT hr = ADsGetObject(path.c_str(), IID_IADs, object.put_void());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to bind policy object in Active Directoy.");
        return hr;
    }
    cMvVariant value;
    hr = object->Get(cMvBstr(L"msDS-ByteArray").get(), value.put());
    if (hr == kPropertyNotFound) {
        log.LogHResult(LogLevel::Information, hr, L"No policy object found in Active Directoy.");
        return 0;
    }
    if (SUCCEEDED(hr) && (value.Type() != (VT_ARRAY | VT_UI1) || value.get()->parray == nullptr ||
                          SafeArrayGetDim(value.get()->parray) != 1)) {
        hr = DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Unable to load policy object from Active Directoy.");
        return hr;
    }

    SAFEARRAY* array = value.get()->parray;
    LONG lower = 0;
    LONG upper = 0;
    hr = SafeArrayGetLBound(array, 1, &lower);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Unable to get safe lowerbound of policy array.");
        return hr;
    }
    hr = SafeArrayGetUBound(array, 1, &upper);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Unable to get safe upperbound of policy array.");
        return hr;
    }
    const long long count = static_cast<long long>(upper) - lower + 1;
    if (count > static_cast<long long>(kMaxDocumentBytes)) {
        log.LogWin32(LogLevel::Error, ERROR_FILE_TOO_LARGE,
                     L"Policy object in Active Directoy holds %lld bytes, more than %u.", count,
                     static_cast<unsigned>(kMaxDocumentBytes));
        return ERROR_FILE_TOO_LARGE;
    }
    if (count <= 0) {
        return 0;
    }

    try {
        const cMvSafeArrayAccess access(array);
        const char* bytes = static_cast<const char*>(access.Data());
        const int byteCount = static_cast<int>(count);
        log.Log(LogLevel::Debug, L"Converting data retrieved from AD to WCHAR (1).");
        const int size =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, byteCount, nullptr, 0);
        if (size <= 0) {
            const DWORD error = GetLastError();
            log.LogWin32(LogLevel::Error, error, L"Unable to determine size of XML.");
            return static_cast<int32_t>(error);
        }
        log.Log(LogLevel::Debug, L"Converting data retrieved from AD to WCHAR (2).");
        std::wstring converted(static_cast<std::size_t>(size), L'\0');
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, byteCount, converted.data(),
                                size) != size) {
            const DWORD error = GetLastError();
            log.LogWin32(LogLevel::Error, error, L"Unable to convert loaded XML to string.");
            return static_cast<int32_t>(error);
        }
        // A NUL would end the text early for the parser but not for the
        // time stamp search.
        if (converted.find(L'\0') != std::wstring::npos) {
            log.LogWin32(LogLevel::Error, ERROR_INVALID_DATA,
                         L"Unable to convert loaded XML to string.");
            return ERROR_INVALID_DATA;
        }
        log.Log(LogLevel::Debug, L"Converting data retrieved from AD to WCHAR (3).");
        text = std::move(converted);
    } catch (const _com_error& e) {
        log.LogHResult(LogLevel::Error, e.Error(),
                       L"Unable to increment lock count of policy array.");
        return e.Error();
    }
    SplitTimeStamp(log, text, time);
    return 0;
}

int32_t CPolicylist::LoadFromDomain(cMvLog& log, const wchar_t* domainDnsName, int64_t* time) {
    Clear();
    std::wstring text;
    const int32_t code = ReadPolicyData(log, domainDnsName, text, time);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"Error occurred loading policies from domain '%s'.",
                    Text(domainDnsName));
        return code;
    }
    if (text.empty()) {
        log.Log(LogLevel::Information, L"No policy found in domain '%s'.", Text(domainDnsName));
        return kNoPolicyDocument;
    }
    // The document goes into the line as data, never as a format.
    const std::wstring found =
        L"Found policy '" + text + L"' found in domain '" + Text(domainDnsName) + L"'.";
    log.Log(LogLevel::Information, L"%s", found.c_str());
    log.Log(LogLevel::Debug, L"Converting policy string to policy object.");
    const int32_t loaded = LoadFromXML(log, text.c_str());
    if (loaded != 0) {
        log.LogCode(LogLevel::Error, loaded, L"Unable to load policy.");
        return loaded;
    }
    return 0;
}

int32_t CPolicylist::LoadFromXML(cMvLog& log, const wchar_t* text) {
    const std::wstring document = Text(text);
    switch (CheckPolicyDocumentShape(document.c_str(), document.size())) {
    case DocumentShape::DeclaresDocumentType:
        log.Log(LogLevel::Error, L"The policy document declares a document type; it is refused.");
        log.LogHResult(LogLevel::Error, kDocumentRefused, L"Failed to load XML from string.");
        return kDocumentRefused;
    case DocumentShape::TooDeep:
        log.Log(LogLevel::Error,
                L"The policy document nests elements deeper than %u levels; it "
                L"is refused.",
                static_cast<unsigned>(kMaxPolicyDocumentDepth));
        log.LogHResult(LogLevel::Error, kDocumentRefused, L"Failed to load XML from string.");
        return kDocumentRefused;
    case DocumentShape::Acceptable:
        break;
    }

    cMvComPtr<IXMLDOMDocument> dom;
    HRESULT hr =
        CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IXMLDOMDocument, dom.put_void());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to create DOM document.");
        return hr;
    }
    MakeParserSafe(dom.get());

    VARIANT_BOOL loaded = VARIANT_FALSE;
    hr = dom->loadXML(cMvBstr(document).get(), &loaded);
    if (FAILED(hr) || loaded != VARIANT_TRUE) {
        // A text that is not XML loads nothing with a success code.
        hr = FAILED(hr) ? hr : kDocumentRefused;
        log.LogHResult(LogLevel::Error, hr, L"Failed to load XML from string.");
        return hr;
    }

    cMvComPtr<IXMLDOMNodeList> lists;
    hr = dom->getElementsByTagName(cMvBstr(L"PolicyList").get(), lists.put());
    if (FAILED(hr) || !lists) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr,
                       L"An error occurred getting policy list node from XML.");
        return hr;
    }
    LONG count = 0;
    hr = lists->get_length(&count);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr,
                       L"An error occurred getting policy list node from XML.");
        return hr;
    }
    if (count != 1) {
        log.LogCode(LogLevel::Error, kNoSinglePolicyList,
                    L"Can only process exactly 1 Policy list node, size '%d'",
                    static_cast<int>(count));
        return kNoSinglePolicyList;
    }
    cMvComPtr<IXMLDOMNode> list;
    hr = lists->get_item(0, list.put());
    if (FAILED(hr) || !list) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr,
                       L"An error occurred getting policy list node from list.");
        return hr;
    }

    std::wstring version;
    const int32_t versionFound = GetXmlAttributeValue(log, list.get(), L"version", version);
    if (versionFound < 0) {
        log.LogHResult(LogLevel::Debug, versionFound, L"Failed to get type 'version'.");
        version.clear();
    } else if (versionFound != 0) {
        version.clear();
    }
    const wchar_t* documentVersion = version.empty() ? nullptr : version.c_str();

    VARIANT_BOOL hasChildren = VARIANT_FALSE;
    hr = list->hasChildNodes(&hasChildren);
    if (FAILED(hr)) {
        log.LogCode(LogLevel::Error, kNoSinglePolicyList,
                    L"Failed to determine if policy list node has children.");
        return hr;
    }
    if (hasChildren == VARIANT_FALSE) {
        log.LogCode(LogLevel::Error, kNoSinglePolicyList, L"No policy node found.");
        return kNoSinglePolicyList;
    }
    cMvComPtr<IXMLDOMNodeList> children;
    hr = list->get_childNodes(children.put());
    if (FAILED(hr) || !children) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr,
                       L"An error occurred getting policies node from policy list.");
        return hr;
    }
    log.Log(LogLevel::Debug, L"Load policies from XML.");

    for (;;) {
        cMvComPtr<IXMLDOMNode> child;
        hr = children->nextNode(child.put());
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr,
                           L"An error occurred getting policies node from policy list.");
            return hr;
        }
        if (hr == S_FALSE || !child) {
            break;
        }
        DOMNodeType type = NODE_INVALID;
        if (FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT) {
            log.Log(LogLevel::Debug, L"Skipping a node of the policy list that is no element.");
            continue;
        }
        std::unique_ptr<CPolicy> policy = CPolicy::MakeForLoading();
        if (policy->LoadFromXML(log, child.get(), documentVersion) == 0) {
            m_policies.push_back(std::move(policy));
        } else {
            log.Log(LogLevel::Error, L"An error occurred loading policy from XML.");
        }
    }
    return 0;
}

int32_t CPolicylist::GetApplicablePolicy(cMvLog& log, CScope& userScope, CPolicy*& policy) {
    policy = nullptr;
    if (m_policies.empty()) {
        log.LogCode(LogLevel::Information, 0, L"Policy list is empty.");
        return kEmptyList;
    }
    for (const std::unique_ptr<CPolicy>& candidate : m_policies) {
        if (!candidate) {
            log.LogCode(LogLevel::Error, kEmptyEntry,
                        L"Found empty policy pointer in policy list.");
            continue;
        }
        if (!candidate->IsEnabled()) {
            log.Log(LogLevel::Debug, L"Skipping policy '%s', because it is disabled.",
                    Text(candidate->GetName()));
            continue;
        }
        bool applies = false;
        const int32_t code = candidate->Applies(log, userScope, applies);
        if (code != 0) {
            log.LogCode(LogLevel::Debug, code,
                        L"Error occurred trying to determine if policy '%s' applies",
                        Text(candidate->GetName()));
            continue;
        }
        if (applies) {
            log.Log(LogLevel::Debug, L"Found applicable policy '%s'.", Text(candidate->GetName()));
            policy = candidate.get();
            return 0;
        }
    }
    log.LogCode(LogLevel::Error, kNoApplicablePolicy, L"No applicable policy found for user '%s'.",
                Text(userScope.GetName()));
    return kNoApplicablePolicy;
}

int32_t CPolicylist::MovePolicy(std::size_t from, std::size_t to) {
    if (from >= m_policies.size() || to >= m_policies.size()) {
        return E_INVALIDARG;
    }
    std::unique_ptr<CPolicy> moving = std::move(m_policies[from]);
    m_policies.erase(m_policies.begin() + static_cast<std::ptrdiff_t>(from));
    m_policies.insert(m_policies.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
    return 0;
}

int32_t CPolicylist::DeletePolicy(std::size_t position) {
    if (position >= m_policies.size()) {
        return E_INVALIDARG;
    }
    m_policies.erase(m_policies.begin() + static_cast<std::ptrdiff_t>(position));
    return 0;
}

int32_t CPolicylist::InsertPolicy(std::size_t position, std::unique_ptr<CPolicy> policy) {
    if (position > m_policies.size()) {
        return E_INVALIDARG;
    }
    m_policies.push_back(std::move(policy));
    return MovePolicy(m_policies.size() - 1, position);
}
