// A directory object of the simulated domain as ADsGetObject hands it out:
// IADs (Get, GetInfo) for every object, IADsUser (the name properties) for
// users, with the value shapes of the LDAP provider. A policy object also
// takes a new "msDS-ByteArray" value (Put, then SetInfo), and one made by a
// container's Create comes into being with its SetInfo.
#pragma once

#include "sim/domain/SimDispatchObject.h"

#include <iads.h>

#include <memory>
#include <string>
#include <vector>

class SimAdsObject : public SimDispatchObject<IADsUser> {
public:
    SimAdsObject(std::shared_ptr<const SimDomainModel> model, const SimDirectoryObject& object,
                 std::wstring path);
    // A policy object made by IADsContainer::Create, not yet in the directory.
    SimAdsObject(std::shared_ptr<const SimDomainModel> model,
                 std::shared_ptr<const SimDirectoryObject> created, std::wstring path);

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;

    HRESULT WINAPI get_Name(BSTR* value) override;
    HRESULT WINAPI get_Class(BSTR* value) override;
    HRESULT WINAPI get_GUID(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI get_ADsPath(BSTR* value) override;
    HRESULT WINAPI get_Parent(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI get_Schema(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetInfo() override;
    HRESULT WINAPI SetInfo() override;
    HRESULT WINAPI Get(BSTR name, VARIANT* value) override;
    HRESULT WINAPI Put(BSTR name, VARIANT value) override;
    HRESULT WINAPI GetEx(BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI PutEx(__LONG32, BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI GetInfoEx(VARIANT, __LONG32) override { return E_NOTIMPL; }

    HRESULT WINAPI get_FullName(BSTR* value) override;
    HRESULT WINAPI get_FirstName(BSTR* value) override;
    HRESULT WINAPI get_LastName(BSTR* value) override;

    // clang-format off
#include "sim/domain/SimAdsUserUnused.inc"
    // clang-format on

private:
    HRESULT NameProperty(const wchar_t* function, const wchar_t* attribute,
                         const std::wstring& stored, BSTR* value);
    HRESULT MakeValue(const wchar_t* attribute, VARIANT* value) const;

    std::shared_ptr<const SimDomainModel> m_model;
    std::shared_ptr<const SimDirectoryObject> m_created; // what Create made, if it did
    const SimDirectoryObject& m_object;
    std::wstring m_path;
    bool m_isNew = false;   // made by Create, not yet stored
    bool m_pending = false; // a policy value was Put and not yet SetInfo'd
    std::vector<BYTE> m_pendingValue;
};
