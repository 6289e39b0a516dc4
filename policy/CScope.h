// The data of a scope: to whom a policy applies, or the user whose password
// is being changed (the user scope), whose canonical name and name the rules
// read.
#pragma once

#include <cstdint>
#include <set>
#include <string>

class CScope {
public:
    static constexpr int32_t ST_USERS = 0;
    static constexpr int32_t ST_GROUPS = 1;
    static constexpr int32_t ST_OU = 2;
    static constexpr int32_t ST_DOMAIN = 3;
    static constexpr int32_t ST_SINGLEOU = 4;
    static constexpr int32_t ST_NONE = 5;

    CScope() = default;
    CScope(int32_t type, const wchar_t* sid, const wchar_t* canonicalName, const wchar_t* name);
    CScope(const CScope& other) = default;
    CScope& operator=(const CScope& other) = default;
    virtual ~CScope() = default;

    // Absent and empty are one state: both read as null.
    [[nodiscard]] const wchar_t* GetSid() const noexcept { return OrNull(m_sid); }
    [[nodiscard]] const wchar_t* GetCanonicalName() const noexcept {
        return OrNull(m_canonicalName);
    }
    [[nodiscard]] const wchar_t* GetName() const noexcept { return OrNull(m_name); }
    [[nodiscard]] int32_t GetType() const noexcept { return m_type; }
    [[nodiscard]] const std::set<std::wstring>& GetGroups() const noexcept { return m_groups; }

    void SetSid(const wchar_t* sid) { m_sid = sid != nullptr ? sid : L""; }
    void SetCanonicalName(const wchar_t* name) { m_canonicalName = name != nullptr ? name : L""; }
    void SetName(const wchar_t* name) { m_name = name != nullptr ? name : L""; }
    void SetType(int32_t type) noexcept { m_type = type; }

private:
    [[nodiscard]] static const wchar_t* OrNull(const std::wstring& text) noexcept {
        return text.empty() ? nullptr : text.c_str();
    }

    std::wstring m_sid;
    std::wstring m_canonicalName;
    std::wstring m_name;
    int32_t m_type = ST_NONE;
    std::set<std::wstring> m_groups;
};
