// Rule type 3: the new password may have at most a given number of UTF-16
// code units.
#pragma once

#include "policy/CRuleBase.h"

class CRuleLengthMaximum : public CRuleBase {
public:
    static constexpr int32_t kType = 3;
    static constexpr int32_t kDefaultMaximum = 18;

    // Unloaded: no descriptions, disabled, the default maximum.
    CRuleLengthMaximum() = default;
    // Built in: the given maximum and the built-in texts formatted with it.
    explicit CRuleLengthMaximum(int32_t maximumLength);

    [[nodiscard]] std::unique_ptr<CRuleBase> Clone() const override;
    [[nodiscard]] int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                               const wchar_t* newPassword, bool continueAfterRefusal,
                               const wchar_t* oldPassword) override;
    [[nodiscard]] int32_t GetType() const override { return kType; }
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                      const wchar_t* documentVersion) override;

    [[nodiscard]] int32_t GetMaximumLength() const noexcept { return m_maximumLength; }

private:
    CRuleLengthMaximum(const CRuleLengthMaximum& other) = default;

    int32_t m_maximumLength = kDefaultMaximum;
};
