// The description table, the built-in texts and the loading frame shared by
// all rules.
#include "policy/CRuleBase.h"

#include "directory/XmlAttributes.h"
#include "policy/RuleXml.h"
#include "support/WideFormat.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"

using resetra::cMvComPtr;

CRuleBase::CRuleBase(const DescriptionTable& descriptions) : m_descriptions(descriptions) {}

std::unique_ptr<CRuleBase> CRuleBase::Clone() const {
    return nullptr;
}

int32_t CRuleBase::GetType() const {
    return 0;
}

const wchar_t* CRuleBase::GetDescription(uint32_t languageId) const {
    auto found = m_descriptions.find(languageId);
    if ((found == m_descriptions.end() || found->second.empty()) &&
        languageId != LanguageId::English) {
        found = m_descriptions.find(LanguageId::English);
    }
    if (found == m_descriptions.end() || found->second.empty()) {
        return nullptr;
    }
    return found->second.c_str();
}

void CRuleBase::SetDescription(uint32_t languageId, const wchar_t* text) {
    m_descriptions[languageId] = text != nullptr ? text : L"";
}

CRuleBase::DescriptionTable CRuleBase::BuiltInDescriptions(const BuiltInText* texts, size_t count) {
    DescriptionTable table;
    for (size_t i = 0; i < count; ++i) {
        table[texts[i].languageId] = texts[i].text;
    }
    return table;
}

CRuleBase::DescriptionTable CRuleBase::BuiltInDescriptions(const BuiltInText* texts, size_t count,
                                                           long value) {
    DescriptionTable table;
    for (size_t i = 0; i < count; ++i) {
        table[texts[i].languageId] = FormatWide(texts[i].text, value);
    }
    return table;
}

int32_t CRuleBase::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t*) {
    m_descriptions.clear();
    bool stopped = false;
    return WalkChildren(
        log, ruleElement, L"An error occurred getting rule data.", L"Load rule data from XML.",
        [&](const std::wstring& name, IXMLDOMNode* child, int32_t& result) {
            return ReadCommonChild(log, name, child, result);
        },
        stopped);
}

int32_t CRuleBase::LoadRuleFrame(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t* listFailure,
                                 const wchar_t* loadMessage, const ChildReader& reader) {
    bool stopped = false;
    const int32_t result =
        WalkChildren(log, ruleElement, listFailure, loadMessage, reader, stopped);
    if (stopped) {
        return result;
    }
    // The rule's own result stands; the common children only add to the rule.
    (void)CRuleBase::LoadFromXML(log, ruleElement, nullptr);
    return result;
}

int32_t CRuleBase::WalkChildren(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t* listFailure,
                                const wchar_t* loadMessage, const ChildReader& reader,
                                bool& stopped) {
    stopped = false;
    if (ruleElement == nullptr) {
        log.LogHResult(LogLevel::Error, E_POINTER,
                       L"Failed to determine if rule node has children.");
        stopped = true;
        return E_POINTER;
    }
    VARIANT_BOOL hasChildren = VARIANT_FALSE;
    HRESULT hr = ruleElement->hasChildNodes(&hasChildren);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to determine if rule node has children.");
        stopped = true;
        return hr;
    }
    if (hasChildren == VARIANT_FALSE) {
        log.LogCode(LogLevel::Error, kRuleEmpty, L"Rule is empty.");
        stopped = true;
        return kRuleEmpty;
    }
    cMvComPtr<IXMLDOMNodeList> children;
    hr = ruleElement->get_childNodes(children.put());
    if (FAILED(hr) || !children) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr, listFailure);
        stopped = true;
        return hr;
    }
    if (loadMessage != nullptr) {
        log.Log(LogLevel::Debug, loadMessage);
    }
    int32_t result = 0;
    for (;;) {
        cMvComPtr<IXMLDOMNode> child;
        hr = children->nextNode(child.put());
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, listFailure);
            return hr;
        }
        if (hr == S_FALSE || !child) {
            return result;
        }
        std::wstring name;
        hr = GetNodeBaseName(child.get(), name);
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"An error occurred getting base name of child.");
            result = hr;
            continue;
        }
        if (reader(name, child.get(), result) == ChildOutcome::Stop) {
            stopped = true;
            return result;
        }
    }
}

CRuleBase::ChildOutcome CRuleBase::ReadCommonChild(cMvLog& log, const std::wstring& baseName,
                                                   IXMLDOMNode* child, int32_t& result) {
    if (baseName == L"Enabled") {
        std::wstring text;
        const HRESULT hr = GetNodeText(child, text);
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"Failed to get value of enabled node.");
            result = hr;
            return ChildOutcome::Stop;
        }
        int32_t value = 0;
        if (ParseIntegerText(text.c_str(), value)) {
            m_enabled = value >= 1;
            log.Log(LogLevel::Debug, L"Successfully set enabled.");
        } else {
            log.LogCode(LogLevel::Error, kRuleValueMissing,
                        L"Failed to convert value of enabled node to bool.");
        }
    } else if (baseName == L"Description") {
        std::wstring text;
        HRESULT hr = GetNodeText(child, text);
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"Failed to get value of description node.");
            result = hr;
            return ChildOutcome::Stop;
        }
        uint32_t language = LanguageId::English;
        std::wstring languageText;
        if (GetXmlAttributeValue(log, child, L"languageid", languageText) == 0) {
            int32_t value = 0;
            if (ParseIntegerText(languageText.c_str(), value)) {
                language = static_cast<uint32_t>(value);
            } else {
                log.Log(LogLevel::Debug,
                        L"Failed to convert value of languageid attribute to integer.");
            }
        }
        SetDescription(language, text.c_str());
        log.Log(LogLevel::Debug, L"Successfully got description.");
    }
    return ChildOutcome::Next;
}
