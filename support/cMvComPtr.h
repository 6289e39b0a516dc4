// Owner of one COM interface pointer: Release on destruction and reset,
// AddRef on copy. Calling through an empty pointer raises _com_error with
// E_POINTER instead of crashing inside Winlogon.
#pragma once

#include "support/_com_error.h"

#include <objbase.h>

#include <utility>

namespace resetra {

template <typename T>
class cMvComPtr {
public:
    cMvComPtr() noexcept = default;
    // Takes over a reference that the caller already holds.
    explicit cMvComPtr(T* pointer) noexcept : m_pointer(pointer) {}
    cMvComPtr(const cMvComPtr& other) noexcept : m_pointer(other.m_pointer) {
        if (m_pointer) {
            m_pointer->AddRef();
        }
    }
    cMvComPtr(cMvComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    cMvComPtr& operator=(cMvComPtr other) noexcept {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }
    ~cMvComPtr() { reset(); }

    void reset() noexcept {
        if (T* old = std::exchange(m_pointer, nullptr)) {
            old->Release();
        }
    }
    [[nodiscard]] T* get() const noexcept { return m_pointer; }
    [[nodiscard]] T* detach() noexcept { return std::exchange(m_pointer, nullptr); }
    explicit operator bool() const noexcept { return m_pointer != nullptr; }

    // Out parameter of QueryInterface, CoCreateInstance and friends.
    [[nodiscard]] T** put() noexcept {
        reset();
        return &m_pointer;
    }
    [[nodiscard]] void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    T* operator->() const {
        if (!m_pointer) {
            ThrowComError(E_POINTER);
        }
        return m_pointer;
    }

    // QueryInterface into another owner; returns the HRESULT.
    template <typename U>
    [[nodiscard]] HRESULT As(cMvComPtr<U>& target) const noexcept {
        if (!m_pointer) {
            target.reset();
            return E_POINTER;
        }
        return m_pointer->QueryInterface(__uuidof(U), target.put_void());
    }

private:
    T* m_pointer = nullptr;
};

} // namespace resetra
