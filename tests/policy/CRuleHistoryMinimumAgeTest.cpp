// The minimum-age rule: days or minutes by the document's version, and the
// time of the last password change read from the simulated domain.
#include "PolicyTestWorld.h"

#include "policy/CRuleHistoryMinimumAge.h"

#include <adserr.h>

class MinimumAgeRule : public PolicyTest {};

TEST_F(MinimumAgeRule, ReadsDaysFromDocumentsOlderThan1_8_0_1037AndClampsHugeAges) {
    const struct {
        const wchar_t* age;
        const wchar_t* version;
        int32_t minutes;
    } rows[] = {
        {L"2", L"1.8.0.1036", 2880},
        {L"2", nullptr, 2880},
        {L"2", L"", 2880},
        {L"2", L"1.8.0.1037", 2},
        {L"2", L"2.0", 2},
        {L"2", L"1.10", 2}, // parts compare as numbers
        {L"2", L"1.7.99.99999", 2880},
        {L"x", L"1.0", 1440},
        {L"1491309", L"1.0", INT32_MAX}, // days whose minutes pass 2^31
        {L"-2147483648", L"1.0", INT32_MIN},
    };
    for (const auto& row : rows) {
        CRuleHistoryMinimumAge rule;
        EXPECT_EQ(rule.LoadFromXML(
                      log, Rule(1, L"<MinimumAge>" + std::wstring(row.age) + L"</MinimumAge>"),
                      row.version),
                  0);
        EXPECT_EQ(rule.GetMinimumAge(), row.minutes) << row.age << " " << (row.version != nullptr);
    }
    EXPECT_TRUE(
        Logged(LogLevel::Error,
               L"Error code (-11) - Failed to convert value of minimum password age to integer."));
    // A huge age in days refuses instead of wrapping to a negative age.
    CRuleHistoryMinimumAge huge;
    ASSERT_EQ(huge.LoadFromXML(log, Rule(1, L"<MinimumAge>2000000</MinimumAge>"), L"1.0"), 0);
    EXPECT_FALSE(Accepts(huge, L"irrelevant")); // Bob's password is two days old
}

TEST_F(MinimumAgeRule, CountsWholeMinutesSinceTheLastChange) {
    const struct {
        long long secondsAgo;
        int32_t minimumMinutes;
        bool valid;
    } rows[] = {
        {86399, 1440, false},                      // one second short: 1439 whole minutes
        {86401, 1440, true},  {-600, 1440, false}, // set in the future (clock skew)
        {-600, 0, false},     {0, 0, true},
    };
    user = ScopeOf(L"corp.example.com/Sales/Alice Archer", nullptr);
    for (const auto& row : rows) {
        UseExampleWith(L"pwdLastSetMinutesAgo=\"30\"",
                       L"pwdLastSetSecondsAgo=\"" + std::to_wstring(row.secondsAgo) + L"\"");
        CRuleHistoryMinimumAge rule(row.minimumMinutes);
        EXPECT_EQ(Accepts(rule, L"irrelevant"), row.valid) << row.secondsAgo << " s ago";
    }
}

TEST_F(MinimumAgeRule, ReportsDirectoryFailuresAsCodesAndAcceptsAPasswordNeverSet) {
    const wchar_t* const dave = L"corp.example.com/Users/Dave Doe";
    const wchar_t* const never = L"pwdLastSet=\"never\"/>";
    const struct {
        const wchar_t* canonical;
        const wchar_t* from; // a change to the example domain, or null
        const wchar_t* to;
        int32_t result;
        const wchar_t* error; // start of an Error entry; valid when null
    } rows[] = {
        {dave, nullptr, nullptr, 0, nullptr}, // never set
        {L"corp.example.com/Sales/EMEA/Bob Builder", nullptr, nullptr, 0, nullptr},
        {L"lab.example.net/Research/Optics/Frank Fox", nullptr, nullptr,
         static_cast<int32_t>(E_ADS_PROPERTY_NOT_FOUND),
         L"Unable to get time and date of last password change from bound object."},
        {L"corp.example.com/Nobody/Here", nullptr, nullptr, -6,
         L"Error code (-6) - Failed to convert canonical name 'corp.example.com/Nobody/Here' to "
         L"distinguished name."},
        {dave, L"pwdLastSet=\"never\"", L"getInfoError=\"0x80070005\"",
         static_cast<int32_t>(E_ACCESSDENIED), L"Failed to load property cache of bound object."},
        {dave, never, L"><Attr name=\"pwdLastSet\" type=\"i4\">5</Attr></User>", 0, nullptr},
        {dave, never,
         L"><Attr name=\"pwdLastSet\" type=\"largeinteger\">0xFFFFFFFFFFFFFFFF</Attr>"
         L"</User>",
         -23, L"Error code (-23) - Unable to convert date object to systemtime."},
        {L"corp.example.com/Ghost", L"<DomainController name=\"DC01\"/>",
         L"<DomainController name=\"DC01\"/><Crack name=\"corp.example.com/Ghost\" status=\"0\" "
         L"result=\"\"/>",
         -6, L"Error code (-6) - Failed to convert canonical name 'corp.example.com/Ghost'"},
        {dave, L"<Domain flat=\"CORP\"", L"<Domain adsError=\"0x80072030\" flat=\"CORP\"",
         static_cast<int32_t>(0x80072030), L"Failed to bind user object in Active Directoy."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        UseExampleWith(row.from != nullptr ? row.from : L"", row.to != nullptr ? row.to : L"");
        user = ScopeOf(row.canonical, nullptr);
        CRuleHistoryMinimumAge rule(1440);
        bool verdict = true;
        EXPECT_EQ(rule.Test(log, verdict, user, L"irrelevant", false, nullptr), row.result)
            << row.canonical << AllEntries();
        EXPECT_EQ(verdict, row.error == nullptr) << row.canonical;
        EXPECT_TRUE(ErrorLogged(row.error)) << row.canonical << AllEntries();
        EXPECT_TRUE(
            row.error == nullptr ||
            LoggedStart(LogLevel::Error, L"Error code (" + std::to_wstring(row.result) +
                                             L") - Failed to get last password changed date/time."))
            << AllEntries();
    }
}
