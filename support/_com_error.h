// The exception that our COM support raises when an interface call or a
// conversion fails (E_POINTER for a missing interface, E_OUTOFMEMORY when a
// string cannot be converted). mingw-w64 has no comsupp library, and its
// <comdef.h> declares a global _com_error of its own, so ours lives in the
// resetra namespace and those headers are never included.
#pragma once

#include <windows.h>

#include <exception>

namespace resetra {

class _com_error : public std::exception {
public:
    explicit _com_error(HRESULT hr) noexcept : m_hr(hr) {}
    [[nodiscard]] HRESULT Error() const noexcept { return m_hr; }
    [[nodiscard]] const char* what() const noexcept override;

private:
    HRESULT m_hr;
};

// Raises _com_error for a failed HRESULT; returns it unchanged otherwise.
HRESULT ThrowIfFailed(HRESULT hr);
[[noreturn]] void ThrowComError(HRESULT hr);

} // namespace resetra
