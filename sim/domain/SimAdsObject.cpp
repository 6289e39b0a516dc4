// Values of simulated directory objects. Byte values come as VT_ARRAY|VT_UI1,
// "memberOf" as one string or an array of strings, 64-bit values as an
// IADsLargeInteger object, a missing value as E_ADS_PROPERTY_NOT_FOUND; a
// fixture's Attr element overrides any of them, wrong types included.
#include "sim/domain/SimAdsObject.h"

#include "sim/domain/SimLargeInteger.h"

#include <adserr.h>
#include <sddl.h>

#include <cstring>
#include <vector>

namespace {

HRESULT BstrValue(const std::wstring& text, VARIANT* value) {
    value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (value->bstrVal == nullptr) {
        return E_OUTOFMEMORY;
    }
    value->vt = VT_BSTR;
    return S_OK;
}

HRESULT ByteArrayValue(const std::vector<BYTE>& bytes, VARIANT* value) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (array == nullptr) {
        return E_OUTOFMEMORY;
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        return E_FAIL;
    }
    if (!bytes.empty()) {
        std::memcpy(data, bytes.data(), bytes.size());
    }
    SafeArrayUnaccessData(array);
    value->vt = VT_ARRAY | VT_UI1;
    value->parray = array;
    return S_OK;
}

HRESULT StringArrayValue(const std::vector<std::wstring>& strings, VARIANT* value) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(strings.size()));
    if (array == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (LONG i = 0; i < static_cast<LONG>(strings.size()); ++i) {
        VARIANT element;
        VariantInit(&element);
        HRESULT hr = BstrValue(strings[static_cast<std::size_t>(i)], &element);
        if (SUCCEEDED(hr)) {
            hr = SafeArrayPutElement(array, &i, &element);
        }
        VariantClear(&element);
        if (FAILED(hr)) {
            SafeArrayDestroy(array);
            return hr;
        }
    }
    value->vt = VT_ARRAY | VT_VARIANT;
    value->parray = array;
    return S_OK;
}

HRESULT LargeIntegerValue(LONGLONG number, VARIANT* value) {
    value->vt = VT_DISPATCH;
    value->pdispVal = new SimLargeInteger(number);
    return S_OK;
}

HRESULT SidValue(const std::wstring& sidText, VARIANT* value) {
    PSID sid = nullptr;
    if (sidText.empty() || !ConvertStringSidToSidW(sidText.c_str(), &sid)) {
        return E_ADS_PROPERTY_NOT_FOUND;
    }
    const auto* first = static_cast<const BYTE*>(sid);
    std::vector<BYTE> bytes(first, first + GetLengthSid(sid));
    LocalFree(sid);
    return ByteArrayValue(bytes, value);
}

HRESULT OverrideValue(const SimAttributeValue& stored, VARIANT* value) {
    switch (stored.kind) {
    case SimAttributeValue::Kind::Bstr:
        return BstrValue(stored.text, value);
    case SimAttributeValue::Kind::Bytes:
        return ByteArrayValue(stored.bytes, value);
    case SimAttributeValue::Kind::Strings:
        return StringArrayValue(stored.strings, value);
    case SimAttributeValue::Kind::I4:
        value->vt = VT_I4;
        value->lVal = stored.i4;
        return S_OK;
    case SimAttributeValue::Kind::LargeInteger:
        return LargeIntegerValue(stored.largeInteger, value);
    case SimAttributeValue::Kind::Empty:
        value->vt = VT_EMPTY;
        return S_OK;
    case SimAttributeValue::Kind::Error:
        return stored.error;
    }
    return E_FAIL;
}

HRESULT TextOrMissing(const std::wstring& text, VARIANT* value) {
    return text.empty() ? E_ADS_PROPERTY_NOT_FOUND : BstrValue(text, value);
}

bool Is(const wchar_t* attribute, const wchar_t* name) {
    return SimEqualNoCase(attribute, name);
}

} // namespace

SimAdsObject::SimAdsObject(std::shared_ptr<const SimDomainModel> model,
                           const SimDirectoryObject& object, std::wstring path)
    : m_model(std::move(model)), m_object(object), m_path(std::move(path)) {}

SimAdsObject::SimAdsObject(std::shared_ptr<const SimDomainModel> model,
                           std::shared_ptr<const SimDirectoryObject> created, std::wstring path)
    : m_model(std::move(model)), m_created(std::move(created)), m_object(*m_created),
      m_path(std::move(path)), m_isNew(true) {}

HRESULT WINAPI SimAdsObject::Put(BSTR name, VARIANT value) {
    if (name == nullptr) {
        return E_POINTER;
    }
    SimDomainState::Instance().Answer(L"IADs::Put", false, std::wstring(name) + L" " + m_object.dn);
    // The simulation writes policy values only; the LDAP provider would
    // refuse other attributes of this class at SetInfo.
    if (m_object.kind != SimDirectoryObject::Kind::PolicyObject || !Is(name, L"msDS-ByteArray")) {
        return E_ADS_PROPERTY_NOT_SUPPORTED;
    }
    if (value.vt != (VT_ARRAY | VT_UI1) || value.parray == nullptr ||
        SafeArrayGetDim(value.parray) != 1) {
        return E_ADS_CANT_CONVERT_DATATYPE;
    }
    LONG lower = 0;
    LONG upper = -1;
    void* data = nullptr;
    if (FAILED(SafeArrayGetLBound(value.parray, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(value.parray, 1, &upper)) ||
        FAILED(SafeArrayAccessData(value.parray, &data))) {
        return E_ADS_CANT_CONVERT_DATATYPE;
    }
    const auto* first = static_cast<const BYTE*>(data);
    m_pendingValue.assign(first, first + (upper - lower + 1));
    (void)SafeArrayUnaccessData(value.parray);
    m_pending = true;
    return S_OK;
}

HRESULT WINAPI SimAdsObject::SetInfo() {
    SimDomainState& state = SimDomainState::Instance();
    state.Answer(L"IADs::SetInfo", true, m_object.dn);
    if (!m_pending && !m_isNew) {
        return S_OK;
    }
    SimDomainModel changed = *state.Model();
    const SimDirectoryObject* stored = changed.FindByDn(m_object.dn);
    if (m_isNew) {
        if (stored != nullptr) {
            return HRESULT_FROM_WIN32(ERROR_OBJECT_ALREADY_EXISTS);
        }
        // The container may have gone since Create; AD then refuses.
        const std::wstring parent = m_object.dn.substr(m_object.dn.find(L',') + 1);
        if (changed.FindByDn(parent) == nullptr) {
            return HRESULT_FROM_WIN32(ERROR_DS_NO_SUCH_OBJECT);
        }
        changed.objects.push_back(*m_created);
    } else if (stored == nullptr) {
        return HRESULT_FROM_WIN32(ERROR_DS_NO_SUCH_OBJECT);
    }
    for (SimDirectoryObject& object : changed.objects) {
        if (SimEqualNoCase(object.dn, m_object.dn)) {
            if (m_pending) {
                object.hasPolicyValue = true;
                object.policyValue = m_pendingValue;
                object.overrides.clear();
            }
        }
    }
    changed.IndexNames();
    state.CommitWrite(std::move(changed), m_pending ? &m_pendingValue : nullptr);
    m_isNew = false;
    m_pending = false;
    return S_OK;
}

HRESULT WINAPI SimAdsObject::QueryInterface(REFIID riid, void** object) {
    if (m_object.kind == SimDirectoryObject::Kind::User) {
        return QueryFor(riid, object, {&IID_IADs, &IID_IADsUser});
    }
    return QueryFor(riid, object, {&IID_IADs});
}

HRESULT WINAPI SimAdsObject::get_Name(BSTR* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    const std::wstring rdn =
        (m_object.kind == SimDirectoryObject::Kind::OrganizationalUnit ? L"OU=" : L"CN=") +
        m_object.cn;
    *value = SysAllocString(rdn.c_str());
    return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT WINAPI SimAdsObject::get_Class(BSTR* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    const wchar_t* name = L"container";
    switch (m_object.kind) {
    case SimDirectoryObject::Kind::User:
        name = L"user";
        break;
    case SimDirectoryObject::Kind::Group:
        name = L"group";
        break;
    case SimDirectoryObject::Kind::OrganizationalUnit:
        name = L"organizationalUnit";
        break;
    case SimDirectoryObject::Kind::PolicyObject:
        name = L"msDS-App-Configuration";
        break;
    case SimDirectoryObject::Kind::Container:
        break;
    }
    *value = SysAllocString(name);
    return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT WINAPI SimAdsObject::get_ADsPath(BSTR* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    *value = SysAllocString(m_path.c_str());
    return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT WINAPI SimAdsObject::GetInfo() {
    SimDomainState::Instance().Answer(L"IADs::GetInfo", true, m_object.dn);
    return m_object.getInfoError;
}

HRESULT WINAPI SimAdsObject::Get(BSTR name, VARIANT* value) {
    if (name == nullptr || value == nullptr) {
        return E_POINTER;
    }
    SimDomainState::Instance().Answer(L"IADs::Get", true, std::wstring(name) + L" " + m_object.dn);
    VariantInit(value);
    return MakeValue(name, value);
}

HRESULT SimAdsObject::MakeValue(const wchar_t* attribute, VARIANT* value) const {
    if (const SimAttributeValue* stored = m_object.FindOverride(attribute)) {
        return OverrideValue(*stored, value);
    }
    if (Is(attribute, L"objectSid")) {
        return SidValue(m_object.sid, value);
    }
    if (Is(attribute, L"memberOf")) {
        if (m_object.memberOf.empty()) {
            return E_ADS_PROPERTY_NOT_FOUND;
        }
        if (m_object.memberOf.size() == 1) {
            return BstrValue(m_object.memberOf.front(), value);
        }
        return StringArrayValue(m_object.memberOf, value);
    }
    if (Is(attribute, L"pwdLastSet")) {
        switch (m_object.pwdLastSet) {
        case SimDirectoryObject::PasswordLastSet::Absent:
            return E_ADS_PROPERTY_NOT_FOUND;
        case SimDirectoryObject::PasswordLastSet::Never:
            return LargeIntegerValue(0, value);
        case SimDirectoryObject::PasswordLastSet::MinutesAgo: {
            FILETIME now;
            GetSystemTimeAsFileTime(&now);
            const LONGLONG ticks = static_cast<LONGLONG>(
                (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
            return LargeIntegerValue(ticks - m_object.pwdLastSetSecondsAgo * 10000000LL, value);
        }
        }
    }
    if (Is(attribute, L"msDS-ByteArray")) {
        if (!m_object.hasPolicyValue) {
            return E_ADS_PROPERTY_NOT_FOUND;
        }
        return ByteArrayValue(m_object.policyValue, value);
    }
    if (Is(attribute, L"sAMAccountName")) {
        return TextOrMissing(m_object.sam, value);
    }
    if (Is(attribute, L"userPrincipalName")) {
        return TextOrMissing(m_object.upn, value);
    }
    if (Is(attribute, L"givenName")) {
        return TextOrMissing(m_object.firstName, value);
    }
    if (Is(attribute, L"sn")) {
        return TextOrMissing(m_object.lastName, value);
    }
    if (Is(attribute, L"displayName")) {
        return TextOrMissing(m_object.fullName, value);
    }
    if (Is(attribute, L"cn") || Is(attribute, L"name") || Is(attribute, L"ou")) {
        return TextOrMissing(m_object.cn, value);
    }
    if (Is(attribute, L"distinguishedName")) {
        return TextOrMissing(m_object.dn, value);
    }
    if (Is(attribute, L"canonicalName")) {
        return TextOrMissing(m_object.canonical, value);
    }
    return E_ADS_PROPERTY_NOT_FOUND;
}

HRESULT SimAdsObject::NameProperty(const wchar_t* function, const wchar_t* attribute,
                                   const std::wstring& stored, BSTR* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    SimDomainState::Instance().Answer(function, true, m_object.dn);
    *value = nullptr;
    if (const SimAttributeValue* override = m_object.FindOverride(attribute)) {
        if (override->kind == SimAttributeValue::Kind::Error) {
            return override->error;
        }
        if (override->kind != SimAttributeValue::Kind::Bstr) {
            return DISP_E_TYPEMISMATCH;
        }
        *value = SysAllocString(override->text.c_str());
        return *value == nullptr ? E_OUTOFMEMORY : S_OK;
    }
    if (stored.empty()) {
        return E_ADS_PROPERTY_NOT_FOUND;
    }
    *value = SysAllocString(stored.c_str());
    return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT WINAPI SimAdsObject::get_FullName(BSTR* value) {
    return NameProperty(L"IADsUser::get_FullName", L"displayName", m_object.fullName, value);
}

HRESULT WINAPI SimAdsObject::get_FirstName(BSTR* value) {
    return NameProperty(L"IADsUser::get_FirstName", L"givenName", m_object.firstName, value);
}

HRESULT WINAPI SimAdsObject::get_LastName(BSTR* value) {
    return NameProperty(L"IADsUser::get_LastName", L"sn", m_object.lastName, value);
}
