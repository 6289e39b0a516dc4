// Wide string for passwords and other secrets. Every buffer it lets go of,
// on destruction, on clearing and on each reallocation, is wiped with
// SecureZeroMemory first, so no copy of a password lingers in freed heap.
// It never uses a small-string buffer inside the object, which could not be
// wiped reliably after a move.
#pragma once

#include <windows.h>

#include <cstddef>

namespace resetra {

class cMvSecureString {
public:
    cMvSecureString() noexcept = default;
    explicit cMvSecureString(const wchar_t* text);
    cMvSecureString(const wchar_t* text, size_t length);
    cMvSecureString(const cMvSecureString& other);
    cMvSecureString(cMvSecureString&& other) noexcept;
    cMvSecureString& operator=(const cMvSecureString& other);
    cMvSecureString& operator=(cMvSecureString&& other) noexcept;
    ~cMvSecureString();

    void Assign(const wchar_t* text, size_t length);
    void Assign(const wchar_t* text);
    void Append(const wchar_t* text, size_t length);
    void Append(wchar_t ch) { Append(&ch, 1); }
    void Clear() noexcept;

    // Always NUL-terminated; an empty string gives L"".
    [[nodiscard]] const wchar_t* c_str() const noexcept { return m_data ? m_data : L""; }
    [[nodiscard]] size_t size() const noexcept { return m_size; }
    [[nodiscard]] bool empty() const noexcept { return m_size == 0; }
    // Writable buffer of capacity() + 1 characters, e.g. for GetWindowTextW;
    // call Resize afterwards with the number of characters written.
    [[nodiscard]] wchar_t* data() noexcept { return m_data; }
    [[nodiscard]] size_t capacity() const noexcept { return m_capacity; }
    void Reserve(size_t capacity);
    void Resize(size_t size);

    friend bool operator==(const cMvSecureString& a, const cMvSecureString& b) noexcept;

private:
    void Release() noexcept;

    wchar_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0; // characters, terminator not counted
};

} // namespace resetra
