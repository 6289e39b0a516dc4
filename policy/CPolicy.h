// One password policy of the domain's policy list: a named set of rules, a
// flag word whose bit 0 switches it off, and the scopes that say to whom it
// applies. Answers whether it applies to a user and whether a new password
// satisfies its enabled rules, with a verdict per rule and a feedback text.
#pragma once

#include "policy/CRuleBase.h"
#include "policy/CScope.h"

#include <windows.h>
#include <msxml.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cMvLog;

// The scopes of one policy, in document order; the policy owns them.
using ScopeList = std::vector<std::unique_ptr<CScope>>;

class CPolicy {
public:
    // Result codes besides HRESULTs.
    static constexpr int32_t kNotInteger = -11;
    static constexpr int32_t kMissing = -12;
    static constexpr int32_t kEmptyEntry = -16;
    // `flags` bit of TestPassword and GetRuleDescriptions: leave the
    // password-similarity rules out.
    static constexpr uint32_t kSkipPasswordSimilarity = 1;

    // A new policy holds the built-in rule set, all rules disabled.
    CPolicy();
    // A policy about to be loaded: loading deletes the built-in rules first,
    // so a list of a thousand policies does not make them only to drop them.
    [[nodiscard]] static std::unique_ptr<CPolicy> MakeForLoading();
    CPolicy(const CPolicy& other);
    CPolicy& operator=(const CPolicy& other);
    virtual ~CPolicy();

    // Fills the policy from a policy element; `version` is the policy list's
    // "version" attribute, handed to every rule.
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* element, const wchar_t* version);

    [[nodiscard]] bool IsEnabled() const noexcept { return (m_configuration & 1u) == 0; }
    [[nodiscard]] uint32_t GetConfiguration() const noexcept { return m_configuration; }
    [[nodiscard]] const wchar_t* GetName() const noexcept {
        return m_name.empty() ? nullptr : m_name.c_str();
    }

    // Whether one of the scopes matches the user; the scopes are refreshed
    // from the directory first. The status of the last scope visited.
    [[nodiscard]] int32_t Applies(cMvLog& log, CScope& userScope, bool& applies);

    // Tests the new password against every enabled rule. `results` (may be
    // null) receives one verdict per tested rule; `feedback` (may be null) is
    // extended with "\r\n" and one " - <description>\r\n" line per refusing
    // rule, in `languageId`. 0, or the code of the rule that could not be
    // evaluated (the verdict then covers the rules tested before it).
    [[nodiscard]] int32_t TestPassword(cMvLog& log, bool& accepted, const CScope& userScope,
                                       const wchar_t* newPassword, const wchar_t* oldPassword,
                                       std::wstring* feedback, std::vector<bool>* results,
                                       uint32_t languageId, uint32_t flags);

    // The descriptions of the enabled rules, paired one to one with the
    // `results` of TestPassword with the same flags. An absent description
    // is an empty text.
    [[nodiscard]] int32_t GetRuleDescriptions(cMvLog& log, std::vector<std::wstring>& descriptions,
                                              uint32_t languageId, uint32_t flags) const;

    // The number of enabled rules.
    [[nodiscard]] size_t CountEnabledRules() const;

    [[nodiscard]] const RuleList& GetRules() const noexcept { return m_rules; }
    [[nodiscard]] const ScopeList& GetScopes() const noexcept { return m_scopes; }

private:
    struct WithoutRules {};
    explicit CPolicy(WithoutRules) {}
    [[nodiscard]] static bool Counts(const CRuleBase& rule, uint32_t flags);
    void CopyFrom(const CPolicy& other);

    uint32_t m_configuration = 0;
    std::wstring m_name;
    RuleList m_rules;
    ScopeList m_scopes;
};
