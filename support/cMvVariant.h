// Owner of one VARIANT: VariantClear on destruction and before every reuse,
// so BSTRs, arrays and interfaces held by a property value are released on
// every path.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace resetra {

class cMvVariant {
public:
    cMvVariant() noexcept { VariantInit(&m_value); }
    explicit cMvVariant(const wchar_t* text);  // VT_BSTR
    explicit cMvVariant(long number) noexcept; // VT_I4
    cMvVariant(const cMvVariant& other);
    cMvVariant& operator=(const cMvVariant& other);
    ~cMvVariant();

    void Clear() noexcept;
    [[nodiscard]] VARIANT* get() noexcept { return &m_value; }
    [[nodiscard]] const VARIANT* get() const noexcept { return &m_value; }
    // Clears and hands out the VARIANT as an out parameter.
    [[nodiscard]] VARIANT* put() noexcept;
    [[nodiscard]] VARTYPE Type() const noexcept { return m_value.vt; }
    VARIANT* operator&() = delete;

    // Converts in place (VariantChangeType); raises _com_error on failure.
    void ChangeType(VARTYPE type);

private:
    VARIANT m_value;
};

} // namespace resetra
