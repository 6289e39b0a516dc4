// Name translation of the simulated domain: Init binds to a domain (or a
// domain controller, or the global catalog), Set finds the object in any
// domain of the fixture, Get writes its name in the wanted form. Failures
// carry the HRESULTs of the real object.
#include "sim/domain/SimNameTranslate.h"

#include "sim/domain/SimNameFormats.h"

namespace {
constexpr HRESULT kNoSuchDomain = HRESULT_FROM_WIN32(ERROR_NO_SUCH_DOMAIN);
constexpr HRESULT kServerDown = HRESULT_FROM_WIN32(ERROR_DS_SERVER_DOWN);
constexpr HRESULT kNameNotFound = HRESULT_FROM_WIN32(ERROR_DS_NAME_ERROR_NOT_FOUND);
constexpr HRESULT kNoMapping = HRESULT_FROM_WIN32(ERROR_DS_NAME_ERROR_NO_MAPPING);
} // namespace

SimNameTranslate::SimNameTranslate() : m_model(SimDomainState::Instance().Model()) {}

HRESULT WINAPI SimNameTranslate::Init(__LONG32 type, BSTR path) {
    SimDomainState::Instance().Answer(L"IADsNameTranslate::Init", true,
                                      path == nullptr ? L"(null)" : path);
    int domain = -1;
    switch (type) {
    case 1: // ADS_NAME_INITTYPE_DOMAIN
        domain = m_model->FindDomain(path);
        break;
    case 2: // ADS_NAME_INITTYPE_SERVER
        domain = m_model->FindDomainOfController(path);
        break;
    case 3: // ADS_NAME_INITTYPE_GC
        domain = m_model->JoinedDomain();
        break;
    default:
        return E_INVALIDARG;
    }
    if (domain < 0) {
        return kNoSuchDomain;
    }
    const SimDomain& bound = m_model->domains[static_cast<std::size_t>(domain)];
    if (!bound.reachable) {
        return kServerDown;
    }
    if (FAILED(bound.nameTranslateInitError)) {
        return bound.nameTranslateInitError;
    }
    m_initialized = true;
    return S_OK;
}

HRESULT WINAPI SimNameTranslate::Set(__LONG32 type, BSTR name) {
    SimDomainState::Instance().Answer(L"IADsNameTranslate::Set", true,
                                      name == nullptr ? L"(null)" : name);
    if (!m_initialized) {
        return E_UNEXPECTED;
    }
    const DWORD format = SimDsFormatOfAdsNameType(type);
    if (name == nullptr || format == 0xFFFFFFFFu) {
        return E_INVALIDARG;
    }
    m_object = SimFindByDsFormat(*m_model, format, name);
    return m_object == nullptr ? kNameNotFound : S_OK;
}

HRESULT WINAPI SimNameTranslate::Get(__LONG32 type, BSTR* name) {
    if (name == nullptr) {
        return E_POINTER;
    }
    SimDomainState::Instance().Answer(L"IADsNameTranslate::Get", true);
    if (m_object == nullptr) {
        return E_UNEXPECTED;
    }
    const DWORD format = SimDsFormatOfAdsNameType(type);
    std::wstring text;
    if (format == 0xFFFFFFFFu || !SimFormatName(*m_model, *m_object, format, text)) {
        return kNoMapping;
    }
    *name = SysAllocString(text.c_str());
    return *name == nullptr ? E_OUTOFMEMORY : S_OK;
}
