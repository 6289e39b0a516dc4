// A container of the simulated domain bound as IADsContainer: it makes the
// domain's policy object with Create, the way an administration tool adds
// it; the object exists once its SetInfo has run. Nothing else is offered.
#pragma once

#include "sim/domain/SimDispatchObject.h"
#include "sim/domain/SimDomainModel.h"

#include <iads.h>

#include <memory>
#include <string>

class SimAdsContainer : public SimDispatchObject<IADsContainer> {
public:
    SimAdsContainer(std::shared_ptr<const SimDomainModel> model, const SimDirectoryObject& object,
                    std::wstring path);

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;

    HRESULT WINAPI Create(BSTR className, BSTR relativeName, IDispatch** created) override;

    HRESULT WINAPI get_Count(__LONG32*) override { return E_NOTIMPL; }
    HRESULT WINAPI get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT WINAPI get_Filter(VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI put_Filter(VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI get_Hints(VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI put_Hints(VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI GetObject(BSTR, BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT WINAPI Delete(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT WINAPI CopyHere(BSTR, BSTR, IDispatch**) override { return E_NOTIMPL; }
    HRESULT WINAPI MoveHere(BSTR, BSTR, IDispatch**) override { return E_NOTIMPL; }

private:
    std::shared_ptr<const SimDomainModel> m_model;
    const SimDirectoryObject& m_object;
    std::wstring m_path;
};
