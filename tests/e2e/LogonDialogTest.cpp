// The logon and locked dialogs with the forgot-password group: when it
// appears, where its controls go under both position policies, how it
// follows the OK button, and how its button starts the reset wizard on the
// Winlogon desktop with the names typed so far, hidden dialog included.
// Also: the chained GINA's procedure keeps seeing every message, and
// dialogs that are not the logon, locked or change-password dialog pass
// through untouched.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace simworld;

namespace {

const wchar_t* const kResetWizardKey = L"SOFTWARE\\Harrowgate\\Resetra\\Reset Wizard";
const wchar_t* const kExtensionsKey = L"SOFTWARE\\Harrowgate\\Extensions";
const wchar_t* const kVexaPolicyKey =
    L"Software\\Policies\\Harrowgate\\Vexa Policy Manager\\Vexa Gina";
const wchar_t* const kVexaLocalKey = L"Software\\Harrowgate\\Vexa Policy Manager\\Vexa GINA";
const char* const kForgot = "&Forgot\\smy\\spassword...";

class LogonDialog : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        RegistrySetup::SetDword(kGinaKey, L"GINAEnabled", 1);
        RegistrySetup::SetString(kResetWizardKey, L"Reset Wizard Location",
                                 SimDir() + L"\\ResetraReset.exe");
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    // Shows the logon dialog once, describes it and cancels it.
    DialogSnapshot ShowLogon(const std::string& extra = "", const std::string& actions = "") {
        EXPECT_EQ(0u, run.Run("set dialog.1500 " + actions + "controls ; press 2\n" + extra +
                              "negotiate\ninitialize\nloggedoutsas 1\n"));
        return Snapshot(run.Events(), "1500");
    }

    SimRun run;
};

int Bottom(const Fields& control) {
    return Number(control, "y") + Number(control, "h");
}

RECT RectOf(const Fields& f) {
    return RECT{Number(f, "x"), Number(f, "y"), Number(f, "x") + Number(f, "w"), Bottom(f)};
}

// Width a label needs in the dialog font, mnemonic marks and journal
// spelling removed.
int LabelWidth(std::string label) {
    std::string plain;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label.compare(i, 2, "\\s") == 0) {
            plain += ' ';
            ++i;
        } else if (label[i] != '&') {
            plain += label[i];
        }
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

// The layout checks of the group as shown, in every placement and language
// (tools/update-screenshots takes the same dialogs as pictures): inside the
// dialog, apart from the GINA's controls, text above the button, button
// label not clipped, and below the OK button when asked.
TEST_F(LogonDialog, GroupFitsTheDialogInEveryPlacementAndLanguage) {
    struct Row {
        const char* name;
        const char* key;
        const char* steps;
        DWORD position;
        bool german;
        const char* button;
    };
    const Row rows[] = {
        {"bottom", "1500", "loggedoutsas 1\n", 0, false, kForgot},
        {"below OK", "1500", "loggedoutsas 1\n", 1, false, kForgot},
        {"locked, prepared again", "1950", "loggedoutsas 1\nwkstalockedsas 1\n", 0, false, kForgot},
        {"German", "1500", "loggedoutsas 1\n", 0, true, "&Kennwort\\svergessen..."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegistrySetup::SetDword(kWizardsKey, L"GINAControlPosition", row.position);
        if (row.german) {
            RegistrySetup::SetString(kWizardsKey, L"Language", L"German");
            RegistrySetup::SetString(kWizardsKey, L"GINA Locale",
                                     std::wstring(RESETRA_SOURCE_DIR) +
                                         L"\\examples\\LocaleGINA.txt");
        }
        const bool locked = std::string(row.key) == "1950";
        ASSERT_EQ(0u, run.Run(std::string("set dialog.") + row.key + " controls ; press 2\n" +
                              (locked ? "set dialog.1500 press 1\n" : "") +
                              "negotiate\ninitialize\n" + row.steps));
        const DialogSnapshot shown = Snapshot(run.Events(), row.key);
        const Fields* group = shown.WithStyle("0x50000007");
        const Fields* button = shown.WithText(row.button);
        const Fields* text = shown.WithStyle("0x50000000");
        const Fields* ok = shown.WithId(1);
        ASSERT_TRUE(group && button && text && ok) << run.Events().Dump();
        EXPECT_EQ("0x50010000", button->at("style"));
        const RECT client{0, 0, Number(shown.window, "cw"), Number(shown.window, "ch")};
        for (const Fields* ours : {group, button, text}) {
            const RECT rect = RectOf(*ours);
            RECT inside{};
            IntersectRect(&inside, &client, &rect);
            EXPECT_TRUE(EqualRect(&inside, &rect)) << "outside the dialog: " << ours->at("class");
        }
        EXPECT_LE(Bottom(*text), Number(*button, "y"));
        EXPECT_LE(LabelWidth(row.button) + 8, Number(*button, "w"));
        for (const auto& control : shown.controls) {
            RECT both{};
            const RECT a = RectOf(control);
            const RECT b = RectOf(*group);
            if (&control != group && &control != button && &control != text) {
                EXPECT_FALSE(IntersectRect(&both, &a, &b))
                    << "under the group: " << control.at("id");
            }
        }
        if (row.position == 1) {
            EXPECT_EQ(Bottom(*ok) + 5 - GetSystemMetrics(SM_CYEDGE), Number(*group, "y"));
        }
    }
}

TEST_F(LogonDialog, TabReachesTheTextWhenAllControlsAreTabStops) {
    RegistrySetup::SetDword(kWizardsKey, L"TabAllControls", 1);
    ShowLogon("", "tabuntil Static ; wait 200 ; focus ; ");
    const int focus = run.Events().IndexOf("host focus key=1500");
    ASSERT_GE(focus, 0) << run.Events().Dump();
    EXPECT_EQ("Static", ParseFields(run.Events().Lines()[static_cast<size_t>(focus)]).at("class"));
}

TEST_F(LogonDialog, NoGroupWithoutTheLocalSwitchOrWhenPolicyForbidsIt) {
    RegistrySetup::SetDword(kGinaKey, L"GINAEnabled", 0);
    EXPECT_EQ(nullptr, ShowLogon().WithText(kForgot));
    RegistrySetup::SetDword(kGinaKey, L"GINAEnabled", 1);
    RegistrySetup::SetDword(kWizardsKey, L"GINAEnabled", 0);
    EXPECT_EQ(nullptr, ShowLogon().WithText(kForgot));
    RegistrySetup::SetDword(kWizardsKey, L"GINAEnabled", 1);
    EXPECT_NE(nullptr, ShowLogon().WithText(kForgot));
}

TEST_F(LogonDialog, NoGroupWhenVexaRunsWithMarrow) {
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &key, nullptr));
    const wchar_t products[] = L"Other\0MARROW\0\0";
    RegSetValueExW(key, L"Installed Products", 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(products), sizeof(products));
    RegCloseKey(key);
    // Vexa neither configured by policy nor enabled locally: the group stays.
    EXPECT_NE(nullptr, ShowLogon().WithText(kForgot));
    RegistrySetup::SetDword(kVexaLocalKey, L"GinaEnabled", 1);
    EXPECT_EQ(nullptr, ShowLogon().WithText(kForgot));
    EXPECT_TRUE(run.StubLogHas("Information: Vexa and Marrow GINA active."));
    // A Vexa policy of 0 disables Vexa whatever the local switch says.
    RegistrySetup::SetDword(kVexaPolicyKey, L"GinaEnabled", 0);
    EXPECT_NE(nullptr, ShowLogon().WithText(kForgot));
    RegistrySetup::DeleteValue(kVexaPolicyKey, L"GinaEnabled");
    RegistrySetup::DeleteValue(kVexaLocalKey, L"GinaEnabled");
}

TEST_F(LogonDialog, ForgotPasswordButtonAndTextFollowTheOkButtonsEnabledState) {
    ShowLogon("", "disable 1 ; controls ; enable 1 ; ");
    for (const int index : {0, 1}) {
        const DialogSnapshot shown = Snapshot(run.Events(), "1500", index);
        const Fields* button = shown.WithText(kForgot);
        ASSERT_NE(nullptr, button) << run.Events().Dump();
        // The explanatory text stands at the button's left edge (its style
        // carries WS_DISABLED while disabled).
        const Fields* text = nullptr;
        for (const auto& control : shown.controls) {
            if (control.at("class") == "Static" && control.at("x") == button->at("x")) {
                text = &control;
            }
        }
        ASSERT_NE(nullptr, text);
        // The first snapshot is taken with OK disabled, the second enabled.
        EXPECT_EQ(std::to_string(index), button->at("enabled"));
        EXPECT_EQ(std::to_string(index), text->at("enabled"));
    }
}

// ---- the reset wizard ------------------------------------------------------------

class ResetWizard : public LogonDialog {
protected:
    Fields RunWizard(const std::string& typing, const std::string& extra = "") {
        EXPECT_EQ(0u, run.Run("set dialog.1500 " + typing +
                              "presstext \"&Forgot my password...\" ; "
                              "controls ; press 2\n"
                              "set wizard.watch-title Log On to Windows\n"
                              "set msgbox.answer 1\n" +
                              extra + "negotiate\ninitialize\nloggedoutsas 1\n"));
        return run.Events().FieldsOf("wizard start");
    }
};

TEST_F(ResetWizard, StartsOnTheWinlogonDesktopWithDomainAndUserWhileTheDialogIsHidden) {
    const Fields wizard = RunWizard("settext 1502 bob ; ");
    ASSERT_FALSE(wizard.empty()) << run.Events().Dump();
    EXPECT_EQ("3", wizard.at("argc"));
    EXPECT_EQ(JournalText(Narrow(SimDir()) + "\\ResetraReset.exe"), wizard.at("argv0"));
    EXPECT_EQ("CONTOSO", wizard.at("argv1"));
    EXPECT_EQ("bob", wizard.at("argv2"));
    EXPECT_EQ("Winlogon", wizard.at("desktop"));
    EXPECT_EQ("0", wizard.at("inherited")) << "a handle of Winlogon reached the wizard";
    const Fields watched = run.Events().FieldsOf("wizard watched");
    EXPECT_EQ("1", watched.at("found"));
    EXPECT_EQ("0", watched.at("visible")) << "the dialog stays visible while the wizard runs";
    // Shown again afterwards, the journal's order proving the wait.
    const Journal& journal = run.Events();
    EXPECT_LT(journal.IndexOf("wizard exit"), journal.IndexOf("host window key=1500"));
    EXPECT_EQ("1", Snapshot(journal, "1500").window.at("visible"));
    EXPECT_FALSE(journal.Has("host dispatch WlxMessageBox"));
}

TEST_F(ResetWizard, DisabledDomainBoxGivesAnEmptyDomainArgument) {
    const Fields wizard = RunWizard("disable 1504 ; settext 1502 carol ; ");
    ASSERT_FALSE(wizard.empty()) << run.Events().Dump();
    EXPECT_EQ("3", wizard.at("argc"));
    EXPECT_EQ("\"\"", wizard.at("argv1"));
    EXPECT_EQ("carol", wizard.at("argv2"));
}

TEST_F(ResetWizard, WizardThatBroadcastsASettingChangeIsAnsweredWhileWaited) {
    RunWizard("", "set wizard.broadcast 1\n");
    EXPECT_EQ("1", run.Events().FieldsOf("wizard broadcast").at("answered")) << run.Events().Dump();
    EXPECT_TRUE(run.Events().Has("wizard exit"));
}

TEST_F(ResetWizard, WizardThatCannotStartShowsTheStartErrorAndTheDialogAgain) {
    RegistrySetup::SetString(kResetWizardKey, L"Reset Wizard Location",
                             L"C:\\no\\such\\folder\\ResetraReset.exe");
    RunWizard("");
    const Fields box = run.Events().FieldsOf("host dispatch WlxMessageBox");
    ASSERT_FALSE(box.empty()) << run.Events().Dump();
    EXPECT_EQ(JournalText("Resetra - Error starting the Reset Wizard"), box.at("title"));
    EXPECT_EQ(JournalText("An error has occurred while performing this operation. Please contact "
                          "your system administrator for further assistance."),
              box.at("text"));
    EXPECT_EQ("1", Snapshot(run.Events(), "1500").window.at("visible"));
    EXPECT_TRUE(run.StubLogHas("Error: Error starting Reset Wizard. Errorcode 3."));
}

TEST_F(ResetWizard, PathNotNamingTheWizardStartsNothingAndIsLogged) {
    RegistrySetup::SetString(kResetWizardKey, L"Reset Wizard Location",
                             SimDir() + L"\\SimWinlogon.exe");
    RunWizard("");
    EXPECT_FALSE(run.Events().Has("wizard start"));
    EXPECT_FALSE(run.Events().Has("host dispatch WlxMessageBox"));
    EXPECT_TRUE(run.StubLogHas("does not name ResetraReset.exe"));
}

TEST_F(ResetWizard, FileNameCheckIgnoresLetterCase) {
    // Windows file names ignore case: the stand-in copied as RESETRARESET.EXE
    // is the same file to the system.
    const std::wstring upper = SimDir() + L"\\RESETRARESET.EXE";
    RegistrySetup::SetString(kResetWizardKey, L"Reset Wizard Location", upper);
    const Fields wizard = RunWizard("");
    EXPECT_FALSE(wizard.empty()) << run.Events().Dump();
}

// ---- interception ------------------------------------------------------------

class Interception : public LogonDialog {};

TEST_F(Interception, ChainedProcedureSeesEveryMessageOfTheDialogInOrderUnchanged) {
    ASSERT_EQ(0u, run.Run("set trace-messages 1\nset chained.trace-messages 1\n"
                          "set dialog.1500 settext 1503 secret ; controls ; press 1\n"
                          "negotiate\ninitialize\nloggedoutsas 1\n"));
    const Journal& journal = run.Events();
    const int init = journal.IndexOf("chained dlgmsg template=1500");
    ASSERT_GE(init, 0) << journal.Dump();
    // Messages whose lParam points to a structure reach a hook as a copy, so
    // only their number and wParam can be compared with what the dialog
    // procedure got.
    auto key = [](const Fields& f) {
        static const std::vector<std::string> pointers = {"0xc",  "0xd",  "0x24", "0x46", "0x47",
                                                          "0x4e", "0x2b", "0x2c", "0x81", "0x83"};
        const bool pointer =
            std::find(pointers.begin(), pointers.end(), f.at("msg")) != pointers.end();
        return f.at("msg") + " " + f.at("wparam") + " " + (pointer ? "*" : f.at("lparam"));
    };
    std::vector<std::string> delivered;
    std::vector<std::string> seen;
    bool started = false;
    for (const auto& line : journal.Lines()) {
        if (line.rfind("host winmsg ", 0) == 0) {
            const Fields f = ParseFields(line);
            started = started || f.at("msg") == "0x110"; // WM_INITDIALOG
            if (started) {
                delivered.push_back(key(f));
            }
        } else if (line.rfind("chained dlgmsg ", 0) == 0) {
            const Fields f = ParseFields(line);
            if (f.at("msg") == "0x110" || !seen.empty()) {
                seen.push_back(key(f));
            }
        }
    }
    ASSERT_GT(seen.size(), 10u);
    EXPECT_EQ(delivered, seen);
}

TEST_F(Interception, LogonDialogReachesWinlogonWithTheLibrarysThunk) {
    ShowLogon();
    const Fields shown = run.Events().FieldsOf("host dispatch WlxDialogBoxParam");
    EXPECT_EQ("ResetraGINAx64.dll", shown.at("proc-module"));
    EXPECT_EQ("1500", shown.at("template"));
    EXPECT_EQ("0x51d0", shown.at("param"));
}

TEST_F(Interception, OtherNumberedAndNamedTemplatesPassUntouched) {
    for (const char* setting : {"1501", "name", "name-at 1500", "name-at 1950"}) {
        SCOPED_TRACE(setting);
        ASSERT_EQ(0u, run.Run(std::string("set chained.dialog.WlxLoggedOutSAS ") + setting +
                              "\nset dialog.1501 controls ; press 1\nset dialog.name controls ; "
                              "press 1\nnegotiate\ninitialize\nloggedoutsas 1\n"));
        const Fields asked = run.Events().FieldsOf("chained open-dialog");
        const Fields shown = run.Events().FieldsOf("host dispatch WlxDialogBoxParam");
        ASSERT_FALSE(shown.empty()) << run.Events().Dump();
        EXPECT_EQ(asked.at("proc"), shown.at("proc"));
        EXPECT_EQ("MSGINA.DLL", shown.at("proc-module"));
        EXPECT_EQ("1", run.Events().FieldsOf("host dialog-result").at("result"));
        // Shown as asked: no forgot-password group was added.
        const DialogSnapshot seen =
            Snapshot(run.Events(), std::string(setting) == "1501" ? "1501" : "name");
        ASSERT_FALSE(seen.window.empty()) << run.Events().Dump();
        EXPECT_EQ(nullptr, seen.WithText(kForgot));
        EXPECT_EQ(nullptr, seen.WithStyle("0x50000007"));
    }
}

} // namespace
