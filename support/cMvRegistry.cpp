// Registry wrapper of the password-policy code: connection, typed getters
// and setters, deletion and enumeration, each with its logged failures.
#include "support/cMvRegistry.h"
#include "support/cMvLog.h"

#include <shlwapi.h>

#include <cstring>
#include <utility>

namespace {

constexpr DWORD kInitialQueryBytes = 256;
// Extra zero bytes after the stored data: a string stored without its
// terminator still reads as terminated.
constexpr DWORD kQuerySlackBytes = 5;

uint32_t LevelOf(int32_t code) {
    return (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) ? LogLevel::Debug
                                                                          : LogLevel::Error;
}

} // namespace

cMvRegistry::~cMvRegistry() = default;

int32_t cMvRegistry::Connect(cMvLog& log, const wchar_t* computer, HKEY root) {
    if (m_root) {
        (void)Disconnect(log);
    }
    resetra::UniqueHKey connected;
    const LONG code = RegConnectRegistryW(computer, root, connected.put());
    if (code != ERROR_SUCCESS) {
        if (computer && *computer) {
            log.LogWin32(LevelOf(code), code, L"Error connecting to the registry on computer '%s'.",
                         computer);
        } else {
            log.LogWin32(LevelOf(code), code,
                         L"Error connecting to the registry on the local computer.");
        }
        return code;
    }
    m_root = std::move(connected);
    return 0;
}

int32_t cMvRegistry::Disconnect(cMvLog& log) {
    if (!m_root) {
        return 0;
    }
    // Closed here rather than by the owner, whose close cannot report a
    // failure; after a failure the owner still holds the key.
    const LONG code = RegCloseKey(m_root.get());
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LevelOf(code), code, L"Error closing a registry connection.");
        return code;
    }
    (void)m_root.release();
    return 0;
}

int32_t cMvRegistry::OpenSubkey(cMvLog& log, const wchar_t* subkey, REGSAM access,
                                resetra::UniqueHKey& key) {
    const LONG code = RegOpenKeyExW(m_root.get(), subkey, 0, access, key.put());
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LevelOf(code), code, L"Error opening the registry subkey '%s'.", subkey);
    }
    return code;
}

int32_t cMvRegistry::CreateSubkey(cMvLog& log, const wchar_t* subkey, REGSAM access,
                                  resetra::UniqueHKey& key) {
    const LONG code = RegCreateKeyExW(m_root.get(), subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      access, nullptr, key.put(), nullptr);
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LevelOf(code), code, L"Error creating/opening the subkey '%s'.", subkey);
    }
    return code;
}

int32_t cMvRegistry::CloseSubkey(cMvLog& log, resetra::UniqueHKey& key) {
    if (!key) {
        return 0;
    }
    const LONG code = RegCloseKey(key.release());
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LogLevel::Error, code, L"Error closing a registry subkey.");
    }
    return code;
}

int32_t cMvRegistry::QueryValue(cMvLog& log, HKEY key, const wchar_t* name, DWORD& type,
                                std::vector<BYTE>& buffer, DWORD& size) {
    buffer.assign(kInitialQueryBytes + kQuerySlackBytes, 0);
    size = kInitialQueryBytes;
    LONG code = RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size);
    while (code == ERROR_MORE_DATA) {
        const DWORD needed = size;
        buffer.assign(static_cast<size_t>(needed) + kQuerySlackBytes, 0);
        size = needed;
        code = RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size);
    }
    if (code != ERROR_SUCCESS) {
        buffer.clear();
        size = 0;
        log.LogWin32(LevelOf(code), code, L"Error querying the value '%s'.", name);
    }
    return code;
}

int32_t cMvRegistry::ReadValue(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                               REGSAM access, resetra::UniqueHKey& key, DWORD& type,
                               std::vector<BYTE>& buffer, DWORD& size) {
    int32_t code = OpenSubkey(log, subkey, access, key);
    if (code != 0) {
        log.LogCode(LevelOf(code), code, L"An error has occurred while opening the subkey '%s'.",
                    subkey);
        return code;
    }
    code = QueryValue(log, key.get(), name, type, buffer, size);
    if (code != 0) {
        log.LogCode(LevelOf(code), code,
                    L"An error has occurred while querying the value '%s' from subkey '%s'.", name,
                    subkey);
    }
    return code;
}

int32_t cMvRegistry::FinishRead(cMvLog& log, const wchar_t* subkey, resetra::UniqueHKey& key,
                                int32_t result) {
    const int32_t code = CloseSubkey(log, key);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"An error has occurred while closing the subkey '%s'.",
                    subkey);
        return code;
    }
    return result;
}

int32_t cMvRegistry::GetString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                               std::wstring& value, DWORD viewFlags) {
    resetra::UniqueHKey key;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> buffer;
    int32_t result = ReadValue(log, subkey, name, KEY_READ | viewFlags, key, type, buffer, size);
    if (result == 0) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            result = kWrongType;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' in subkey '%s'.",
                        name, subkey);
        } else {
            // The slack bytes guarantee a terminator; stop at the first one.
            const auto* text = reinterpret_cast<const wchar_t*>(buffer.data());
            const size_t maxChars = buffer.size() / sizeof(wchar_t);
            value.assign(text, wcsnlen(text, maxChars));
        }
    }
    return FinishRead(log, subkey, key, result);
}

int32_t cMvRegistry::GetMultiString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                    std::vector<std::wstring>& list, DWORD viewFlags) {
    list.clear();
    resetra::UniqueHKey key;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> buffer;
    int32_t result = ReadValue(log, subkey, name, KEY_READ | viewFlags, key, type, buffer, size);
    if (result == 0) {
        if (type != REG_MULTI_SZ) {
            result = kWrongType;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' in subkey '%s'.",
                        name, subkey);
        } else if (size > 2) {
            const auto* units = reinterpret_cast<const wchar_t*>(buffer.data());
            const size_t last = size / 2 - 1;
            size_t start = 0;
            for (size_t i = 0; i <= last; ++i) {
                if (units[i] != L'\0') {
                    continue;
                }
                if (i > start) {
                    list.emplace_back(units + start, i - start);
                }
                start = i + 1;
                // The buffer has slack zero bytes after the data, so i + 1 is
                // readable even at the end.
                if (units[i + 1] == L'\0') {
                    break;
                }
            }
            if (start <= last && units[last] != L'\0') {
                // Data stored without its terminators: keep the last run.
                list.emplace_back(units + start, wcsnlen(units + start, last + 1 - start));
            }
        }
    }
    return FinishRead(log, subkey, key, result);
}

int32_t cMvRegistry::GetDword(cMvLog& log, const wchar_t* subkey, const wchar_t* name, DWORD& value,
                              DWORD viewFlags) {
    resetra::UniqueHKey key;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> buffer;
    int32_t result = ReadValue(log, subkey, name, KEY_READ | viewFlags, key, type, buffer, size);
    if (result == 0) {
        if (type != REG_DWORD) {
            result = kWrongType;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' in subkey '%s'.",
                        name, subkey);
        } else if (size != sizeof(DWORD)) {
            result = kWrongSize;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' from subkey '%s'.",
                        name, subkey);
        } else {
            std::memcpy(&value, buffer.data(), sizeof(DWORD));
        }
    }
    return FinishRead(log, subkey, key, result);
}

int32_t cMvRegistry::GetQword(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                              ULONGLONG& value) {
    resetra::UniqueHKey key;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> buffer;
    int32_t result = ReadValue(log, subkey, name, KEY_READ, key, type, buffer, size);
    if (result == 0) {
        if (type != REG_QWORD) {
            result = kWrongType;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' from subkey '%s' The "
                        L"value is not of type QWORD (%ld).",
                        name, subkey, static_cast<long>(type));
        } else if (size != sizeof(ULONGLONG)) {
            result = kWrongSize;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' from subkey '%s'.",
                        name, subkey);
        } else {
            std::memcpy(&value, buffer.data(), sizeof(ULONGLONG));
        }
    }
    return FinishRead(log, subkey, key, result);
}

int32_t cMvRegistry::GetBinary(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                               void* output, DWORD& bufferSize) {
    resetra::UniqueHKey key;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> buffer;
    int32_t result = ReadValue(log, subkey, name, KEY_READ, key, type, buffer, size);
    if (result == 0) {
        if (type != REG_BINARY) {
            result = kWrongType;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' in subkey '%s'.",
                        name, subkey);
        } else if (size > bufferSize || (size > 0 && !output)) {
            result = kWrongSize;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' from subkey '%s'.",
                        name, subkey);
        } else {
            if (size > 0) {
                std::memcpy(output, buffer.data(), size);
            }
            bufferSize = size;
        }
    }
    return FinishRead(log, subkey, key, result);
}

int32_t cMvRegistry::GetBinaryCopy(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                   std::vector<BYTE>& data) {
    data.clear();
    resetra::UniqueHKey key;
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> buffer;
    int32_t result = ReadValue(log, subkey, name, KEY_READ, key, type, buffer, size);
    if (result == 0) {
        if (type != REG_BINARY) {
            result = kWrongType;
            log.LogCode(LogLevel::Error, result,
                        L"An error has occurred while querying the value '%s' in subkey '%s'.",
                        name, subkey);
        } else {
            data.assign(buffer.begin(), buffer.begin() + size);
        }
    }
    result = FinishRead(log, subkey, key, result);
    if (result != 0) {
        data.clear();
    }
    return result;
}

int32_t cMvRegistry::WriteValue(cMvLog& log, const wchar_t* subkey, const wchar_t* name, DWORD type,
                                const void* data, DWORD size, REGSAM access, bool namedMessage) {
    resetra::UniqueHKey key;
    int32_t result = CreateSubkey(log, subkey, access, key);
    if (result != 0) {
        return result;
    }
    result = RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
    if (result != 0) {
        if (namedMessage) {
            log.LogWin32(LogLevel::Error, result, L"Error setting the value '%s' in subkey '%s'.",
                         name, subkey);
        } else {
            log.LogWin32(LogLevel::Error, result, L"Error setting the value '%s'.", name);
        }
    }
    const int32_t code = CloseSubkey(log, key);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"An error has occurred while closing the subkey '%s'.",
                    subkey);
        return code;
    }
    return result;
}

int32_t cMvRegistry::SetString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                               const wchar_t* value, DWORD viewFlags) {
    const wchar_t* text = value ? value : L"";
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    if (bytes > MAXDWORD) {
        return ERROR_INVALID_PARAMETER;
    }
    return WriteValue(log, subkey, name, REG_SZ, text, static_cast<DWORD>(bytes),
                      KEY_WRITE | viewFlags, true);
}

int32_t cMvRegistry::SetMultiString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                    const std::vector<std::wstring>& list, DWORD viewFlags) {
    std::wstring data;
    for (const std::wstring& item : list) {
        data.append(item.c_str()); // an embedded NUL would split the item
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    const size_t bytes = data.size() * sizeof(wchar_t);
    if (bytes > MAXDWORD) {
        return ERROR_INVALID_PARAMETER;
    }
    return WriteValue(log, subkey, name, REG_MULTI_SZ, data.data(), static_cast<DWORD>(bytes),
                      KEY_WRITE | viewFlags, false);
}

int32_t cMvRegistry::SetDword(cMvLog& log, const wchar_t* subkey, const wchar_t* name, DWORD value,
                              DWORD viewFlags) {
    return WriteValue(log, subkey, name, REG_DWORD, &value, sizeof(value), KEY_WRITE | viewFlags,
                      false);
}

int32_t cMvRegistry::SetQword(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                              ULONGLONG value) {
    return WriteValue(log, subkey, name, REG_QWORD, &value, sizeof(value), KEY_WRITE, false);
}

int32_t cMvRegistry::SetBinary(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                               const void* data, DWORD size) {
    return WriteValue(log, subkey, name, REG_BINARY, data, data ? size : 0, KEY_WRITE, false);
}

int32_t cMvRegistry::DeleteKey(cMvLog& log, const wchar_t* subkey, bool view64) {
    LONG code;
    if (view64) {
        // Looked up at run time, as the function may be missing on old systems.
        resetra::UniqueHModule advapi(LoadLibraryW(L"Advapi32.dll"));
        if (!advapi) {
            code = static_cast<LONG>(GetLastError());
            log.LogWin32(LevelOf(code), code, L"Error loading 'AdvAPI32.dll'.");
            return code;
        }
        using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
        auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
            reinterpret_cast<void*>(GetProcAddress(advapi.get(), "RegDeleteKeyExW")));
        if (!deleteKeyEx) {
            code = static_cast<LONG>(GetLastError());
            log.LogWin32(LevelOf(code), code, L"Error loading function: 'RegDeleteKeyEx'.");
            return code;
        }
        code = deleteKeyEx(m_root.get(), subkey, KEY_WOW64_64KEY, 0);
    } else {
        code = RegDeleteKeyW(m_root.get(), subkey);
    }
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        log.LogWin32(LogLevel::Debug, code, L"Error deleting registry key '%s'.", subkey);
        return 0;
    }
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LogLevel::Error, code, L"Error deleting registry key '%s'.", subkey);
    }
    return code;
}

int32_t cMvRegistry::DeleteValue(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                 DWORD viewFlags) {
    resetra::UniqueHKey key;
    LONG code = RegOpenKeyExW(m_root.get(), subkey, 0, KEY_SET_VALUE | viewFlags, key.put());
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LevelOf(code), code, L"Error opening sub key '%s'.", subkey);
        return code;
    }
    code = RegDeleteValueW(key.get(), name);
    if (code != ERROR_SUCCESS) {
        log.LogWin32(LevelOf(code), code, L"Error deleting registry value '%s'.", name);
    }
    return code; // the key closes without a logged failure
}

int32_t cMvRegistry::EnumSubkeys(cMvLog& log, const wchar_t* subkey,
                                 std::vector<std::wstring>& list) {
    list.clear();
    resetra::UniqueHKey key;
    int32_t result = OpenSubkey(log, subkey, KEY_READ, key);
    if (result != 0) {
        log.LogCode(LevelOf(result), result,
                    L"An error has occurred while opening the subkey '%s'.", subkey);
        return result;
    }
    DWORD longest = 0;
    result = SHQueryInfoKeyW(key.get(), nullptr, &longest, nullptr, nullptr);
    if (result != 0) {
        log.LogCode(LogLevel::Error, result,
                    L"Error occurred while recieving information about registry key '%s'.", subkey);
    } else {
        std::vector<wchar_t> name(static_cast<size_t>(longest) + 1, L'\0');
        for (DWORD index = 0;; ++index) {
            DWORD length = longest + 1;
            const LONG code = SHEnumKeyExW(key.get(), index, name.data(), &length);
            if (code == ERROR_NO_MORE_ITEMS) {
                break;
            }
            if (code != ERROR_SUCCESS) {
                result = code;
                break;
            }
            list.emplace_back(name.data(), wcsnlen(name.data(), longest + 1));
        }
    }
    return FinishRead(log, subkey, key, result);
}
