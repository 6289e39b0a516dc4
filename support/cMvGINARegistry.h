// The small registry reader of the chaining code and the dialog extensions.
// It holds one connected root; reads prefer the 32-bit registry view and fall
// back to the library's own 64-bit view. Outputs are emptied before reading.
#pragma once

#include "support/UniqueHandle.h"

#include <optional>
#include <string>
#include <vector>

class cMvGINARegistry {
public:
    // Result of a read whose value has another type than asked for.
    static constexpr LONG WrongType = -1;

    cMvGINARegistry() noexcept = default;
    ~cMvGINARegistry() { Close(); }
    cMvGINARegistry(const cMvGINARegistry&) = delete;
    cMvGINARegistry& operator=(const cMvGINARegistry&) = delete;

    [[nodiscard]] LONG Connect(const wchar_t* computer, HKEY root) noexcept;
    void Close() noexcept;

    // REG_SZ or REG_EXPAND_SZ (not expanded). A missing value leaves nullopt;
    // an empty value gives an empty string.
    [[nodiscard]] LONG GetString(const wchar_t* subkey, const wchar_t* name,
                                 std::optional<std::wstring>& value) noexcept;
    [[nodiscard]] LONG GetDword(const wchar_t* subkey, const wchar_t* name, DWORD& value) noexcept;
    // Every non-empty string of a REG_MULTI_SZ, in order; empty on any failure.
    [[nodiscard]] LONG GetMultiString(const wchar_t* subkey, const wchar_t* name,
                                      std::vector<std::wstring>& values) noexcept;
    // Writes a REG_DWORD where the reads will find it: into the 32-bit view
    // when the subkey exists there, else into the native view, creating the
    // subkey if needed.
    [[nodiscard]] LONG SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value) noexcept;

private:
    // Opens `subkey` for reading: 32-bit view first, then the native view.
    [[nodiscard]] LONG OpenForReading(const wchar_t* subkey,
                                      resetra::UniqueHKey& key) const noexcept;
    // Reads a value of any type into `data`; always leaves two zero bytes
    // after what the system returned, so string data is terminated even when
    // it was stored without a terminator.
    [[nodiscard]] LONG QueryValue(const wchar_t* subkey, const wchar_t* name, DWORD& type,
                                  std::vector<BYTE>& data, DWORD& size) const noexcept;

    resetra::UniqueHKey m_root;
};
