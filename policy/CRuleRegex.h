// Rule type 5: one regular expression that the new password must match, or
// must not match. Three kinds share the class (free expression, repeating
// characters, character requirements); the kind changes the display name,
// the built-in texts and the verdict on an empty password.
#pragma once

#include "policy/CRuleBase.h"
#include "policy/CompiledPattern.h"

#include <memory>
#include <string>

class CRuleRegex : public CRuleBase {
public:
    static constexpr int32_t kType = 5;
    static constexpr int32_t kRegularExpression = 0;
    static constexpr int32_t kRepeatingCharacters = 1;
    static constexpr int32_t kCharacterRequirements = 2;
    static constexpr int32_t kDefaultRepeatLimit = 2;

    // Unloaded: type 0, no expression, no data, validates false.
    CRuleRegex() = default;
    // Built in. Type 1 builds its expression from `repeatLimit` when none is
    // given, keeps the limit as data and refuses matches; the other types
    // take the expression as given and require a match.
    CRuleRegex(int32_t expressionType, const wchar_t* expression,
               int32_t repeatLimit = kDefaultRepeatLimit);

    [[nodiscard]] std::unique_ptr<CRuleBase> Clone() const override;
    [[nodiscard]] int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                               const wchar_t* newPassword, bool continueAfterRefusal,
                               const wchar_t* oldPassword) override;
    [[nodiscard]] int32_t GetType() const override { return kType; }
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                      const wchar_t* documentVersion) override;

    [[nodiscard]] int32_t GetExpressionType() const noexcept { return m_expressionType; }
    // Null when there is none.
    [[nodiscard]] const wchar_t* GetExpression() const noexcept {
        return m_expression.empty() ? nullptr : m_expression.c_str();
    }
    [[nodiscard]] const wchar_t* GetData() const noexcept {
        return m_data.empty() ? nullptr : m_data.c_str();
    }
    [[nodiscard]] bool GetExpressionValidatesPassword() const noexcept { return m_validates; }

private:
    CRuleRegex(const CRuleRegex& other) = default;
    [[nodiscard]] static DescriptionTable BuiltInTexts(int32_t expressionType, int32_t repeatLimit);
    [[nodiscard]] ChildOutcome ReadRegex(cMvLog& log, IXMLDOMNode* regex, int32_t& result);

    int32_t m_expressionType = kRegularExpression;
    std::wstring m_expression;
    std::wstring m_data;
    bool m_validates = false;
    // The expression compiled at the first test; copies of the rule share it.
    std::shared_ptr<const CompiledPattern> m_compiled;
};
