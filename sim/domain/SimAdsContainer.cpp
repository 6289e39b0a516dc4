// Create of the simulated containers: only the policy object, of the class
// that carries "msDS-ByteArray", in the "Vexa Policy Manager" container;
// other classes and names are refused as the schema would refuse them.
#include "sim/domain/SimAdsContainer.h"

#include "sim/domain/SimAdsObject.h"

#include <adserr.h>

SimAdsContainer::SimAdsContainer(std::shared_ptr<const SimDomainModel> model,
                                 const SimDirectoryObject& object, std::wstring path)
    : m_model(std::move(model)), m_object(object), m_path(std::move(path)) {}

HRESULT WINAPI SimAdsContainer::QueryInterface(REFIID riid, void** object) {
    return QueryFor(riid, object, {&IID_IADsContainer});
}

HRESULT WINAPI SimAdsContainer::Create(BSTR className, BSTR relativeName, IDispatch** created) {
    if (className == nullptr || relativeName == nullptr || created == nullptr) {
        return E_POINTER;
    }
    *created = nullptr;
    SimDomainState::Instance().Answer(L"IADsContainer::Create", false,
                                      std::wstring(className) + L" " + relativeName + L" " +
                                          m_object.dn);
    if (!SimEqualNoCase(className, L"msDS-App-Configuration")) {
        return HRESULT_FROM_WIN32(ERROR_DS_OBJ_CLASS_VIOLATION);
    }
    if (!SimEqualNoCase(relativeName, L"CN=HwgPasswordPolicy") ||
        !SimEqualNoCase(m_object.cn, L"Vexa Policy Manager")) {
        return HRESULT_FROM_WIN32(ERROR_DS_NAMING_VIOLATION);
    }
    auto object = std::make_shared<SimDirectoryObject>();
    object->kind = SimDirectoryObject::Kind::PolicyObject;
    object->domain = m_object.domain;
    object->cn = L"HwgPasswordPolicy";
    object->dn = std::wstring(relativeName) + L"," + m_object.dn;
    object->canonical = m_object.canonical + L"/HwgPasswordPolicy";
    object->pwdLastSet = SimDirectoryObject::PasswordLastSet::Absent;
    const std::wstring path = L"LDAP://" + object->dn;
    auto* ads = new SimAdsObject(m_model, std::shared_ptr<const SimDirectoryObject>(object), path);
    const HRESULT hr = ads->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(created));
    ads->Release();
    return hr;
}
