// Scoped SAFEARRAY data access of the COM support.
#include "support/cMvSafeArrayAccess.h"
#include "support/_com_error.h"

namespace resetra {

cMvSafeArrayAccess::cMvSafeArrayAccess(SAFEARRAY* array) : m_array(array) {
    if (!array) {
        ThrowComError(E_POINTER);
    }
    LONG lower = 0;
    LONG upper = -1;
    if (SafeArrayGetDim(array) >= 1) {
        ThrowIfFailed(SafeArrayGetLBound(array, 1, &lower));
        ThrowIfFailed(SafeArrayGetUBound(array, 1, &upper));
    }
    ThrowIfFailed(SafeArrayAccessData(array, &m_data));
    m_count = upper >= lower ? static_cast<ULONG>(upper - lower + 1) : 0;
}

cMvSafeArrayAccess::~cMvSafeArrayAccess() {
    SafeArrayUnaccessData(m_array);
}

} // namespace resetra
