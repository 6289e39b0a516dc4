// The driver's operations in the order the dialog calls them: user
// information, loading the domain's policies, the rules display's rows and
// the live test, each catching what the policy code throws (-8). The known
// user is rebuilt only when the typed names change or the policies reload.
#include "dialogs/CPasswordTestDriver.h"

#include "dialogs/CRulesDisplay.h"
#include "policy/CPolicy.h"
#include "policy/TypedUserName.h"
#include "support/CatchAll.h"
#include "support/cMvLog.h"

namespace {

constexpr uint32_t kEnglish = 9;

const wchar_t* OrNull(const std::wstring& text) noexcept {
    return text.empty() ? nullptr : text.c_str();
}

std::wstring PlainText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// The report of an exception caught in a driver operation: the operation's
// own line, code -8.
auto Report(cMvLog& log, const wchar_t* message) {
    return [&log, message](const char*) {
        log.LogCode(LogLevel::Error, resetra::kExceptionCaught, L"%s", message);
    };
}

} // namespace

resetra::cMvSecureString CPasswordTestDriver::ReadSecret(HWND window) {
    resetra::cMvSecureString text;
    if (window == nullptr) {
        return text;
    }
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return text;
    }
    text.Reserve(static_cast<size_t>(length));
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.capacity() + 1));
    text.Resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void CPasswordTestDriver::Attach(const Fields& fields, DWORD languageId) {
    m_fields = fields;
    m_languageId = languageId;
    m_user.reset();
    m_policies.Clear();
    m_descriptions.clear();
}

CPasswordTestDriver::Typed CPasswordTestDriver::ReadTyped() const {
    Typed typed;
    if (m_fields.domain != nullptr && IsWindowEnabled(m_fields.domain)) {
        typed.domain = PlainText(m_fields.domain);
    }
    typed.userName = PlainText(m_fields.userName);
    return typed;
}

CPasswordTestDriver::KnownUser& CPasswordTestDriver::User(cMvLog& log) {
    Typed typed = ReadTyped();
    if (m_user && m_user->typed == typed) {
        return *m_user;
    }
    m_user.reset();
    KnownUser& user = m_user.emplace();
    user.typed = std::move(typed);
    user.informationCode =
        ResolveTypedUser(log, user.typed.userName, user.typed.domain, user.userName, user.domain);
    return user;
}

int32_t CPasswordTestDriver::GetUserInformation(cMvLog& log, std::wstring& userName,
                                                std::wstring& domain) {
    const KnownUser& user = User(log);
    userName = user.userName;
    domain = user.domain;
    return user.informationCode;
}

int32_t CPasswordTestDriver::UserScope(cMvLog& log, KnownUser& user) {
    if (user.informationCode != 0) {
        log.LogCode(LogLevel::Error, user.informationCode,
                    L"An error occurred while trying to get user information from GINA");
    }
    if (!user.scopeCode) {
        user.scopeCode =
            user.scope.CreateUserScope(log, OrNull(user.userName), OrNull(user.domain));
        // Read the user object once for as long as this user is typed.
        user.scope.ObjectFacts().keep = true;
    }
    if (*user.scopeCode != 0) {
        log.LogCode(LogLevel::Error, *user.scopeCode,
                    L"User \"%s\" was not found in domain \"%s\".", user.userName.c_str(),
                    user.domain.c_str());
    }
    return *user.scopeCode;
}

int32_t CPasswordTestDriver::ApplicablePolicy(cMvLog& log, KnownUser& user) {
    log.Log(LogLevel::Information, L"Get applicable policy.");
    if (!user.policyCode) {
        user.policyCode = m_policies.GetApplicablePolicy(log, user.scope, user.policy);
    }
    if (*user.policyCode != 0) {
        log.LogCode(LogLevel::Error, *user.policyCode,
                    L"Error occurred while getting applicable policy for user '%s' in '%s'.",
                    user.userName.c_str(), user.domain.c_str());
    }
    return *user.policyCode;
}

int32_t CPasswordTestDriver::LoadPolicies(cMvLog& log) {
    return resetra::CatchAll(
        Report(log, L"Caught exception while loading policies."),
        [&]() -> int32_t {
            m_user.reset();
            m_policies.Clear();
            std::wstring userName;
            std::wstring domain;
            const int32_t information = GetUserInformation(log, userName, domain);
            if (information != 0) {
                log.LogCode(LogLevel::Error, information,
                            L"An error occurred while trying to get user information from GINA");
            }
            const int32_t code = m_policies.LoadFromDomain(log, OrNull(domain), nullptr);
            if (code != 0) {
                log.LogCode(LogLevel::Error, code,
                            L"An error occurred while loading policies for domain '%s'.",
                            domain.c_str());
            }
            return code;
        },
        []() noexcept -> int32_t { return resetra::kExceptionCaught; });
}

int32_t CPasswordTestDriver::RefreshRuleDisplay(cMvLog& log) {
    std::vector<bool> results;
    int32_t result = resetra::CatchAll(
        Report(log, L"Caught exception while getting password rule descriptions."),
        [&]() -> int32_t {
            m_descriptions.clear();
            const resetra::cMvSecureString oldPassword = ReadSecret(m_fields.oldPassword);
            const resetra::cMvSecureString newPassword = ReadSecret(m_fields.newPassword);
            KnownUser& user = User(log);
            int32_t code = UserScope(log, user);
            if (code != 0) {
                return code;
            }
            code = ApplicablePolicy(log, user);
            if (code != 0) {
                return code;
            }
            code = user.policy->GetRuleDescriptions(log, m_descriptions, m_languageId, 0);
            if (code != 0) {
                log.Log(LogLevel::Error, L"Failed to get description of password rules.");
                m_descriptions.clear();
                return code;
            }
            log.Log(LogLevel::Debug, L"Found '%d' active rules.",
                    static_cast<int>(m_descriptions.size()));
            bool accepted = true;
            code = user.policy->TestPassword(log, accepted, user.scope, newPassword.c_str(),
                                             oldPassword.c_str(), nullptr, &results, kEnglish, 0);
            if (code != 0) {
                log.LogCode(LogLevel::Error, code, L"An error occurred while testing password.");
            }
            return code;
        },
        []() noexcept -> int32_t { return resetra::kExceptionCaught; });
    const int32_t shown = resetra::CatchAll(
        Report(log, L"Caught exception while getting password rule descriptions."),
        [&]() -> int32_t {
            m_display.SetRules(m_descriptions, results);
            return 0;
        },
        []() noexcept -> int32_t { return resetra::kExceptionCaught; });
    return result != 0 ? result : shown;
}

int32_t CPasswordTestDriver::TestNewPassword(cMvLog& log, bool& accepted, std::wstring* feedback) {
    accepted = true;
    return resetra::CatchAll(
        Report(log, L"Caught exception while initializing password test."),
        [&]() -> int32_t {
            KnownUser& user = User(log);
            const resetra::cMvSecureString oldPassword = ReadSecret(m_fields.oldPassword);
            const resetra::cMvSecureString newPassword = ReadSecret(m_fields.newPassword);
            int32_t code = UserScope(log, user);
            if (code != 0) {
                return code;
            }
            code = ApplicablePolicy(log, user);
            if (code != 0) {
                return code;
            }
            std::vector<bool> results;
            code =
                user.policy->TestPassword(log, accepted, user.scope, newPassword.c_str(),
                                          oldPassword.c_str(), feedback, &results, m_languageId, 0);
            if (code != 0) {
                log.LogCode(LogLevel::Error, code, L"An error occurred while testing password.");
            }
            (void)m_display.SetMarks(results);
            return code;
        },
        []() noexcept -> int32_t { return resetra::kExceptionCaught; });
}
