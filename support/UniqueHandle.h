// One small owner template for every kind of Windows handle and system
// allocation the library obtains, with a one-line alias per kind. Closing
// preserves GetLastError(), so a release on the way out never hides the
// error that is being reported.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class unique_any {
public:
    using pointer = typename Traits::pointer;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : m_value(value) {}
    ~unique_any() { reset(); }
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;

    [[nodiscard]] pointer get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return Traits::IsValid(m_value); }

    // Releases the held value (if any) and takes ownership of `value`.
    void reset(pointer value = Traits::Invalid()) noexcept {
        if (Traits::IsValid(m_value)) {
            const DWORD lastError = GetLastError();
            Traits::Close(m_value);
            SetLastError(lastError);
        }
        m_value = value;
    }
    [[nodiscard]] pointer release() noexcept { return std::exchange(m_value, Traits::Invalid()); }

    // For functions that return a handle through an out parameter.
    [[nodiscard]] pointer* put() noexcept {
        reset();
        return &m_value;
    }

private:
    pointer m_value = Traits::Invalid();
};

template <typename T, void (*CloseFn)(T)>
struct null_handle_traits {
    using pointer = T;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer value) noexcept { return value != nullptr; }
    static void Close(pointer value) noexcept { CloseFn(value); }
};

namespace unique_any_detail {
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseRegistryKey(HKEY h) { ::RegCloseKey(h); }
inline void ReleaseModuleHandle(HMODULE h) { ::FreeLibrary(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void DestroyWindowHandle(HWND h) { ::DestroyWindow(h); }
inline void CloseDesktopHandle(HDESK h) { ::CloseDesktop(h); }
inline void FreeLocalMemory(void* p) { ::LocalFree(p); }
} // namespace unique_any_detail

struct file_handle_traits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(pointer value) noexcept {
        return value != INVALID_HANDLE_VALUE && value != nullptr;
    }
    static void Close(pointer value) noexcept { ::CloseHandle(value); }
};

// Kernel objects that signal failure with null (processes, threads, events).
using unique_handle = unique_any<null_handle_traits<HANDLE, unique_any_detail::CloseKernelHandle>>;
// Files, which signal failure with INVALID_HANDLE_VALUE.
using unique_kernel_file = unique_any<file_handle_traits>;
using unique_hkey = unique_any<null_handle_traits<HKEY, unique_any_detail::CloseRegistryKey>>;
using unique_hmodule = unique_any<null_handle_traits<HMODULE, unique_any_detail::ReleaseModuleHandle>>;
using unique_hicon = unique_any<null_handle_traits<HICON, unique_any_detail::DestroyIconHandle>>;
using unique_hwnd = unique_any<null_handle_traits<HWND, unique_any_detail::DestroyWindowHandle>>;
using unique_hdesk = unique_any<null_handle_traits<HDESK, unique_any_detail::CloseDesktopHandle>>;
using unique_hlocal = unique_any<null_handle_traits<void*, unique_any_detail::FreeLocalMemory>>;
