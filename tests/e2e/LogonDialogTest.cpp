// The library's dialogs in the simulated Winlogon: the forgot-password group
// on the logon and locked dialogs (when, where, following OK, the reset wizard
// started on the Winlogon desktop), the chained procedure seeing every message,
// other dialogs untouched, and the chaining-failure notice 107 and its silencing.
#include "support/RegistryKeys.h"
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

using namespace simworld;

namespace {

const char* const kForgot = "&Forgot\\smy\\spassword...";

int Bottom(const Fields& control) {
    return Number(control, "y") + Number(control, "h");
}

RECT RectOf(const Fields& f) {
    return RECT{Number(f, "x"), Number(f, "y"), Number(f, "x") + Number(f, "w"), Bottom(f)};
}

// Width a label needs in the dialog font, mnemonic marks and journal spelling removed.
int LabelWidth(const std::string& label) {
    std::string plain;
    for (size_t i = 0; i < label.size(); ++i) {
        const bool space = label.compare(i, 2, "\\s") == 0;
        plain += space ? " " : label[i] == '&' ? "" : label.substr(i, 1);
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

// One setting changed, and whether the dialog's addition is then shown.
using Step = std::tuple<const wchar_t*, const wchar_t*, DWORD, bool>;

class LogonDialog : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        RegistrySetup::SetDword(kResetraGinaKey, L"GINAEnabled", 1);
        RegistrySetup::SetString(kResetWizardKey, L"Reset Wizard Location",
                                 SimDir() + L"\\ResetraReset.exe");
    }
    void German() {
        RegistrySetup::SetString(kWizardsPolicyKey, L"Language", L"German");
        RegistrySetup::SetString(kWizardsPolicyKey, L"GINA Locale",
                                 std::wstring(RESETRA_SOURCE_DIR) + L"\\examples\\LocaleGINA.txt");
    }
    // Shows the logon dialog once, describes it and cancels it.
    DialogSnapshot ShowLogon(const std::string& actions = "") {
        EXPECT_EQ(0u, run.Run("set dialog.1500 " + actions +
                              "controls ; press 2\nnegotiate\ninitialize\nloggedoutsas 1\n"));
        return Snapshot(run.Events(), "1500");
    }
    // Clicks the forgot-password button with the wizard at `location`.
    Fields RunWizard(const std::wstring& location, const std::string& typing = "") {
        RegistrySetup::SetString(kResetWizardKey, L"Reset Wizard Location", location);
        EXPECT_EQ(0u, run.Run("set dialog.1500 " + typing +
                              "presstext \"&Forgot my password...\" ; controls ; press 2\n"
                              "set wizard.watch-title Log On to Windows\nset msgbox.answer 1\n"
                              "set wizard.broadcast 1\nnegotiate\ninitialize\nloggedoutsas 1\n"));
        return run.Events().FieldsOf("wizard start");
    }
    // Whether the chaining-failure notice was shown, acting on it as told.
    bool NoticeShown(const std::string& actions) {
        EXPECT_EQ(0u, run.Run("set chained.dialogs 0\nset dialog.107 " + actions +
                              "\nnegotiate\ninitialize\n"));
        return run.Events().Has("host dispatch WlxDialogBoxParam");
    }
    template <typename Shown>
    void Steps(const std::vector<Step>& steps, Shown shown) {
        for (const auto& [key, name, value, expected] : steps) {
            RegistrySetup::SetDword(key, name, value);
            EXPECT_EQ(expected, shown()) << Narrow(name) << " " << value;
        }
    }
};

// Inside the dialog, apart from the GINA's controls, text above the button,
// label not clipped, below OK when asked (tools/update-screenshots takes the
// same dialogs as pictures); the logon dialog reaches Winlogon with our thunk.
TEST_F(LogonDialog, GroupFitsTheDialogInEveryPlacementAndLanguage) {
    // dialog, position mode, button label (not the English one: German)
    const std::tuple<std::string, DWORD, const char*> rows[] = {
        {"1500", 0, kForgot},
        {"1500", 1, kForgot},
        {"1950", 0, kForgot},
        {"1500", 0, "&Kennwort\\svergessen..."}};
    for (const auto& [key, position, label] : rows) {
        SCOPED_TRACE(key + " " + label + " " + std::to_string(position));
        RegistrySetup::SetDword(kWizardsPolicyKey, L"GINAControlPosition", position);
        if (label != kForgot) {
            German();
        }
        const bool locked = key == "1950";
        ASSERT_EQ(0u, run.Run("set dialog." + key + " controls ; press 2\n" +
                              (locked ? "set dialog.1500 press 1\n" : "") +
                              "negotiate\ninitialize\nloggedoutsas 1\n" +
                              (locked ? "wkstalockedsas 1\n" : "")));
        const Fields dispatched = run.Events().FieldsOf("host dispatch WlxDialogBoxParam");
        EXPECT_EQ("ResetraGINAx64.dll", dispatched.at("proc-module"));
        EXPECT_EQ("1500", dispatched.at("template"));
        EXPECT_EQ("0x51d0", dispatched.at("param"));
        const DialogSnapshot shown = Snapshot(run.Events(), key);
        const Fields* group = shown.WithStyle("0x50000007");
        const Fields* button = shown.WithText(label);
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
        EXPECT_LE(LabelWidth(label) + 8, Number(*button, "w"));
        const RECT area = RectOf(*group);
        for (const auto& control : shown.controls) {
            RECT both{};
            const RECT other = RectOf(control);
            if (&control != group && &control != button && &control != text) {
                EXPECT_FALSE(IntersectRect(&both, &other, &area)) << "under: " << control.at("id");
            }
        }
        if (position == 1) {
            EXPECT_EQ(Bottom(*ok) + 5 - GetSystemMetrics(SM_CYEDGE), Number(*group, "y"));
        }
    }
}

TEST_F(LogonDialog, GroupNeedsTheLocalSwitchNoPolicyAgainstItAndNoVexaWithMarrow) {
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &key, nullptr));
    const wchar_t products[] = L"Other\0MARROW\0\0";
    RegSetValueExW(key, L"Installed Products", 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(products), sizeof(products));
    RegCloseKey(key);
    // A Vexa policy of 0 or 1 decides whatever its local switch says; any
    // other value leaves the decision to the local switch.
    Steps({{kResetraGinaKey, L"GINAEnabled", 0, false},
           {kResetraGinaKey, L"GINAEnabled", 1, true},
           {kWizardsPolicyKey, L"GINAEnabled", 0, false},
           {kWizardsPolicyKey, L"GINAEnabled", 1, true},
           {kVexaGinaLocalKey, L"GinaEnabled", 1, false},
           {kVexaGinaPolicyKey, L"GinaEnabled", 0, true},
           {kVexaGinaPolicyKey, L"GinaEnabled", 2, false}},
          [&] { return ShowLogon().WithText(kForgot) != nullptr; });
    EXPECT_TRUE(run.StubLogHas("Information: Vexa and Marrow GINA active."));
}

// With all controls tab stops, Tab reaches the text.
TEST_F(LogonDialog, ForgotPasswordButtonAndTextFollowTheOkButtonsEnabledStateAndTakeTabs) {
    RegistrySetup::SetDword(kWizardsPolicyKey, L"TabAllControls", 1);
    ShowLogon("disable 1 ; controls ; enable 1 ; tabuntil Static ; wait 200 ; focus ; ");
    EXPECT_EQ("Static", run.Events().FieldsOf("host focus key=1500").at("class"));
    for (const int index : {0, 1}) { // OK disabled, then enabled
        const DialogSnapshot shown = Snapshot(run.Events(), "1500", index);
        const Fields* button = shown.WithText(kForgot);
        ASSERT_NE(nullptr, button) << run.Events().Dump();
        // The text stands at the button's left edge.
        const auto text = std::find_if(shown.controls.begin(), shown.controls.end(), [&](auto& c) {
            return c.at("class") == "Static" && c.at("x") == button->at("x");
        });
        ASSERT_NE(shown.controls.end(), text);
        EXPECT_EQ(std::to_string(index), button->at("enabled"));
        EXPECT_EQ(std::to_string(index), text->at("enabled"));
    }
}

TEST_F(LogonDialog, WizardStartsOnTheWinlogonDesktopWithDomainAndUserWhileTheDialogIsHidden) {
    // file (letter case ignored), typing, domain, user
    const std::tuple<const wchar_t*, const char*, const char*, const char*> rows[] = {
        {L"ResetraReset.exe", "settext 1502 bob ; ", "CONTOSO", "bob"},
        {L"RESETRARESET.EXE", "disable 1504 ; settext 1502 carol ; ", "\"\"", "carol"}};
    for (const auto& [file, typing, domain, user] : rows) {
        SCOPED_TRACE(user);
        const std::wstring location = SimDir() + L"\\" + file;
        const Fields wizard = RunWizard(location, typing);
        const Journal& journal = run.Events();
        ASSERT_FALSE(wizard.empty()) << journal.Dump();
        EXPECT_EQ("3", wizard.at("argc"));
        EXPECT_EQ(JournalText(Narrow(location)), wizard.at("argv0"));
        EXPECT_EQ(domain, wizard.at("argv1"));
        EXPECT_EQ(user, wizard.at("argv2"));
        EXPECT_EQ("Winlogon", wizard.at("desktop"));
        EXPECT_EQ("0", wizard.at("inherited")) << "a handle of Winlogon reached the wizard";
        const Fields watched = journal.FieldsOf("wizard watched");
        EXPECT_EQ("1", watched.at("found"));
        EXPECT_EQ("0", watched.at("visible")) << "the dialog stays visible while the wizard runs";
        // A setting change broadcast by the wizard is answered while waited.
        EXPECT_EQ("1", journal.FieldsOf("wizard broadcast").at("answered"));
        // Shown again afterwards, the journal's order proving the wait.
        EXPECT_LT(journal.IndexOf("wizard exit"), journal.IndexOf("host window key=1500"));
        EXPECT_EQ("1", Snapshot(journal, "1500").window.at("visible"));
        EXPECT_FALSE(journal.Has("host dispatch WlxMessageBox"));
    }
}

TEST_F(LogonDialog, WizardThatCannotStartOrIsNotNamedSoStartsNothingAndIsLogged) {
    // location, whether the start error is shown, the log line
    const std::tuple<std::wstring, bool, const char*> rows[] = {
        {L"C:\\no\\such\\folder\\ResetraReset.exe", true,
         "Error: Error starting Reset Wizard. Errorcode 3."},
        {SimDir() + L"\\SimWinlogon.exe", false, "does not name ResetraReset.exe"}};
    for (const auto& [location, shown, logged] : rows) {
        SCOPED_TRACE(logged);
        EXPECT_TRUE(RunWizard(location).empty());
        const Fields box = run.Events().FieldsOf("host dispatch WlxMessageBox");
        ASSERT_EQ(shown, !box.empty()) << run.Events().Dump();
        if (shown) {
            EXPECT_EQ(JournalText("Resetra - Error starting the Reset Wizard"), box.at("title"));
            EXPECT_EQ(JournalText("An error has occurred while performing this operation. Please "
                                  "contact your system administrator for further assistance."),
                      box.at("text"));
            EXPECT_EQ("1", Snapshot(run.Events(), "1500").window.at("visible"));
        }
        EXPECT_TRUE(run.StubLogHas(logged));
    }
}

// Winlogon's own dialog function shows it, with its own handle whatever
// reached the hook.
TEST_F(LogonDialog, ChainedProcedureSeesEveryMessageOfTheDialogInOrderUnchanged) {
    ASSERT_EQ(0u, run.Run("set trace-messages 1\nset chained.trace-messages 1\n"
                          "set dialog.1500 settext 1503 secret ; controls ; press 1\n"
                          "negotiate\ninitialize\nloggedoutsas 1\n"));
    const Journal& journal = run.Events();
    const Fields shown = journal.FieldsOf("host dispatch WlxDialogBoxParam");
    EXPECT_EQ(journal.FieldsOf("host start").at("hwlx"), shown.at("hwlx"));
    EXPECT_EQ("MSGINA.DLL", shown.at("instance-module"));
    EXPECT_TRUE(journal.Has("chained dialog-ok template=1500"));
    EXPECT_EQ("0x1", journal.FieldsOf("host return WlxLoggedOutSAS").at("result"));
    // A structure behind lParam reaches a hook as a copy: only the message
    // and wParam can be compared.
    auto key = [](const Fields& f) {
        static const std::set<std::string> pointers = {"0xc",  "0xd",  "0x24", "0x46", "0x47",
                                                       "0x4e", "0x2b", "0x2c", "0x81", "0x83"};
        return f.at("msg") + " " + f.at("wparam") + " " +
               (pointers.count(f.at("msg")) ? "*" : f.at("lparam"));
    };
    std::vector<std::string> delivered;
    std::vector<std::string> seen;
    for (const auto& line : journal.Lines()) {
        const bool host = line.rfind("host winmsg ", 0) == 0;
        std::vector<std::string>& list = host ? delivered : seen;
        if (host || line.rfind("chained dlgmsg ", 0) == 0) {
            const Fields f = ParseFields(line);
            if (f.at("msg") == "0x110" || !list.empty()) { // from WM_INITDIALOG on
                list.push_back(key(f));
            }
        }
    }
    ASSERT_GT(seen.size(), 10u) << journal.Dump();
    EXPECT_EQ(delivered, seen);
}

TEST_F(LogonDialog, OtherNumberedAndNamedTemplatesPassUntouched) {
    for (const char* setting : {"1501", "name", "name-at 1500", "name-at 1950"}) {
        SCOPED_TRACE(setting);
        ASSERT_EQ(0u, run.Run(std::string("set chained.dialog.WlxLoggedOutSAS ") + setting +
                              "\nset dialog.1501 controls ; press 1\nset dialog.name controls ; "
                              "press 1\nnegotiate\ninitialize\nloggedoutsas 1\n"));
        const Fields shown = run.Events().FieldsOf("host dispatch WlxDialogBoxParam");
        ASSERT_FALSE(shown.empty()) << run.Events().Dump();
        EXPECT_EQ(run.Events().FieldsOf("chained open-dialog").at("proc"), shown.at("proc"));
        EXPECT_EQ("MSGINA.DLL", shown.at("proc-module"));
        EXPECT_EQ("1", run.Events().FieldsOf("host dialog-result").at("result"));
        const DialogSnapshot seen =
            Snapshot(run.Events(), std::string(setting) == "1501" ? "1501" : "name");
        ASSERT_FALSE(seen.window.empty()) << run.Events().Dump();
        EXPECT_EQ(nullptr, seen.WithText(kForgot));
        EXPECT_EQ(nullptr, seen.WithStyle("0x50000007"));
    }
}

// ---- the chaining-failure notice: closed only by OK, centred, silenced ----

class ErrorDialog : public LogonDialog {
protected:
    void SetUp() override {
        LogonDialog::SetUp();
        RegistrySetup::SetString(kResetraGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
    }
};

TEST_F(ErrorDialog, OnlyEnterOrOkCloseItAndItIsCentredWithItsLabelWholeInEnglishAndGerman) {
    for (const bool german : {false, true}) {
        SCOPED_TRACE(german ? "German" : "English");
        if (german) {
            German();
        }
        ASSERT_TRUE(NoticeShown("key 0x1b ; wait 200 ; close ; wait 200 ; controls ; key 0x0d"));
        const DialogSnapshot shown = Snapshot(run.Events(), "107");
        const Fields* box = shown.WithId(1001);
        const Fields* ok = shown.WithId(1);
        ASSERT_TRUE(box && ok) << run.Events().Dump();
        EXPECT_EQ("1", shown.window.at("visible"));
        EXPECT_EQ(0, Number(shown.window, "style") & WS_SYSMENU);
        EXPECT_EQ("1", run.Events().FieldsOf("host dialog-result template=107").at("result"));
        EXPECT_FALSE(run.Events().Has("host dialog-timeout"));
        EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - Number(shown.window, "w")) / 2,
                  Number(shown.window, "x"));
        EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - Number(shown.window, "h")) / 2,
                  Number(shown.window, "y"));
        // The box glyph and a gap come before the label, all left of OK.
        EXPECT_LE(LabelWidth(box->at("text")) + 20, Number(*box, "w")) << box->at("text");
        EXPECT_LE(Number(*box, "x") + Number(*box, "w"), Number(*ok, "x"));
    }
}

// Also when an installer of the 32-bit era wrote the key into the 32-bit
// view: the reads look there first, so that is where the tick must land.
TEST_F(ErrorDialog, CheckBoxAloneSilencesTheNoticeForGoodInEitherView) {
    for (const REGSAM view : {0, KEY_WOW64_32KEY}) {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kResetraGinaKey, L"Log File", run.StubLogPath(), view);
        RegistrySetup::SetString(kResetraGinaKey, L"Old GINA Location", L"NoSuchGina.dll", view);
        ASSERT_TRUE(NoticeShown("press 1")) << view;
        ASSERT_TRUE(NoticeShown("press 1001 ; press 1")) << view;
        EXPECT_FALSE(NoticeShown("press 1")) << view;
        EXPECT_TRUE(run.Events().FieldsOf("host return WlxInitialize").count("result"));
    }
}

TEST_F(ErrorDialog, PolicyOrLocalSettingSuppressTheNotice) {
    Steps({{kWizardsPolicyKey, L"ShowErrorGINAChainingFailure", 0, false},
           {kWizardsPolicyKey, L"ShowErrorGINAChainingFailure", 1, true},
           {kResetraGinaKey, L"DontShowErrorGINAChainingFailure", 1, false},
           {kResetraGinaKey, L"DontShowErrorGINAChainingFailure", 0, true}},
          [&] { return NoticeShown("press 1"); });
}

} // namespace
