// No password text reaches the policy log at any level: every rule class is
// run, on its success and its failure paths, with the file handler letting
// everything through, and the file is searched for every password.
#include "PolicyTestWorld.h"

#include "policy/CRuleBlackList.h"
#include "policy/CRuleHistoryMinimumAge.h"
#include "policy/CRuleNameSimilarity.h"
#include "policy/CRulePasswordSimilarity.h"
#include "policy/CRuleRegex.h"
#include "policy/RuleFactory.h"
#include "support/cMvLogHandlerFile.h"
#include "tests/support/SupportTestFiles.h"

class RuleLog : public PolicyTest {};

TEST_F(RuleLog, HoldsNoPasswordTextAtAnyLevel) {
    const TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    cMvLogHandlerFile file(path.c_str(), LogLevel::All, 64 * 1024 * 1024, 0);
    cMvLog fileLog;
    fileLog.AddHandler(&file);

    const std::wstring longPassword = L"Lp" + std::wstring(250, L'q') + L"#9";
    const std::wstring passwords[] = {L"Pw-Alpha-7713", L"zz\u00e9Secret42", L"BOB BUILDER", L"(((",
                                      longPassword};
    const wchar_t* oldPassword = L"OldSecret-5521";

    RuleList rules = MakeBuiltInRules();
    rules.push_back(std::make_unique<CRuleNameSimilarity>(true, true));
    rules.push_back(std::make_unique<CRulePasswordSimilarity>(true));
    rules.push_back(std::make_unique<CRuleRegex>(CRuleRegex::kRegularExpression, L"("));
    rules.push_back(std::make_unique<CRuleRegex>(CRuleRegex::kRegularExpression, L"[0-9]"));
    rules.push_back(std::make_unique<CRuleBlackList>(CRuleBlackList::kExpressions,
                                                     std::vector<std::wstring>{L"q{5}", L"("}));
    rules.push_back(std::make_unique<CRuleBlackList>(CRuleBlackList::kLiteral,
                                                     std::vector<std::wstring>{L"Pw-Alpha-7713"}));
    rules.push_back(std::make_unique<CRuleBlackList>(7));
    const CScope scopes[] = {Bob(), ScopeOf(L"corp.example.com/Nobody", L"nobody"),
                             ScopeOf(L"lab.example.net/Research/Optics/Frank Fox", nullptr)};
    size_t runs = 0;
    for (const CScope& scope : scopes) {
        for (const auto& rule : rules) {
            for (const std::wstring& password : passwords) {
                for (bool goOn : {false, true}) {
                    bool verdict = false;
                    (void)rule->Test(fileLog, verdict, scope, password.c_str(), goOn, oldPassword);
                    (void)rule->Test(fileLog, verdict, scope, oldPassword, goOn, password.c_str());
                    ++runs;
                }
            }
        }
    }
    fileLog.Flush();
    const std::wstring text = ReadUtf16File(path);
    ASSERT_GT(text.size(), runs * 10) << "the log must have received the runs";
    for (const std::wstring& password : passwords) {
        EXPECT_EQ(text.find(password), std::wstring::npos) << "password found in the log";
    }
    EXPECT_EQ(text.find(oldPassword), std::wstring::npos) << "old password found in the log";
    EXPECT_NE(text.find(L"Debug"), std::wstring::npos);
    EXPECT_NE(text.find(L"Error"), std::wstring::npos);
}
