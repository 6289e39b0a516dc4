// To whom a policy applies (a policy scope: users, groups, a domain, a unit
// with or without its sub-units), or the user whose password is being
// changed (the user scope). Scopes are loaded from the policy document,
// refreshed from the directory and matched on canonical names and on the
// group sets gathered through "memberOf".
#pragma once

#include "policy/UserObjectFacts.h"

#include <windows.h>
#include <msxml.h>

#include <cstdint>
#include <set>
#include <string>

class cMvLog;

// Orders group distinguished names without regard to the case of A to Z,
// as the directory compares them.
struct GroupNameLess {
    [[nodiscard]] bool operator()(const std::wstring& a, const std::wstring& b) const noexcept;
};
using GroupSet = std::set<std::wstring, GroupNameLess>;

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
    [[nodiscard]] const GroupSet& GetGroups() const noexcept { return m_groups; }
    // The user object's answers that the rules have read so far (user scope
    // only, and only when `keep` is set); the rules fill it as they test,
    // through a const scope.
    [[nodiscard]] UserObjectFacts& ObjectFacts() const noexcept { return m_objectFacts; }

    void SetSid(const wchar_t* sid) { m_sid = sid != nullptr ? sid : L""; }
    void SetCanonicalName(const wchar_t* name) { m_canonicalName = name != nullptr ? name : L""; }
    void SetName(const wchar_t* name) { m_name = name != nullptr ? name : L""; }
    void SetType(int32_t type) noexcept { m_type = type; }

    // Fills a policy scope from its "Scope" element.
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* element);
    // Replaces the group set by the "Group" children of a "Groups" element.
    [[nodiscard]] int32_t LoadGroupsFromXML(cMvLog& log, IXMLDOMNode* element);
    // Brings the names up to date from the directory.
    [[nodiscard]] int32_t Refresh(cMvLog& log);
    // Whether this policy scope matches `userScope`. The user scope's group
    // set is gathered on the first group comparison and kept with it, as
    // this scope's own set is kept with the policy.
    [[nodiscard]] int32_t Matches(cMvLog& log, CScope& userScope, bool& match);
    // Makes this the user scope of `userName` in the DNS domain `domain`
    // (null: the computer's own domain).
    [[nodiscard]] int32_t CreateUserScope(cMvLog& log, const wchar_t* userName,
                                          const wchar_t* domain);
    // The reverse of Refresh: the SID from the name.
    [[nodiscard]] int32_t ResolveSid(cMvLog& log);

    // Ordering by the SID for users and groups and by the canonical name
    // otherwise, without regard to case.
    [[nodiscard]] bool operator<(const CScope& other) const;

    // Adds `distinguishedName` and every group that contains it, directly or
    // through nesting, to `groups`; an entry already there is not visited
    // again, which ends cycles. Walks with a work list, so the depth of the
    // nesting costs no stack. 0, or the code of the last failure met; what
    // was gathered stays in `groups` either way.
    [[nodiscard]] static int32_t EnumerateGroups(cMvLog& log, const std::wstring& distinguishedName,
                                                 GroupSet& groups);

private:
    [[nodiscard]] static const wchar_t* OrNull(const std::wstring& text) noexcept {
        return text.empty() ? nullptr : text.c_str();
    }
    [[nodiscard]] int32_t RefreshAccount(cMvLog& log);
    [[nodiscard]] int32_t IntersectGroups(cMvLog& log, CScope& userScope, bool& shared);
    [[nodiscard]] static int32_t GatherGroups(cMvLog& log, const std::wstring& canonicalName,
                                              GroupSet& groups);

    std::wstring m_sid;
    std::wstring m_canonicalName;
    std::wstring m_name;
    int32_t m_type = ST_NONE;
    GroupSet m_groups;
    mutable UserObjectFacts m_objectFacts;
};
