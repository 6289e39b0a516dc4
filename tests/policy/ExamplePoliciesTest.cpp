// The example policy lists of examples/policies, stored as the example
// domain's policy value and loaded as the dialog loads them: each one gives
// the users of the example domain the policy its comments promise.
#include "PolicyTestWorld.h"

#include "policy/CPolicylist.h"

class ExamplePolicies : public PolicyTest {
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
    const struct {
        const wchar_t *file, *user, *policy; // policy null: none applies
    } rows[] = {
        {L"SmallOffice.xml", L"dave", L"Office"},
        {L"SmallOffice.xml", L"erin", nullptr},
        {L"Departments.xml", L"alice", L"Sales"},
        {L"Departments.xml", L"bob", L"EMEA sales"},
        {L"Departments.xml", L"carol", L"Engineers"},
        {L"Departments.xml", L"dave", L"Everyone else"},
        {L"Strict.xml", L"alice", L"Strict"},
        {L"Strict.xml", L"carol", L"Strict"},
    };
    for (const auto& row : rows) {
        Store(row.file);
        const bool lab = std::wstring(row.user) == L"erin";
        CScope user = UserScope(row.user, lab ? L"lab.example.net" : L"corp.example.com");
        CPolicy* chosen = nullptr;
        EXPECT_EQ(list.GetApplicablePolicy(log, user, chosen),
                  row.policy != nullptr ? 0 : CPolicylist::kNoApplicablePolicy)
            << row.file << " / " << row.user;
        EXPECT_STREQ(chosen != nullptr ? chosen->GetName() : nullptr, row.policy)
            << row.file << " / " << row.user;
    }
}
