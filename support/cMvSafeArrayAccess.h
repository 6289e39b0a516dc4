// Scoped access to the data of a SAFEARRAY: SafeArrayAccessData on
// construction, SafeArrayUnaccessData on every way out, so an exception
// between the two never leaves the array locked.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace resetra {

class cMvSafeArrayAccess {
public:
    // Raises _com_error when the array is missing or cannot be accessed.
    explicit cMvSafeArrayAccess(SAFEARRAY* array);
    cMvSafeArrayAccess(const cMvSafeArrayAccess&) = delete;
    cMvSafeArrayAccess& operator=(const cMvSafeArrayAccess&) = delete;
    ~cMvSafeArrayAccess();

    [[nodiscard]] void* Data() const noexcept { return m_data; }
    // Number of elements of a one-dimensional array (upper - lower + 1).
    [[nodiscard]] ULONG Count() const noexcept { return m_count; }
    [[nodiscard]] UINT ElementSize() const noexcept { return SafeArrayGetElemsize(m_array); }

private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
    ULONG m_count = 0;
};

} // namespace resetra
