// Exception type of the COM support wrappers.
#include "support/_com_error.h"

namespace resetra {

const char* _com_error::what() const noexcept {
    return "COM call failed";
}

HRESULT ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) {
        throw _com_error(hr);
    }
    return hr;
}

void ThrowComError(HRESULT hr) {
    throw _com_error(hr);
}

} // namespace resetra
