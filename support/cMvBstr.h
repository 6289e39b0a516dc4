// Owner of one BSTR: SysFreeString on destruction and reassignment. A
// string that cannot be allocated raises _com_error with E_OUTOFMEMORY.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace resetra {

class cMvBstr {
public:
    cMvBstr() noexcept = default;
    explicit cMvBstr(const wchar_t* text);
    explicit cMvBstr(const std::wstring& text);
    cMvBstr(const cMvBstr& other);
    cMvBstr(cMvBstr&& other) noexcept;
    cMvBstr& operator=(const cMvBstr& other);
    cMvBstr& operator=(cMvBstr&& other) noexcept;
    ~cMvBstr();

    // Takes over a BSTR that the caller owns (for example from a property get).
    [[nodiscard]] static cMvBstr Attach(BSTR value) noexcept;
    [[nodiscard]] BSTR Detach() noexcept;
    void reset() noexcept;

    [[nodiscard]] BSTR get() const noexcept { return m_value; }
    [[nodiscard]] BSTR* put() noexcept;
    // Never null: an absent BSTR reads as L"".
    [[nodiscard]] const wchar_t* c_str() const noexcept { return m_value ? m_value : L""; }
    [[nodiscard]] size_t length() const noexcept { return m_value ? SysStringLen(m_value) : 0; }
    // The whole string, embedded NULs included, without a copy.
    [[nodiscard]] std::wstring_view view() const noexcept { return {c_str(), length()}; }

private:
    BSTR m_value = nullptr;
};

} // namespace resetra
