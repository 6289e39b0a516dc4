// Rules from "Rule" elements of the policy document, the display names of
// the rule types for log lines, and the built-in rule set a new policy
// starts with.
#pragma once

#include "policy/CRuleBase.h"

#include <cstdint>

// Makes the rule or rules of one "Rule" element (type 4 makes a name- and a
// password-similarity rule), loads them and appends them to `rules`, also
// when their load failed. 0, or the code of the last failure.
[[nodiscard]] int32_t CreateRuleFromXML(cMvLog& log, IXMLDOMNode* ruleElement, RuleList& rules,
                                        const wchar_t* documentVersion);

// Fixed English name of the rule's type; "Unknown rule" for none.
[[nodiscard]] const wchar_t* GetTypeName(const CRuleBase* rule);

// The nine built-in rules, disabled, in their fixed order.
[[nodiscard]] RuleList MakeBuiltInRules();
