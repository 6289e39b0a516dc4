// The factory of rules by their numeric type, the type names, and the
// built-in rule set.
#include "policy/RuleFactory.h"

#include "directory/XmlAttributes.h"
#include "policy/CRuleBlackList.h"
#include "policy/CRuleHistoryMinimumAge.h"
#include "policy/CRuleLengthMaximum.h"
#include "policy/CRuleLengthMinimum.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"
#include "policy/RuleXml.h"
#include "support/cMvLog.h"

#include <string>

namespace {

constexpr int32_t kSimilarities = 4;

// A new, unloaded rule of the type and the message logged when its load fails.
std::unique_ptr<CRuleBase> MakeRule(int32_t type, const wchar_t*& loadFailure) {
    switch (type) {
    case CRuleHistoryMinimumAge::kType:
        loadFailure = L"Failed to load minimum password age rule from XML.";
        return std::make_unique<CRuleHistoryMinimumAge>();
    case CRuleLengthMinimum::kType:
        loadFailure = L"Failed to load minimum length rule from XML.";
        return std::make_unique<CRuleLengthMinimum>();
    case CRuleLengthMaximum::kType:
        loadFailure = L"Failed to load maximum length rule from XML.";
        return std::make_unique<CRuleLengthMaximum>();
    case CRuleRegex::kType:
        loadFailure = L"Failed to load regular expression rule from XML.";
        return std::make_unique<CRuleRegex>();
    case CRuleNameSimilarity::kType:
        loadFailure = L"Failed to load name similarity rule from XML.";
        return std::make_unique<CRuleNameSimilarity>();
    case CRulePasswordSimilarity::kType:
        loadFailure = L"Failed to load password similarity rule from XML.";
        return std::make_unique<CRulePasswordSimilarity>();
    case CRuleBlackList::kType:
        loadFailure = L"Failed to load blacklist rule from XML.";
        return std::make_unique<CRuleBlackList>();
    default:
        return nullptr;
    }
}

// Loads one new rule; logs its failure with the type's message.
int32_t LoadRule(cMvLog& log, CRuleBase& rule, const wchar_t* loadFailure, IXMLDOMNode* ruleElement,
                 const wchar_t* documentVersion) {
    const int32_t code = rule.LoadFromXML(log, ruleElement, documentVersion);
    if (code != 0) {
        log.LogHResult(LogLevel::Error, code, loadFailure);
    }
    return code;
}

} // namespace

int32_t CreateRuleFromXML(cMvLog& log, IXMLDOMNode* ruleElement, RuleList& rules,
                          const wchar_t* documentVersion) {
    int32_t result = 0;
    int32_t type = 0;
    std::wstring typeText;
    const int32_t read = GetXmlAttributeValue(log, ruleElement, L"type", typeText);
    if (FAILED(read)) {
        log.LogHResult(LogLevel::Error, read, L"Failed to get type attribute.");
        return read;
    }
    if (read == S_FALSE) {
        return kRuleValueMissing;
    }
    if (ParseIntegerText(typeText.c_str(), type)) {
        log.Log(LogLevel::Debug, L"Successfully determined rule type.");
    } else {
        result = kRuleValueMissing;
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Failed to convert value of type attribute to integer.");
    }

    int32_t loadedType = 0;
    if (type == kSimilarities) {
        auto name = std::make_unique<CRuleNameSimilarity>();
        auto password = std::make_unique<CRulePasswordSimilarity>();
        const int32_t nameCode =
            LoadRule(log, *name, L"Failed to load name similarity rule from XML.", ruleElement,
                     documentVersion);
        const int32_t passwordCode =
            LoadRule(log, *password, L"Failed to load password similarity rule from XML.",
                     ruleElement, documentVersion);
        result = passwordCode != 0 ? passwordCode : nameCode;
        loadedType = name->GetType();
        rules.push_back(std::move(name));
        rules.push_back(std::move(password));
    } else {
        const wchar_t* loadFailure = nullptr;
        std::unique_ptr<CRuleBase> rule = MakeRule(type, loadFailure);
        if (!rule) {
            log.LogCode(LogLevel::Error, kRuleValueMissing, L"Unknown rule type detected.");
            return kRuleValueMissing;
        }
        const int32_t code = LoadRule(log, *rule, loadFailure, ruleElement, documentVersion);
        if (code != 0) {
            result = code;
        }
        loadedType = rule->GetType();
        rules.push_back(std::move(rule));
    }
    if (result == 0) {
        log.Log(LogLevel::Debug, L"Successfully loaded rule of type:'%d'.", loadedType);
    }
    return result;
}

const wchar_t* GetTypeName(const CRuleBase* rule) {
    switch (rule != nullptr ? rule->GetType() : 0) {
    case CRuleHistoryMinimumAge::kType:
        return L"Minimum Password Age";
    case CRuleLengthMinimum::kType:
        return L"Minimum Password Length";
    case CRuleLengthMaximum::kType:
        return L"Maximum Password Length";
    case kSimilarities:
        return L"Similarities";
    case CRuleRegex::kType:
        switch (static_cast<const CRuleRegex*>(rule)->GetExpressionType()) {
        case CRuleRegex::kRepeatingCharacters:
            return L"Repeating characters";
        case CRuleRegex::kCharacterRequirements:
            return L"Character requirements";
        default:
            return L"Regular Expression";
        }
    case CRuleNameSimilarity::kType:
        return L"Name Similarities";
    case CRulePasswordSimilarity::kType:
        return L"Password Similarities";
    case CRuleBlackList::kType:
        return L"Blacklist";
    default:
        return L"Unknown rule";
    }
}

RuleList MakeBuiltInRules() {
    RuleList rules;
    rules.push_back(std::make_unique<CRuleLengthMinimum>(CRuleLengthMinimum::kDefaultMinimum));
    rules.push_back(std::make_unique<CRuleLengthMaximum>(CRuleLengthMaximum::kDefaultMaximum));
    rules.push_back(
        std::make_unique<CRuleHistoryMinimumAge>(CRuleHistoryMinimumAge::kDefaultMinutes));
    rules.push_back(std::make_unique<CRuleRegex>(CRuleRegex::kRepeatingCharacters, nullptr,
                                                 CRuleRegex::kDefaultRepeatLimit));
    rules.push_back(std::make_unique<CRuleRegex>(CRuleRegex::kCharacterRequirements, nullptr));
    rules.push_back(std::make_unique<CRuleNameSimilarity>(false, false));
    rules.push_back(std::make_unique<CRulePasswordSimilarity>(false));
    rules.push_back(std::make_unique<CRuleRegex>(CRuleRegex::kRegularExpression, nullptr));
    rules.push_back(std::make_unique<CRuleBlackList>(CRuleBlackList::kLiteral));
    return rules;
}
