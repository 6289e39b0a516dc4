// Registry wrapper of the password-policy code. One object holds one
// connection to a root key of the local or a remote computer; every
// operation opens its subkey, works and closes it again, logs its own
// failures to the caller's log and returns a Win32 code (0 = success), -11
// for a value of the wrong type or -12 for one of the wrong size. A getter
// changes the caller's variable only on success, so callers set their
// default first and keep it on any failure.
#pragma once

#include "support/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class cMvLog;

class cMvRegistry {
public:
    static constexpr int32_t kWrongType = -11;
    static constexpr int32_t kWrongSize = -12;

    cMvRegistry() = default;
    cMvRegistry(const cMvRegistry&) = delete;
    cMvRegistry& operator=(const cMvRegistry&) = delete;
    virtual ~cMvRegistry();

    [[nodiscard]] int32_t Connect(cMvLog& log, const wchar_t* computer, HKEY root);
    [[nodiscard]] int32_t Disconnect(cMvLog& log);
    [[nodiscard]] bool IsConnected() const noexcept { return m_root.valid(); }

    // viewFlags is OR-ed into the access mask of the subkey, e.g.
    // KEY_WOW64_64KEY or KEY_WOW64_32KEY to choose a registry view.
    [[nodiscard]] int32_t GetString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                    std::wstring& value, DWORD viewFlags = 0);
    [[nodiscard]] int32_t SetString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                    const wchar_t* value, DWORD viewFlags = 0);
    [[nodiscard]] int32_t GetMultiString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                         std::vector<std::wstring>& list, DWORD viewFlags = 0);
    [[nodiscard]] int32_t SetMultiString(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                         const std::vector<std::wstring>& list,
                                         DWORD viewFlags = 0);
    [[nodiscard]] int32_t GetDword(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                   DWORD& value, DWORD viewFlags = 0);
    [[nodiscard]] int32_t SetDword(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                   DWORD value, DWORD viewFlags = 0);
    [[nodiscard]] int32_t GetQword(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                   ULONGLONG& value);
    [[nodiscard]] int32_t SetQword(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                   ULONGLONG value);
    // The stored data must fit into the buffer; bufferSize receives the
    // number of bytes copied.
    [[nodiscard]] int32_t GetBinary(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                    void* buffer, DWORD& bufferSize);
    // Any size; on failure the output is empty.
    [[nodiscard]] int32_t GetBinaryCopy(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                        std::vector<BYTE>& data);
    [[nodiscard]] int32_t SetBinary(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                    const void* data, DWORD size);
    // Deletes a subkey without subkeys; an absent subkey is success.
    [[nodiscard]] int32_t DeleteKey(cMvLog& log, const wchar_t* subkey, bool view64);
    // Deletes one value; an absent value gives 2 (logged at Debug level).
    [[nodiscard]] int32_t DeleteValue(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                      DWORD viewFlags = 0);
    [[nodiscard]] int32_t EnumSubkeys(cMvLog& log, const wchar_t* subkey,
                                      std::vector<std::wstring>& list);

private:
    [[nodiscard]] int32_t OpenSubkey(cMvLog& log, const wchar_t* subkey, REGSAM access,
                                     resetra::UniqueHKey& key);
    [[nodiscard]] int32_t CreateSubkey(cMvLog& log, const wchar_t* subkey, REGSAM access,
                                       resetra::UniqueHKey& key);
    [[nodiscard]] int32_t CloseSubkey(cMvLog& log, resetra::UniqueHKey& key);
    [[nodiscard]] int32_t QueryValue(cMvLog& log, HKEY key, const wchar_t* name, DWORD& type,
                                     std::vector<BYTE>& buffer, DWORD& size);
    // Open for reading and query; logs the getter's own messages. On success
    // the key stays open for the caller to close.
    [[nodiscard]] int32_t ReadValue(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                    REGSAM access, resetra::UniqueHKey& key, DWORD& type,
                                    std::vector<BYTE>& buffer, DWORD& size);
    // Closes after a getter and merges the close result into the getter's.
    [[nodiscard]] int32_t FinishRead(cMvLog& log, const wchar_t* subkey, resetra::UniqueHKey& key,
                                     int32_t result);
    [[nodiscard]] int32_t WriteValue(cMvLog& log, const wchar_t* subkey, const wchar_t* name,
                                     DWORD type, const void* data, DWORD size, REGSAM access,
                                     bool namedMessage);

    resetra::UniqueHKey m_root;
};
