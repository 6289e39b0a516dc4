// Registry reads of the chaining code: open in the 32-bit view first (where
// earlier 32-bit installers wrote the settings), then in the native view;
// query into a zero-filled buffer that is grown once when the value is larger.
#include "support/cMvGINARegistry.h"

#include <new>

namespace {
constexpr REGSAM kRead32 = KEY_READ | KEY_WOW64_32KEY; // 0x20219
constexpr REGSAM kReadNative = KEY_READ;               // 0x20019
constexpr DWORD kFirstBufferSize = 256;
constexpr DWORD kGrowthSlack = 10;
constexpr DWORD kTerminatorRoom = 2 * sizeof(wchar_t);
} // namespace

LONG cMvGINARegistry::Connect(const wchar_t* computer, HKEY root) noexcept {
    Close();
    HKEY connected = nullptr;
    const LONG result = RegConnectRegistryW(computer, root, &connected);
    if (result == ERROR_SUCCESS) {
        m_root.reset(connected);
    }
    return result;
}

void cMvGINARegistry::Close() noexcept {
    m_root.reset();
}

LONG cMvGINARegistry::OpenForReading(const wchar_t* subkey,
                                     resetra::UniqueHKey& key) const noexcept {
    if (!m_root) {
        return ERROR_INVALID_HANDLE;
    }
    LONG result = RegOpenKeyExW(m_root.get(), subkey, 0, kRead32, key.put());
    if (result != ERROR_SUCCESS) {
        result = RegOpenKeyExW(m_root.get(), subkey, 0, kReadNative, key.put());
    }
    return result;
}

LONG cMvGINARegistry::QueryValue(const wchar_t* subkey, const wchar_t* name, DWORD& type,
                                 std::vector<BYTE>& data, DWORD& size) const noexcept {
    resetra::UniqueHKey key;
    LONG result = OpenForReading(subkey, key);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    try {
        size = kFirstBufferSize;
        data.assign(size + kTerminatorRoom, 0);
        result = RegQueryValueExW(key.get(), name, nullptr, &type, data.data(), &size);
        if (result == ERROR_MORE_DATA) {
            size += kGrowthSlack;
            data.assign(size + kTerminatorRoom, 0);
            result = RegQueryValueExW(key.get(), name, nullptr, &type, data.data(), &size);
        }
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
    if (result == ERROR_SUCCESS && size > data.size() - kTerminatorRoom) {
        // The value grew between the two queries beyond what we allowed for.
        return ERROR_MORE_DATA;
    }
    return result;
}

LONG cMvGINARegistry::GetString(const wchar_t* subkey, const wchar_t* name,
                                std::optional<std::wstring>& value) noexcept {
    value.reset();
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> data;
    const LONG result = QueryValue(subkey, name, type, data, size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        return WrongType;
    }
    try {
        // The buffer holds at least two zero bytes past the data, so the
        // string ends inside it whether or not a terminator was stored.
        value.emplace(reinterpret_cast<const wchar_t*>(data.data()));
    } catch (const std::bad_alloc&) {
        value.reset();
        return ERROR_OUTOFMEMORY;
    }
    return ERROR_SUCCESS;
}

LONG cMvGINARegistry::GetDword(const wchar_t* subkey, const wchar_t* name, DWORD& value) noexcept {
    value = 0;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> data;
    const LONG result = QueryValue(subkey, name, type, data, size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    if (type != REG_DWORD || size != sizeof(DWORD)) {
        return WrongType;
    }
    CopyMemory(&value, data.data(), sizeof(DWORD));
    return ERROR_SUCCESS;
}

LONG cMvGINARegistry::GetMultiString(const wchar_t* subkey, const wchar_t* name,
                                     std::vector<std::wstring>& values) noexcept {
    values.clear();
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> data;
    const LONG result = QueryValue(subkey, name, type, data, size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    if (type != REG_MULTI_SZ) {
        return WrongType;
    }
    try {
        const auto* text = reinterpret_cast<const wchar_t*>(data.data());
        const std::size_t count = (size + sizeof(wchar_t) - 1) / sizeof(wchar_t);
        std::size_t start = 0;
        for (std::size_t i = 0; i <= count; ++i) {
            if (text[i] == L'\0') {
                if (i > start) {
                    values.emplace_back(text + start, i - start);
                }
                start = i + 1;
            }
        }
    } catch (const std::bad_alloc&) {
        values.clear();
        return ERROR_OUTOFMEMORY;
    }
    return ERROR_SUCCESS;
}

LONG cMvGINARegistry::SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value) noexcept {
    if (!m_root) {
        return ERROR_INVALID_HANDLE;
    }
    // Write where the reads look first: the 32-bit view when the key exists
    // there, else the native view (creating the key there if needed).
    resetra::UniqueHKey key;
    LONG result =
        RegOpenKeyExW(m_root.get(), subkey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, key.put());
    if (result != ERROR_SUCCESS) {
        result = RegCreateKeyExW(m_root.get(), subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_WRITE, nullptr, key.put(), nullptr);
    }
    if (result != ERROR_SUCCESS) {
        return result;
    }
    return RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}
