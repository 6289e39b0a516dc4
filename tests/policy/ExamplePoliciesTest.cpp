// The example policy lists of examples/policies, stored as the example
// domain's policy value and loaded as the dialog loads them: each one gives
// the users of the example domain the policy its comments promise.
#include "EngineTestWorld.h"

#include "policy/CPolicylist.h"

class ExamplePolicies : public EngineTest {
protected:
    void Store(const wchar_t* file) {
        const std::wstring text =
            ReadUtf8File(std::wstring(RESETRA_SOURCE_DIR L"\\examples\\policies\\") + file);
        ASSERT_FALSE(text.empty()) << "cannot read the example";
        UseCorpDocument(text);
        ASSERT_EQ(list.LoadFromDomain(log, L"corp.example.com", nullptr), 0) << AllEntries();
    }
    CPolicylist list;
};

TEST_F(ExamplePolicies, GiveEachUserOfTheExampleDomainTheIntendedPolicy) {
    struct ChoiceCase {
        const wchar_t* file;
        const wchar_t* user;
        const wchar_t* domain;
        const wchar_t* policy; // null: none applies
    };
    const ChoiceCase cases[] = {
        {L"SmallOffice.xml", L"alice", L"corp.example.com", L"Office"},
        {L"SmallOffice.xml", L"dave", L"corp.example.com", L"Office"},
        {L"SmallOffice.xml", L"erin", L"lab.example.net", nullptr},
        {L"Departments.xml", L"alice", L"corp.example.com", L"Sales"},
        {L"Departments.xml", L"bob", L"corp.example.com", L"EMEA sales"},
        {L"Departments.xml", L"carol", L"corp.example.com", L"Engineers"},
        {L"Departments.xml", L"dave", L"corp.example.com", L"Everyone else"},
        {L"Departments.xml", L"erin", L"lab.example.net", nullptr},
        {L"Strict.xml", L"alice", L"corp.example.com", L"Strict"},
        {L"Strict.xml", L"carol", L"corp.example.com", L"Strict"},
        {L"Strict.xml", L"dave", L"corp.example.com", nullptr},
    };
    for (const ChoiceCase& c : cases) {
        Store(c.file);
        CScope user = UserScope(c.user, c.domain);
        CPolicy* chosen = nullptr;
        const int32_t code = list.GetApplicablePolicy(log, user, chosen);
        EXPECT_EQ(code, c.policy != nullptr ? 0 : CPolicylist::kNoApplicablePolicy)
            << c.file << " / " << c.user;
        EXPECT_STREQ(chosen != nullptr ? chosen->GetName() : nullptr, c.policy)
            << c.file << " / " << c.user;
    }
}

TEST_F(ExamplePolicies, TheStrictPolicyUsesEveryRuleTypeAndTestsAPassword) {
    Store(L"Strict.xml");
    ASSERT_EQ(list.GetCount(), 1u);
    CPolicy& strict = *list.GetPolicy(0);
    std::vector<int32_t> types;
    for (const auto& rule : strict.GetRules()) {
        types.push_back(rule->GetType());
    }
    EXPECT_EQ(types, (std::vector<int32_t>{1, 2, 3, 6, 7, 5, 5, 5, 6, 7, 8}));
    EXPECT_EQ(strict.CountEnabledRules(), types.size());

    CScope bob = UserScope(L"bob");
    bool accepted = false;
    std::wstring feedback;
    EXPECT_EQ(strict.TestPassword(log, accepted, bob, L"Tq7#vLm9!xRw", L"OldSecret42!", &feedback,
                                  nullptr, 9, 0),
              0)
        << AllEntries();
    EXPECT_TRUE(accepted) << feedback;
    feedback.clear();
    EXPECT_EQ(strict.TestPassword(log, accepted, bob, L"Summer2024!!", L"OldSecret42!", &feedback,
                                  nullptr, 9, 0),
              0);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(feedback, L"\r\n - Not a password from the black list.\r\n");
}
