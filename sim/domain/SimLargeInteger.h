// The IADsLargeInteger object that the simulated directory hands out as the
// value of 64-bit attributes such as "pwdLastSet".
#pragma once

#include "sim/domain/SimDispatchObject.h"

#include <iads.h>

class SimLargeInteger : public SimDispatchObject<IADsLargeInteger> {
public:
    explicit SimLargeInteger(LONGLONG value) : m_value(value) {}

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
        return QueryFor(riid, object, {&IID_IADsLargeInteger});
    }
    HRESULT WINAPI get_HighPart(__LONG32* value) override;
    HRESULT WINAPI put_HighPart(__LONG32) override { return E_NOTIMPL; }
    HRESULT WINAPI get_LowPart(__LONG32* value) override;
    HRESULT WINAPI put_LowPart(__LONG32) override { return E_NOTIMPL; }

private:
    LONGLONG m_value;
};
