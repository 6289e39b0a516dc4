// Pictures of the dialogs as a user sees them, taken under Xvfb into the
// build folder's screenshots/ (the README shows some of them), and the
// layout checks behind them: the added controls overlap nothing, stay inside
// the dialog, and their texts fit, in English and in German.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

using namespace simworld;

namespace {

const wchar_t* const kResetWizardKey = L"SOFTWARE\\Harrowgate\\Resetra\\Reset Wizard";

RECT RectOf(const Fields& f) {
    return RECT{Number(f, "x"), Number(f, "y"), Number(f, "x") + Number(f, "w"),
                Number(f, "y") + Number(f, "h")};
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both{};
    return IntersectRect(&both, &a, &b) != FALSE;
}

// Width the text needs in the dialog font, mnemonic marks removed.
int TextWidth(const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r.right - r.left;
}

std::wstring Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 1 < field.size() && field[i + 1] == 's') {
            out += ' ';
            ++i;
        } else {
            out += field[i];
        }
    }
    return Widen(out);
}

bool IsPng(const std::wstring& path) {
    std::ifstream in(Narrow(path), std::ios::binary);
    char magic[8] = {};
    in.read(magic, 8);
    return in.gcount() == 8 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G';
}

class Screenshots : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        RegistrySetup::SetDword(kGinaKey, L"GINAEnabled", 1);
        RegistrySetup::SetString(kResetWizardKey, L"Reset Wizard Location",
                                 SimDir() + L"\\ResetraReset.exe");
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    void German() {
        RegistrySetup::SetString(kWizardsKey, L"Language", L"German");
        RegistrySetup::SetString(kWizardsKey, L"GINA Locale",
                                 std::wstring(RESETRA_SOURCE_DIR) + L"\\examples\\LocaleGINA.txt");
    }

    std::wstring Shot(const std::string& name) const {
        return ScreenshotDir() + L"\\" + Widen(name) + L".png";
    }

    // Shows dialog `key` through `step`, photographs and describes it.
    DialogSnapshot Take(const std::string& key, const std::string& step, const std::string& name,
                        const std::string& before = "") {
        const std::wstring path = Shot(name);
        DeleteFileW(path.c_str());
        std::string scenario = "set dialog." + key + " wait 300 ; " + before +
                               "controls ; screenshot " + Narrow(path) + " ; press " +
                               (key == "107" ? "1" : "2") + "\n";
        if (key == "1950") {
            scenario += "set dialog.1500 press 1\n";
        }
        scenario += "set chained.dialogs " + std::string(key == "107" ? "0" : "1") + "\n" +
                    "negotiate\ninitialize\n" + step;
        EXPECT_EQ(0u, run.Run(scenario));
        EXPECT_TRUE(IsPng(path)) << Narrow(path);
        return Snapshot(run.Events(), key);
    }

    // The forgot-password group: inside the dialog, apart from the GINA's
    // controls, text above button, button text not clipped.
    void ExpectGroupLaidOut(const DialogSnapshot& shown, const std::string& buttonText) {
        const Fields* group = shown.WithStyle("0x50000007");
        ASSERT_NE(nullptr, group) << run.Events().Dump();
        const Fields* button = shown.WithText(buttonText);
        ASSERT_NE(nullptr, button) << run.Events().Dump();
        const Fields* text = nullptr;
        for (const auto& control : shown.controls) {
            if (control.at("class") == "Static" && RectOf(control).left == Number(*button, "x")) {
                text = &control;
            }
        }
        ASSERT_NE(nullptr, text);
        const RECT client{0, 0, Number(shown.window, "cw"), Number(shown.window, "ch")};
        for (const Fields* ours : {group, button, text}) {
            const RECT rect = RectOf(*ours);
            RECT inside{};
            IntersectRect(&inside, &client, &rect);
            EXPECT_TRUE(EqualRect(&inside, &rect)) << "outside the dialog: " << ours->at("text");
        }
        EXPECT_LE(RectOf(*text).bottom, RectOf(*button).top);
        for (const auto& control : shown.controls) {
            if (&control == group || &control == button || &control == text) {
                continue;
            }
            EXPECT_FALSE(Overlap(RectOf(control), RectOf(*group)))
                << "GINA control " << control.at("id") << " under the group";
        }
        std::wstring label = Unescape(buttonText);
        label.erase(std::remove(label.begin(), label.end(), L'&'), label.end());
        EXPECT_LE(TextWidth(label) + 8, Number(*button, "w")) << Narrow(label);
    }

    SimRun run;
};

TEST_F(Screenshots, LogonDialogWithTheGroupAtTheBottom) {
    const DialogSnapshot shown = Take("1500", "loggedoutsas 1\n", "logon-bottom");
    ExpectGroupLaidOut(shown, "&Forgot\\smy\\spassword...");
}

TEST_F(Screenshots, LogonDialogWithTheGroupBelowOk) {
    RegistrySetup::SetDword(kWizardsKey, L"GINAControlPosition", 1);
    const DialogSnapshot shown = Take("1500", "loggedoutsas 1\n", "logon-below-ok");
    ExpectGroupLaidOut(shown, "&Forgot\\smy\\spassword...");
}

TEST_F(Screenshots, LockedDialog) {
    const DialogSnapshot shown = Take("1950", "loggedoutsas 1\nwkstalockedsas 1\n", "locked");
    ExpectGroupLaidOut(shown, "&Forgot\\smy\\spassword...");
}

TEST_F(Screenshots, LogonDialogInGerman) {
    German();
    const DialogSnapshot shown = Take("1500", "loggedoutsas 1\n", "logon-german");
    ExpectGroupLaidOut(shown, "&Kennwort\\svergessen...");
}

TEST_F(Screenshots, LogonDialogWithTheFocusFrameOnTheText) {
    RegistrySetup::SetDword(kWizardsKey, L"TabAllControls", 1);
    // Tab reaches the text after the GINA's own controls.
    const DialogSnapshot shown = Take("1500", "loggedoutsas 1\n", "logon-focus-frame",
                                      "tabuntil Static ; wait 200 ; focus ; ");
    bool textFocused = false;
    for (const auto& line : run.Events().Lines()) {
        if (line.rfind("host focus key=1500", 0) == 0 &&
            ParseFields(line).at("class") == "Static") {
            textFocused = true;
        }
    }
    EXPECT_TRUE(textFocused) << run.Events().Dump();
    ExpectGroupLaidOut(shown, "&Forgot\\smy\\spassword...");
}

TEST_F(Screenshots, ErrorDialogInEnglishAndGerman) {
    RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
    for (const bool german : {false, true}) {
        if (german) {
            German();
        }
        const DialogSnapshot shown =
            Take("107", "", german ? "error-dialog-german" : "error-dialog");
        ASSERT_FALSE(shown.window.empty()) << run.Events().Dump();
        const Fields* box = shown.WithId(1001);
        ASSERT_NE(nullptr, box);
        // Check box label: the box itself and a gap come before the text.
        EXPECT_LE(TextWidth(Unescape(box->at("text"))) + 20, Number(*box, "w")) << box->at("text");
        const Fields* message = shown.WithId(1004);
        ASSERT_NE(nullptr, message);
        EXPECT_FALSE(Overlap(RectOf(*message), RectOf(*shown.WithId(1002))));
        EXPECT_FALSE(Overlap(RectOf(*box), RectOf(*shown.WithId(1))));
    }
}

} // namespace
