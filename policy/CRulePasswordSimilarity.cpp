// The old-password similarity rule: built-in texts, the test and the
// "PasswordRatio" child.
#include "policy/CRulePasswordSimilarity.h"

#include "policy/Similarity.h"
#include "support/cMvLog.h"

#include <iterator>

namespace {

const BuiltInText kTexts[] = {
    {LanguageId::English, L"The password may not resemble the old password."},
    {LanguageId::Dutch, L"Het wachtwoord mag niet lijken op het oude wachtwoord."},
    {LanguageId::French, L"Le mot de passe ne doit pas ressembler à l'ancien mot de passe."},
    {LanguageId::German, L"Das Kennwort darf dem alten Kennwort nicht ähneln."},
    {LanguageId::Spanish, L"La contraseña no puede parecerse a la contraseña anterior."},
    {LanguageId::Polish, L"Hasło nie może przypominać starego hasła."},
    {LanguageId::Italian, L"La password non deve somigliare alla password precedente."},
    {LanguageId::Portuguese, L"A senha não pode ser parecida com a senha antiga."},
    {LanguageId::Czech, L"Heslo se nesmí podobat starému heslu."},
    {LanguageId::Chinese, L"密码不能与旧密码相似。"},
    {LanguageId::Russian, L"Пароль не должен напоминать старый пароль."},
    {LanguageId::Finnish, L"Salasana ei saa muistuttaa vanhaa salasanaa."},
    {LanguageId::Hungarian, L"A jelszó nem hasonlíthat a régi jelszóra."},
};

} // namespace

CRulePasswordSimilarity::CRulePasswordSimilarity(bool check, float ratio)
    : CRuleBase(BuiltInDescriptions(kTexts, std::size(kTexts))), m_check(check), m_ratio(ratio) {}

std::unique_ptr<CRuleBase> CRulePasswordSimilarity::Clone() const {
    return std::unique_ptr<CRuleBase>(new CRulePasswordSimilarity(*this));
}

int32_t CRulePasswordSimilarity::Test(cMvLog& log, bool& valid, const CScope&,
                                      const wchar_t* newPassword, bool,
                                      const wchar_t* oldPassword) {
    valid = true;
    if (oldPassword == nullptr || !m_check) {
        return 0;
    }
    const double similarity =
        PairSimilarity(newPassword, oldPassword, static_cast<double>(m_ratio), false);
    log.Log(LogLevel::Debug, L"Similarity with old password = %f ", similarity);
    if (similarity != 0.0) {
        log.Log(LogLevel::Debug, L"Password rejected, it is too similar to previous password.");
        valid = false;
    }
    return 0;
}

int32_t CRulePasswordSimilarity::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                             const wchar_t*) {
    return LoadRuleFrame(
        log, ruleElement, L"An error occurred getting similarity rule data.",
        L"Load similarity rule data from XML.",
        [&](const std::wstring& name, IXMLDOMNode* child, int32_t& result) {
            if (name != L"PasswordRatio") {
                return ChildOutcome::Next;
            }
            result = ReadRatioElement(log, child, m_check, m_ratio);
            if (result != 0) {
                log.LogCode(LogLevel::Error, result,
                            L"Failed to extract information about password similarity, using "
                            L"defaults.");
                m_check = false;
                m_ratio = kDefaultSimilarityRatio;
            } else {
                log.Log(LogLevel::Debug, L"Successfully set settings for password similarity.");
            }
            return ChildOutcome::Next;
        });
}
