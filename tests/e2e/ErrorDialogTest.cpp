// The chaining-failure notice: the library's dialog 107, shown before the
// chained GINA is initialised, closed only by OK, and silenced for good by
// its check box in every registry layout, or by policy.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

using namespace simworld;

namespace {

class ErrorDialog : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    bool Shown(const std::string& actions) {
        EXPECT_EQ(0u, run.Run("set chained.dialogs 0\nset dialog.107 " + actions +
                              "\nnegotiate\ninitialize\n"));
        return run.Events().Has("host dispatch WlxDialogBoxParam");
    }

    SimRun run;
};

TEST_F(ErrorDialog, EscapeAndCloseDoNotCloseItAndItHasNoCloseButton) {
    ASSERT_TRUE(Shown("key 0x1b ; wait 200 ; close ; wait 200 ; controls ; press 1"));
    const DialogSnapshot after = Snapshot(run.Events(), "107");
    ASSERT_FALSE(after.window.empty()) << run.Events().Dump();
    EXPECT_EQ("1", after.window.at("visible"));
    EXPECT_EQ(0, Number(after.window, "style") & WS_SYSMENU);
    EXPECT_EQ("1", run.Events().FieldsOf("host dialog-result template=107").at("result"));
    EXPECT_FALSE(run.Events().Has("host dialog-timeout"));
}

TEST_F(ErrorDialog, EnterClosesItThroughTheDefaultOkButton) {
    ASSERT_TRUE(Shown("key 0x0d"));
    EXPECT_EQ("1", run.Events().FieldsOf("host dialog-result template=107").at("result"));
}

TEST_F(ErrorDialog, CheckBoxSilencesTheNoticeForGood) {
    ASSERT_TRUE(Shown("press 1001 ; press 1"));
    EXPECT_FALSE(Shown("press 1"));
    EXPECT_TRUE(run.Events().FieldsOf("host return WlxInitialize").count("result"));
}

TEST_F(ErrorDialog, CheckBoxSilencesTheNoticeAlsoWhenTheSettingsLiveInTheThirtyTwoBitView) {
    // An installer of the 32-bit era wrote the GINA key into the 32-bit view;
    // the reads look there first, so that is where the tick must land.
    RegistrySetup::CleanAll();
    RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath(), KEY_WOW64_32KEY);
    RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"NoSuchGina.dll", KEY_WOW64_32KEY);
    ASSERT_TRUE(Shown("press 1001 ; press 1"));
    EXPECT_FALSE(Shown("press 1"));
}

TEST_F(ErrorDialog, OkWithoutTheTickWritesNothing) {
    ASSERT_TRUE(Shown("press 1"));
    EXPECT_TRUE(Shown("press 1"));
}

TEST_F(ErrorDialog, PolicyOrLocalSettingSuppressTheNotice) {
    RegistrySetup::SetDword(kWizardsKey, L"ShowErrorGINAChainingFailure", 0);
    EXPECT_FALSE(Shown("press 1"));
    RegistrySetup::SetDword(kWizardsKey, L"ShowErrorGINAChainingFailure", 1);
    RegistrySetup::SetDword(kGinaKey, L"DontShowErrorGINAChainingFailure", 1);
    EXPECT_FALSE(Shown("press 1"));
    RegistrySetup::SetDword(kGinaKey, L"DontShowErrorGINAChainingFailure", 0);
    EXPECT_TRUE(Shown("press 1"));
}

TEST_F(ErrorDialog, TabVisitsTheMessageAndTheIconWhenAllControlsAreTabStops) {
    RegistrySetup::SetDword(kWizardsKey, L"TabAllControls", 1);
    ASSERT_TRUE(Shown("focus ; key 0x09 ; wait 100 ; focus ; key 0x09 ; wait 100 ; focus ; "
                      "key 0x09 ; wait 100 ; focus ; press 1"));
    std::vector<std::string> visited;
    for (const auto& line : run.Events().Lines()) {
        if (line.rfind("host focus key=107", 0) == 0) {
            visited.push_back(ParseFields(line).at("id"));
        }
    }
    ASSERT_EQ(4u, visited.size()) << run.Events().Dump();
    EXPECT_NE(visited.end(), std::find(visited.begin(), visited.end(), "1004"));
    EXPECT_NE(visited.end(), std::find(visited.begin(), visited.end(), "1002"));
}

TEST_F(ErrorDialog, WithoutTabAllControlsTabSkipsTheMessageAndTheIcon) {
    RegistrySetup::SetDword(kWizardsKey, L"TabAllControls", 2);
    ASSERT_TRUE(
        Shown("focus ; key 0x09 ; wait 100 ; focus ; key 0x09 ; wait 100 ; focus ; press 1"));
    for (const auto& line : run.Events().Lines()) {
        if (line.rfind("host focus key=107", 0) == 0) {
            const std::string id = ParseFields(line).at("id");
            EXPECT_TRUE(id == "1" || id == "1001") << id;
        }
    }
}

} // namespace
