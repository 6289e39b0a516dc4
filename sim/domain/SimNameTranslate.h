// The name-translation object (IADsNameTranslate) of the simulated domain,
// which CoCreateInstance hands out for the name-translation class.
#pragma once

#include "sim/domain/SimDispatchObject.h"

#include <iads.h>

#include <memory>

class SimNameTranslate : public SimDispatchObject<IADsNameTranslate> {
public:
    SimNameTranslate();

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
        return QueryFor(riid, object, {&IID_IADsNameTranslate});
    }
    HRESULT WINAPI put_ChaseReferral(__LONG32) override { return S_OK; }
    HRESULT WINAPI Init(__LONG32 type, BSTR path) override;
    HRESULT WINAPI InitEx(__LONG32 type, BSTR path, BSTR, BSTR, BSTR) override {
        return Init(type, path);
    }
    HRESULT WINAPI Set(__LONG32 type, BSTR name) override;
    HRESULT WINAPI Get(__LONG32 type, BSTR* name) override;
    HRESULT WINAPI SetEx(__LONG32, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI GetEx(__LONG32, VARIANT*) override { return E_NOTIMPL; }

private:
    std::shared_ptr<const SimDomainModel> m_model;
    bool m_initialized = false;
    const SimDirectoryObject* m_object = nullptr;
};
