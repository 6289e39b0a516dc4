// VARIANT owner of the COM support.
#include "support/cMvVariant.h"
#include "support/_com_error.h"

#include <cwchar>

namespace resetra {

cMvVariant::cMvVariant(const wchar_t* text) {
    VariantInit(&m_value);
    BSTR value = SysAllocString(text ? text : L"");
    if (!value) {
        ThrowComError(E_OUTOFMEMORY);
    }
    m_value.vt = VT_BSTR;
    m_value.bstrVal = value;
}

cMvVariant::cMvVariant(long number) noexcept {
    VariantInit(&m_value);
    m_value.vt = VT_I4;
    m_value.lVal = number;
}

cMvVariant::cMvVariant(const cMvVariant& other) {
    VariantInit(&m_value);
    ThrowIfFailed(VariantCopy(&m_value, const_cast<VARIANT*>(&other.m_value)));
}

cMvVariant& cMvVariant::operator=(const cMvVariant& other) {
    if (this != &other) {
        Clear();
        ThrowIfFailed(VariantCopy(&m_value, const_cast<VARIANT*>(&other.m_value)));
    }
    return *this;
}

cMvVariant::~cMvVariant() {
    Clear();
}

void cMvVariant::Clear() noexcept {
    VariantClear(&m_value);
    VariantInit(&m_value);
}

VARIANT* cMvVariant::put() noexcept {
    Clear();
    return &m_value;
}

void cMvVariant::ChangeType(VARTYPE type) {
    ThrowIfFailed(VariantChangeType(&m_value, &m_value, 0, type));
}

} // namespace resetra
