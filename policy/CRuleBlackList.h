// Rule type 8: a list of forbidden passwords, compared whole and without
// regard to the case of A to Z, or a list of forbidden expressions, each
// refusing a password in which it is found.
#pragma once

#include "policy/CRuleBase.h"
#include "policy/CompiledPattern.h"

#include <memory>
#include <string>
#include <vector>

class CRuleBlackList : public CRuleBase {
public:
    static constexpr int32_t kType = 8;
    static constexpr int32_t kLiteral = 0;
    static constexpr int32_t kExpressions = 1;

    // Unloaded: literal, no items.
    CRuleBlackList() = default;
    // Built in: the built-in texts, the given interpretation and items (an
    // empty item stands for an absent one).
    explicit CRuleBlackList(int32_t interpretation, std::vector<std::wstring> items = {});

    [[nodiscard]] std::unique_ptr<CRuleBase> Clone() const override;
    // An interpretation other than literal or expressions cannot be
    // evaluated: a non-zero result, never a verdict.
    [[nodiscard]] int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                               const wchar_t* newPassword, bool continueAfterRefusal,
                               const wchar_t* oldPassword) override;
    [[nodiscard]] int32_t GetType() const override { return kType; }
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                      const wchar_t* documentVersion) override;

    [[nodiscard]] int32_t GetInterpretation() const noexcept { return m_interpretation; }
    [[nodiscard]] const std::vector<std::wstring>& GetItems() const noexcept { return m_items; }

private:
    CRuleBlackList(const CRuleBlackList& other) = default;
    [[nodiscard]] ChildOutcome ReadBlacklist(cMvLog& log, IXMLDOMNode* blacklist, int32_t& result);
    [[nodiscard]] bool MatchesLiteral(const wchar_t* password) const;

    int32_t m_interpretation = kLiteral;
    std::vector<std::wstring> m_items;
    // The expressions compiled as the tests first reach them, one slot per
    // item; copies of the rule share them.
    std::vector<std::shared_ptr<const CompiledPattern>> m_compiled;
};
