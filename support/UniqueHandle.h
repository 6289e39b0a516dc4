// Owners for every kind of system handle the library obtains: one small
// template and a one-line alias per kind, so that no key, handle, module,
// window or system-allocated buffer is ever released by hand. Releasing
// keeps GetLastError() intact, so an owner going out of scope on an error
// path never hides the code that is being reported.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <iads.h>
#include <ntdsapi.h>
#include <lm.h>
#include <adshlp.h>

#include <utility>

namespace resetra {

// Traits: Type (the stored value), Invalid() and Close(value).
template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type value) noexcept : m_value(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_value(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    [[nodiscard]] Type get() const noexcept { return m_value; }
    [[nodiscard]] bool valid() const noexcept { return m_value != Traits::Invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives up ownership without closing.
    [[nodiscard]] Type release() noexcept { return std::exchange(m_value, Traits::Invalid()); }

    void reset(Type value = Traits::Invalid()) noexcept {
        Type old = std::exchange(m_value, value);
        if (old != Traits::Invalid()) {
            const DWORD lastError = ::GetLastError();
            Traits::Close(old);
            ::SetLastError(lastError);
        }
    }

    // For out parameters of the API: closes what is held and hands out the slot.
    [[nodiscard]] Type* put() noexcept {
        reset();
        return &m_value;
    }

private:
    Type m_value = Traits::Invalid();
};

namespace handle_traits {

struct RegistryKey {
    using Type = HKEY;
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY key) noexcept { ::RegCloseKey(key); }
};

struct KernelHandle {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};

// CreateFileW reports failure with INVALID_HANDLE_VALUE instead of null.
struct FileHandle {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};

struct Module {
    using Type = HMODULE;
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE module) noexcept { ::FreeLibrary(module); }
};

struct Icon {
    using Type = HICON;
    static HICON Invalid() noexcept { return nullptr; }
    static void Close(HICON icon) noexcept { ::DestroyIcon(icon); }
};

struct Window {
    using Type = HWND;
    static HWND Invalid() noexcept { return nullptr; }
    static void Close(HWND window) noexcept { ::DestroyWindow(window); }
};

struct Desktop {
    using Type = HDESK;
    static HDESK Invalid() noexcept { return nullptr; }
    static void Close(HDESK desktop) noexcept { ::CloseDesktop(desktop); }
};

struct LocalMemory {
    using Type = HLOCAL;
    static HLOCAL Invalid() noexcept { return nullptr; }
    static void Close(HLOCAL memory) noexcept { ::LocalFree(memory); }
};

struct NetApiBuffer {
    using Type = void*;
    static void* Invalid() noexcept { return nullptr; }
    static void Close(void* buffer) noexcept { ::NetApiBufferFree(buffer); }
};

struct AdsMemory {
    using Type = void*;
    static void* Invalid() noexcept { return nullptr; }
    static void Close(void* memory) noexcept { ::FreeADsMem(memory); }
};

struct DsNameResult {
    using Type = PDS_NAME_RESULTW;
    static PDS_NAME_RESULTW Invalid() noexcept { return nullptr; }
    static void Close(PDS_NAME_RESULTW result) noexcept { ::DsFreeNameResultW(result); }
};

struct DirectoryBind {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE bind) noexcept { ::DsUnBindW(&bind); }
};

} // namespace handle_traits

using UniqueHKey = UniqueHandle<handle_traits::RegistryKey>;
using UniqueKernelHandle = UniqueHandle<handle_traits::KernelHandle>;
using UniqueFile = UniqueHandle<handle_traits::FileHandle>;
using UniqueHModule = UniqueHandle<handle_traits::Module>;
using UniqueHIcon = UniqueHandle<handle_traits::Icon>;
using UniqueHWnd = UniqueHandle<handle_traits::Window>;
using UniqueHDesk = UniqueHandle<handle_traits::Desktop>;
using UniqueLocalMem = UniqueHandle<handle_traits::LocalMemory>;
using UniqueNetApiBuffer = UniqueHandle<handle_traits::NetApiBuffer>;
using UniqueAdsMem = UniqueHandle<handle_traits::AdsMemory>;
using UniqueDsNameResult = UniqueHandle<handle_traits::DsNameResult>;
using UniqueDsBind = UniqueHandle<handle_traits::DirectoryBind>;

} // namespace resetra
