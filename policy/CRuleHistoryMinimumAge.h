// Rule type 1: the current password must have been set at least a given
// number of minutes ago; the time of the last change is the user object's
// "pwdLastSet" in the directory.
#pragma once

#include "policy/CRuleBase.h"

#include <windows.h>

class CRuleHistoryMinimumAge : public CRuleBase {
public:
    static constexpr int32_t kType = 1;
    static constexpr int32_t kDefaultMinutes = 1440;
    // Documents older than this version store the minimum age in days.
    static constexpr const wchar_t* kMinutesSinceVersion = L"1.8.0.1037";
    // Result when the directory's time cannot be converted.
    static constexpr int32_t kTimeConversionFailed = -23;

    // Unloaded: no descriptions, disabled, 1440 minutes.
    CRuleHistoryMinimumAge() = default;
    // Built in: the given age and the built-in texts formatted with it.
    explicit CRuleHistoryMinimumAge(int32_t minimumAgeMinutes);

    [[nodiscard]] std::unique_ptr<CRuleBase> Clone() const override;
    [[nodiscard]] int32_t Test(cMvLog& log, bool& valid, const CScope& userScope,
                               const wchar_t* newPassword, bool continueAfterRefusal,
                               const wchar_t* oldPassword) override;
    [[nodiscard]] int32_t GetType() const override { return kType; }
    [[nodiscard]] int32_t LoadFromXML(cMvLog& log, IXMLDOMNode* ruleElement,
                                      const wchar_t* documentVersion) override;

    [[nodiscard]] int32_t GetMinimumAge() const noexcept { return m_minimumAge; }

    // The time of the last password change (UTC) of the scope's user; read
    // once and kept with a scope that keeps its user object's facts.
    [[nodiscard]] static int32_t GetPasswordLastSet(cMvLog& log, const CScope& userScope,
                                                    SYSTEMTIME& lastSet);

private:
    [[nodiscard]] static int32_t ReadPasswordLastSet(cMvLog& log, const CScope& userScope,
                                                     SYSTEMTIME& lastSet);
    CRuleHistoryMinimumAge(const CRuleHistoryMinimumAge& other) = default;

    int32_t m_minimumAge = kDefaultMinutes; // minutes
};
