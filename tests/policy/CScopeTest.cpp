// Scopes: the comparison rules on canonical names, the user scope built from
// the simulated domain, policy scopes loaded from XML and matched against the
// example domain's users (by name, nested group, domain, unit), the group
// enumeration through cycles, deep nesting and a failing directory.
#include "PolicyTestWorld.h"

#include "support/WideFormat.h"

#define SID(sid) L"<SID>" sid L"</SID>"

namespace {

const std::wstring kBob = L"CN=Bob Builder,OU=EMEA,OU=Sales" CORP_DN;

} // namespace

TEST(ScopeMatching, ComparesCanonicalNamesByTheRuleOfEachType) {
    const struct {
        int32_t type;
        const wchar_t* scope; // the policy scope's canonical name
        const wchar_t* user;  // the user scope's canonical name
        bool matches;
    } rows[] = {
        {CScope::ST_USERS, L"d.com/Sales/Bob", L"D.COM/sales/bob", true},
        {CScope::ST_USERS, L"d.com/Sales/Bob", L"d.com/Sales/Bobby", false},
        {CScope::ST_USERS, nullptr, nullptr, false}, // absent matches nothing
        {CScope::ST_USERS, L"d.com/\u00C4rger", L"d.com/\u00E4rger", false}, // A to Z fold only
        {CScope::ST_OU, L"d.com/Sales", L"d.com/sales/EMEA/Bob", true},
        {CScope::ST_OU, L"d.com/Sales", L"d.com/SalesX/Bob", false},
        {CScope::ST_OU, L"d.com/Sales", L"d.com/Sales", false},
        {CScope::ST_OU, L"d.com/R", L"d.com/R\\/D/carol", false},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/Bob", true},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/EMEA/Bob", false},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Salesbob", false},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/", false},
        {CScope::ST_SINGLEOU, L"d.com/Sales", L"d.com/Sales/Bob\\/Alice", true}, // escaped slash
        {CScope::ST_DOMAIN, L"d.com/", L"D.com/Sales/Bob", true},
        {CScope::ST_DOMAIN, L"d.com", L"d.community/Bob", true},
        {CScope::ST_DOMAIN, L"d.com/", L"e.com/Bob", false},
        {CScope::ST_NONE, L"d.com/", L"d.com/Bob", false},
    };
    cMvLog log;
    for (const auto& row : rows) {
        CScope scope(row.type, nullptr, row.scope, nullptr);
        CScope user(CScope::ST_USERS, L"S-1-5-21-1-2-3-4", row.user, L"bob@d.com");
        bool match = !row.matches;
        EXPECT_EQ(scope.Matches(log, user, match), 0);
        EXPECT_EQ(match, row.matches) << row.type << " " << (row.scope ? row.scope : L"-") << " "
                                      << (row.user ? row.user : L"-");
    }
}

class Scope : public PolicyTest {};

TEST_F(Scope, UserScopeTakesSidCanonicalNameAndPrincipalNameFromTheDirectory) {
    const struct {
        const wchar_t *user, *domain, *sid, *canonical, *name;
    } rows[] = {
        {L"carol", L"corp.example.com", CORP_SID L"-1106", L"corp.example.com/R\\/D/Carol White",
         L"carol.white@corp.example.com"},
        {L"dave", nullptr, CORP_SID L"-1107", L"corp.example.com/Users/Dave Doe", L"dave"},
        {L"erin", L"lab.example.net", LAB_SID L"-1301", L"lab.example.net/Research/Optics/Erin Eve",
         L"erin@lab.example.net"},
    };
    for (const auto& row : rows) {
        CScope scope;
        ASSERT_EQ(scope.CreateUserScope(log, row.user, row.domain), 0) << row.user << AllEntries();
        EXPECT_EQ(scope.GetType(), CScope::ST_USERS) << row.user;
        EXPECT_STREQ(scope.GetSid(), row.sid) << row.user;
        EXPECT_STREQ(scope.GetCanonicalName(), row.canonical) << row.user;
        EXPECT_STREQ(scope.GetName(), row.name) << row.user;
    }
    // A user who cannot be found leaves a scope without type that matches nothing.
    CScope scope(CScope::ST_USERS, L"S-1", L"old", L"old");
    EXPECT_NE(scope.CreateUserScope(log, L"nobody", L"corp.example.com"), 0);
    EXPECT_EQ(scope.GetType(), CScope::ST_NONE);
    EXPECT_EQ(scope.GetCanonicalName(), nullptr);
    EXPECT_TRUE(LoggedStart(LogLevel::Error, L"Error code ("));
    bool match = true;
    EXPECT_EQ(CScope(CScope::ST_DOMAIN, nullptr, L"corp.example.com/", nullptr)
                  .Matches(log, scope, match),
              0);
    EXPECT_FALSE(match);
    // In a workgroup there is no domain to look in: no type, no failure.
    UseExampleWith(L"<Computer name=\"WS01\" joinedTo=\"CORP\"/>",
                   L"<Computer name=\"WS01\" workgroup=\"HOME\"/>");
    EXPECT_EQ(scope.CreateUserScope(log, L"bob", nullptr), 0);
    EXPECT_EQ(scope.GetType(), CScope::ST_NONE);
}

TEST_F(Scope, LoadsTheScopeElementAndRefusesAnEmptyOneOrOneWithoutType) {
    const struct {
        const wchar_t* xml;
        int32_t result, type;
        const wchar_t* sid;
        size_t groups;
    } rows[] = {
        {L"<Scope type='2'><SID>a/b</SID><Other>x</Other><SID>c/d</SID></Scope>", 0, CScope::ST_OU,
         L"c/d", 0},
        {L"<Scope type='1'><!-- c --><Groups><Group>CN=A</Group><X>CN=B</X><Group>cn=a</Group>"
         L"</Groups></Scope>",
         0, CScope::ST_GROUPS, nullptr, 1},
        {L"<Scope type='1'><Groups/></Scope>", 0, CScope::ST_GROUPS, nullptr, 0},
        {L"<Scope type='3'/>", -12, CScope::ST_NONE, nullptr, 0},
        {L"<Scope><SID>x</SID></Scope>", -11, CScope::ST_NONE, nullptr, 0},
        {L"<Scope type=' 1'><SID>x</SID></Scope>", -11, CScope::ST_NONE, L"x", 0},
        // A type that is not a number fails only when no Groups child loads after it.
        {L"<Scope type='x'><Groups><Group>CN=A</Group></Groups></Scope>", 0, CScope::ST_NONE,
         nullptr, 1},
    };
    for (const auto& row : rows) {
        CScope scope;
        EXPECT_EQ(scope.LoadFromXML(log, Node(row.xml)), row.result) << row.xml;
        EXPECT_EQ(scope.GetType(), row.type) << row.xml;
        EXPECT_STREQ(scope.GetSid(), row.sid) << row.xml;
        EXPECT_EQ(scope.GetGroups().size(), row.groups) << row.xml;
    }
    EXPECT_TRUE(Logged(LogLevel::Error, L"Error code (-12) - Scope is empty."));
}

TEST_F(Scope, PolicyScopesMatchTheUsersOfTheExampleDomain) {
    const struct {
        int type;
        const wchar_t* inner; // the children of the Scope element
        const wchar_t* user;
        bool matches;
    } rows[] = {
        {0, SID(CORP_SID L"-1105"), L"bob", true}, // by name: the SID is refreshed to the name
        {0, SID(CORP_SID L"-1105"), L"alice", false},
        {0, SID(L"not a sid"), L"bob", false},
        {1, SID(CORP_SID L"-1201"), L"bob", true}, // EMEA Sales is in Sales Staff
        {1, SID(CORP_SID L"-1201"), L"dave", false},
        {1, SID(CORP_SID L"-1201"), L"carol", true}, // Engineers, All Staff, Sales Staff: a cycle
        {1, SID(LAB_SID L"-1300"), L"carol", true},  // across the trust
        // A gathered set holds the groups containing the scope's group, so a member
        // of a containing group matches a scope naming the inner group.
        {1, SID(CORP_SID L"-1202"), L"alice", true},
        {1, SID(CORP_SID L"-1202"), L"erin", false},
        {3, SID(L"corp.example.com/"), L"dave", true},
        {2, SID(L"corp.example.com/Sales"), L"alice", true},
        {4, SID(L"corp.example.com/Sales"), L"alice", true},
        {4, SID(L"corp.example.com/R\\/D"), L"carol", true},
        // Groups named in the document are used as given, in any letter case; a
        // scope without a SID has no name to compare and matches nobody.
        {1, L"<Groups><Group>cn=emea sales,ou=emea,ou=sales" CORP_DN L"</Group></Groups>", L"bob",
         true},
        {1, L"<Groups><Group>CN=EMEA Sales,OU=EMEA,OU=Sales" CORP_DN L"</Group></Groups>", L"alice",
         false},
        {2, L"<Name>corp.example.com/Sales</Name>", L"bob", false},
    };
    for (const auto& row : rows) {
        const bool lab = std::wstring(row.user) == L"erin";
        CScope user = UserScope(row.user, lab ? L"lab.example.net" : nullptr);
        CScope scope;
        ASSERT_EQ(scope.LoadFromXML(
                      log, Node(FormatWide(L"<Scope type='%d'>%s</Scope>", row.type, row.inner))),
                  0);
        (void)scope.Refresh(log);
        bool match = !row.matches;
        EXPECT_EQ(scope.Matches(log, user, match), 0) << row.inner << AllEntries();
        EXPECT_EQ(match, row.matches) << row.type << " " << row.inner << " / " << row.user;
    }
}

TEST_F(Scope, EnumeratesNestedGroupsThroughACycleVisitingEachOnce) {
    GroupSet groups;
    EXPECT_EQ(CScope::EnumerateGroups(log, kBob, groups), 0) << AllEntries();
    EXPECT_EQ(groups,
              (GroupSet{kBob, L"CN=EMEA Sales,OU=EMEA,OU=Sales" CORP_DN,
                        L"CN=Sales Staff,OU=Sales" CORP_DN, L"CN=All Staff,CN=Users" CORP_DN}));
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), 4);
    EXPECT_TRUE(ErrorLogged(nullptr)) << AllEntries();
    // memberOf values of another type are skipped; a list of names is walked.
    UseExampleWith(L"<MemberOf>CORP\\EMEA Sales</MemberOf>",
                   L"<Attr name=\"memberOf\" type=\"i4\">7</Attr>");
    groups.clear();
    EXPECT_EQ(CScope::EnumerateGroups(log, kBob, groups), 0);
    EXPECT_EQ(groups.size(), 1u);
    UseExampleWith(L"<MemberOf>CORP\\EMEA Sales</MemberOf>",
                   L"<Attr name=\"memberOf\" type=\"strings\"><Value>CN=EMEA Sales,OU=EMEA,"
                   L"OU=Sales" CORP_DN L"</Value><Value></Value></Attr>");
    groups.clear();
    EXPECT_EQ(CScope::EnumerateGroups(log, kBob, groups), 0);
    EXPECT_EQ(groups.size(), 4u);
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
    UseFixture(fixture + L"</OU></Domain></SimulatedDomain>");
    // On a thread of 256 KiB of stack, which a frame per level would overflow.
    static GroupSet groups;
    static int32_t result = -1;
    const auto walk = [](void*) -> DWORD {
        cMvLog quiet;
        result = CScope::EnumerateGroups(quiet, L"CN=G0,OU=Deep" CORP_DN, groups);
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 256 * 1024, walk, nullptr,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(groups.size(), static_cast<size_t>(depth));
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), depth);
}

TEST_F(Scope, ADirectoryFailingInTheMiddleKeepsWhatWasGatheredAndReportsTheFailure) {
    // Sales Staff cannot be read: bob's walk stops there but keeps the rest.
    UseExampleWith(L"<Group sam=\"Sales Staff\" rid=\"1201\">",
                   L"<Group sam=\"Sales Staff\" rid=\"1201\" getInfoError=\"0x80072030\">");
    GroupSet groups;
    EXPECT_EQ(CScope::EnumerateGroups(log, kBob, groups), static_cast<int32_t>(0x80072030));
    EXPECT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups.count(L"CN=All Staff,CN=Users" CORP_DN), 0u);
    EXPECT_TRUE(ErrorLogged(L"Error occurred while recursively trying to enumerate groups for "
                            L"'CN=Sales Staff"))
        << AllEntries();
    // Through the scope: the failure is logged, the match goes on with the set.
    CScope scope;
    ASSERT_EQ(
        scope.LoadFromXML(log, Node(L"<Scope type='1'><SID>" CORP_SID L"-1202</SID></Scope>")), 0);
    ASSERT_EQ(scope.Refresh(log), 0);
    CScope user = UserScope(L"bob");
    bool match = false;
    EXPECT_EQ(scope.Matches(log, user, match), 0);
    EXPECT_TRUE(match);
    EXPECT_TRUE(ErrorLogged(L"Failed to enumerate groups for 'CN=Bob Builder"));
    // A refresh that cannot bind keeps the old canonical name.
    UseExampleWith(L"<Domain flat=\"CORP\"", L"<Domain bindError=\"1722\" flat=\"CORP\"");
    CScope kept(CScope::ST_USERS, CORP_SID L"-1105", L"kept", L"dropped");
    EXPECT_EQ(kept.Refresh(log), 1722);
    EXPECT_STREQ(kept.GetCanonicalName(), L"kept");
    EXPECT_STREQ(kept.GetName(), L"bob");
}
