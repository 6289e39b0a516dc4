// Wiping wide string for secrets; see the header for why it exists.
#include "support/cMvSecureString.h"

#include <cwchar>
#include <new>
#include <utility>

namespace resetra {

cMvSecureString::cMvSecureString(const wchar_t* text) {
    Assign(text);
}

cMvSecureString::cMvSecureString(const wchar_t* text, size_t length) {
    Assign(text, length);
}

cMvSecureString::cMvSecureString(const cMvSecureString& other) {
    Assign(other.c_str(), other.size());
}

cMvSecureString::cMvSecureString(cMvSecureString&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

cMvSecureString& cMvSecureString::operator=(const cMvSecureString& other) {
    if (this != &other) {
        Assign(other.c_str(), other.size());
    }
    return *this;
}

cMvSecureString& cMvSecureString::operator=(cMvSecureString&& other) noexcept {
    if (this != &other) {
        Release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

cMvSecureString::~cMvSecureString() {
    Release();
}

void cMvSecureString::Release() noexcept {
    if (m_data) {
        SecureZeroMemory(m_data, (m_capacity + 1) * sizeof(wchar_t));
        delete[] m_data;
    }
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}

void cMvSecureString::Reserve(size_t capacity) {
    if (capacity <= m_capacity && m_data) {
        return;
    }
    wchar_t* fresh = new wchar_t[capacity + 1]();
    if (m_data) {
        wmemcpy(fresh, m_data, m_size);
    }
    const size_t size = m_size;
    Release(); // wipes the old buffer before it goes back to the heap
    m_data = fresh;
    m_size = size;
    m_capacity = capacity;
}

void cMvSecureString::Resize(size_t size) {
    Reserve(size);
    if (size < m_size) {
        SecureZeroMemory(m_data + size, (m_size - size) * sizeof(wchar_t));
    }
    m_size = size;
    m_data[m_size] = L'\0';
}

void cMvSecureString::Assign(const wchar_t* text, size_t length) {
    if (text == nullptr || length == 0) {
        Clear();
        return;
    }
    // The source may live inside our own buffer.
    cMvSecureString copy;
    copy.Reserve(length);
    wmemcpy(copy.m_data, text, length);
    copy.m_size = length;
    *this = std::move(copy);
}

void cMvSecureString::Assign(const wchar_t* text) {
    Assign(text, text ? wcslen(text) : 0);
}

void cMvSecureString::Append(const wchar_t* text, size_t length) {
    if (text == nullptr || length == 0) {
        return;
    }
    cMvSecureString joined;
    joined.Reserve(m_size + length);
    wmemcpy(joined.m_data, c_str(), m_size);
    wmemcpy(joined.m_data + m_size, text, length);
    joined.m_size = m_size + length;
    *this = std::move(joined);
}

void cMvSecureString::Clear() noexcept {
    if (m_data) {
        SecureZeroMemory(m_data, (m_capacity + 1) * sizeof(wchar_t));
    }
    m_size = 0;
}

bool operator==(const cMvSecureString& a, const cMvSecureString& b) noexcept {
    return a.m_size == b.m_size && wmemcmp(a.c_str(), b.c_str(), a.m_size) == 0;
}

} // namespace resetra
