// The minimum-age rule: its built-in texts, the time of the last password
// change from the directory, the test, and the "MinimumAge" child in days or
// minutes by the document's version.
#include "policy/CRuleHistoryMinimumAge.h"

#include "policy/CScope.h"
#include "policy/RuleXml.h"
#include "policy/UserObject.h"
#include "support/CVersionParser.h"
#include "support/cMvBstr.h"
#include "support/cMvLog.h"
#include "support/cMvVariant.h"

#include <iads.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>

using resetra::cMvBstr;
using resetra::cMvComPtr;
using resetra::cMvVariant;

namespace {

const BuiltInText kTexts[] = {
    {LanguageId::English, L"The password must be at least %d minutes old."},
    {LanguageId::Dutch, L"Het wachtwoord moet minstens %d minuten oud zijn."},
    {LanguageId::French, L"Le mot de passe doit dater d'au moins %d minutes."},
    {LanguageId::German, L"Das Kennwort muss mindestens %d Minuten alt sein."},
    {LanguageId::Spanish, L"La contraseña debe tener una antigüedad mínima de %d minutos."},
    {LanguageId::Polish, L"Hasło musi być używane co najmniej przez następującą liczbę minut: %d."},
    {LanguageId::Italian, L"La password deve essere in uso da almeno %d minuti."},
    {LanguageId::Portuguese, L"A senha deve estar em uso há pelo menos %d minutos."},
    {LanguageId::Czech, L"Heslo musí být používáno alespoň po tuto dobu (v minutách): %d."},
    {LanguageId::Chinese, L"密码必须至少使用 %d 分钟。"},
    {LanguageId::Russian, L"Пароль должен использоваться не менее %d мин."},
    {LanguageId::Finnish, L"Salasanan on oltava vähintään %d minuuttia vanha."},
    {LanguageId::Hungarian, L"A jelszónak legalább %d perc idősnek kell lennie."},
};

constexpr int64_t kMinutesPerDay = 1440;

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                time.dwLowDateTime);
}

// Days to minutes without overflow: ages beyond the 32-bit range clamp to
// its limits, so a huge age refuses instead of wrapping to a negative one.
int32_t DaysToMinutes(int32_t days) {
    const int64_t minutes = static_cast<int64_t>(days) * kMinutesPerDay;
    return static_cast<int32_t>(std::clamp<int64_t>(minutes, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

CRuleHistoryMinimumAge::CRuleHistoryMinimumAge(int32_t minimumAgeMinutes)
    : CRuleBase(BuiltInDescriptions(kTexts, std::size(kTexts), minimumAgeMinutes)),
      m_minimumAge(minimumAgeMinutes) {}

std::unique_ptr<CRuleBase> CRuleHistoryMinimumAge::Clone() const {
    return std::unique_ptr<CRuleBase>(new CRuleHistoryMinimumAge(*this));
}

int32_t CRuleHistoryMinimumAge::GetPasswordLastSet(cMvLog& log, const CScope& userScope,
                                                   SYSTEMTIME& lastSet) {
    UserObjectFacts& facts = userScope.ObjectFacts();
    if (!facts.keep) {
        return ReadPasswordLastSet(log, userScope, lastSet);
    }
    std::optional<UserObjectFacts::PasswordLastSet>& known = facts.passwordLastSet;
    if (!known) {
        UserObjectFacts::PasswordLastSet read;
        read.code = ReadPasswordLastSet(log, userScope, read.time);
        known = read;
    }
    lastSet = known->time;
    return known->code;
}

int32_t CRuleHistoryMinimumAge::ReadPasswordLastSet(cMvLog& log, const CScope& userScope,
                                                    SYSTEMTIME& lastSet) {
    cMvComPtr<IADsUser> user;
    UserObjectFailure failure = UserObjectFailure::None;
    const int32_t code = BindUserObject(log, userScope, user, failure);
    if (code != 0) {
        return code;
    }
    HRESULT hr = user->GetInfo();
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to load property cache of bound object.");
        return hr;
    }
    cMvVariant value;
    hr = user->Get(cMvBstr(L"pwdLastSet").get(), value.put());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr,
                       L"Unable to get time and date of last password change from bound object.");
        return hr;
    }
    FILETIME time = {};
    if (value.Type() == VT_DISPATCH || value.Type() == VT_UNKNOWN) {
        IUnknown* object =
            value.Type() == VT_DISPATCH ? value.get()->pdispVal : value.get()->punkVal;
        cMvComPtr<IADsLargeInteger> large;
        hr = object != nullptr ? object->QueryInterface(IID_IADsLargeInteger, large.put_void())
                               : E_POINTER;
        if (FAILED(hr) || !large) {
            hr = FAILED(hr) ? hr : E_NOINTERFACE;
            log.LogHResult(LogLevel::Error, hr, L"Unable to query interface of pwdLastSet object.");
            return hr;
        }
        LONG high = 0;
        LONG low = 0;
        if (FAILED(large->get_HighPart(&high)) || FAILED(large->get_LowPart(&low))) {
            high = 0;
            low = 0;
        }
        time.dwHighDateTime = static_cast<DWORD>(high);
        time.dwLowDateTime = static_cast<DWORD>(low);
    }
    if (!FileTimeToSystemTime(&time, &lastSet)) {
        log.LogCode(LogLevel::Error, kTimeConversionFailed,
                    L"Unable to convert date object to systemtime.");
        return kTimeConversionFailed;
    }
    log.Log(LogLevel::Debug, L"Retrieved time and date of last password change from bound object.");
    return 0;
}

int32_t CRuleHistoryMinimumAge::Test(cMvLog& log, bool& valid, const CScope& userScope,
                                     const wchar_t*, bool, const wchar_t*) {
    valid = false;
    SYSTEMTIME now;
    GetSystemTime(&now);
    SYSTEMTIME lastSet = {};
    const int32_t code = GetPasswordLastSet(log, userScope, lastSet);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code, L"Failed to get last password changed date/time.");
        return code;
    }
    FILETIME nowTime = {};
    FILETIME lastSetTime = {};
    SystemTimeToFileTime(&now, &nowTime);
    SystemTimeToFileTime(&lastSet, &lastSetTime);
    const int64_t elapsed = Ticks(nowTime) - Ticks(lastSetTime);
    const int64_t minutes = elapsed / 10000000 / 60;
    valid = minutes >= m_minimumAge;
    log.Log(LogLevel::Debug, L"Checking minium age rule, password valid = %s\r",
            valid ? L"TRUE" : L"FALSE");
    return 0;
}

int32_t CRuleHistoryMinimumAge::LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                            const wchar_t* documentVersion) {
    return LoadRuleFrame(
        log, ruleElement, L"An error occurred getting minimum password age rule data.", nullptr,
        [&](std::wstring_view name, IXMLDOMNode* child, int32_t& result) {
            if (name != L"MinimumAge") {
                return ChildOutcome::Next;
            }
            std::wstring text;
            const HRESULT hr = GetNodeText(child, text);
            if (FAILED(hr)) {
                log.LogHResult(LogLevel::Error, hr,
                               L"Failed to get value of minimum password age node.");
                result = hr;
                return ChildOutcome::Stop;
            }
            int32_t value = 0;
            if (!ParseIntegerText(text.c_str(), value)) {
                m_minimumAge = kDefaultMinutes;
                log.LogCode(LogLevel::Error, kRuleValueMissing,
                            L"Failed to convert value of minimum password age to integer.");
                return ChildOutcome::Next;
            }
            m_minimumAge = value;
            if (CVersionParser(kMinutesSinceVersion).CompareWithString(documentVersion) == 1) {
                m_minimumAge = DaysToMinutes(value);
                log.Log(LogLevel::Debug, L"Successfully converted the minimum password age in "
                                         L"days to minimum password age in minutes.");
            }
            log.Log(LogLevel::Debug, L"Successfully set value of minimum password age.");
            return ChildOutcome::Next;
        });
}
