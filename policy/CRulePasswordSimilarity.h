// Rule type 7: the new password may not resemble the old one, judged by the
// pair similarity with a ratio between 0 and 1.
#pragma once

#include "policy/CRuleBase.h"
#include "policy/RuleXml.h"

class CRulePasswordSimilarity : public CRuleBase {
public:
    static constexpr int32_t kType = 7;

    // Unloaded: check off, ratio 0.8.
    CRulePasswordSimilarity() = default;
    // Built in: the built-in texts and the given check and ratio.
    explicit CRulePasswordSimilarity(bool check, float ratio = kDefaultSimilarityRatio);

    [[nodiscard]] std::unique_ptr<CRuleBase> Clone() const override;
    [[nodiscard]] int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                               const wchar_t* newPassword, bool continueAfterRefusal,
                               const wchar_t* oldPassword) override;
    [[nodiscard]] int32_t GetType() const override { return kType; }
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                      const wchar_t* documentVersion) override;

    [[nodiscard]] bool GetCheck() const noexcept { return m_check; }
    [[nodiscard]] float GetRatio() const noexcept { return m_ratio; }

private:
    CRulePasswordSimilarity(const CRulePasswordSimilarity& other) = default;

    bool m_check = false;
    float m_ratio = kDefaultSimilarityRatio;
};
