// The name-similarity rule: built-in texts, the user's names from the
// directory, the test and the "UsernameRatio" and "FullnameRatio" children.
#include "policy/CRuleNameSimilarity.h"

#include "policy/CScope.h"
#include "policy/Similarity.h"
#include "policy/UserObject.h"
#include "support/cMvBstr.h"
#include "support/cMvLog.h"
#include "support/cMvVariant.h"

#include <iads.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

using resetra::cMvBstr;
using resetra::cMvComPtr;
using resetra::cMvVariant;

namespace {

const BuiltInText kTexts[] = {
    {LanguageId::English,
     L"The password may not resemble personal information such as the username."},
    {LanguageId::Dutch,
     L"Het wachtwoord mag niet lijken op persoonlijke gegevens zoals de gebruikersnaam."},
    {LanguageId::French, L"Le mot de passe ne doit pas ressembler à des informations personnelles "
                         L"telles que le nom d'utilisateur."},
    {LanguageId::German,
     L"Das Kennwort darf persönlichen Angaben wie dem Benutzernamen nicht ähneln."},
    {LanguageId::Spanish,
     L"La contraseña no puede parecerse a datos personales como el nombre de usuario."},
    {LanguageId::Polish,
     L"Hasło nie może przypominać danych osobowych, takich jak nazwa użytkownika."},
    {LanguageId::Italian,
     L"La password non deve somigliare a informazioni personali come il nome utente."},
    {LanguageId::Portuguese,
     L"A senha não pode ser parecida com informações pessoais, como o nome de usuário."},
    {LanguageId::Czech, L"Heslo se nesmí podobat osobním údajům, například uživatelskému jménu."},
    {LanguageId::Chinese, L"密码不能与用户名等个人信息相似。"},
    {LanguageId::Russian, L"Пароль не должен напоминать личные данные, например имя пользователя."},
    {LanguageId::Finnish, L"Salasana ei saa muistuttaa henkilötietoja, kuten käyttäjänimeä."},
    {LanguageId::Hungarian,
     L"A jelszó nem hasonlíthat személyes adatokra, például a felhasználónévre."},
};

// Reads one name through an IADsUser property; absent when it cannot be read.
template <typename Getter>
std::wstring ReadName(cMvLog& log, Getter get, const wchar_t* failure) {
    cMvBstr value;
    if (FAILED(get(value.put()))) {
        log.Log(LogLevel::Debug, failure);
        return {};
    }
    return value.c_str();
}

// The user object's names (kept with a scope that keeps its facts).
UserObjectFacts::Names ReadUserNames(cMvLog& log, const CScope& userScope) {
    UserObjectFacts::Names names;
    cMvComPtr<IADsUser> user;
    names.code = BindUserObject(log, userScope, user, names.failure);
    if (names.code != 0) {
        return names;
    }
    log.Log(LogLevel::Debug, L"Trying to extract information from bound object.");
    const HRESULT hr = user->GetInfo();
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Debug, hr, L"Failed to load property cache of bound object.");
    }
    names.firstName = ReadName(
        log, [&](BSTR* out) { return user->get_FirstName(out); },
        L"Failed to get first name of bound object.");
    names.lastName = ReadName(
        log, [&](BSTR* out) { return user->get_LastName(out); },
        L"Failed to get last name of bound object.");
    names.fullName = ReadName(
        log, [&](BSTR* out) { return user->get_FullName(out); },
        L"Failed to get full name of bound object.");
    cMvVariant account;
    if (SUCCEEDED(user->Get(cMvBstr(L"sAMAccountName").get(), account.put())) &&
        account.Type() == VT_BSTR && account.get()->bstrVal != nullptr) {
        names.accountName = account.get()->bstrVal;
    } else {
        log.Log(LogLevel::Debug, L"Failed to get sAMAccount name of bound object.");
    }
    log.Log(LogLevel::Debug, L"Found the following values: \"%s\" \"%s\" \"%s\" \"%s\".",
            names.firstName.c_str(), names.lastName.c_str(), names.fullName.c_str(),
            names.accountName.c_str());
    return names;
}

} // namespace

struct CRuleNameSimilarity::UserNames {
    std::wstring firstName;
    std::wstring lastName;
    std::wstring fullName;
    std::wstring accountName;
    std::wstring loginName;
};

CRuleNameSimilarity::CRuleNameSimilarity(bool loginCheck, bool fullNameCheck, float loginRatio,
                                         float fullNameRatio)
    : CRuleBase(BuiltInDescriptions(kTexts, std::size(kTexts))), m_loginCheck(loginCheck),
      m_fullNameCheck(fullNameCheck), m_loginRatio(loginRatio), m_fullNameRatio(fullNameRatio) {}

std::unique_ptr<CRuleBase> CRuleNameSimilarity::Clone() const {
    return std::unique_ptr<CRuleBase>(new CRuleNameSimilarity(*this));
}

int32_t CRuleNameSimilarity::GatherUserNames(cMvLog& log, const CScope& userScope,
                                             UserNames& names) const {
    if (m_fullNameCheck) {
        UserObjectFacts& facts = userScope.ObjectFacts();
        std::optional<UserObjectFacts::Names> read;
        std::optional<UserObjectFacts::Names>& known = facts.keep ? facts.names : read;
        if (!known) {
            known = ReadUserNames(log, userScope);
        }
        if (known->code != 0) {
            return known->failure == UserObjectFailure::Bind ? kBindFailed : known->code;
        }
        names.firstName = known->firstName;
        names.lastName = known->lastName;
        names.fullName = known->fullName;
        names.accountName = known->accountName;
    }
    if (m_loginCheck) {
        const wchar_t* name = userScope.GetName();
        const std::wstring scopeName = name != nullptr ? name : L"";
        const size_t at = scopeName.find(L'@');
        if (at != std::wstring::npos) {
            names.loginName = scopeName.substr(0, at);
        }
    }
    return 0;
}

int32_t CRuleNameSimilarity::Test(cMvLog& log, bool& valid, const CScope& userScope,
                                  const wchar_t* newPassword, bool continueAfterRefusal,
                                  const wchar_t*) {
    valid = true;
    UserNames names;
    const int32_t code = GatherUserNames(log, userScope, names);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code,
                    L"An error occurred while retrieving user information, unable to test "
                    L"password for similiarities.");
        return 0;
    }
    log.Log(LogLevel::Debug, L"Testing similarities: fullname=%s username=%s",
            m_fullNameCheck ? L"TRUE" : L"FALSE", m_loginCheck ? L"TRUE" : L"FALSE");
    if (m_fullNameCheck && (valid || continueAfterRefusal)) {
        double largest = 0.0;
        for (const std::wstring* value :
             {&names.firstName, &names.lastName, &names.fullName, &names.accountName}) {
            const double similarity = PairSimilarity(newPassword, value->c_str(),
                                                     static_cast<double>(m_fullNameRatio), true);
            log.Log(LogLevel::Debug, L"Similarity of %s = %f ", value->c_str(), similarity);
            largest = std::max(largest, similarity);
        }
        if (largest != 0.0) {
            log.Log(LogLevel::Debug, L"Password rejected, it is too similar to the users name.");
            valid = false;
        }
    }
    if (m_loginCheck && (valid || continueAfterRefusal)) {
        const double similarity = PairSimilarity(newPassword, names.loginName.c_str(),
                                                 static_cast<double>(m_loginRatio), false);
        log.Log(LogLevel::Debug, L"Similarity of %s = %f ", names.loginName.c_str(), similarity);
        if (similarity != 0.0) {
            log.Log(LogLevel::Debug, L"Password rejected, it is too similar to the users login.");
            valid = false;
        }
    }
    return 0;
}

int32_t CRuleNameSimilarity::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement, const wchar_t*) {
    return LoadRuleFrame(
        log, ruleElement, L"An error occurred getting similarity rule data.",
        L"Load similarity rule data from XML.",
        [&](std::wstring_view name, IXMLDOMNode* child, int32_t& result) {
            if (name == L"UsernameRatio") {
                result = ReadRatioElement(log, child, m_loginCheck, m_loginRatio);
                if (result != 0) {
                    log.LogCode(LogLevel::Error, result,
                                L"Failed to extract information about username similarity, "
                                L"using defaults.");
                    m_loginCheck = false;
                    m_loginRatio = kDefaultSimilarityRatio;
                } else {
                    log.Log(LogLevel::Debug, L"Successfully set settings for username similarity.");
                }
            } else if (name == L"FullnameRatio") {
                result = ReadRatioElement(log, child, m_fullNameCheck, m_fullNameRatio);
                if (result != 0) {
                    log.LogCode(LogLevel::Error, result,
                                L"Failed to extract information about full name similarity, "
                                L"using defaults.");
                    m_fullNameCheck = false;
                    m_fullNameRatio = kDefaultSimilarityRatio;
                } else {
                    log.Log(LogLevel::Debug,
                            L"Successfully set settings for full name similarity.");
                }
            }
            return ChildOutcome::Next;
        });
}
