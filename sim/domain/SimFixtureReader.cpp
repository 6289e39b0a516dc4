// Fixture reader of the simulated domain. Distinguished and canonical names
// are derived from where an object stands in the tree (with the directory's
// own escaping), SIDs from the domain SID and a relative id, and group
// references ("FLAT\name" or a distinguished name) are resolved once every
// domain is known, so nested and cyclic memberships need no ordering.
#include "sim/domain/SimFixtureReader.h"

#include <msxml.h>
#include <oleauto.h>

#include <cwchar>
#include <memory>
#include <set>
#include <stdexcept>

namespace {

// The fixture reader reports its complaints as this exception internally and
// turns it into the error text at its two entry points.
struct FixtureError {
    std::wstring text;
};

template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (m_p != nullptr) {
            m_p->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** put() { return &m_p; }
    T* operator->() const { return m_p; }
    T* get() const { return m_p; }

private:
    T* m_p = nullptr;
};

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : m_b(SysAllocString(text)) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(m_b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* put() { return &m_b; }
    BSTR get() const { return m_b; }
    std::wstring str() const { return m_b == nullptr ? std::wstring() : std::wstring(m_b); }

private:
    BSTR m_b = nullptr;
};

std::wstring NodeName(IXMLDOMNode* node) {
    Bstr name;
    if (FAILED(node->get_nodeName(name.put()))) {
        return {};
    }
    return name.str();
}

std::wstring NodeText(IXMLDOMNode* node) {
    Bstr text;
    if (FAILED(node->get_text(text.put()))) {
        return {};
    }
    return text.str();
}

bool Attribute(IXMLDOMNode* node, const wchar_t* name, std::wstring& value) {
    ComRef<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.put())))) {
        return false;
    }
    Bstr attributeName(name);
    VARIANT v;
    VariantInit(&v);
    if (element->getAttribute(attributeName.get(), &v) != S_OK || v.vt != VT_BSTR) {
        VariantClear(&v);
        return false;
    }
    value = v.bstrVal == nullptr ? L"" : v.bstrVal;
    VariantClear(&v);
    return true;
}

std::wstring AttributeOr(IXMLDOMNode* node, const wchar_t* name, const wchar_t* fallback) {
    std::wstring value;
    return Attribute(node, name, value) ? value : std::wstring(fallback);
}

unsigned long long Number(const std::wstring& text, const wchar_t* what) {
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (text.empty() || end == nullptr || *end != L'\0') {
        throw FixtureError{std::wstring(L"not a number in ") + what + L": '" + text + L"'"};
    }
    return value;
}

// A decimal number that may be negative (a time in the future).
long long SignedNumber(const std::wstring& text, const wchar_t* what) {
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(text.c_str(), &end, 10);
    if (text.empty() || end == nullptr || *end != L'\0') {
        throw FixtureError{std::wstring(L"not a number in ") + what + L": '" + text + L"'"};
    }
    return value;
}

DWORD NumberAttribute(IXMLDOMNode* node, const wchar_t* name, DWORD fallback) {
    std::wstring text;
    if (!Attribute(node, name, text)) {
        return fallback;
    }
    return static_cast<DWORD>(Number(text, name));
}

bool BoolAttribute(IXMLDOMNode* node, const wchar_t* name, bool fallback) {
    std::wstring text;
    if (!Attribute(node, name, text)) {
        return fallback;
    }
    if (SimEqualNoCase(text, L"true") || text == L"1") {
        return true;
    }
    if (SimEqualNoCase(text, L"false") || text == L"0") {
        return false;
    }
    throw FixtureError{std::wstring(L"not true or false in ") + name + L": '" + text + L"'"};
}

std::vector<BYTE> HexBytes(const std::wstring& text) {
    std::vector<BYTE> bytes;
    int high = -1;
    for (wchar_t c : text) {
        int digit;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else if (c >= L'A' && c <= L'F') {
            digit = c - L'A' + 10;
        } else if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            continue;
        } else {
            throw FixtureError{L"not a hexadecimal byte string: '" + text + L"'"};
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<BYTE>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) {
        throw FixtureError{L"odd number of hexadecimal digits: '" + text + L"'"};
    }
    return bytes;
}

std::vector<BYTE> Utf8Bytes(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<char*>(bytes.data()), size, nullptr, nullptr);
    return bytes;
}

// Children that are elements, in document order.
std::vector<std::unique_ptr<IXMLDOMNode, void (*)(IXMLDOMNode*)>> Elements(IXMLDOMNode* parent) {
    std::vector<std::unique_ptr<IXMLDOMNode, void (*)(IXMLDOMNode*)>> result;
    ComRef<IXMLDOMNodeList> children;
    if (FAILED(parent->get_childNodes(children.put()))) {
        return result;
    }
    for (;;) {
        IXMLDOMNode* child = nullptr;
        if (children->nextNode(&child) != S_OK || child == nullptr) {
            break;
        }
        std::unique_ptr<IXMLDOMNode, void (*)(IXMLDOMNode*)> owned(
            child, [](IXMLDOMNode* n) { n->Release(); });
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT) {
            result.push_back(std::move(owned));
        }
    }
    return result;
}

// Escaping of one relative name inside a distinguished name.
std::wstring EscapeDnValue(const std::wstring& value) {
    std::wstring out;
    for (wchar_t c : value) {
        if (wcschr(L",+\"\\<>;=", c) != nullptr) {
            out += L'\\';
        }
        out += c;
    }
    return out;
}

// Canonical names escape the slash inside a name.
std::wstring EscapeCanonical(const std::wstring& value) {
    std::wstring out;
    for (wchar_t c : value) {
        if (c == L'/') {
            out += L'\\';
        }
        out += c;
    }
    return out;
}

SimAttributeValue ReadAttr(IXMLDOMNode* node) {
    SimAttributeValue value;
    if (!Attribute(node, L"name", value.name) || value.name.empty()) {
        throw FixtureError{L"Attr without name"};
    }
    const std::wstring type = AttributeOr(node, L"type", L"bstr");
    const std::wstring text = NodeText(node);
    if (SimEqualNoCase(type, L"bstr")) {
        value.kind = SimAttributeValue::Kind::Bstr;
        value.text = text;
    } else if (SimEqualNoCase(type, L"bytes")) {
        value.kind = SimAttributeValue::Kind::Bytes;
        value.bytes = HexBytes(text);
    } else if (SimEqualNoCase(type, L"strings")) {
        value.kind = SimAttributeValue::Kind::Strings;
        for (auto& child : Elements(node)) {
            if (NodeName(child.get()) == L"Value") {
                value.strings.push_back(NodeText(child.get()));
            }
        }
    } else if (SimEqualNoCase(type, L"i4")) {
        value.kind = SimAttributeValue::Kind::I4;
        value.i4 = static_cast<LONG>(Number(text, L"Attr i4"));
    } else if (SimEqualNoCase(type, L"largeinteger")) {
        value.kind = SimAttributeValue::Kind::LargeInteger;
        value.largeInteger = static_cast<LONGLONG>(Number(text, L"Attr largeinteger"));
    } else if (SimEqualNoCase(type, L"empty")) {
        value.kind = SimAttributeValue::Kind::Empty;
    } else if (SimEqualNoCase(type, L"error")) {
        value.kind = SimAttributeValue::Kind::Error;
        value.error = static_cast<HRESULT>(Number(AttributeOr(node, L"error", L""), L"Attr error"));
    } else {
        throw FixtureError{L"unknown Attr type '" + type + L"'"};
    }
    return value;
}

class TreeReader {
public:
    explicit TreeReader(SimDomainModel& model) : m_model(model) {}

    void Read(IXMLDOMNode* root) {
        if (NodeName(root) != L"SimulatedDomain") {
            throw FixtureError{L"the root element must be SimulatedDomain"};
        }
        m_model.delayMs = NumberAttribute(root, L"delayMs", 0);
        m_model.nameTranslateRegistered = BoolAttribute(root, L"nameTranslateRegistered", true);
        for (auto& child : Elements(root)) {
            const std::wstring name = NodeName(child.get());
            if (name == L"Computer") {
                ReadComputer(child.get());
            } else if (name == L"LocalAccount") {
                ReadLocalAccount(child.get());
            } else if (name == L"Domain") {
                ReadDomain(child.get());
            } else {
                throw FixtureError{L"unknown element '" + name + L"' in SimulatedDomain"};
            }
        }
        ResolveMemberships();
        m_model.IndexNames();
    }

private:
    struct Place {
        std::wstring dnSuffix;  // ",OU=Sales,DC=..." of the parent
        std::wstring canonical; // "corp.example.com/Sales" of the parent
    };

    void ReadComputer(IXMLDOMNode* node) {
        SimComputer& computer = m_model.computer;
        computer.name = AttributeOr(node, L"name", L"WORKSTATION");
        std::wstring text;
        if (Attribute(node, L"joinedTo", text)) {
            computer.joinStatus = 3;
            computer.joinName = text;
        } else if (Attribute(node, L"workgroup", text)) {
            computer.joinStatus = 2;
            computer.joinName = text;
        } else {
            computer.joinStatus = 1;
            computer.joinName.clear();
        }
        computer.joinError = NumberAttribute(node, L"joinError", 0);
        computer.lookupNameBufferAnswers = NumberAttribute(node, L"lookupNameBufferAnswers", 0);
        computer.lookupSidBufferAnswers = NumberAttribute(node, L"lookupSidBufferAnswers", 0);
    }

    void ReadLocalAccount(IXMLDOMNode* node) {
        SimLocalAccount account;
        account.domain = AttributeOr(node, L"domain", L"");
        account.name = AttributeOr(node, L"name", L"");
        account.sid = AttributeOr(node, L"sid", L"");
        const std::wstring use = AttributeOr(node, L"use", L"user");
        account.use = SimEqualNoCase(use, L"alias")            ? SidTypeAlias
                      : SimEqualNoCase(use, L"group")          ? SidTypeGroup
                      : SimEqualNoCase(use, L"wellknowngroup") ? SidTypeWellKnownGroup
                                                               : SidTypeUser;
        if (account.name.empty() || account.sid.empty()) {
            throw FixtureError{L"LocalAccount needs name and sid"};
        }
        m_model.localAccounts.push_back(account);
    }

    void ReadDomain(IXMLDOMNode* node) {
        SimDomain domain;
        domain.flat = AttributeOr(node, L"flat", L"");
        domain.dns = AttributeOr(node, L"dns", L"");
        domain.sid = AttributeOr(node, L"sid", L"");
        if (domain.flat.empty() || domain.dns.empty()) {
            throw FixtureError{L"Domain needs flat and dns"};
        }
        domain.dn = L"DC=";
        for (wchar_t c : domain.dns) {
            domain.dn += c == L'.' ? std::wstring(L",DC=") : std::wstring(1, c);
        }
        domain.reachable = BoolAttribute(node, L"reachable", true);
        domain.bindError = NumberAttribute(node, L"bindError", 0);
        domain.crackError = NumberAttribute(node, L"crackError", 0);
        domain.adsError = static_cast<HRESULT>(NumberAttribute(node, L"adsError", 0));
        domain.nameTranslateInitError =
            static_cast<HRESULT>(NumberAttribute(node, L"nameTranslateInitError", 0));
        const std::size_t index = m_model.domains.size();
        m_model.domains.push_back(domain);
        const Place place{L"," + domain.dn, domain.dns};
        for (auto& child : Elements(node)) {
            const std::wstring name = NodeName(child.get());
            SimDomain& stored = m_model.domains[index];
            if (name == L"DomainController") {
                SimDomainController dc;
                dc.name = AttributeOr(child.get(), L"name", L"");
                dc.dnsName = AttributeOr(child.get(), L"dns", L"");
                if (dc.dnsName.empty()) {
                    dc.dnsName = dc.name + L"." + stored.dns;
                }
                dc.reportedAs = AttributeOr(child.get(), L"reportedAs", L"");
                stored.controllers.push_back(dc);
            } else if (name == L"Crack") {
                SimCrackScript script;
                script.name = AttributeOr(child.get(), L"name", L"");
                script.status = NumberAttribute(child.get(), L"status", 0);
                script.domain = AttributeOr(child.get(), L"domain", L"");
                script.result = AttributeOr(child.get(), L"result", L"");
                stored.crackScripts.push_back(script);
            } else if (name == L"Policy") {
                ReadPolicy(child.get(), index);
            } else if (name == L"PolicyContainer") {
                AddPolicyContainers(index);
            } else {
                ReadTreeNode(child.get(), name, index, place);
            }
        }
    }

    // CN=Program Data, CN=Harrowgate and CN=Vexa Policy Manager under the
    // domain: where the policy object lives or can be created.
    void AddPolicyContainers(std::size_t domain) {
        if (!m_policyContainers.insert(domain).second) {
            return;
        }
        std::wstring dn = m_model.domains[domain].dn;
        std::wstring canonical = m_model.domains[domain].dns;
        for (const wchar_t* name : {L"Program Data", L"Harrowgate", L"Vexa Policy Manager"}) {
            SimDirectoryObject container;
            container.kind = SimDirectoryObject::Kind::Container;
            container.domain = domain;
            container.cn = name;
            dn = L"CN=" + container.cn + L"," + dn;
            canonical += L"/" + container.cn;
            container.dn = dn;
            container.canonical = canonical;
            container.pwdLastSet = SimDirectoryObject::PasswordLastSet::Absent;
            m_model.objects.push_back(container);
        }
    }

    void ReadPolicy(IXMLDOMNode* node, std::size_t domain) {
        AddPolicyContainers(domain);
        SimDirectoryObject object;
        object.kind = SimDirectoryObject::Kind::PolicyObject;
        object.domain = domain;
        object.cn = L"HwgPasswordPolicy";
        object.dn = L"CN=HwgPasswordPolicy,CN=Vexa Policy Manager,CN=Harrowgate,CN=Program Data," +
                    m_model.domains[domain].dn;
        object.canonical = m_model.domains[domain].dns +
                           L"/Program Data/Harrowgate/Vexa Policy Manager/HwgPasswordPolicy";
        object.pwdLastSet = SimDirectoryObject::PasswordLastSet::Absent;
        const std::wstring encoding = AttributeOr(node, L"encoding", L"text");
        if (SimEqualNoCase(encoding, L"absent")) {
            object.hasPolicyValue = false;
        } else if (SimEqualNoCase(encoding, L"hex")) {
            object.hasPolicyValue = true;
            object.policyValue = HexBytes(NodeText(node));
        } else if (SimEqualNoCase(encoding, L"text")) {
            object.hasPolicyValue = true;
            object.policyValue = Utf8Bytes(NodeText(node));
        } else {
            throw FixtureError{L"unknown Policy encoding '" + encoding + L"'"};
        }
        for (auto& child : Elements(node)) {
            if (NodeName(child.get()) == L"Attr") {
                object.overrides.push_back(ReadAttr(child.get()));
            }
        }
        m_model.objects.push_back(object);
    }

    void ReadTreeNode(IXMLDOMNode* node, const std::wstring& element, std::size_t domain,
                      const Place& parent) {
        SimDirectoryObject object;
        object.domain = domain;
        std::wstring rdnType = L"CN";
        if (element == L"OU") {
            object.kind = SimDirectoryObject::Kind::OrganizationalUnit;
            object.cn = AttributeOr(node, L"name", L"");
            rdnType = L"OU";
        } else if (element == L"Container") {
            object.kind = SimDirectoryObject::Kind::Container;
            object.cn = AttributeOr(node, L"name", L"");
        } else if (element == L"User" || element == L"Group") {
            object.kind = element == L"User" ? SimDirectoryObject::Kind::User
                                             : SimDirectoryObject::Kind::Group;
            object.sam = AttributeOr(node, L"sam", L"");
            object.cn = AttributeOr(node, L"cn", object.sam.c_str());
            object.upn = AttributeOr(node, L"upn", L"");
            object.firstName = AttributeOr(node, L"first", L"");
            object.lastName = AttributeOr(node, L"last", L"");
            object.fullName = AttributeOr(node, L"full", L"");
            std::wstring text;
            if (Attribute(node, L"sid", text)) {
                object.sid = text;
            } else if (Attribute(node, L"rid", text)) {
                object.sid = m_model.domains[domain].sid + L"-" + text;
            }
            if (object.kind == SimDirectoryObject::Kind::User) {
                if (Attribute(node, L"pwdLastSet", text)) {
                    if (SimEqualNoCase(text, L"never")) {
                        object.pwdLastSet = SimDirectoryObject::PasswordLastSet::Never;
                    } else if (SimEqualNoCase(text, L"absent")) {
                        object.pwdLastSet = SimDirectoryObject::PasswordLastSet::Absent;
                    } else {
                        throw FixtureError{L"pwdLastSet must be never or absent: '" + text + L"'"};
                    }
                }
                if (Attribute(node, L"pwdLastSetMinutesAgo", text)) {
                    object.pwdLastSetSecondsAgo =
                        static_cast<LONGLONG>(Number(text, L"pwdLastSetMinutesAgo")) * 60;
                }
                if (Attribute(node, L"pwdLastSetSecondsAgo", text)) {
                    object.pwdLastSetSecondsAgo = SignedNumber(text, L"pwdLastSetSecondsAgo");
                }
            } else {
                object.pwdLastSet = SimDirectoryObject::PasswordLastSet::Absent;
            }
            if (object.sam.empty()) {
                throw FixtureError{element + L" without sam"};
            }
        } else {
            throw FixtureError{L"unknown element '" + element + L"' in a domain"};
        }
        if (object.cn.empty()) {
            throw FixtureError{element + L" without a name"};
        }
        object.getInfoError = static_cast<HRESULT>(NumberAttribute(node, L"getInfoError", 0));
        object.dn = rdnType + L"=" + EscapeDnValue(object.cn) + parent.dnSuffix;
        object.canonical = parent.canonical + L"/" + EscapeCanonical(object.cn);
        const Place here{L"," + object.dn, object.canonical};
        std::vector<std::pair<std::wstring, IXMLDOMNode*>> nested;
        auto children = Elements(node);
        for (auto& child : children) {
            const std::wstring name = NodeName(child.get());
            if (name == L"MemberOf") {
                object.memberOfRefs.push_back(NodeText(child.get()));
            } else if (name == L"Attr") {
                object.overrides.push_back(ReadAttr(child.get()));
            } else {
                nested.emplace_back(name, child.get());
            }
        }
        m_model.objects.push_back(object);
        for (auto& [name, child] : nested) {
            ReadTreeNode(child, name, domain, here);
        }
    }

    void ResolveMemberships() {
        for (SimDirectoryObject& object : m_model.objects) {
            for (const std::wstring& ref : object.memberOfRefs) {
                if (ref.find(L'=') != std::wstring::npos) {
                    object.memberOf.push_back(ref); // a distinguished name, taken as written
                    continue;
                }
                const SimDirectoryObject* group = m_model.FindByNt4(ref);
                if (group == nullptr || group->kind != SimDirectoryObject::Kind::Group) {
                    throw FixtureError{L"MemberOf names no group of the fixture: '" + ref + L"'"};
                }
                object.memberOf.push_back(group->dn);
            }
        }
        const int joined = m_model.JoinedDomain();
        if (m_model.computer.joinStatus == 3 && joined < 0) {
            throw FixtureError{L"Computer joinedTo names no domain of the fixture"};
        }
    }

    std::set<std::size_t> m_policyContainers;
    SimDomainModel& m_model;
};

bool ReadDocument(IXMLDOMDocument* document, SimDomainModel& model, std::wstring& error) {
    ComRef<IXMLDOMElement> root;
    if (document->get_documentElement(root.put()) != S_OK || root.get() == nullptr) {
        error = L"the fixture has no root element";
        return false;
    }
    try {
        SimDomainModel fresh;
        TreeReader(fresh).Read(root.get());
        model = std::move(fresh);
        return true;
    } catch (const FixtureError& e) {
        error = e.text;
    } catch (const std::exception&) {
        error = L"out of memory reading the fixture";
    }
    return false;
}

enum class Source { File, Text };

bool ReadFixture(Source source, const wchar_t* input, SimDomainModel& model, std::wstring& error) {
    const HRESULT init = CoInitialize(nullptr);
    bool ok = false;
    {
        ComRef<IXMLDOMDocument> document;
        HRESULT hr =
            CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                             reinterpret_cast<void**>(document.put()));
        if (FAILED(hr)) {
            error = L"MSXML is not available";
        } else {
            document->put_async(VARIANT_FALSE);
            VARIANT_BOOL loaded = VARIANT_FALSE;
            if (source == Source::File) {
                VARIANT path;
                VariantInit(&path);
                path.vt = VT_BSTR;
                path.bstrVal = SysAllocString(input);
                hr = document->load(path, &loaded);
                VariantClear(&path);
            } else {
                Bstr text(input);
                hr = document->loadXML(text.get(), &loaded);
            }
            if (hr != S_OK || loaded != VARIANT_TRUE) {
                error = source == Source::File
                            ? std::wstring(L"cannot load fixture '") + input + L"' as XML"
                            : std::wstring(L"fixture text is not XML");
            } else {
                ok = ReadDocument(document.get(), model, error);
            }
        }
    }
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return ok;
}

} // namespace

bool ReadSimFixtureFile(const wchar_t* path, SimDomainModel& model, std::wstring& error) {
    return ReadFixture(Source::File, path, model, error);
}

bool ReadSimFixtureText(const wchar_t* xml, SimDomainModel& model, std::wstring& error) {
    return ReadFixture(Source::Text, xml, model, error);
}
