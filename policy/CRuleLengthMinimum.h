// Rule type 2: the new password must have at least a given number of UTF-16
// code units.
#pragma once

#include "policy/CRuleBase.h"

class CRuleLengthMinimum : public CRuleBase {
public:
    static constexpr int32_t kType = 2;
    static constexpr int32_t kDefaultMinimum = 6;

    // Unloaded: no descriptions, disabled, the default minimum.
    CRuleLengthMinimum() = default;
    // Built in: the given minimum and the built-in texts formatted with it.
    explicit CRuleLengthMinimum(int32_t minimumLength);

    [[nodiscard]] std::unique_ptr<CRuleBase> Clone() const override;
    [[nodiscard]] int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                               const wchar_t* newPassword, bool continueAfterRefusal,
                               const wchar_t* oldPassword) override;
    [[nodiscard]] int32_t GetType() const override { return kType; }
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                      const wchar_t* documentVersion) override;

    [[nodiscard]] int32_t GetMinimumLength() const noexcept { return m_minimumLength; }

private:
    CRuleLengthMinimum(const CRuleLengthMinimum& other) = default;

    int32_t m_minimumLength = kDefaultMinimum;
};
