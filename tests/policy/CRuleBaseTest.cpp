// The rule base and the factory on real MSXML documents: the document's
// number syntax, rule types, the common children, descriptions by language,
// the built-in rule set and hostile documents.
#include "PolicyTestWorld.h"

#include "policy/CRuleBlackList.h"
#include "policy/CRuleLengthMinimum.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"
#include "policy/RuleFactory.h"
#include "policy/RuleXml.h"

#include <cfloat>
#include <climits>
#include <vector>

namespace {

struct IntegerRow {
    const wchar_t* text;
    bool isInteger;
    int32_t value;
};

struct FloatRow {
    const wchar_t* text;
    bool isFloat;
    float value;
};

} // namespace

TEST(RuleText, IntegerTextIsADigitOrMinusFollowedByDigitsAndClampsToTheRange) {
    const IntegerRow rows[] = {
        {L"0", true, 0},
        {L"-", true, 0},
        {L"-12", true, -12},
        {L"007", true, 7},
        {L"2147483647", true, INT32_MAX},
        {L"2147483648", true, INT32_MAX},
        {L"-99999999999999999999", true, INT32_MIN},
        {L"", false, 0},
        {L"+1", false, 0},
        {L" 1", false, 0},
        {L"1 ", false, 0},
        {L"0x10", false, 0},
        {L"1-", false, 0},
        {L"\u0661", false, 0}, // an Arabic-Indic digit is not a decimal digit here
    };
    for (const IntegerRow& row : rows) {
        int32_t value = 12345;
        EXPECT_EQ(ParseIntegerText(row.text, value), row.isInteger) << "text '" << row.text << "'";
        EXPECT_EQ(value, row.isInteger ? row.value : 12345) << "text '" << row.text << "'";
    }
    int32_t value = 0;
    EXPECT_FALSE(ParseIntegerText(nullptr, value));
}

TEST(RuleText, FloatTextAllowsOnePointAfterTheFirstCharacterAndNoExponent) {
    const std::wstring hugeText = L"1" + std::wstring(400, L'0');
    const FloatRow rows[] = {
        {L"0.8", true, 0.8f},  {L"1.", true, 1.0f},    {L"-0.5", true, -0.5f},
        {L"5", true, 5.0f},    {L"-", true, 0.0f},     {L".5", false, 0.0f},
        {L"1e3", false, 0.0f}, {L"0.8 ", false, 0.0f}, {L"1.2.3", false, 0.0f},
        {L"", false, 0.0f},    {L"0,8", false, 0.0f},  {hugeText.c_str(), true, FLT_MAX},
    };
    for (const FloatRow& row : rows) {
        float value = 42.0f;
        EXPECT_EQ(ParseFloatText(row.text, value), row.isFloat) << "text '" << row.text << "'";
        EXPECT_EQ(value, row.isFloat ? row.value : 42.0f) << "text '" << row.text << "'";
    }
}

class RuleFactory_ : public PolicyTest {};

TEST_F(RuleFactory_, MakesTheRulesOfEachTypeAndReportsFailuresWithTheirCodeAndLine) {
    struct Row {
        const wchar_t* xml;
        int32_t result;
        std::vector<int32_t> types;
        const wchar_t* errorStart; // an Error entry that starts so, or null for none
    } rows[] = {
        {L"<Rule type='1'><MinimumAge>1</MinimumAge></Rule>", 0, {1}, nullptr},
        {L"<Rule type='2'><Enabled>1</Enabled></Rule>", 0, {2}, nullptr},
        {L"<Rule TYPE='3'><Enabled>1</Enabled></Rule>", 0, {3}, nullptr},
        {L"<Rule type='4'><UsernameRatio Enabled='1'>0.8</UsernameRatio>"
         L"<FullnameRatio Enabled='0'>0.8</FullnameRatio><PasswordRatio Enabled='1'>0.5"
         L"</PasswordRatio></Rule>",
         0,
         {6, 7},
         nullptr},
        {L"<Rule type='5'><Enabled>1</Enabled></Rule>", 0, {5}, nullptr},
        {L"<Rule type='6'><Enabled>1</Enabled></Rule>", 0, {6}, nullptr},
        {L"<Rule type='7'><Enabled>1</Enabled></Rule>", 0, {7}, nullptr},
        {L"<Rule type='8'><Enabled>1</Enabled></Rule>", 0, {8}, nullptr},
        {L"<Rule type='2'/>", -12, {2}, L"Failed to load minimum length rule from XML."},
        {L"<Rule type='8'><Blacklist/></Rule>",
         -11,
         {8},
         L"Failed to load blacklist rule from XML."},
        {L"<Rule type='4'><PasswordRatio>0.5</PasswordRatio></Rule>",
         -11,
         {6, 7},
         L"Failed to load password similarity rule from XML."},
        {L"<Rule><Enabled>1</Enabled></Rule>", -11, {}, nullptr},
        {L"<Rule type='x'><Enabled>1</Enabled></Rule>",
         -11,
         {},
         L"Error code (-11) - Failed to convert value of type attribute to integer."},
        {L"<Rule type=' 2'><Enabled>1</Enabled></Rule>",
         -11,
         {},
         L"Error code (-11) - Unknown rule type detected."},
        {L"<Rule type='9'><Enabled>1</Enabled></Rule>",
         -11,
         {},
         L"Error code (-11) - Unknown rule type detected."},
    };
    for (const Row& row : rows) {
        handler.entries.clear();
        RuleList rules;
        EXPECT_EQ(CreateRuleFromXML(log, Rule(row.xml), rules, L"2.0"), row.result) << row.xml;
        std::vector<int32_t> types;
        for (const auto& rule : rules) {
            types.push_back(rule->GetType());
        }
        EXPECT_EQ(types, row.types) << row.xml;
        if (row.errorStart != nullptr) {
            EXPECT_TRUE(LoggedStart(LogLevel::Error, row.errorStart)) << row.xml << AllEntries();
        } else {
            EXPECT_EQ(Errors(), 0u) << row.xml << AllEntries();
        }
        if (row.result == 0) {
            EXPECT_TRUE(Logged(LogLevel::Debug, L"Successfully loaded rule of type:'" +
                                                    std::to_wstring(row.types[0]) + L"'."))
                << row.xml;
        }
    }
}

TEST_F(RuleFactory_, ATypeFourElementGivesBothRulesItsEnabledFlagAndDescriptions) {
    RuleList rules;
    ASSERT_EQ(
        CreateRuleFromXML(log,
                          Rule(L"<Rule type='4'><UsernameRatio Enabled='1'>0.8</UsernameRatio>"
                               L"<FullnameRatio Enabled='1'>0.7</FullnameRatio>"
                               L"<PasswordRatio Enabled='1'>0.6</PasswordRatio>"
                               L"<Enabled>1</Enabled><Description>Not like you.</Description>"
                               L"</Rule>"),
                          rules, nullptr),
        0);
    ASSERT_EQ(rules.size(), 2u);
    for (const auto& rule : rules) {
        EXPECT_TRUE(rule->IsEnabled());
        EXPECT_STREQ(rule->GetDescription(LanguageId::English), L"Not like you.");
    }
    const auto& name = static_cast<const CRuleNameSimilarity&>(*rules[0]);
    const auto& password = static_cast<const CRulePasswordSimilarity&>(*rules[1]);
    EXPECT_TRUE(name.GetLoginCheck() && name.GetFullNameCheck());
    EXPECT_EQ(name.GetFullNameRatio(), 0.7f);
    EXPECT_TRUE(password.GetCheck());
    EXPECT_EQ(password.GetRatio(), 0.6f);
}

TEST_F(RuleFactory_, EnabledIsOneOrMoreAndALaterChildWins) {
    const struct {
        const wchar_t* children;
        bool enabled;
    } rows[] = {
        {L"<Enabled>2</Enabled>", true},
        {L"<Enabled>0</Enabled>", false},
        {L"<Enabled>yes</Enabled>", false},
        {L"<Enabled>1</Enabled><Enabled>0</Enabled>", false},
        {L"<Enabled>1</Enabled><Enabled>x</Enabled>", true},
        {L"<p:Enabled xmlns:p='urn:p'>1</p:Enabled>", true},
        {L"<enabled>1</enabled>", false},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        CRuleLengthMinimum rule;
        EXPECT_EQ(
            rule.LoadFromXML(
                log, Rule(std::wstring(L"<Rule type='2'>") + row.children + L"</Rule>"), nullptr),
            0)
            << row.children;
        EXPECT_EQ(rule.IsEnabled(), row.enabled) << row.children;
        const bool badText = std::wstring(row.children).find(L"yes") != std::wstring::npos ||
                             std::wstring(row.children).find(L">x<") != std::wstring::npos;
        EXPECT_EQ(Logged(LogLevel::Error,
                         L"Error code (-11) - Failed to convert value of enabled node to bool."),
                  badText)
            << row.children;
    }
}

TEST_F(RuleFactory_, DescriptionsAreKeptByLanguageWithEnglishAsFallbackAndDataAsWritten) {
    CRuleLengthMinimum rule(6); // its built-in texts are gone once it is loaded
    ASSERT_EQ(rule.LoadFromXML(log,
                               Rule(L"<Rule type='2'>"
                                    L"<Description languageid='19'>Dutch first</Description>"
                                    L"<Description languageid='de'>Not a number</Description>"
                                    L"<Description LANGUAGEID='7'>Deutsch</Description>"
                                    L"<Description languageid='7'>Deutsch, später</Description>"
                                    L"<Description>100% sure: %s %n %d</Description>"
                                    L"<Description languageid='5'></Description>"
                                    L"</Rule>"),
                               nullptr),
              0);
    EXPECT_STREQ(rule.GetDescription(19), L"Dutch first");
    EXPECT_STREQ(rule.GetDescription(7), L"Deutsch, sp\u00e4ter");
    // English is the last text without a usable language id; a percent sign
    // in it is data.
    for (uint32_t language : {9u, 12u, 5u, 22u}) {
        EXPECT_STREQ(rule.GetDescription(language), L"100% sure: %s %n %d") << language;
    }
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Failed to convert value of languageid attribute to integer."));
    ASSERT_EQ(rule.LoadFromXML(
                  log, Rule(L"<Rule type='2'><Description languageid='19'>nl</Description></Rule>"),
                  nullptr),
              0);
    EXPECT_EQ(rule.GetDescription(9), nullptr);
    EXPECT_EQ(rule.GetDescription(7), nullptr);
}

TEST_F(RuleFactory_, HostileDocumentsLoadOrFailWithTheirCodeAndNeverCrash) {
    const std::wstring longText(1 << 20, L'x');
    std::wstring deep;
    for (int i = 0; i < 200; ++i) {
        deep += L"<n>";
    }
    deep += L"1";
    for (int i = 0; i < 200; ++i) {
        deep += L"</n>";
    }
    std::wstring manyItems;
    for (int i = 0; i < 5000; ++i) {
        manyItems += L"<Item>w" + std::to_wstring(i) + L"</Item>";
    }
    const struct {
        std::wstring xml;
        int32_t result;
    } rows[] = {
        {L"<Rule type='2'><MinimumLength>" + longText + L"</MinimumLength><Description>" +
             longText + L"</Description></Rule>",
         0},
        {L"<Rule type='2'><Enabled>" + deep + L"</Enabled><MinimumLength>" + deep +
             L"</MinimumLength></Rule>",
         0},
        {L"<Rule type='2'>" + deep + L"</Rule>", 0},
        {L"<Rule type='2'><Enabled>&#x7F;1</Enabled><MinimumLength>&#x85;8&#x200B;</MinimumLength>"
         L"<Description>a&#xD;&#xA;b&#xFEFF;</Description></Rule>",
         0},
        {L"<Rule type='8'><Blacklist Interpretation='1'>" + manyItems + L"</Blacklist></Rule>", 0},
        {L"<Rule type='" + longText + L"'><Enabled>1</Enabled></Rule>", -11},
        {L"<Rule type='5'><Regex Type='" + longText + L"'>" + longText + L"</Regex></Rule>", 0},
        {L"<Rule type='2'><!-- only a comment --></Rule>", 0},
        {L"<Rule type='2'>   </Rule>", -12},
    };
    for (const auto& row : rows) {
        RuleList rules;
        EXPECT_EQ(CreateRuleFromXML(log, Rule(row.xml), rules, nullptr), row.result)
            << row.xml.substr(0, 120);
    }
    // The long description is stored whole; the odd characters are data.
    RuleList rules;
    ASSERT_EQ(CreateRuleFromXML(log, Rule(rows[0].xml), rules, nullptr), 0);
    EXPECT_EQ(std::wstring(rules[0]->GetDescription(9)), longText);
    EXPECT_EQ(static_cast<const CRuleLengthMinimum&>(*rules[0]).GetMinimumLength(), 6);
    rules.clear();
    ASSERT_EQ(CreateRuleFromXML(log, Rule(rows[3].xml), rules, nullptr), 0);
    EXPECT_FALSE(rules[0]->IsEnabled());
    EXPECT_EQ(static_cast<const CRuleLengthMinimum&>(*rules[0]).GetMinimumLength(), 6);
    EXPECT_STREQ(rules[0]->GetDescription(9), L"a\r\nb\uFEFF");
}

TEST_F(RuleFactory_, TheBuiltInSetHoldsNineDisabledRulesInOrderWithTheirNamesAndTexts) {
    const RuleList rules = MakeBuiltInRules();
    const struct {
        int32_t type;
        const wchar_t* name;
        const wchar_t* english;
    } expected[] = {
        {2, L"Minimum Password Length", L"The password must be at least 6 characters long."},
        {3, L"Maximum Password Length", L"The password may not be longer than 18 characters."},
        {1, L"Minimum Password Age", L"The password must be at least 1440 minutes old."},
        {5, L"Repeating characters",
         L"The password may not contain more than 2 consecutive identical characters."},
        {5, L"Character requirements",
         L"The password must contain at least one of the following: Uppercase and lowercase "
         L"characters, symbols and numbers."},
        {6, L"Name Similarities",
         L"The password may not resemble personal information such as the username."},
        {7, L"Password Similarities", L"The password may not resemble the old password."},
        {5, L"Regular Expression", L"Regular expression."},
        {8, L"Blacklist", L"The password may not be part of the black list."},
    };
    ASSERT_EQ(rules.size(), std::size(expected));
    for (size_t i = 0; i < rules.size(); ++i) {
        EXPECT_EQ(rules[i]->GetType(), expected[i].type) << "position " << i + 1;
        EXPECT_STREQ(GetTypeName(rules[i].get()), expected[i].name) << "position " << i + 1;
        EXPECT_STREQ(rules[i]->GetDescription(9), expected[i].english) << "position " << i + 1;
        EXPECT_FALSE(rules[i]->IsEnabled()) << "position " << i + 1;
    }
    EXPECT_STREQ(GetTypeName(nullptr), L"Unknown rule");
    const auto& repeat = static_cast<const CRuleRegex&>(*rules[3]);
    EXPECT_STREQ(repeat.GetExpression(), L".*(.)\\1{2,}.*");
    EXPECT_STREQ(repeat.GetData(), L"2");
    EXPECT_FALSE(repeat.GetExpressionValidatesPassword());
    EXPECT_EQ(static_cast<const CRuleRegex&>(*rules[4]).GetExpression(), nullptr);
    EXPECT_TRUE(static_cast<const CRuleRegex&>(*rules[7]).GetExpressionValidatesPassword());
}

TEST_F(RuleFactory_, BuiltInTextsExistInThirteenLanguagesSaveTheMaximumLengthGaps) {
    const uint32_t languages[] = {19, 12, 7, 10, 21, 16, 22, 5, 4, 25, 11, 14};
    const RuleList rules = MakeBuiltInRules();
    const wchar_t* values[] = {L"6", L"18", L"1440", L"2"};
    for (size_t i = 0; i < rules.size(); ++i) {
        const std::wstring english = rules[i]->GetDescription(9);
        for (uint32_t language : languages) {
            const bool gap = rules[i]->GetType() == 3 && (language == 11 || language == 14);
            const wchar_t* text = rules[i]->GetDescription(language);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text == english, gap) << "rule " << i + 1 << " language " << language;
            if (i < std::size(values)) {
                EXPECT_NE(std::wstring(text).find(values[i]), std::wstring::npos)
                    << "rule " << i + 1 << " language " << language << " lacks its value";
            }
            EXPECT_EQ(std::wstring(text).find(L'%'), std::wstring::npos);
        }
        EXPECT_EQ(rules[i]->GetDescription(1234), english) << "unknown language";
    }
    // Non-ASCII texts come out of the build as UTF-16.
    EXPECT_STREQ(rules[1]->GetDescription(7),
                 L"Das Kennwort darf nicht l\u00e4nger als 18 Zeichen sein.");
    EXPECT_STREQ(rules[6]->GetDescription(25),
                 L"\u041f\u0430\u0440\u043e\u043b\u044c \u043d\u0435 \u0434\u043e\u043b\u0436\u0435"
                 L"\u043d \u043d\u0430\u043f\u043e\u043c\u0438\u043d\u0430\u0442\u044c \u0441\u0442"
                 L"\u0430\u0440\u044b\u0439 \u043f\u0430\u0440\u043e\u043b\u044c.");
    EXPECT_STREQ(rules[8]->GetDescription(4), L"\u5bc6\u7801\u4e0d\u80fd\u5728\u9ed1\u540d\u5355"
                                              L"\u4e2d\u3002");
}

TEST_F(RuleFactory_, AClonedRuleKeepsItsClassParametersDescriptionsAndEnabledFlag) {
    // Each loaded rule refuses its password where an unloaded one would accept it.
    const struct {
        const wchar_t* document;
        const wchar_t* password;
    } rows[] = {
        {L"<Rule type='1'><MinimumAge>3000</MinimumAge>", L"aaaaaaa1"},
        {L"<Rule type='2'><MinimumLength>9</MinimumLength>", L"aaaaaaa1"},
        {L"<Rule type='3'><MaximumLength>4</MaximumLength>", L"aaaaaaa1"},
        {L"<Rule type='5'><Regex Type='1'>a{3}</Regex><Data>d</Data>", L"aaaaaaa1"},
        {L"<Rule type='6'><UsernameRatio Enabled='1'>0.5</UsernameRatio>", L"bob"},
        {L"<Rule type='7'><PasswordRatio Enabled='1'>0.25</PasswordRatio>", L"aaaaaaa1"},
        {L"<Rule type='8'><Blacklist Interpretation='1'><Item>^a</Item></Blacklist>", L"aaaaaaa1"},
    };
    for (const auto& row : rows) {
        RuleList rules;
        ASSERT_EQ(CreateRuleFromXML(log,
                                    Rule(std::wstring(row.document) +
                                         L"<Enabled>1</Enabled><Description languageid='7'>d"
                                         L"</Description></Rule>"),
                                    rules, L"2.0"),
                  0)
            << row.document;
        const std::unique_ptr<CRuleBase> copy = rules[0]->Clone();
        rules.clear();
        ASSERT_TRUE(copy) << row.document;
        EXPECT_TRUE(copy->IsEnabled());
        EXPECT_STREQ(copy->GetDescription(7), L"d");
        EXPECT_FALSE(Accepts(*copy, row.password, row.password)) << row.document;
    }
}
