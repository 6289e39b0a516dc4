// The minimum-length rule: its built-in texts, its test and its "MinimumLength"
// child.
#include "policy/CRuleLengthMinimum.h"

#include "policy/RuleXml.h"
#include "support/cMvLog.h"

#include <cwchar>
#include <iterator>

namespace {

const BuiltInText kTexts[] = {
    {LanguageId::English, L"The password must be at least %d characters long."},
    {LanguageId::Dutch, L"Het wachtwoord moet minstens %d tekens lang zijn."},
    {LanguageId::French, L"Le mot de passe doit comporter au moins %d caractères."},
    {LanguageId::German, L"Das Kennwort muss mindestens %d Zeichen lang sein."},
    {LanguageId::Spanish, L"La contraseña debe tener al menos %d caracteres."},
    {LanguageId::Polish, L"Liczba znaków w haśle musi wynosić co najmniej %d."},
    {LanguageId::Italian, L"La password deve contenere almeno %d caratteri."},
    {LanguageId::Portuguese, L"A senha deve ter pelo menos %d caracteres."},
    {LanguageId::Czech, L"Počet znaků hesla musí být alespoň %d."},
    {LanguageId::Chinese, L"密码长度必须至少为 %d 个字符。"},
    {LanguageId::Russian, L"Пароль должен содержать не менее %d символов."},
    {LanguageId::Finnish, L"Salasanan on oltava vähintään %d merkkiä pitkä."},
    {LanguageId::Hungarian, L"A jelszónak legalább %d karakter hosszúnak kell lennie."},
};

} // namespace

CRuleLengthMinimum::CRuleLengthMinimum(int32_t minimumLength)
    : CRuleBase(BuiltInDescriptions(kTexts, std::size(kTexts), minimumLength)),
      m_minimumLength(minimumLength) {}

std::unique_ptr<CRuleBase> CRuleLengthMinimum::Clone() const {
    return std::unique_ptr<CRuleBase>(new CRuleLengthMinimum(*this));
}

int32_t CRuleLengthMinimum::Test(cMvLog& log, bool& valid, const CScope&,
                                 const wchar_t* newPassword, bool, const wchar_t*) {
    if (newPassword != nullptr) {
        // A password longer than 2^31 units cannot reach a rule; the length
        // is compared in 64 bits all the same.
        valid = static_cast<int64_t>(std::wcslen(newPassword)) >= m_minimumLength;
    } else {
        valid = m_minimumLength <= 0;
    }
    log.Log(LogLevel::Debug, L"Checking minimum length rule, password valid = %s\r",
            valid ? L"TRUE" : L"FALSE");
    return 0;
}

int32_t CRuleLengthMinimum::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t*) {
    return LoadRuleFrame(
        log, ruleElement, L"An error occurred getting minimum length rule data.",
        L"Load minimum length rule data from XML.",
        [&](const std::wstring& name, IXMLDOMNode* child, int32_t& result) {
            if (name != L"MinimumLength") {
                return ChildOutcome::Next;
            }
            std::wstring text;
            const HRESULT hr = GetNodeText(child, text);
            if (FAILED(hr)) {
                log.LogHResult(LogLevel::Error, hr, L"Failed to get value of minimum length node.");
                result = hr;
                return ChildOutcome::Stop;
            }
            if (ParseIntegerText(text.c_str(), m_minimumLength)) {
                log.Log(LogLevel::Debug, L"Successfully set value of minimum length node.");
            } else {
                m_minimumLength = kDefaultMinimum;
                log.LogCode(LogLevel::Error, kRuleValueMissing,
                            L"Failed to convert value of minimum length to integer.");
            }
            return ChildOutcome::Next;
        });
}
