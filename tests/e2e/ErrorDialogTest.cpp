// The chaining-failure notice: the library's dialog 107, shown before the
// chained GINA is initialised, closed only by OK, and silenced for good by
// its check box in every registry layout, or by policy.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <set>

using namespace simworld;

namespace {

// Width a label needs in the dialog font (journal spelling, spaces as \s).
int LabelWidth(const std::string& field) {
    std::string plain;
    for (size_t i = 0; i < field.size(); ++i) {
        const bool space = field.compare(i, 2, "\\s") == 0;
        plain += space ? ' ' : field[i];
        i += space ? 1 : 0;
    }
    const std::wstring text = Widen(plain);
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r.right - r.left;
}

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

TEST_F(ErrorDialog, CentredWithItsCheckBoxLabelWholeInEnglishAndGerman) {
    for (const bool german : {false, true}) {
        SCOPED_TRACE(german ? "German" : "English");
        if (german) {
            RegistrySetup::SetString(kWizardsKey, L"Language", L"German");
            RegistrySetup::SetString(kWizardsKey, L"GINA Locale",
                                     std::wstring(RESETRA_SOURCE_DIR) +
                                         L"\\examples\\LocaleGINA.txt");
        }
        ASSERT_TRUE(Shown("controls ; press 1"));
        const DialogSnapshot shown = Snapshot(run.Events(), "107");
        const Fields* box = shown.WithId(1001);
        const Fields* ok = shown.WithId(1);
        ASSERT_TRUE(box && ok) << run.Events().Dump();
        EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - Number(shown.window, "w")) / 2,
                  Number(shown.window, "x"));
        EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - Number(shown.window, "h")) / 2,
                  Number(shown.window, "y"));
        // The box glyph and a gap come before the label; the label must not
        // run under the OK button either.
        EXPECT_LE(LabelWidth(box->at("text")) + 20, Number(*box, "w")) << box->at("text");
        EXPECT_LE(Number(*box, "x") + Number(*box, "w"), Number(*ok, "x"));
    }
}

TEST_F(ErrorDialog, EnterClosesItThroughTheDefaultOkButton) {
    ASSERT_TRUE(Shown("key 0x0d"));
    EXPECT_EQ("1", run.Events().FieldsOf("host dialog-result template=107").at("result"));
}

TEST_F(ErrorDialog, CheckBoxSilencesTheNoticeForGoodAndOnlyTheCheckBox) {
    ASSERT_TRUE(Shown("press 1"));
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

TEST_F(ErrorDialog, PolicyOrLocalSettingSuppressTheNotice) {
    RegistrySetup::SetDword(kWizardsKey, L"ShowErrorGINAChainingFailure", 0);
    EXPECT_FALSE(Shown("press 1"));
    RegistrySetup::SetDword(kWizardsKey, L"ShowErrorGINAChainingFailure", 1);
    RegistrySetup::SetDword(kGinaKey, L"DontShowErrorGINAChainingFailure", 1);
    EXPECT_FALSE(Shown("press 1"));
    RegistrySetup::SetDword(kGinaKey, L"DontShowErrorGINAChainingFailure", 0);
    EXPECT_TRUE(Shown("press 1"));
}

TEST_F(ErrorDialog, TabVisitsTheMessageAndTheIconOnlyWhenAllControlsAreTabStops) {
    for (const DWORD mode : {1u, 2u}) {
        RegistrySetup::SetDword(kWizardsKey, L"TabAllControls", mode);
        ASSERT_TRUE(Shown("focus ; key 0x09 ; wait 100 ; focus ; key 0x09 ; wait 100 ; focus ; "
                          "key 0x09 ; wait 100 ; focus ; press 1"));
        std::set<std::string> visited;
        for (const auto& line : run.Events().Lines()) {
            if (line.rfind("host focus key=107", 0) == 0) {
                visited.insert(ParseFields(line).at("id"));
            }
        }
        const std::set<std::string> expected =
            mode == 1 ? std::set<std::string>{"1", "1001", "1002", "1004"}
                      : std::set<std::string>{"1", "1001"};
        EXPECT_EQ(expected, visited) << "TabAllControls " << mode;
    }
}

} // namespace
