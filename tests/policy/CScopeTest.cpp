// Scopes: the comparison rules on canonical names, the user scope built from
// the simulated domain, policy scopes loaded from XML and matched against the
// example domain's users (by name, nested group, domain, unit), the group
// enumeration through cycles, deep nesting and a failing directory.
#include "EngineTestWorld.h"

#include "support/WideFormat.h"

namespace {

struct NameCase {
    int32_t type;
    const wchar_t* scope; // the policy scope's canonical name
    const wchar_t* user;  // the user scope's canonical name
    bool matches;
};

} // namespace

TEST(ScopeMatching, ComparesCanonicalNamesByTheRuleOfEachType) {
    const NameCase cases[] = {
        {CScope::ST_USERS, L"d.com/Sales/Bob", L"D.COM/sales/bob", true},
        {CScope::ST_USERS, L"d.com/Sales/Bob", L"d.com/Sales/Bobby", false},
        // An absent name matches nothing, not even another absent name.
        {CScope::ST_USERS, nullptr, nullptr, false},
        {CScope::ST_USERS, L"d.com/Sales/Bob", nullptr, false},
        // Only A to Z fold; other letters compare as they are.
        {CScope::ST_USERS, L"d.com/\u00C4rger", L"d.com/\u00E4rger", false},
        {CScope::ST_OU, L"d.com/Sales", L"d.com/Sales/Bob", true},
        {CScope::ST_OU, L"d.com/Sales", L"d.com/sales/EMEA/Bob", true},
        {CScope::ST_OU, L"d.com/Sales", L"d.com/SalesX/Bob", false},
        {CScope::ST_OU, L"d.com/Sales", L"d.com/Sales", false},
        {CScope::ST_OU, L"d.com/R", L"d.com/R\\/D/carol", false},
        {CScope::ST_OU, nullptr, L"d.com/Sales/Bob", false},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/Bob", true},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/EMEA/Bob", false},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Salesbob", false},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/", false},
        // A slash written inside a name is not a separator.
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/Bob\\/Alice", true},
        {CScope::ST_DOMAIN, L"d.com/", L"D.com/Sales/Bob", true},
        {CScope::ST_DOMAIN, L"d.com", L"d.community/Bob", true},
        {CScope::ST_DOMAIN, L"d.com/", L"e.com/Bob", false},
        {CScope::ST_DOMAIN, nullptr, L"d.com/Bob", false},
        {CScope::ST_NONE, L"d.com/", L"d.com/Bob", false},
        {42, L"d.com/", L"d.com/Bob", false},
    };
    cMvLog log;
    for (const NameCase& c : cases) {
        CScope scope(c.type, nullptr, c.scope, nullptr);
        CScope user(CScope::ST_USERS, L"S-1-5-21-1-2-3-4", c.user, L"bob@d.com");
        bool match = !c.matches;
        EXPECT_EQ(scope.Matches(log, user, match), 0);
        EXPECT_EQ(match, c.matches)
            << "type " << c.type << ", scope " << (c.scope ? c.scope : L"(absent)") << ", user "
            << (c.user ? c.user : L"(absent)");
    }
}

class Scope : public EngineTest {};

TEST_F(Scope, UserScopeTakesSidCanonicalNameAndPrincipalNameFromTheDirectory) {
    struct UserCase {
        const wchar_t* user;
        const wchar_t* domain;
        const wchar_t* sid;
        const wchar_t* canonical;
        const wchar_t* name;
    };
    const UserCase cases[] = {
        {L"bob", L"corp.example.com", CORP_SID L"-1105", L"corp.example.com/Sales/EMEA/Bob Builder",
         L"bob@corp.example.com"},
        {L"carol", L"corp.example.com", CORP_SID L"-1106", L"corp.example.com/R\\/D/Carol White",
         L"carol.white@corp.example.com"},
        // No principal name: the account name stays.
        {L"dave", nullptr, CORP_SID L"-1107", L"corp.example.com/Users/Dave Doe", L"dave"},
        {L"erin", L"lab.example.net", LAB_SID L"-1301", L"lab.example.net/Research/Optics/Erin Eve",
         L"erin@lab.example.net"},
    };
    for (const UserCase& c : cases) {
        CScope scope;
        ASSERT_EQ(scope.CreateUserScope(log, c.user, c.domain), 0) << c.user << AllEntries();
        EXPECT_EQ(scope.GetType(), CScope::ST_USERS) << c.user;
        EXPECT_STREQ(scope.GetSid(), c.sid) << c.user;
        EXPECT_STREQ(scope.GetCanonicalName(), c.canonical) << c.user;
        EXPECT_STREQ(scope.GetName(), c.name) << c.user;
    }
}

TEST_F(Scope, AUserWhoCannotBeFoundLeavesAScopeWithoutType) {
    CScope scope(CScope::ST_USERS, L"S-1", L"old", L"old");
    EXPECT_NE(scope.CreateUserScope(log, L"nobody", L"corp.example.com"), 0);
    EXPECT_EQ(scope.GetType(), CScope::ST_NONE);
    EXPECT_EQ(scope.GetCanonicalName(), nullptr);
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error code ("));
    // Such a user scope matches nothing, not even the whole domain.
    CScope domain(CScope::ST_DOMAIN, nullptr, L"corp.example.com/", nullptr);
    bool match = true;
    EXPECT_EQ(domain.Matches(log, scope, match), 0);
    EXPECT_FALSE(match);

    // In a workgroup there is no domain to look in: no type, no failure.
    UseExampleWith(L"<Computer name=\"WS01\" joinedTo=\"CORP\"/>",
                   L"<Computer name=\"WS01\" workgroup=\"HOME\"/>");
    EXPECT_EQ(scope.CreateUserScope(log, L"bob", nullptr), 0);
    EXPECT_EQ(scope.GetType(), CScope::ST_NONE);
}

TEST_F(Scope, LoadsTheScopeElementAndRefusesAnEmptyOneOrOneWithoutType) {
    struct LoadCase {
        const wchar_t* xml;
        int32_t result;
        int32_t type;
        const wchar_t* sid;
        size_t groups;
    };
    const LoadCase cases[] = {
        {L"<Scope type=\"2\"><SID>a/b</SID><Other>x</Other><SID>c/d</SID></Scope>", 0,
         CScope::ST_OU, L"c/d", 0},
        {L"<Scope type=\"1\"><!-- c --><Groups><Group>CN=A</Group><X>CN=B</X><Group>cn=a</Group>"
         L"</Groups></Scope>",
         0, CScope::ST_GROUPS, nullptr, 1},
        // An empty Groups element leaves the set to be gathered.
        {L"<Scope type=\"1\"><Groups/></Scope>", 0, CScope::ST_GROUPS, nullptr, 0},
        {L"<Scope type=\"3\"/>", -12, CScope::ST_NONE, nullptr, 0},
        {L"<Scope><SID>x</SID></Scope>", -11, CScope::ST_NONE, nullptr, 0},
        {L"<Scope type=\" 1\"><SID>x</SID></Scope>", -11, CScope::ST_NONE, L"x", 0},
        // A type that is not a number fails only when no Groups child loads after it.
        {L"<Scope type=\"x\"><Groups><Group>CN=A</Group></Groups></Scope>", 0, CScope::ST_NONE,
         nullptr, 1},
    };
    for (const LoadCase& c : cases) {
        auto element = Element(c.xml);
        ASSERT_TRUE(element);
        CScope scope;
        EXPECT_EQ(scope.LoadFromXML(log, element.get()), c.result) << c.xml;
        EXPECT_EQ(scope.GetType(), c.type) << c.xml;
        EXPECT_STREQ(scope.GetSid(), c.sid) << c.xml;
        EXPECT_EQ(scope.GetGroups().size(), c.groups) << c.xml;
    }
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-12) - Scope is empty."));
}

TEST_F(Scope, PolicyScopesMatchTheUsersOfTheExampleDomain) {
    struct MatchCase {
        const wchar_t* scopeXml;
        const wchar_t* user;
        const wchar_t* domain;
        bool matches;
    };
    const std::wstring salesStaff = L"<SID>" CORP_SID L"-1201</SID>";
    const std::wstring emeaSales = L"<SID>" CORP_SID L"-1202</SID>";
    const MatchCase cases[] = {
        // By name: the SID is refreshed to the canonical name.
        {L"<Scope type=\"0\"><SID>" CORP_SID L"-1105</SID></Scope>", L"bob", nullptr, true},
        {L"<Scope type=\"0\"><SID>" CORP_SID L"-1105</SID></Scope>", L"alice", nullptr, false},
        // A scope whose SID cannot be turned into a name matches nobody.
        {L"<Scope type=\"0\"><SID>not a sid</SID></Scope>", L"bob", nullptr, false},
        // By nested group: bob is in EMEA Sales, which is in Sales Staff.
        {L"<Scope type=\"1\"><SID>" CORP_SID L"-1201</SID></Scope>", L"bob", nullptr, true},
        {L"<Scope type=\"1\"><SID>" CORP_SID L"-1201</SID></Scope>", L"alice", nullptr, true},
        {L"<Scope type=\"1\"><SID>" CORP_SID L"-1201</SID></Scope>", L"dave", nullptr, false},
        // Through the cycle: carol's Engineers is in All Staff, which is in Sales Staff.
        {L"<Scope type=\"1\"><SID>" CORP_SID L"-1201</SID></Scope>", L"carol", nullptr, true},
        // Across the trust.
        {L"<Scope type=\"1\"><SID>" LAB_SID L"-1300</SID></Scope>", L"carol", nullptr, true},
        // Groups named in the document are used as given, in any letter case.
        {L"<Scope type=\"1\"><Groups><Group>cn=emea "
         L"sales,ou=emea,ou=sales" CORP_DN L"</Group></Groups></Scope>",
         L"bob", nullptr, true},
        {L"<Scope type=\"1\"><Groups><Group>CN=EMEA "
         L"Sales,OU=EMEA,OU=Sales" CORP_DN L"</Group></Groups></Scope>",
         L"alice", nullptr, false},
        // A gathered group set holds the groups that contain the scope's group, so a
        // member of a containing group matches a scope naming the inner group.
        {L"<Scope type=\"1\"><SID>" CORP_SID L"-1202</SID></Scope>", L"alice", nullptr, true},
        {L"<Scope type=\"1\"><SID>" CORP_SID L"-1202</SID></Scope>", L"erin", L"lab.example.net",
         false},
        {L"<Scope type=\"3\"><SID>corp.example.com/</SID></Scope>", L"dave", nullptr, true},
        {L"<Scope type=\"3\"><SID>corp.example.com/</SID></Scope>", L"erin", L"lab.example.net",
         false},
        {L"<Scope type=\"2\"><SID>corp.example.com/Sales</SID></Scope>", L"bob", nullptr, true},
        {L"<Scope type=\"2\"><SID>corp.example.com/Sales</SID></Scope>", L"alice", nullptr, true},
        {L"<Scope type=\"2\"><SID>corp.example.com/Sales</SID></Scope>", L"dave", nullptr, false},
        {L"<Scope type=\"4\"><SID>corp.example.com/Sales</SID></Scope>", L"alice", nullptr, true},
        {L"<Scope type=\"4\"><SID>corp.example.com/Sales</SID></Scope>", L"bob", nullptr, false},
        {L"<Scope type=\"4\"><SID>corp.example.com/R\\/D</SID></Scope>", L"carol", nullptr, true},
        // No SID: an OU scope has no name to compare and matches nobody.
        {L"<Scope type=\"2\"><Name>corp.example.com/Sales</Name></Scope>", L"bob", nullptr, false},
    };
    for (const MatchCase& c : cases) {
        CScope user = UserScope(c.user, c.domain);
        auto element = Element(c.scopeXml);
        ASSERT_TRUE(element);
        CScope scope;
        ASSERT_EQ(scope.LoadFromXML(log, element.get()), 0) << c.scopeXml;
        (void)scope.Refresh(log);
        bool match = !c.matches;
        EXPECT_EQ(scope.Matches(log, user, match), 0) << c.scopeXml << AllEntries();
        EXPECT_EQ(match, c.matches) << c.scopeXml << " / " << c.user;
    }
}

TEST_F(Scope, ARefreshThatCannotBindKeepsTheOldCanonicalName) {
    UseExampleWith(L"<Domain flat=\"CORP\"", L"<Domain bindError=\"1722\" flat=\"CORP\"");
    CScope user(CScope::ST_USERS, CORP_SID L"-1105", L"kept", L"dropped");
    EXPECT_EQ(user.Refresh(log), 1722);
    EXPECT_STREQ(user.GetCanonicalName(), L"kept");
    EXPECT_STREQ(user.GetName(), L"bob");
}

TEST_F(Scope, ResolvesTheSidOfAUserAGroupAndAUnitAndOrdersByIt) {
    CScope user(CScope::ST_USERS, nullptr, nullptr, L"CORP\\bob");
    EXPECT_EQ(user.ResolveSid(log), 0);
    EXPECT_STREQ(user.GetSid(), CORP_SID L"-1105");
    CScope group(CScope::ST_GROUPS, nullptr, L"CORP/Sales Staff", nullptr);
    EXPECT_EQ(group.ResolveSid(log), 0);
    EXPECT_STREQ(group.GetSid(), CORP_SID L"-1201");
    CScope unit(CScope::ST_OU, nullptr, L"corp.example.com/Sales", nullptr);
    EXPECT_EQ(unit.ResolveSid(log), 0);
    EXPECT_STREQ(unit.GetSid(), L"corp.example.com/Sales");
    CScope nobody(CScope::ST_USERS, L"S-1-0", nullptr, L"CORP\\nobody");
    EXPECT_NE(nobody.ResolveSid(log), 0);
    EXPECT_STREQ(nobody.GetSid(), L"S-1-0");
    // Users and groups order by SID, the others by canonical name, ignoring case.
    EXPECT_TRUE(user < group);
    EXPECT_TRUE(unit < CScope(CScope::ST_SINGLEOU, nullptr, L"CORP.example.com/Sales2", nullptr));
}

TEST_F(Scope, EnumeratesNestedGroupsThroughACycleVisitingEachOnce) {
    GroupSet groups;
    const std::wstring bob = L"CN=Bob Builder,OU=EMEA,OU=Sales" CORP_DN;
    EXPECT_EQ(CScope::EnumerateGroups(log, bob, groups), 0) << AllEntries();
    const GroupSet expected = {bob, L"CN=EMEA Sales,OU=EMEA,OU=Sales" CORP_DN,
                               L"CN=Sales Staff,OU=Sales" CORP_DN,
                               L"CN=All Staff,CN=Users" CORP_DN};
    EXPECT_EQ(groups, expected);
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), 4);
    // A group that is a member of nothing ends its branch without an error.
    EXPECT_FALSE(LoggedStart(LogLevel::Error, L"")) << AllEntries();
}

TEST_F(Scope, ANestingOfTenThousandGroupsFinishesWithEveryGroup) {
    constexpr int depth = 10000;
    std::wstring fixture = L"<SimulatedDomain><Computer name=\"WS01\" joinedTo=\"CORP\"/>"
                           L"<Domain flat=\"CORP\" dns=\"corp.example.com\" sid=\"S-1-5-21-1-2-3\">"
                           L"<DomainController name=\"DC01\"/><OU name=\"Deep\">";
    for (int i = 0; i < depth; ++i) {
        fixture += FormatWide(L"<Group sam=\"G%d\" "
                              L"rid=\"%d\"><MemberOf>CN=G%d,OU=Deep" CORP_DN L"</MemberOf></Group>",
                              i, 2000 + i, (i + 1) % depth);
    }
    fixture += L"</OU></Domain></SimulatedDomain>";
    UseFixture(fixture);

    struct Walk {
        GroupSet groups;
        int32_t result = -1;
    } walk;
    // On a thread of 256 KiB of stack, which a frame per level would overflow.
    const auto run = [](void* context) -> DWORD {
        Walk& w = *static_cast<Walk*>(context);
        cMvLog quiet;
        w.result = CScope::EnumerateGroups(quiet, L"CN=G0,OU=Deep" CORP_DN, w.groups);
        return 0;
    };
    HANDLE thread =
        CreateThread(nullptr, 256 * 1024, run, &walk, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    EXPECT_EQ(exitCode, 0u);
    const GroupSet& groups = walk.groups;
    const int32_t result = walk.result;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(groups.size(), static_cast<size_t>(depth));
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), depth);
}

TEST_F(Scope, ADirectoryFailingInTheMiddleKeepsWhatWasGatheredAndReportsTheFailure) {
    // Sales Staff cannot be read: bob's walk stops there but keeps the rest.
    UseExampleWith(L"<Group sam=\"Sales Staff\" rid=\"1201\">",
                   L"<Group sam=\"Sales Staff\" rid=\"1201\" getInfoError=\"0x80072030\">");
    GroupSet groups;
    const std::wstring bob = L"CN=Bob Builder,OU=EMEA,OU=Sales" CORP_DN;
    EXPECT_EQ(CScope::EnumerateGroups(log, bob, groups), static_cast<int32_t>(0x80072030));
    EXPECT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups.count(L"CN=All Staff,CN=Users" CORP_DN), 0u);
    EXPECT_TRUE(LoggedStart(
        LogLevel::Error,
        L"Error occurred while recursively trying to enumerate groups for 'CN=Sales Staff"))
        << AllEntries();

    // Through the scope: the failure is logged, the match goes on with the set.
    auto element = Element(L"<Scope type=\"1\"><SID>" CORP_SID L"-1202</SID></Scope>");
    CScope scope;
    ASSERT_EQ(scope.LoadFromXML(log, element.get()), 0);
    ASSERT_EQ(scope.Refresh(log), 0);
    CScope user = UserScope(L"bob");
    bool match = false;
    EXPECT_EQ(scope.Matches(log, user, match), 0);
    EXPECT_TRUE(match);
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Failed to enumerate groups for 'CN=Bob Builder"));
}

TEST_F(Scope, AMemberOfValueOfAnotherTypeIsSkipped) {
    UseExampleWith(L"<MemberOf>CORP\\EMEA Sales</MemberOf>",
                   L"<Attr name=\"memberOf\" type=\"i4\">7</Attr>");
    GroupSet groups;
    const std::wstring bob = L"CN=Bob Builder,OU=EMEA,OU=Sales" CORP_DN;
    EXPECT_EQ(CScope::EnumerateGroups(log, bob, groups), 0);
    EXPECT_EQ(groups.size(), 1u);
    EXPECT_TRUE(
        Logged(LogLevel::Debug, L"Unknown data type stored in result object for memberOf data."));

    UseExampleWith(L"<MemberOf>CORP\\EMEA Sales</MemberOf>",
                   L"<Attr name=\"memberOf\" type=\"strings\"><Value>CN=EMEA Sales,OU=EMEA,"
                   L"OU=Sales" CORP_DN L"</Value><Value></Value></Attr>");
    groups.clear();
    EXPECT_EQ(CScope::EnumerateGroups(log, bob, groups), 0);
    EXPECT_EQ(groups.size(), 4u);
}
