// Shared plumbing of the simulated directory's COM objects: reference
// counting, the IDispatch members that nothing calls (E_NOTIMPL), and the
// live-object count that tests use to prove every object was released.
#pragma once

#include "sim/domain/SimDomainState.h"

#include <oaidl.h>

#include <initializer_list>

template <typename Interface>
class SimDispatchObject : public Interface {
public:
    SimDispatchObject(const SimDispatchObject&) = delete;
    SimDispatchObject& operator=(const SimDispatchObject&) = delete;

    ULONG WINAPI AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG WINAPI Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) {
            delete this;
        }
        return static_cast<ULONG>(refs);
    }
    HRESULT WINAPI GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT WINAPI GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                          UINT*) override {
        return E_NOTIMPL;
    }

protected:
    SimDispatchObject() { SimDomainState::Instance().ObjectCreated(); }
    virtual ~SimDispatchObject() { SimDomainState::Instance().ObjectDestroyed(); }

    // QueryInterface for the interfaces that this object offers, all of which
    // are reached through the one vtable of Interface.
    HRESULT QueryFor(REFIID riid, void** object, std::initializer_list<const IID*> offered) {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<Interface*>(this);
        }
        for (const IID* iid : offered) {
            if (IsEqualIID(riid, *iid)) {
                *object = static_cast<Interface*>(this);
            }
        }
        if (*object == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

private:
    volatile LONG m_refs = 1;
};
