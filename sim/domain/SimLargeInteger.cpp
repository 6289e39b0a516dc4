// High and low halves of a simulated 64-bit directory value, as the LDAP
// provider splits them.
#include "sim/domain/SimLargeInteger.h"

HRESULT WINAPI SimLargeInteger::get_HighPart(__LONG32* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    SimDomainState::Instance().Answer(L"IADsLargeInteger::get_HighPart", false);
    *value = static_cast<__LONG32>(static_cast<ULONGLONG>(m_value) >> 32);
    return S_OK;
}

HRESULT WINAPI SimLargeInteger::get_LowPart(__LONG32* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    SimDomainState::Instance().Answer(L"IADsLargeInteger::get_LowPart", false);
    *value = static_cast<__LONG32>(static_cast<ULONGLONG>(m_value) & 0xFFFFFFFFu);
    return S_OK;
}
