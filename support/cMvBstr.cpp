// BSTR owner of the COM support.
#include "support/cMvBstr.h"
#include "support/_com_error.h"

#include <utility>

namespace resetra {

namespace {
BSTR Allocate(const wchar_t* text, size_t length) {
    if (length > 0x7FFFFFFF) {
        ThrowComError(E_OUTOFMEMORY);
    }
    BSTR value = SysAllocStringLen(text, static_cast<UINT>(length));
    if (!value) {
        ThrowComError(E_OUTOFMEMORY);
    }
    return value;
}
} // namespace

cMvBstr::cMvBstr(const wchar_t* text) {
    if (text) {
        m_value = Allocate(text, wcslen(text));
    }
}

cMvBstr::cMvBstr(const std::wstring& text) : m_value(Allocate(text.c_str(), text.size())) {}

cMvBstr::cMvBstr(const cMvBstr& other) {
    if (other.m_value) {
        m_value = Allocate(other.m_value, other.length());
    }
}

cMvBstr::cMvBstr(cMvBstr&& other) noexcept : m_value(std::exchange(other.m_value, nullptr)) {}

cMvBstr& cMvBstr::operator=(const cMvBstr& other) {
    if (this != &other) {
        cMvBstr copy(other);
        *this = std::move(copy);
    }
    return *this;
}

cMvBstr& cMvBstr::operator=(cMvBstr&& other) noexcept {
    if (this != &other) {
        reset();
        m_value = std::exchange(other.m_value, nullptr);
    }
    return *this;
}

cMvBstr::~cMvBstr() {
    reset();
}

cMvBstr cMvBstr::Attach(BSTR value) noexcept {
    cMvBstr result;
    result.m_value = value;
    return result;
}

BSTR cMvBstr::Detach() noexcept {
    return std::exchange(m_value, nullptr);
}

void cMvBstr::reset() noexcept {
    if (m_value) {
        SysFreeString(std::exchange(m_value, nullptr));
    }
}

BSTR* cMvBstr::put() noexcept {
    reset();
    return &m_value;
}

} // namespace resetra
