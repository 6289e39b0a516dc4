// The blacklist rule: built-in texts, the literal and the expression test,
// and the "Blacklist" children with their "Item" elements.
#include "policy/CRuleBlackList.h"

#include "directory/XmlAttributes.h"
#include "policy/RuleXml.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"

#include <cwchar>
#include <iterator>

using resetra::cMvBstr;
using resetra::cMvComPtr;

namespace {

const BuiltInText kTexts[] = {
    {LanguageId::English, L"The password may not be part of the black list."},
    {LanguageId::Dutch, L"Het wachtwoord mag niet op de zwarte lijst staan."},
    {LanguageId::French, L"Le mot de passe ne doit pas figurer sur la liste noire."},
    {LanguageId::German, L"Das Kennwort darf nicht in der Sperrliste stehen."},
    {LanguageId::Spanish, L"La contraseña no puede figurar en la lista negra."},
    {LanguageId::Polish, L"Hasło nie może znajdować się na czarnej liście."},
    {LanguageId::Italian, L"La password non deve essere presente nella lista nera."},
    {LanguageId::Portuguese, L"A senha não pode constar da lista negra."},
    {LanguageId::Czech, L"Heslo nesmí být na černé listině."},
    {LanguageId::Chinese, L"密码不能在黑名单中。"},
    {LanguageId::Russian, L"Пароль не должен входить в черный список."},
    {LanguageId::Finnish, L"Salasana ei saa olla estolistalla."},
    {LanguageId::Hungarian, L"A jelszó nem szerepelhet a tiltólistán."},
};

wchar_t FoldAsciiCase(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Whole strings, the letters A to Z without regard to case.
bool EqualIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
    for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
        if (FoldAsciiCase(*a) != FoldAsciiCase(*b)) {
            return false;
        }
    }
    return *a == *b;
}

} // namespace

CRuleBlackList::CRuleBlackList(int32_t interpretation, std::vector<std::wstring> items)
    : CRuleBase(BuiltInDescriptions(kTexts, std::size(kTexts))), m_interpretation(interpretation),
      m_items(std::move(items)) {}

std::unique_ptr<CRuleBase> CRuleBlackList::Clone() const {
    return std::unique_ptr<CRuleBase>(new CRuleBlackList(*this));
}

bool CRuleBlackList::MatchesLiteral(const wchar_t* password) const {
    const wchar_t* text = password != nullptr ? password : L"";
    for (const std::wstring& item : m_items) {
        if (EqualIgnoringAsciiCase(text, item.c_str())) {
            return true;
        }
    }
    return false;
}

int32_t CRuleBlackList::Test(cMvLog& log, bool& valid, const CScope&, const wchar_t* newPassword,
                             bool, const wchar_t*) {
    if (m_interpretation == kLiteral) {
        valid = !MatchesLiteral(newPassword);
        return 0;
    }
    if (m_interpretation != kExpressions) {
        valid = false;
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Unknown interpretation '%d' of blacklist rule, unable to test password.",
                    m_interpretation);
        return kRuleValueMissing;
    }
    if (newPassword == nullptr || newPassword[0] == L'\0') {
        valid = true;
        return 0;
    }
    valid = false;
    m_compiled.resize(m_items.size());
    for (size_t i = 0; i < m_items.size(); ++i) {
        const std::wstring& item = m_items[i];
        if (item.empty()) {
            continue;
        }
        if (!m_compiled[i]) {
            m_compiled[i] = std::make_shared<const CompiledPattern>(item);
        }
        bool matched = false;
        const int32_t code = m_compiled[i]->Search(newPassword, matched);
        if (code != 0) {
            log.LogCode(LogLevel::Error, code,
                        L"An error occurred while evalutating blacklist expression '%s'",
                        item.c_str());
            return code;
        }
        if (matched) {
            return 0;
        }
    }
    valid = true;
    return 0;
}

int32_t CRuleBlackList::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t*) {
    m_items.clear();
    m_compiled.clear();
    const int32_t result = LoadRuleFrame(
        log, ruleElement, L"An error occurred getting rule data.", L"Load rule data from XML.",
        [&](std::wstring_view name, IXMLDOMNode* child, int32_t& result) {
            return name == L"Blacklist" ? ReadBlacklist(log, child, result) : ChildOutcome::Next;
        });
    // The last interpretation read holds for all items; one the test does not
    // know fails the load instead of leaving a rule that never refuses.
    if (result == 0 && m_interpretation != kLiteral && m_interpretation != kExpressions) {
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Unknown interpretation '%d' of blacklist rule.", m_interpretation);
        return kRuleValueMissing;
    }
    return result;
}

CRuleBase::ChildOutcome CRuleBlackList::ReadBlacklist(cMvLog& log, IXMLDOMNode* blacklist,
                                                      int32_t& result) {
    std::wstring interpretation;
    HRESULT hr = GetXmlAttributeValue(log, blacklist, L"Interpretation", interpretation);
    if (FAILED(hr)) {
        // An unreadable interpretation must not leave a rule that loaded.
        log.LogHResult(LogLevel::Error, hr, L"Failed to get interpretation attribute.");
        result = hr;
        return ChildOutcome::Stop;
    }
    if (hr == S_FALSE) {
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Blacklist node has no interpretation attribute.");
        result = kRuleValueMissing;
        return ChildOutcome::Stop;
    }
    if (ParseIntegerText(interpretation.c_str(), m_interpretation)) {
        log.Log(LogLevel::Debug,
                L"Successfully determined if interpretation type of blacklist rule.");
    } else {
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Failed to convert value of interpretation attribute of blacklist rule to "
                    L"integer.");
    }
    cMvComPtr<IXMLDOMNodeList> items;
    hr = blacklist->get_childNodes(items.put());
    if (FAILED(hr) || !items) {
        hr = FAILED(hr) ? hr : E_POINTER;
        log.LogHResult(LogLevel::Error, hr, L"An error occurred getting blacklist items.");
        result = hr;
        return ChildOutcome::Stop;
    }
    log.Log(LogLevel::Debug, L"Load blacklist items from XML.");
    for (;;) {
        cMvComPtr<IXMLDOMNode> item;
        hr = items->nextNode(item.put());
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"An error occurred getting blacklist items.");
            result = hr;
            return ChildOutcome::Stop;
        }
        if (hr == S_FALSE || !item) {
            return ChildOutcome::Next;
        }
        cMvBstr name;
        hr = GetNodeBaseName(item.get(), name);
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"An error occurred getting base name of child.");
            result = hr;
            continue;
        }
        if (name.view() != L"Item") {
            continue;
        }
        std::wstring text;
        hr = GetNodeText(item.get(), text);
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr, L"Failed to get value of item node.");
            result = hr;
            return ChildOutcome::Stop;
        }
        m_items.push_back(std::move(text));
        log.Log(LogLevel::Debug, L"Successfully added blacklist item.");
    }
}
