// The pattern rule: built-in texts of its three kinds, the test through our
// own pattern matcher, and the "Regex", "Data" and
// "ExpressionValidatesPassword" children.
#include "policy/CRuleRegex.h"

#include "directory/XmlAttributes.h"
#include "policy/RuleFactory.h"
#include "policy/RuleXml.h"
#include "support/WideFormat.h"
#include "support/cMvLog.h"

#include <iterator>

namespace {

const BuiltInText kExpressionTexts[] = {
    {LanguageId::English, L"Regular expression."},
    {LanguageId::Dutch, L"Reguliere expressie."},
    {LanguageId::French, L"Expression régulière."},
    {LanguageId::German, L"Regulärer Ausdruck."},
    {LanguageId::Spanish, L"Expresión regular."},
    {LanguageId::Polish, L"Wyrażenie regularne."},
    {LanguageId::Italian, L"Espressione regolare."},
    {LanguageId::Portuguese, L"Expressão regular."},
    {LanguageId::Czech, L"Regulární výraz."},
    {LanguageId::Chinese, L"正则表达式。"},
    {LanguageId::Russian, L"Регулярное выражение."},
    {LanguageId::Finnish, L"Säännöllinen lauseke."},
    {LanguageId::Hungarian, L"Reguláris kifejezés."},
};

const BuiltInText kRepeatingTexts[] = {
    {LanguageId::English,
     L"The password may not contain more than %d consecutive identical characters."},
    {LanguageId::Dutch,
     L"Het wachtwoord mag niet meer dan %d identieke tekens achter elkaar bevatten."},
    {LanguageId::French,
     L"Le mot de passe ne doit pas contenir plus de %d caractères identiques consécutifs."},
    {LanguageId::German,
     L"Das Kennwort darf nicht mehr als %d gleiche Zeichen hintereinander enthalten."},
    {LanguageId::Spanish,
     L"La contraseña no puede contener más de %d caracteres idénticos consecutivos."},
    {LanguageId::Polish, L"Ten sam znak nie może wystąpić w haśle więcej niż %d razy z rzędu."},
    {LanguageId::Italian,
     L"La password non può contenere più di %d caratteri identici consecutivi."},
    {LanguageId::Portuguese,
     L"A senha não pode conter mais de %d caracteres idênticos consecutivos."},
    {LanguageId::Czech, L"Heslo nesmí obsahovat stejný znak více než %dkrát po sobě."},
    {LanguageId::Chinese, L"密码中连续相同的字符不能超过 %d 个。"},
    {LanguageId::Russian, L"Пароль не может содержать более %d одинаковых символов подряд."},
    {LanguageId::Finnish, L"Salasanassa saa olla enintään %d samaa merkkiä peräkkäin."},
    {LanguageId::Hungarian,
     L"A jelszó legfeljebb %d egymást követő azonos karaktert tartalmazhat."},
};

const BuiltInText kRequirementTexts[] = {
    {LanguageId::English, L"The password must contain at least one of the following: Uppercase "
                          L"and lowercase characters, symbols and numbers."},
    {LanguageId::Dutch, L"Het wachtwoord moet ten minste een van de volgende bevatten: "
                        L"hoofdletters en kleine letters, symbolen en cijfers."},
    {LanguageId::French, L"Le mot de passe doit contenir au moins l'un des éléments suivants : "
                         L"majuscules et minuscules, symboles et chiffres."},
    {LanguageId::German, L"Das Kennwort muss mindestens eines der folgenden Elemente enthalten: "
                         L"Groß- und Kleinbuchstaben, Symbole und Ziffern."},
    {LanguageId::Spanish, L"La contraseña debe contener al menos uno de los siguientes elementos: "
                          L"mayúsculas y minúsculas, símbolos y números."},
    {LanguageId::Polish, L"Hasło musi zawierać co najmniej jeden z następujących elementów: "
                         L"wielkie i małe litery, symbole oraz cyfry."},
    {LanguageId::Italian, L"La password deve contenere almeno uno dei seguenti elementi: lettere "
                          L"maiuscole e minuscole, simboli e numeri."},
    {LanguageId::Portuguese, L"A senha deve conter pelo menos um dos seguintes elementos: letras "
                             L"maiúsculas e minúsculas, símbolos e números."},
    {LanguageId::Czech, L"Heslo musí obsahovat alespoň jeden z následujících prvků: velká a malá "
                        L"písmena, symboly a číslice."},
    {LanguageId::Chinese, L"密码必须至少包含以下一项：大写和小写字母、符号和数字。"},
    {LanguageId::Russian, L"Пароль должен содержать хотя бы один из следующих элементов: "
                          L"прописные и строчные буквы, символы и цифры."},
    {LanguageId::Finnish, L"Salasanassa on oltava vähintään yksi seuraavista: isoja ja pieniä "
                          L"kirjaimia, erikoismerkkejä ja numeroita."},
    {LanguageId::Hungarian, L"A jelszónak tartalmaznia kell legalább egyet a következők közül: "
                            L"kis- és nagybetűk, szimbólumok és számok."},
};

} // namespace

CRuleBase::DescriptionTable CRuleRegex::BuiltInTexts(int32_t expressionType, int32_t repeatLimit) {
    switch (expressionType) {
    case kRepeatingCharacters:
        return BuiltInDescriptions(kRepeatingTexts, std::size(kRepeatingTexts), repeatLimit);
    case kCharacterRequirements:
        return BuiltInDescriptions(kRequirementTexts, std::size(kRequirementTexts));
    default:
        return BuiltInDescriptions(kExpressionTexts, std::size(kExpressionTexts));
    }
}

CRuleRegex::CRuleRegex(int32_t expressionType, const wchar_t* expression, int32_t repeatLimit)
    : CRuleBase(BuiltInTexts(expressionType, repeatLimit)), m_expressionType(expressionType),
      m_validates(expressionType != kRepeatingCharacters) {
    if (expression != nullptr) {
        m_expression = expression;
    }
    if (expressionType == kRepeatingCharacters) {
        if (m_expression.empty()) {
            m_expression = FormatWide(L".*(.)\\1{%d,}.*", repeatLimit);
        }
        m_data = FormatWide(L"%ld", static_cast<long>(repeatLimit));
    }
}

std::unique_ptr<CRuleBase> CRuleRegex::Clone() const {
    return std::unique_ptr<CRuleBase>(new CRuleRegex(*this));
}

int32_t CRuleRegex::Test(cMvLog& log, bool& valid, const CScope&, const wchar_t* newPassword, bool,
                         const wchar_t*) {
    valid = true;
    log.Log(LogLevel::Debug, L"Checking password with rule '%s'.", GetTypeName(this));
    if (m_expression.empty()) {
        return 0;
    }
    if (newPassword == nullptr || newPassword[0] == L'\0') {
        valid = m_expressionType == kRepeatingCharacters;
        return 0;
    }
    if (!m_compiled) {
        m_compiled = std::make_shared<const CompiledPattern>(m_expression);
    }
    const int32_t code = m_compiled->Search(newPassword, valid);
    if (code != 0) {
        // Never read as accepted, whatever the matcher left in the verdict.
        valid = false;
        log.LogCode(LogLevel::Error, code,
                    L"An error occurred while evalutating regular expression '%s'",
                    m_expression.c_str());
        return code;
    }
    if (!m_validates) {
        valid = !valid;
    }
    return 0;
}

int32_t CRuleRegex::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t*) {
    m_expression.clear();
    m_data.clear();
    m_compiled.reset();
    return LoadRuleFrame(
        log, ruleElement, L"An error occurred getting rule data.", L"Load rule data from XML.",
        [&](std::wstring_view name, IXMLDOMNode* child, int32_t& result) {
            if (name == L"Regex") {
                return ReadRegex(log, child, result);
            }
            if (name == L"Data") {
                std::wstring text;
                const HRESULT hr = GetNodeText(child, text);
                if (FAILED(hr)) {
                    log.LogHResult(LogLevel::Error, hr, L"Failed to get value of data node.");
                    result = hr;
                    return ChildOutcome::Stop;
                }
                m_data = text;
                log.Log(LogLevel::Debug, L"Successfully set data.");
            } else if (name == L"ExpressionValidatesPassword") {
                std::wstring text;
                const HRESULT hr = GetNodeText(child, text);
                if (FAILED(hr)) {
                    log.LogHResult(LogLevel::Error, hr,
                                   L"Failed to get value of ExpressionValidatesPassword node.");
                    result = hr;
                    return ChildOutcome::Stop;
                }
                int32_t value = 0;
                if (ParseIntegerText(text.c_str(), value)) {
                    m_validates = value >= 1;
                    log.Log(LogLevel::Debug, L"Successfully set ExpressionValidatesPassword.");
                } else {
                    log.LogCode(LogLevel::Error, kRuleValueMissing,
                                L"Failed to convert value of ExpressionValidatesPassword node to "
                                L"bool.");
                }
            }
            return ChildOutcome::Next;
        });
}

CRuleBase::ChildOutcome CRuleRegex::ReadRegex(cMvLog& log, IXMLDOMNode* regex, int32_t& result) {
    std::wstring text;
    HRESULT hr = GetNodeText(regex, text);
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to get value of regex node.");
        result = hr;
        return ChildOutcome::Stop;
    }
    m_expression = text;
    log.Log(LogLevel::Debug, L"Successfully set regex.");
    std::wstring typeText;
    hr = GetXmlAttributeValue(log, regex, L"Type", typeText);
    if (FAILED(hr)) {
        // An unreadable type must not leave a rule that loaded and accepts.
        log.LogHResult(LogLevel::Error, hr, L"Failed to get type attribute of regex node.");
        result = hr;
        return ChildOutcome::Stop;
    }
    if (hr == S_FALSE) {
        log.LogCode(LogLevel::Error, kRuleValueMissing, L"Regex node has no type attribute.");
        result = kRuleValueMissing;
        return ChildOutcome::Stop;
    }
    if (ParseIntegerText(typeText.c_str(), m_expressionType)) {
        log.Log(LogLevel::Debug, L"Successfully determined if type of regular expression.");
    } else {
        log.LogCode(LogLevel::Error, kRuleValueMissing,
                    L"Failed to convert value of type attribute of regex node to integer.");
    }
    return ChildOutcome::Next;
}
