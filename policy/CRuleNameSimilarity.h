// Rule type 6: the new password may not resemble the user's personal names
// as the directory stores them (first, last and full name, account name:
// the full-name check) nor the login name (the login check).
#pragma once

#include "policy/CRuleBase.h"
#include "policy/RuleXml.h"

class CRuleNameSimilarity : public CRuleBase {
public:
    static constexpr int32_t kType = 6;
    // Result of the information gathering when the user object cannot be bound.
    static constexpr int32_t kBindFailed = -7;

    // Unloaded: both checks off, both ratios 0.8.
    CRuleNameSimilarity() = default;
    // Built in: the built-in texts and the given checks and ratios.
    CRuleNameSimilarity(bool loginCheck, bool fullNameCheck,
                        float loginRatio = kDefaultSimilarityRatio,
                        float fullNameRatio = kDefaultSimilarityRatio);

    [[nodiscard]] std::unique_ptr<CRuleBase> Clone() const override;
    // Always 0: a directory failure is logged and the password accepted.
    [[nodiscard]] int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                               const wchar_t* newPassword, bool continueAfterRefusal,
                               const wchar_t* oldPassword) override;
    [[nodiscard]] int32_t GetType() const override { return kType; }
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                      const wchar_t* documentVersion) override;

    [[nodiscard]] bool GetLoginCheck() const noexcept { return m_loginCheck; }
    [[nodiscard]] bool GetFullNameCheck() const noexcept { return m_fullNameCheck; }
    [[nodiscard]] float GetLoginRatio() const noexcept { return m_loginRatio; }
    [[nodiscard]] float GetFullNameRatio() const noexcept { return m_fullNameRatio; }

private:
    struct UserNames;

    CRuleNameSimilarity(const CRuleNameSimilarity& other) = default;
    [[nodiscard]] int32_t GatherUserNames(cMvLog& log, const CScope& userScope,
                                          UserNames& names) const;

    bool m_loginCheck = false;
    bool m_fullNameCheck = false;
    float m_loginRatio = kDefaultSimilarityRatio;
    float m_fullNameRatio = kDefaultSimilarityRatio;
};
