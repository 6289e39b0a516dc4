// The rule base and the factory on real MSXML documents: the document's
// number syntax, attributes, rule types, the common children, descriptions by
// language, hostile documents and element reads that fail.
#include "PolicyTestWorld.h"

#include "directory/XmlAttributes.h"
#include "policy/CRuleBlackList.h"
#include "policy/CRuleHistoryMinimumAge.h"
#include "policy/CRuleLengthMaximum.h"
#include "policy/CRuleLengthMinimum.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"
#include "policy/RuleFactory.h"
#include "policy/RuleXml.h"
#include "support/_com_error.h"
#include "support/WideFormat.h"
#include "support/cMvBstr.h"
#include "tests/support/ImportPatch.h"

#include <cfloat>
#include <climits>
#include <cstring>
#include <vector>

TEST(RuleText, IntegerTextIsADigitOrMinusFollowedByDigitsAndClampsToTheRange) {
    const struct {
        const wchar_t* text;
        bool isInteger;
        int32_t value;
    } rows[] = {{L"-", true, 0},
                {L"-12", true, -12},
                {L"007", true, 7},
                {L"2147483647", true, INT32_MAX},
                {L"2147483648", true, INT32_MAX},
                {L"+1", false, 0},
                {L"-99999999999999999999", true, INT32_MIN},
                {L"", false, 0},
                {L" 1", false, 0},
                {L"1 ", false, 0},
                {L"0x10", false, 0},
                {L"1-", false, 0},
                {L"\u0661", false, 0}};
    for (const auto& row : rows) {
        int32_t value = 12345;
        EXPECT_EQ(ParseIntegerText(row.text, value), row.isInteger) << row.text;
        EXPECT_EQ(value, row.isInteger ? row.value : 12345) << row.text;
    }
    int32_t value = 0;
    EXPECT_FALSE(ParseIntegerText(nullptr, value));
}

TEST(RuleText, FloatTextAllowsOnePointAfterTheFirstCharacterAndNoExponent) {
    const std::wstring huge = L"1" + std::wstring(400, L'0');
    const struct {
        const wchar_t* text;
        bool isFloat;
        float value;
    } rows[] = {{L"0.8", true, 0.8f},  {L"1.", true, 1.0f},    {L"-0.5", true, -0.5f},
                {L"5", true, 5.0f},    {L"-", true, 0.0f},     {L".5", false, 0.0f},
                {L"1e3", false, 0.0f}, {L"0.8 ", false, 0.0f}, {L"1.2.3", false, 0.0f},
                {L"", false, 0.0f},    {L"0,8", false, 0.0f},  {huge.c_str(), true, FLT_MAX}};
    for (const auto& row : rows) {
        float value = 42.0f;
        EXPECT_EQ(ParseFloatText(row.text, value), row.isFloat) << row.text;
        EXPECT_EQ(value, row.isFloat ? row.value : 42.0f) << row.text;
    }
}

class RuleFactory_ : public PolicyTest {
protected:
    // The rules made of `<Rule ` + `rest` + `</Rule>`.
    int32_t Make(const std::wstring& rest, RuleList& rules, const wchar_t* version = L"2.0") {
        return CreateRuleFromXML(log, Node(L"<Rule " + rest + L"</Rule>"), rules, version);
    }
};

namespace {

// What the loaded rules hold, in one line: the type and the class's settings.
std::wstring Describe(const RuleList& rules) {
    std::wstring text;
    for (const auto& rule : rules) {
        const CRuleBase* r = rule.get();
        text += (text.empty() ? L"" : L" | ") + std::to_wstring(r->GetType()) + L":";
        if (const auto* age = dynamic_cast<const CRuleHistoryMinimumAge*>(r)) {
            text += std::to_wstring(age->GetMinimumAge());
        } else if (const auto* minimum = dynamic_cast<const CRuleLengthMinimum*>(r)) {
            text += std::to_wstring(minimum->GetMinimumLength());
        } else if (const auto* maximum = dynamic_cast<const CRuleLengthMaximum*>(r)) {
            text += std::to_wstring(maximum->GetMaximumLength());
        } else if (const auto* x = dynamic_cast<const CRuleRegex*>(r)) {
            text += FormatWide(L"%d %s %d", x->GetExpressionType(),
                               x->GetExpression() ? x->GetExpression() : L"-",
                               x->GetExpressionValidatesPassword());
        } else if (const auto* n = dynamic_cast<const CRuleNameSimilarity*>(r)) {
            text += FormatWide(L"%d %g %d %g", n->GetLoginCheck(), double(n->GetLoginRatio()),
                               n->GetFullNameCheck(), double(n->GetFullNameRatio()));
        } else if (const auto* p = dynamic_cast<const CRulePasswordSimilarity*>(r)) {
            text += FormatWide(L"%d %.9g", p->GetCheck(), double(p->GetRatio()));
        } else if (const auto* b = dynamic_cast<const CRuleBlackList*>(r)) {
            text += std::to_wstring(b->GetInterpretation());
            for (const std::wstring& item : b->GetItems()) {
                text += L" [" + item + L"]";
            }
        }
    }
    return text;
}

} // namespace

TEST_F(RuleFactory_, EachRuleLoadsItsChildrenOrFallsBackWithItsCodeAndLine) {
    const wchar_t* const badEnabled = L"Error code (-11) - Failed to convert value of enabled node";
    const wchar_t* const badLength = L"Error code (-11) - Failed to convert value of m";
    const wchar_t* const noType = L"Error code (-11) - Regex node has no type attribute.";
    const wchar_t* const badUsername =
        L"Error code (-11) - Failed to extract information about username similarity";
    const wchar_t* const unknown = L"Error code (-11) - Unknown rule type detected.";
    const struct {
        const wchar_t* type; // the type attribute
        const wchar_t* children;
        int32_t result;
        bool enabled;
        const wchar_t* holds;
        const wchar_t* error; // start of an Error entry, or null for none
    } rows[] = {
        {L"TYPE='3'", L"<Enabled>1</Enabled>", 0, true, L"3:18", nullptr},
        {L"", L"<Enabled>1</Enabled>", -11, false, L"", nullptr},
        {L"type='x'", L"<Enabled>1</Enabled>", -11, false, L"",
         L"Error code (-11) - Failed to convert value"},
        {L"type=' 2'", L"<Enabled>1</Enabled>", -11, false, L"", unknown},
        {L"type='2'", L"", -12, false, L"2:6", L"Failed to load minimum length rule from XML."},
        {L"type='8'", L"<Blacklist/>", -11, false, L"8:0",
         L"Failed to load blacklist rule from XML."},
        {L"type='4'", L"<PasswordRatio>0.5</PasswordRatio>", -11, false,
         L"6:0 0.8 0 0.8 | 7:0 0.800000012", L"Failed to load password similarity rule from XML."},
        {L"type='4'",
         L"<UsernameRatio Enabled='1'>0.8</UsernameRatio><FullnameRatio Enabled='1'>0.7"
         L"</FullnameRatio><PasswordRatio Enabled='1'>0.6</PasswordRatio><Enabled>1</Enabled>"
         L"<Description>Not like you.</Description>",
         0, true, L"6:1 0.8 1 0.7 | 7:1 0.600000024", nullptr},
        {L"type='2'", L"<Enabled>2</Enabled>", 0, true, L"2:6", nullptr},
        {L"type='2'", L"<Enabled>yes</Enabled>", 0, false, L"2:6", badEnabled},
        {L"type='2'", L"<Enabled>1</Enabled><Enabled>0</Enabled>", 0, false, L"2:6", nullptr},
        {L"type='2'", L"<Enabled>1</Enabled><Enabled>x</Enabled>", 0, true, L"2:6", badEnabled},
        {L"type='2'", L"<p:Enabled xmlns:p='urn:p'>1</p:Enabled>", 0, true, L"2:6", nullptr},
        {L"type='2'", L"<enabled>1</enabled>", 0, false, L"2:6", nullptr},
        {L"type='2'", L"<MinimumLength>abc</MinimumLength>", 0, false, L"2:6", badLength},
        {L"type='3'", L"<MaximumLength>1 8</MaximumLength>", 0, false, L"3:18", badLength},
        {L"type='3'", L"", -12, false, L"3:18", L"Error code (-12) - Rule is empty."},
        {L"type='5'",
         L"<Regex Type='2'>[0-9]</Regex><Data>d</Data><ExpressionValidatesPassword>1"
         L"</ExpressionValidatesPassword><Enabled>1</Enabled>",
         0, true, L"5:2 [0-9] 1", nullptr},
        {L"type='5'", L"<Regex>[0-9]</Regex><Enabled>1</Enabled>", -11, false, L"5:0 [0-9] 0",
         noType},
        {L"type='5'", L"<Regex Type='one'>x</Regex><Enabled>1</Enabled>", 0, true, L"5:0 x 0",
         L"Error code (-11) - Failed to convert value of type attribute of regex node"},
        {L"type='5'",
         L"<Regex Type='7'>x</Regex><ExpressionValidatesPassword>yes"
         L"</ExpressionValidatesPassword>",
         0, false, L"5:7 x 0",
         L"Error code (-11) - Failed to convert value of ExpressionValidatesPassword node"},
        {L"type='5'", L"<Regex Type='0'></Regex><Enabled>1</Enabled>", 0, true, L"5:0 - 0",
         nullptr},
        {L"type='5'", L"<Enabled>1</Enabled>", 0, true, L"5:0 - 0", nullptr}, // a free expression
        {L"type='6'",
         L"<UsernameRatio Enabled='1'>0.5</UsernameRatio><FullnameRatio Enabled='0'>0.9"
         L"</FullnameRatio>",
         0, false, L"6:1 0.5 0 0.9", nullptr},
        {L"type='6'", L"<UsernameRatio>0.5</UsernameRatio>", -11, false, L"6:0 0.8 0 0.8",
         badUsername},
        {L"type='6'",
         L"<FullnameRatio Enabled='1'>0.6</FullnameRatio><UsernameRatio>0.5</UsernameRatio>", -11,
         false, L"6:0 0.8 1 0.6", badUsername},
        {L"type='6'", L"<UsernameRatio Enabled='1'>.5</UsernameRatio>", 0, false, L"6:1 0.8 0 0.8",
         L"Error code (-11) - Failed to convert value of similarity ratio to float."},
        {L"type='6'", L"<UsernameRatio Enabled='on'>0.25</UsernameRatio>", 0, false,
         L"6:0 0.25 0 0.8",
         L"Error code (-11) - Failed to convert value of enabled attribute of similarity rule"},
        {L"type='7'", L"<Enabled>1</Enabled>", 0, true, L"7:0 0.800000012", nullptr},
        {L"type='8'",
         L"<Blacklist Interpretation='0'><Item>one</Item><Other>x</Other><Item></Item>"
         L"</Blacklist><Blacklist interpretation='1'><Item>^two</Item></Blacklist>",
         0, false, L"8:1 [one] [] [^two]", nullptr},
        {L"type='8'",
         L"<Blacklist Interpretation='2'><Item>a</Item></Blacklist><Enabled>1</Enabled>", -11, true,
         L"8:2 [a]", L"Error code (-11) - Unknown interpretation '2' of blacklist rule."},
        {L"type='8'", L"<Blacklist><Item>a</Item></Blacklist><Enabled>1</Enabled>", -11, false,
         L"8:0", L"Error code (-11) - Blacklist node has no interpretation attribute."},
        {L"type='8'", L"<Blacklist Interpretation='lit'><Item>a</Item></Blacklist>", 0, false,
         L"8:0 [a]",
         L"Error code (-11) - Failed to convert value of interpretation attribute of blacklist"},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        RuleList rules;
        EXPECT_EQ(Make(std::wstring(row.type) + L">" + row.children, rules), row.result)
            << row.type << row.children;
        EXPECT_EQ(Describe(rules), row.holds) << row.children;
        for (const auto& rule : rules) {
            EXPECT_EQ(rule->IsEnabled(), row.enabled) << row.children;
        }
        EXPECT_TRUE(ErrorLogged(row.error)) << row.type << row.children << AllEntries();
    }
}

TEST_F(RuleFactory_, DescriptionsAreKeptByLanguageWithEnglishAsFallbackAndDataAsWritten) {
    CRuleLengthMinimum rule(6); // its built-in texts are gone once it is loaded
    ASSERT_EQ(rule.LoadFromXML(log,
                               Rule(2, L"<Description languageid='19'>Dutch first</Description>"
                                       L"<Description languageid='de'>Not a number</Description>"
                                       L"<Description LANGUAGEID='7'>Deutsch</Description>"
                                       L"<Description languageid='7'>Deutsch, später</Description>"
                                       L"<Description>100% sure: %s %n %d</Description>"
                                       L"<Description languageid='5'></Description>"),
                               nullptr),
              0);
    EXPECT_STREQ(rule.GetDescription(19), L"Dutch first");
    EXPECT_STREQ(rule.GetDescription(7), L"Deutsch, sp\u00e4ter");
    // English is the last text without a usable language id.
    for (uint32_t language : {9u, 12u, 5u, 22u}) {
        EXPECT_STREQ(rule.GetDescription(language), L"100% sure: %s %n %d") << language;
    }
    ASSERT_EQ(
        rule.LoadFromXML(log, Rule(2, L"<Description languageid='19'>nl</Description>"), nullptr),
        0);
    EXPECT_EQ(rule.GetDescription(9), nullptr);
    EXPECT_EQ(rule.GetDescription(7), nullptr);
}

TEST_F(RuleFactory_, HostileDocumentsLoadOrFailWithTheirCodeAndNeverCrash) {
    const std::wstring longText(1 << 20, L'x');
    std::wstring deep = L"1", items;
    for (int i = 0; i < 5000; ++i) {
        deep = i < 200 ? L"<n>" + deep + L"</n>" : deep;
        items += L"<Item>w" + std::to_wstring(i) + L"</Item>";
    }
    const struct {
        std::wstring rest;
        int32_t result;
    } rows[] = {
        {L"type='2'><MinimumLength>" + longText + L"</MinimumLength><Description>" + longText +
             L"</Description>",
         0},
        {L"type='2'><Enabled>" + deep + L"</Enabled><MinimumLength>" + deep + L"</MinimumLength>",
         0},
        {L"type='2'>" + deep, 0},
        {L"type='2'><Enabled>&#x7F;1</Enabled><MinimumLength>&#x85;8&#x200B;</MinimumLength>"
         L"<Description>a&#xD;&#xA;b&#xFEFF;</Description>",
         0},
        {L"type='8'><Blacklist Interpretation='1'>" + items + L"</Blacklist>", 0},
        {L"type='" + longText + L"'><Enabled>1</Enabled>", -11},
        {L"type='5'><Regex Type='" + longText + L"'>" + longText + L"</Regex>", 0},
        {L"type='2'><!-- only a comment -->", 0},
    };
    RuleList rules;
    for (const auto& row : rows) {
        EXPECT_EQ(Make(row.rest, rules, nullptr), row.result) << row.rest.substr(0, 120);
    }
    // The long description is stored whole; the odd characters are data.
    EXPECT_EQ(std::wstring(rules[0]->GetDescription(9)), longText);
    EXPECT_EQ(static_cast<const CRuleLengthMinimum&>(*rules[3]).GetMinimumLength(), 6);
    EXPECT_FALSE(rules[3]->IsEnabled());
    EXPECT_STREQ(rules[3]->GetDescription(9), L"a\r\nb\uFEFF");
}

namespace {

// While it lives, attribute reads of elements named `name` fail with `hr`, a
// failure no real document brings: the element class's vtable is patched.
class FailingAttributes {
public:
    FailingAttributes(IXMLDOMNode* element, const wchar_t* name, HRESULT hr) {
        void** vtable = *reinterpret_cast<void***>(element);
        s_baseName = reinterpret_cast<Method>(vtable[SlotOf(&IXMLDOMNode::get_baseName)]);
        s_name = name;
        s_hr = hr;
        m_slot = &vtable[SlotOf(&IXMLDOMNode::get_attributes)];
        s_original =
            reinterpret_cast<Method>(ReplaceSlot(m_slot, reinterpret_cast<void*>(&Failing)));
    }
    ~FailingAttributes() { ReplaceSlot(m_slot, reinterpret_cast<void*>(s_original)); }

private:
    using Method = HRESULT(WINAPI*)(IXMLDOMNode*, void*);
    static HRESULT WINAPI Failing(IXMLDOMNode* self, void* out) {
        resetra::cMvBstr name;
        const bool named = SUCCEEDED(s_baseName(self, name.put())) && s_name == name.c_str();
        return named ? s_hr : s_original(self, out);
    }
    // A pointer to a virtual member holds 1 + its byte offset in the vtable.
    template <typename Member>
    static size_t SlotOf(Member member) {
        size_t raw = 0;
        std::memcpy(&raw, &member, sizeof raw);
        return (raw - 1) / sizeof(void*);
    }
    static inline Method s_original = nullptr;
    static inline Method s_baseName = nullptr;
    static inline std::wstring s_name;
    static inline HRESULT s_hr = S_OK;
    void** m_slot = nullptr;
};

} // namespace

TEST_F(RuleFactory_, AttributesMatchByBaseNameInAnyCaseTheFirstWinning) {
    const struct {
        const wchar_t *xml, *name;
        int32_t code;
        const wchar_t* value;
    } rows[] = {{L"<R VERSION='first' version='second'/>", L"version", 0, L"first"},
                {L"<R xmlns:h='urn:h' h:type='7' v=''/>", L"type", 0, L"7"},
                {L"<R xmlns:h='urn:h' h:type='7' v=''/>", L"V", 0, L""},
                {L"<R type='1'/>", L"version", 1, L"unchanged"}};
    for (const auto& row : rows) {
        std::wstring value = L"unchanged";
        EXPECT_EQ(GetXmlAttributeValue(log, Node(row.xml), row.name, value), row.code) << row.xml;
        EXPECT_EQ(value, row.value) << row.xml;
    }
    std::wstring value;
    EXPECT_THROW((void)GetXmlAttributeValue(log, nullptr, L"type", value), resetra::_com_error);
}

TEST_F(RuleFactory_, UnreadableAttributesFailTheLoadWithTheirCodeAndLine) {
    const HRESULT hr = E_ACCESSDENIED;
    const struct {
        const wchar_t* rest;
        const wchar_t* element; // whose attributes cannot be read
        const wchar_t* error;
    } rows[] = {
        {L"type='5'><Regex Type='0'>[0-9]</Regex><Enabled>1</Enabled>", L"Regex",
         L"Failed to get type attribute of regex node."},
        {L"type='7'><PasswordRatio Enabled='1'>0.5</PasswordRatio><Enabled>1</Enabled>",
         L"PasswordRatio", L"Failed to get enabled attribute."},
        {L"type='8'><Blacklist Interpretation='1'><Item>a</Item></Blacklist><Enabled>1</Enabled>",
         L"Blacklist", L"Failed to get interpretation attribute."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        RuleList rules;
        IXMLDOMNode* rule = Node(L"<Rule " + std::wstring(row.rest) + L"</Rule>");
        {
            const FailingAttributes fault(rule, row.element, hr);
            EXPECT_EQ(CreateRuleFromXML(log, rule, rules, L"2.0"), hr) << row.rest;
        }
        EXPECT_TRUE(LoggedStart(LogLevel::Error, row.error)) << row.rest << AllEntries();
    }
}
