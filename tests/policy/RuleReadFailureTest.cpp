// Reads that fail inside MSXML (a real document never fails them, so the
// element class is patched): each gives its code and log line, and none
// leaves a rule that reads as loaded when its own setting could not be read.
#include "FaultyNode.h"
#include "PolicyTestWorld.h"

#include "policy/RuleFactory.h"

class RuleReadFailures : public PolicyTest {};

TEST_F(RuleReadFailures, GiveTheirCodeAndLineAndNeverALoadedRuleThatAccepts) {
    const HRESULT hr = E_ACCESSDENIED;
    const wchar_t* const length = L"type='2'><MinimumLength>8</MinimumLength><Enabled>1</Enabled>";
    const wchar_t* const list = L"type='8'><Blacklist Interpretation='1'><Item>a</Item></Blacklist>"
                                L"<Enabled>1</Enabled>";
    const struct {
        const wchar_t* rest;
        const wchar_t* name;
        NodeFault::Call call;
        int32_t result;
        size_t rules;
        bool enabled;
        const wchar_t* error;
    } rows[] = {
        {length, L"Rule", NodeFault::Attributes, hr, 0, false, L"Failed to get type attribute."},
        {length, L"Rule", NodeFault::HasChildNodes, hr, 1, false,
         L"Failed to determine if rule node has children."},
        {length, L"MinimumLength", NodeFault::Text, hr, 1, false,
         L"Failed to get value of minimum length node."},
        {length, L"MinimumLength", NodeFault::BaseName, hr, 1, true,
         L"An error occurred getting base name of child."},
        {L"type='2'><Enabled>1</Enabled>", L"Enabled", NodeFault::Text, 0, 1, false,
         L"Failed to get value of enabled node."},
        {L"type='5'><Regex Type='0'>[0-9]</Regex><Enabled>1</Enabled>", L"Regex",
         NodeFault::Attributes, hr, 1, false, L"Failed to get type attribute of regex node."},
        {list, L"Item", NodeFault::Text, hr, 1, false, L"Failed to get value of item node."},
        {L"type='7'><PasswordRatio Enabled='1'>0.5</PasswordRatio><Enabled>1</Enabled>",
         L"PasswordRatio", NodeFault::Attributes, hr, 1, true, L"Failed to get enabled attribute."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        IXMLDOMNode* rule = Node(L"<Rule " + std::wstring(row.rest) + L"</Rule>");
        RuleList rules;
        {
            const NodeFault fault(rule, row.name, row.call, hr);
            EXPECT_EQ(CreateRuleFromXML(log, rule, rules, L"2.0"), row.result) << row.rest;
        }
        ASSERT_EQ(rules.size(), row.rules) << row.rest;
        EXPECT_TRUE(rules.empty() || rules[0]->IsEnabled() == row.enabled) << row.rest;
        EXPECT_TRUE(LoggedStart(LogLevel::Error, row.error)) << row.rest << AllEntries();
    }
}
