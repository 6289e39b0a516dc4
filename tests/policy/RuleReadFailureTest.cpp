// Reads that fail inside MSXML (a real document never fails them, so the
// nodes are wrapped): each gives its code and log line, and none leaves a
// rule that reads as loaded when its own setting could not be read.
#include "FaultyNode.h"
#include "PolicyTestWorld.h"

#include "policy/RuleFactory.h"

using Call = NodeFault::Call;

class RuleReadFailures : public PolicyTest {};

TEST_F(RuleReadFailures, GiveTheirCodeAndLineAndNeverALoadedRuleThatAccepts) {
    const HRESULT hr = E_ACCESSDENIED;
    const struct {
        const wchar_t* xml;
        NodeFault fault;
        int32_t result;
        size_t rules;
        bool enabled;
        const wchar_t* error;
    } rows[] = {
        {L"<Rule type='2'><MinimumLength>8</MinimumLength><Enabled>1</Enabled></Rule>",
         {L"Rule", Call::Attributes, hr},
         hr,
         0,
         false,
         L"Failed to get type attribute."},
        {L"<Rule type='2'><MinimumLength>8</MinimumLength><Enabled>1</Enabled></Rule>",
         {L"Rule", Call::HasChildNodes, hr},
         hr,
         1,
         false,
         L"Failed to determine if rule node has children."},
        {L"<Rule type='2'><MinimumLength>8</MinimumLength><Enabled>1</Enabled></Rule>",
         {L"Rule", Call::ChildNodes, hr},
         hr,
         1,
         false,
         L"An error occurred getting minimum length rule data."},
        {L"<Rule type='2'><MinimumLength>8</MinimumLength><Enabled>1</Enabled></Rule>",
         {L"MinimumLength", Call::Text, hr},
         hr,
         1,
         false,
         L"Failed to get value of minimum length node."},
        {L"<Rule type='2'><MinimumLength>8</MinimumLength><Enabled>1</Enabled></Rule>",
         {L"MinimumLength", Call::BaseName, hr},
         hr,
         1,
         true,
         L"An error occurred getting base name of child."},
        {L"<Rule type='2'><Enabled>1</Enabled></Rule>",
         {L"Enabled", Call::Text, hr},
         0,
         1,
         false,
         L"Failed to get value of enabled node."},
        {L"<Rule type='2'><Description>d</Description><Enabled>1</Enabled></Rule>",
         {L"Description", Call::Text, hr},
         0,
         1,
         false,
         L"Failed to get value of description node."},
        {L"<Rule type='5'><Regex Type='0'>[0-9]</Regex><Enabled>1</Enabled></Rule>",
         {L"Regex", Call::Attributes, hr},
         hr,
         1,
         false,
         L"Failed to get type attribute of regex node."},
        {L"<Rule type='8'><Blacklist Interpretation='1'><Item>a</Item></Blacklist>"
         L"<Enabled>1</Enabled></Rule>",
         {L"Blacklist", Call::Attributes, hr},
         hr,
         1,
         false,
         L"Failed to get interpretation attribute."},
        {L"<Rule type='8'><Blacklist Interpretation='1'><Item>a</Item></Blacklist>"
         L"<Enabled>1</Enabled></Rule>",
         {L"Item", Call::Text, hr},
         hr,
         1,
         false,
         L"Failed to get value of item node."},
        {L"<Rule type='7'><PasswordRatio Enabled='1'>0.5</PasswordRatio><Enabled>1</Enabled>"
         L"</Rule>",
         {L"PasswordRatio", Call::Attributes, hr},
         hr,
         1,
         true,
         L"Failed to get enabled attribute."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        resetra::cMvComPtr<IXMLDOMNode> faulty(WrapWithFault(Rule(row.xml), row.fault));
        RuleList rules;
        EXPECT_EQ(CreateRuleFromXML(log, faulty.get(), rules, L"2.0"), row.result) << row.xml;
        ASSERT_EQ(rules.size(), row.rules) << row.xml;
        if (!rules.empty()) {
            EXPECT_EQ(rules[0]->IsEnabled(), row.enabled) << row.xml;
        }
        EXPECT_TRUE(LoggedStart(LogLevel::Error, row.error)) << row.xml << AllEntries();
    }
}
