// The password test driver of the change-password dialog: reads the user
// name, domain and password fields, works out the user and the domain, keeps
// that domain's policy list, finds the policy that applies to the user and
// tests the new password against it, feeding the rules display.
//
// What the directory said about the typed user (user scope with its groups,
// the user object's names and password age, the applicable policy after its
// scopes were refreshed) is kept for as long as the typed user name and
// domain stay the same, and dropped when the policies are reloaded, so a
// keystroke after the first test makes no directory call.
#pragma once

#include "policy/CPolicylist.h"
#include "policy/CScope.h"
#include "support/cMvSecureString.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class cMvLog;
class CPolicy;
class CRulesDisplay;

class CPasswordTestDriver {
public:
    struct Fields {
        HWND userName = nullptr;
        HWND domain = nullptr; // a combo box
        HWND oldPassword = nullptr;
        HWND newPassword = nullptr;
    };

    explicit CPasswordTestDriver(CRulesDisplay& display) noexcept : m_display(display) {}
    CPasswordTestDriver(const CPasswordTestDriver&) = delete;
    CPasswordTestDriver& operator=(const CPasswordTestDriver&) = delete;

    // A new dialog: its fields and the language of its texts. Forgets the
    // previous dialog's user and policies.
    void Attach(const Fields& fields, DWORD languageId);

    // The user and the DNS domain the fields name (either may stay empty).
    [[nodiscard]] int32_t GetUserInformation(cMvLog& log, std::wstring& userName,
                                             std::wstring& domain);
    // Reloads the policy list for the user's domain; forgets the user.
    [[nodiscard]] int32_t LoadPolicies(cMvLog& log);
    // Rebuilds the descriptions and hands them, with the marks of a test of
    // the current new password, to the rules display.
    [[nodiscard]] int32_t RefreshRuleDisplay(cMvLog& log);
    // Tests the current new password and updates the marks. `accepted` ends
    // true unless a tested rule refuses the password; `feedback` (may be
    // null) is extended with one line per refusing rule.
    [[nodiscard]] int32_t TestNewPassword(cMvLog& log, bool& accepted, std::wstring* feedback);

    [[nodiscard]] const std::vector<std::wstring>& Descriptions() const noexcept {
        return m_descriptions;
    }

    // The whole text of a window, in a buffer that is wiped when freed.
    [[nodiscard]] static resetra::cMvSecureString ReadSecret(HWND window);

private:
    // The names as typed: the cache key.
    struct Typed {
        std::wstring userName;
        std::wstring domain;
        bool operator==(const Typed& other) const {
            return userName == other.userName && domain == other.domain;
        }
    };
    struct KnownUser {
        Typed typed;
        int32_t informationCode = 0;
        std::wstring userName;
        std::wstring domain;
        std::optional<int32_t> scopeCode;
        CScope scope;
        std::optional<int32_t> policyCode;
        CPolicy* policy = nullptr;
    };

    [[nodiscard]] Typed ReadTyped() const;
    // The user the fields name now, worked out once per typed name.
    KnownUser& User(cMvLog& log);
    // The user scope; 0 or the code of its creation, logged each time.
    [[nodiscard]] int32_t UserScope(cMvLog& log, KnownUser& user);
    // The applicable policy; 0 or the list's code, logged each time.
    [[nodiscard]] int32_t ApplicablePolicy(cMvLog& log, KnownUser& user);

    CRulesDisplay& m_display;
    Fields m_fields;
    DWORD m_languageId = 9;
    CPolicylist m_policies;
    std::vector<std::wstring> m_descriptions;
    std::optional<KnownUser> m_user;
};
