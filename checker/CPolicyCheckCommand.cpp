// The check command step by step, in the order the change-password dialog
// takes them: typed names to user and domain, the policy list, the user
// scope, the applicable policy, its descriptions, then one test per
// password with the feedback text that the dialog would show on OK. The
// feedback starts with the introduction of the localized texts, configured
// from the same registry values as the library.
#include "checker/CPolicyCheckCommand.h"

#include "checker/CCheckerCommandLine.h"
#include "checker/CCheckerConsole.h"
#include "checker/CheckerFiles.h"
#include "checker/ExitCodes.h"
#include "policy/CPolicy.h"
#include "policy/CPolicylist.h"
#include "policy/CScope.h"
#include "policy/RuleFactory.h"
#include "policy/TypedUserName.h"
#include "support/RegistryKeys.h"
#include "support/TextKeys.h"
#include "support/cMvGINARegistry.h"
#include "support/cTarnLocaleTextCollection.h"

#include <optional>

namespace {

const wchar_t* OrNull(const std::wstring& text) noexcept {
    return text.empty() ? nullptr : text.c_str();
}

std::wstring Number(long long value) {
    return std::to_wstring(value);
}

} // namespace

CPolicyCheckCommand::CPolicyCheckCommand(const CCheckerCommandLine& line, CCheckerConsole& console)
    : m_line(line), m_console(console) {
    m_log.AddHandler(&m_capture);
}

void CPolicyCheckCommand::ConfigureTexts() {
    std::optional<std::wstring> language;
    std::optional<std::wstring> localeFile;
    DWORD method = 0;
    cMvGINARegistry registry;
    if (registry.Connect(nullptr, HKEY_LOCAL_MACHINE) == ERROR_SUCCESS) {
        (void)registry.GetString(kWizardsPolicyKey, L"Language", language);
        const LONG code = registry.GetString(kWizardsPolicyKey, L"GINA Locale", localeFile);
        if (code != ERROR_SUCCESS) {
            localeFile.reset();
        }
        if (registry.GetDword(kWizardsPolicyKey, L"GetLanguageMethod", method) != ERROR_SUCCESS) {
            method = 0;
        }
    }
    // The library finds the file in the folder it is loaded from (System32);
    // the checker is installed beside it.
    const std::wstring path = BesideProgram(localeFile ? *localeFile : L"LocaleGINA.txt");
    if (m_line.language) {
        language.reset();
        for (const auto& known : cTarnLocaleTextCollection::kLanguages) {
            if (known.id == *m_line.language) {
                language = known.name;
            }
        }
    }
    cTarnLocaleTextCollection texts;
    texts.Configure(path.c_str(), language ? language->c_str() : nullptr, method);
    m_language = m_line.language ? static_cast<uint32_t>(*m_line.language) : texts.GetLanguageId();
    const wchar_t* intro = texts.GetText(TextKeys::ChangePasswordFeedbackDialogText.name,
                                         TextKeys::ChangePasswordFeedbackDialogText.english);
    m_introduction = intro != nullptr ? intro : L"";
}

bool CPolicyCheckCommand::LoadPolicyFile(CPolicylist& list) {
    std::wstring text;
    std::wstring error;
    if (!ReadDocumentFile(m_line.policies, text, error)) {
        m_console.Err(L"ResetraPolicyCheck: " + error);
        return false;
    }
    const int32_t code = list.LoadFromXML(m_log, text.c_str());
    if (code != 0 || list.GetCount() == 0) {
        m_console.Err(L"ResetraPolicyCheck: the policy list in " + m_line.policies +
                      L" cannot be used (run validate for every problem):");
        for (const auto& line : m_capture.Problems()) {
            m_console.Err(L"  " + line.text);
        }
        return false;
    }
    if (!m_capture.Problems().empty()) {
        // The library would load the list the same way, without the
        // policies that failed.
        m_console.Err(L"ResetraPolicyCheck: warning: " + m_line.policies +
                      L" has problems; the library leaves out what failed to load:");
        for (const auto& line : m_capture.Problems()) {
            m_console.Err(L"  " + line.text);
        }
        m_capture.Clear();
    }
    return true;
}

int CPolicyCheckCommand::NoPolicy(int32_t code) {
    if (m_line.format == CCheckerCommandLine::Format::Tsv) {
        m_console.Out(L"policy\t" + Number(code));
    } else {
        const wchar_t* why = code == CPolicylist::kNoPolicyDocument
                                 ? L"the domain has no policy list"
                             : code == CPolicylist::kEmptyList ? L"the policy list is empty"
                                                               : L"no policy applies to the user";
        m_console.Out(L"No policy (" + Number(code) + L"): " + why +
                      L"; the password change goes on without policy checks.");
    }
    return kExitOk;
}

int CPolicyCheckCommand::Failed(int32_t code, const std::wstring& what) {
    if (m_line.format == CCheckerCommandLine::Format::Tsv) {
        m_console.Out(L"policy\t" + Number(code));
    } else {
        m_console.Out(L"Failed (" + Number(code) + L"): " + what +
                      L"; the library would let the password change go on.");
    }
    m_console.Err(L"ResetraPolicyCheck: " + what + L" (code " + Number(code) + L"):");
    for (const auto& line : m_capture.Problems()) {
        m_console.Err(L"  " + line.text);
    }
    return kExitEngine;
}

int CPolicyCheckCommand::Run() {
    std::vector<resetra::cMvSecureString> passwords;
    if (!CCheckerConsole::ReadPasswords(passwords)) {
        m_console.Err(L"ResetraPolicyCheck: standard input is not UTF-8 text");
        return kExitUsage;
    }
    if (m_line.oldPassword && passwords.empty()) {
        m_console.Err(L"ResetraPolicyCheck: --old-password needs the old password as first line");
        return kExitUsage;
    }
    ConfigureTexts();

    try {
        CPolicylist list;
        if (!m_line.policies.empty() && !LoadPolicyFile(list)) {
            return kExitUsage;
        }
        std::wstring userName = m_line.user;
        std::wstring domain = m_line.domain;
        if (domain.empty()) {
            // A failure is logged; the user is then looked for in the
            // computer's own domain, as in the dialog.
            (void)ResolveTypedUser(m_log, m_line.user, L"", userName, domain);
        }
        if (m_line.policies.empty()) {
            const int32_t code = list.LoadFromDomain(m_log, OrNull(domain), nullptr);
            if (code == CPolicylist::kNoPolicyDocument) {
                return NoPolicy(code);
            }
            if (code != 0) {
                return Failed(code,
                              L"the policy list of domain '" + domain + L"' could not be loaded");
            }
        }
        CScope scope;
        int32_t code = scope.CreateUserScope(m_log, OrNull(userName), OrNull(domain));
        if (code != 0) {
            return Failed(code,
                          L"user '" + userName + L"' was not found in domain '" + domain + L"'");
        }
        CPolicy* policy = nullptr;
        code = list.GetApplicablePolicy(m_log, scope, policy);
        if (code == CPolicylist::kEmptyList || code == CPolicylist::kNoApplicablePolicy) {
            return NoPolicy(code);
        }
        if (code != 0 || policy == nullptr) {
            return Failed(code, L"the applicable policy could not be chosen");
        }
        std::vector<std::wstring> descriptions;
        code = policy->GetRuleDescriptions(m_log, descriptions, m_language, 0);
        if (code != 0) {
            return Failed(code, L"the rule descriptions could not be read");
        }
        const size_t firstNew = m_line.oldPassword ? 1 : 0;
        const wchar_t* oldPassword = m_line.oldPassword ? passwords[0].c_str() : L"";
        std::vector<Outcome> outcomes;
        for (size_t i = firstNew; i < passwords.size(); ++i) {
            Outcome outcome;
            outcome.feedback = m_introduction;
            try {
                outcome.code = policy->TestPassword(
                    m_log, outcome.accepted, scope, passwords[i].c_str(), oldPassword,
                    &outcome.feedback, &outcome.results, m_language, 0);
            } catch (...) {
                outcome.code = -8;
            }
            outcomes.push_back(std::move(outcome));
        }
        return Report(*policy, descriptions, outcomes);
    } catch (...) {
        return Failed(-8, L"the policy code stopped on an exception");
    }
}

int CPolicyCheckCommand::Report(const CPolicy& policy,
                                const std::vector<std::wstring>& descriptions,
                                const std::vector<Outcome>& outcomes) {
    std::vector<const CRuleBase*> rules;
    for (const auto& rule : policy.GetRules()) {
        if (rule && rule->IsEnabled()) {
            rules.push_back(rule.get());
        }
    }
    const bool tsv = m_line.format == CCheckerCommandLine::Format::Tsv;
    const std::wstring name = policy.GetName() != nullptr ? policy.GetName() : L"";
    if (tsv) {
        m_console.Out(L"policy\t" + CCheckerConsole::EscapeField(name));
    } else {
        m_console.Out(L"Policy: " + name);
    }
    bool refused = false;
    bool failed = false;
    for (size_t n = 0; n < outcomes.size(); ++n) {
        const Outcome& outcome = outcomes[n];
        const std::wstring number = Number(static_cast<long long>(n + 1));
        const wchar_t* verdict = outcome.code != 0  ? L"error"
                                 : outcome.accepted ? L"accepted"
                                                    : L"refused";
        refused = refused || (outcome.code == 0 && !outcome.accepted);
        failed = failed || outcome.code != 0;
        if (tsv) {
            m_console.Out(L"password\t" + number + L"\t" + verdict + L"\t" + Number(outcome.code));
        } else {
            m_console.Out(L"");
            m_console.Out(L"Password " + number + L": " + verdict +
                          (outcome.code != 0 ? L" (code " + Number(outcome.code) +
                                                   L"; the library would let the change go on)"
                                             : std::wstring()));
        }
        for (size_t i = 0; i < descriptions.size(); ++i) {
            const bool tested = i < outcome.results.size();
            const std::wstring typeName = i < rules.size() ? GetTypeName(rules[i]) : L"";
            if (tsv) {
                if (tested) {
                    m_console.Out(L"rule\t" + number + L"\t" +
                                  Number(static_cast<long long>(i + 1)) + L"\t" + typeName + L"\t" +
                                  (outcome.results[i] ? L"met" : L"not-met") + L"\t" +
                                  CCheckerConsole::EscapeField(descriptions[i]));
                }
            } else {
                const wchar_t* mark = !tested              ? L"[not tested] "
                                      : outcome.results[i] ? L"[met]        "
                                                           : L"[not met]    ";
                m_console.Out(std::wstring(L"  ") + mark + descriptions[i] + L"  (" + typeName +
                              L")");
            }
        }
        if (outcome.code == 0 && !outcome.accepted) {
            if (tsv) {
                m_console.Out(L"feedback\t" + number + L"\t" +
                              CCheckerConsole::EscapeField(outcome.feedback));
            } else {
                m_console.Out(L"  The dialog would say:");
                size_t start = 0;
                while (start <= outcome.feedback.size()) {
                    size_t end = outcome.feedback.find(L"\r\n", start);
                    if (end == std::wstring::npos) {
                        end = outcome.feedback.size();
                    }
                    if (end > start) {
                        m_console.Out(L"    " + outcome.feedback.substr(start, end - start));
                    }
                    start = end + 2;
                }
            }
        }
    }
    if (failed && !tsv) {
        m_console.Err(L"ResetraPolicyCheck: a rule could not be evaluated:");
        for (const auto& line : m_capture.Problems()) {
            m_console.Err(L"  " + line.text);
        }
    }
    return refused ? kExitRefused : failed ? kExitEngine : kExitOk;
}
