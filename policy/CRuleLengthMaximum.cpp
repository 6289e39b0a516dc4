// The maximum-length rule: its built-in texts, its test and its
// "MaximumLength" child.
#include "policy/CRuleLengthMaximum.h"

#include "policy/RuleXml.h"
#include "support/cMvLog.h"

#include <cwchar>
#include <iterator>

namespace {

// No Finnish and no Hungarian text: those languages show the English one.
const BuiltInText kTexts[] = {
    {LanguageId::English, L"The password may not be longer than %d characters."},
    {LanguageId::Dutch, L"Het wachtwoord mag niet langer zijn dan %d tekens."},
    {LanguageId::French, L"Le mot de passe ne doit pas dépasser %d caractères."},
    {LanguageId::German, L"Das Kennwort darf nicht länger als %d Zeichen sein."},
    {LanguageId::Spanish, L"La contraseña no puede tener más de %d caracteres."},
    {LanguageId::Polish, L"Liczba znaków w haśle nie może przekraczać %d."},
    {LanguageId::Italian, L"La password non può superare i %d caratteri."},
    {LanguageId::Portuguese, L"A senha não pode ter mais de %d caracteres."},
    {LanguageId::Czech, L"Počet znaků hesla nesmí překročit %d."},
    {LanguageId::Chinese, L"密码长度不能超过 %d 个字符。"},
    {LanguageId::Russian, L"Пароль не может быть длиннее %d символов."},
};

} // namespace

CRuleLengthMaximum::CRuleLengthMaximum(int32_t maximumLength)
    : CRuleBase(BuiltInDescriptions(kTexts, std::size(kTexts), maximumLength)),
      m_maximumLength(maximumLength) {}

std::unique_ptr<CRuleBase> CRuleLengthMaximum::Clone() const {
    return std::unique_ptr<CRuleBase>(new CRuleLengthMaximum(*this));
}

int32_t CRuleLengthMaximum::Test(cMvLog& log, bool& valid, const CScope&,
                                 const wchar_t* newPassword, bool, const wchar_t*) {
    if (newPassword != nullptr) {
        valid = static_cast<int64_t>(std::wcslen(newPassword)) <= m_maximumLength;
    } else {
        valid = m_maximumLength >= 0;
    }
    log.Log(LogLevel::Debug, L"Checking maximum length rule, password valid = %s",
            valid ? L"TRUE" : L"FALSE");
    return 0;
}

int32_t CRuleLengthMaximum::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t*) {
    return LoadRuleFrame(
        log, ruleElement, L"An error occurred getting maximum length rule data.",
        L"Load maximum length rule data from XML.",
        [&](const std::wstring& name, IXMLDOMNode* child, int32_t& result) {
            if (name != L"MaximumLength") {
                return ChildOutcome::Next;
            }
            std::wstring text;
            const HRESULT hr = GetNodeText(child, text);
            if (FAILED(hr)) {
                log.LogHResult(LogLevel::Error, hr, L"Failed to get value of maximum length node.");
                result = hr;
                return ChildOutcome::Stop;
            }
            if (ParseIntegerText(text.c_str(), m_maximumLength)) {
                log.Log(LogLevel::Debug, L"Successfully set value of maximum length node.");
            } else {
                m_maximumLength = kDefaultMaximum;
                log.LogCode(LogLevel::Error, kRuleValueMissing,
                            L"Failed to convert value of maximum length to integer.");
            }
            return ChildOutcome::Next;
        });
}
