// A policy: loading from its element of the policy list document, the
// applicability test over its scopes, and the password test over its
// enabled rules, which tests every rule even after a refusal so that the
// feedback lists every broken rule.
#include "policy/CPolicy.h"

#include "directory/XmlAttributes.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/RuleFactory.h"
#include "policy/RuleXml.h"
#include "support/WideFormat.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"

using resetra::cMvBstr;
using resetra::cMvComPtr;

namespace {

const wchar_t* Text(const wchar_t* value) {
    return value != nullptr ? value : L"";
}

} // namespace

CPolicy::CPolicy() : m_rules(MakeBuiltInRules()) {}

std::unique_ptr<CPolicy> CPolicy::MakeForLoading() {
    return std::unique_ptr<CPolicy>(new CPolicy(WithoutRules{}));
}

CPolicy::CPolicy(const CPolicy& other) {
    CopyFrom(other);
}

CPolicy& CPolicy::operator=(const CPolicy& other) {
    if (this != &other) {
        m_rules.clear();
        m_scopes.clear();
        CopyFrom(other);
    }
    return *this;
}

CPolicy::~CPolicy() = default;

void CPolicy::CopyFrom(const CPolicy& other) {
    m_configuration = other.m_configuration;
    m_name = other.m_name;
    for (const std::unique_ptr<CRuleBase>& rule : other.m_rules) {
        m_rules.push_back(rule ? rule->Clone() : nullptr);
    }
    for (const std::unique_ptr<CScope>& scope : other.m_scopes) {
        m_scopes.push_back(scope ? std::make_unique<CScope>(*scope) : nullptr);
    }
}

int32_t CPolicy::LoadFromXML(cMvLog& log, IXMLDOMNode* element, const wchar_t* version) {
    m_rules.clear();

    std::wstring name;
    const int32_t found = GetXmlAttributeValue(log, element, L"name", name);
    if (found < 0) {
        log.LogHResult(LogLevel::Error, found, L"Failed to get name in attribute node.");
        return found;
    }
    if (found != 0) {
        return kMissing;
    }
    m_name = name;

    VARIANT_BOOL hasChildren = VARIANT_FALSE;
    HRESULT hr = element->hasChildNodes(&hasChildren);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to determine if policy node has children.");
        return hr;
    }
    if (hasChildren == VARIANT_FALSE) {
        log.LogCode(LogLevel::Error, kMissing, L"Policy is empty.");
        return kMissing;
    }
    cMvComPtr<IXMLDOMNodeList> children;
    hr = element->get_childNodes(children.put());
    if (FAILED(hr) || !children) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr, L"An error occurred getting policy data.");
        return hr;
    }
    log.Log(LogLevel::Debug, L"Load policy data from XML.");

    int32_t result = 0;
    for (;;) {
        cMvComPtr<IXMLDOMNode> child;
        hr = children->nextNode(child.put());
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"An error occurred getting policy data.");
            return hr;
        }
        if (hr == S_FALSE || !child) {
            break;
        }
        cMvBstr name;
        hr = GetNodeBaseName(child.get(), name);
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"An error occurred getting base name of child.");
            result = hr;
            continue;
        }
        const std::wstring_view baseName = name.view();
        if (baseName == L"Configuration") {
            std::wstring text;
            hr = GetNodeText(child.get(), text);
            if (FAILED(hr)) {
                log.LogHResult(LogLevel::Error, hr, L"Failed to get value of Configuration node.");
                return hr;
            }
            int32_t value = 0;
            if (ParseIntegerText(text.c_str(), value)) {
                m_configuration = static_cast<uint32_t>(value);
                log.Log(LogLevel::Debug, L"Successfully determined configuration.");
            } else {
                m_configuration = 0;
                result = kNotInteger;
                log.LogCode(LogLevel::Error, kNotInteger,
                            L"Failed to convert value of Configuration to integer.");
            }
        } else if (baseName == L"Rule") {
            result = CreateRuleFromXML(log, child.get(), m_rules, version);
            if (result != 0) {
                log.LogCode(LogLevel::Error, result,
                            L"An error occurred while loading rule from XML.");
                return result;
            }
        } else if (baseName == L"Scope") {
            auto scope = std::make_unique<CScope>();
            result = scope->LoadFromXML(log, child.get());
            if (result != 0) {
                log.Log(LogLevel::Error, L"An error occurred loading policy from XML.");
                return result;
            }
            log.Log(LogLevel::Debug, L"Successfully loaded scope '%s'.", Text(scope->GetName()));
            m_scopes.push_back(std::move(scope));
        }
    }
    return result;
}

int32_t CPolicy::Applies(cMvLog& log, CScope& userScope, bool& applies) {
    applies = false;
    int32_t status = 0;
    for (const std::unique_ptr<CScope>& scope : m_scopes) {
        if (!scope) {
            continue;
        }
        int32_t code = scope->Refresh(log);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code, L"Failed updating scope '%s'.",
                        Text(scope->GetName()));
            status = code;
            continue;
        }
        bool match = false;
        code = scope->Matches(log, userScope, match);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code, L"Error determining if policy %s applies.",
                        Text(GetName()));
            status = code;
            continue;
        }
        status = 0;
        if (match) {
            log.Log(LogLevel::Debug, L"Policy %s does applies.", Text(GetName()));
            applies = true;
            return status;
        }
    }
    log.Log(LogLevel::Debug, L"Policy %s does not apply.", Text(GetName()));
    return status;
}

bool CPolicy::Counts(const CRuleBase& rule, uint32_t flags) {
    return rule.IsEnabled() && !((flags & kSkipPasswordSimilarity) != 0 &&
                                 rule.GetType() == CRulePasswordSimilarity::kType);
}

int32_t CPolicy::TestPassword(cMvLog& log, bool& accepted, const CScope& userScope,
                              const wchar_t* newPassword, const wchar_t* oldPassword,
                              std::wstring* feedback, std::vector<bool>* results,
                              uint32_t languageId, uint32_t flags) {
    bool verdict = true;
    int32_t status = 0;
    std::wstring brokenRules;
    if (results != nullptr) {
        results->clear();
    }
    for (const std::unique_ptr<CRuleBase>& rule : m_rules) {
        if (!rule) {
            log.LogCode(LogLevel::Error, kEmptyEntry,
                        L"An error occurred while testing password for userscope '%s', empty "
                        L"rule.",
                        Text(userScope.GetName()));
            status = kEmptyEntry;
            break;
        }
        if (!Counts(*rule, flags)) {
            continue;
        }
        bool valid = false;
        const int32_t code = rule->Test(log, valid, userScope, newPassword, false, oldPassword);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code,
                        L"An error occurred while testing password for userscope '%s'",
                        Text(userScope.GetName()));
            status = code;
            break;
        }
        log.Log(LogLevel::Debug, L"Successfully tested password for userscope '%s', result: %s",
                Text(userScope.GetName()), valid ? L"accepted" : L"rejected");
        if (results != nullptr) {
            results->push_back(valid);
        }
        if (!valid) {
            // The live test on each keystroke asks for no feedback text.
            if (feedback != nullptr) {
                brokenRules += FormatWide(L" - %s\r\n", Text(rule->GetDescription(languageId)));
            }
            verdict = false;
        }
    }
    if (feedback != nullptr) {
        *feedback += L"\r\n";
        *feedback += brokenRules;
    }
    accepted = verdict;
    return status;
}

int32_t CPolicy::GetRuleDescriptions(cMvLog&, std::vector<std::wstring>& descriptions,
                                     uint32_t languageId, uint32_t flags) const {
    descriptions.clear();
    for (const std::unique_ptr<CRuleBase>& rule : m_rules) {
        if (rule && Counts(*rule, flags)) {
            descriptions.emplace_back(Text(rule->GetDescription(languageId)));
        }
    }
    return 0;
}

size_t CPolicy::CountEnabledRules() const {
    size_t count = 0;
    for (const std::unique_ptr<CRuleBase>& rule : m_rules) {
        count += rule && rule->IsEnabled() ? 1 : 0;
    }
    return count;
}
