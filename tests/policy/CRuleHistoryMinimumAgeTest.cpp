// The minimum-age rule: days or minutes by the document's version, and the
// time of the last password change read from the simulated domain.
#include "PolicyTestWorld.h"

#include "policy/CRuleHistoryMinimumAge.h"

#include <adserr.h>

class MinimumAgeRule : public PolicyTest {
protected:
    // Alice of the example domain, her password set `secondsAgo` ago.
    void AliceSetSecondsAgo(long long secondsAgo) {
        UseExampleWith(L"pwdLastSetMinutesAgo=\"30\"",
                       L"pwdLastSetSecondsAgo=\"" + std::to_wstring(secondsAgo) + L"\"");
        user = ScopeOf(L"corp.example.com/Sales/Alice Archer", L"alice@corp.example.com");
    }
};

TEST_F(MinimumAgeRule, ReadsDaysFromDocumentsOlderThan1_8_0_1037AndClampsHugeAges) {
    const struct {
        const wchar_t* age;
        const wchar_t* version;
        int32_t minutes;
    } rows[] = {
        {L"2", L"1.8.0.1036", 2880},
        {L"2", nullptr, 2880},
        {L"2", L"", 2880},
        {L"2", L"1.7", 2880},
        {L"2", L"1.8.0.1037", 2},
        {L"2", L"2.0", 2},
        {L"x", L"1.0", 1440},
        {L"1491309", L"1.0", INT32_MAX}, // days whose minutes pass 2^31
        {L"2147483647", L"1.0", INT32_MAX},
        {L"-2147483648", L"1.0", INT32_MIN},
    };
    for (const auto& row : rows) {
        CRuleHistoryMinimumAge rule;
        EXPECT_EQ(rule.LoadFromXML(log,
                                   Rule(std::wstring(L"<Rule type='1'><MinimumAge>") + row.age +
                                        L"</MinimumAge></Rule>"),
                                   row.version),
                  0);
        EXPECT_EQ(rule.GetMinimumAge(), row.minutes)
            << "age " << row.age << " version " << (row.version ? row.version : L"none");
    }
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Successfully converted the minimum password age in days "
                                        L"to minimum password age in minutes."));
    EXPECT_TRUE(
        Logged(LogLevel::Error,
               L"Error code (-11) - Failed to convert value of minimum password age to integer."));
}

TEST_F(MinimumAgeRule, AHugeAgeInDaysRefusesInsteadOfWrappingToANegativeAge) {
    CRuleHistoryMinimumAge rule;
    ASSERT_EQ(rule.LoadFromXML(log, Rule(L"<Rule type='1'><MinimumAge>2000000</MinimumAge></Rule>"),
                               L"1.0"),
              0);
    EXPECT_FALSE(Accepts(rule, L"irrelevant")); // Bob's password is two days old
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
    for (const auto& row : rows) {
        AliceSetSecondsAgo(row.secondsAgo);
        CRuleHistoryMinimumAge rule(row.minimumMinutes);
        EXPECT_EQ(Accepts(rule, L"irrelevant"), row.valid)
            << row.secondsAgo << " s ago, minimum " << row.minimumMinutes;
    }
    EXPECT_TRUE(Logged(LogLevel::Debug, L"Checking minium age rule, password valid = FALSE\r"));
    EXPECT_TRUE(Logged(LogLevel::Debug,
                       L"Created LDAP query: "
                       L"LDAP://CN=Alice Archer,OU=Sales,DC=corp,DC=example,DC=com"));
}

TEST_F(MinimumAgeRule, ReportsDirectoryFailuresAsCodesAndAcceptsAPasswordNeverSet) {
    const struct {
        const wchar_t* canonical;
        const wchar_t* faultFrom; // a change to the example domain, or null
        const wchar_t* faultTo;
        int32_t result;
        bool valid;
        const wchar_t* error; // an Error entry that starts so, or null
    } rows[] = {
        {L"corp.example.com/Users/Dave Doe", nullptr, nullptr, 0, true, nullptr}, // never
        {L"corp.example.com/Sales/EMEA/Bob Builder", nullptr, nullptr, 0, true, nullptr},
        {L"lab.example.net/Research/Optics/Frank Fox", nullptr, nullptr,
         static_cast<int32_t>(E_ADS_PROPERTY_NOT_FOUND), false,
         L"Unable to get time and date of last password change from bound object."},
        {L"corp.example.com/Nobody/Here", nullptr, nullptr, -6, false,
         L"Error code (-6) - Failed to convert canonical name 'corp.example.com/Nobody/Here' to "
         L"distinguished name."},
        {L"corp.example.com/Users/Dave Doe", L"pwdLastSet=\"never\"",
         L"getInfoError=\"0x80070005\"", static_cast<int32_t>(E_ACCESSDENIED), false,
         L"Failed to load property cache of bound object."},
        {L"corp.example.com/Users/Dave Doe", L"pwdLastSet=\"never\"/>",
         L"><Attr name=\"pwdLastSet\" type=\"i4\">5</Attr></User>", 0, true, nullptr},
        {L"corp.example.com/Users/Dave Doe", L"pwdLastSet=\"never\"/>",
         L"><Attr name=\"pwdLastSet\" type=\"largeinteger\">0xFFFFFFFFFFFFFFFF</Attr></User>", -23,
         false, L"Error code (-23) - Unable to convert date object to systemtime."},
        {L"corp.example.com/Ghost", L"<DomainController name=\"DC01\"/>",
         L"<DomainController name=\"DC01\"/><Crack name=\"corp.example.com/Ghost\" status=\"0\" "
         L"result=\"\"/>",
         -6, false, L"Error code (-6) - Failed to convert canonical name 'corp.example.com/Ghost'"},
        {L"corp.example.com/Users/Dave Doe", L"<Domain flat=\"CORP\"",
         L"<Domain adsError=\"0x80072030\" flat=\"CORP\"", static_cast<int32_t>(0x80072030), false,
         L"Failed to bind user object in Active Directoy."},
    };
    for (const auto& row : rows) {
        handler.entries.clear();
        if (row.faultFrom != nullptr) {
            UseExampleWith(row.faultFrom, row.faultTo);
        } else {
            UseFixture(ExampleFixtureText());
        }
        user = ScopeOf(row.canonical, nullptr);
        CRuleHistoryMinimumAge rule(1440);
        bool verdict = true;
        EXPECT_EQ(Run(rule, L"irrelevant", verdict), row.result) << row.canonical << AllEntries();
        EXPECT_EQ(verdict, row.valid) << row.canonical;
        if (row.error != nullptr) {
            EXPECT_TRUE(LoggedStart(LogLevel::Error, row.error)) << row.error << AllEntries();
            EXPECT_TRUE(LoggedStart(LogLevel::Error,
                                    L"Error code (" + std::to_wstring(row.result) +
                                        L") - Failed to get last password changed date/time."))
                << AllEntries();
        }
    }
}
