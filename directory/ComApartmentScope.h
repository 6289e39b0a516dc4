// Initialises COM for the calling thread for one scope and uninitialises it
// again only when the initialisation succeeded, so a thread that already
// lives in a single-threaded apartment keeps it.
#pragma once

#include <objbase.h>

class ComApartmentScope {
public:
    ComApartmentScope() noexcept : m_result(CoInitialize(nullptr)) {}
    ~ComApartmentScope() {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    ComApartmentScope(const ComApartmentScope&) = delete;
    ComApartmentScope& operator=(const ComApartmentScope&) = delete;

private:
    HRESULT m_result;
};
