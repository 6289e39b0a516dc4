// The change-password dialog in the simulated Winlogon and domain, typed
// into with key messages one character at a time: marks that follow the new
// password, no directory call per keystroke, the refusals on OK (mismatch,
// broken rules) and their message text, every engine failure letting the
// change through with a log line, the disabled extension drawing nothing,
// and no password in the journal or either log.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace simworld;

namespace {

const wchar_t* const kVexaPolicyKey =
    L"Software\\Policies\\Harrowgate\\Vexa Policy Manager\\Vexa Gina";
const wchar_t* const kVexaLocalKey = L"Software\\Harrowgate\\Vexa Policy Manager\\Vexa GINA";

// Three rules in this order: length, digit, capital letter.
const char* const kPolicy =
    "<PolicyList version=\"2\"><Policy name=\"Sales\"><Configuration>0</Configuration>"
    "<Scope type=\"2\"><SID>corp.example.com/Sales</SID></Scope>"
    "<Rule type=\"2\"><Enabled>1</Enabled><MinimumLength>8</MinimumLength>"
    "<Description>At least 8 characters.</Description></Rule>"
    "<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"2\">.*[0-9].*</Regex>"
    "<ExpressionValidatesPassword>1</ExpressionValidatesPassword>"
    "<Description>At least one digit.</Description></Rule>"
    "<Rule type=\"5\"><Enabled>1</Enabled><Regex Type=\"2\">.*[A-Z].*</Regex>"
    "<ExpressionValidatesPassword>1</ExpressionValidatesPassword>"
    "<Description>At least one capital letter.</Description></Rule>"
    "%EXTRA%</Policy></PolicyList>";

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    const size_t at = text.find(what);
    if (at != std::string::npos) {
        text.replace(at, what.size(), with);
    }
    return text;
}

struct DomainSetup {
    std::string domainAttributes; // on the CORP domain element
    std::string policy = kPolicy; // the stored document, or "" for no policy object
    std::string extraRule;        // appended to the policy's rules
    std::string userExtra;        // children of alice
};

std::string Fixture(const DomainSetup& setup) {
    std::string policy = Replace(setup.policy, "%EXTRA%", setup.extraRule);
    return "<SimulatedDomain><Computer name=\"WS01\" joinedTo=\"CORP\"/>"
           "<Domain flat=\"CORP\" dns=\"corp.example.com\" sid=\"S-1-5-21-1-2-3\" " +
           setup.domainAttributes + "><DomainController name=\"DC01\"/>" +
           (setup.policy.empty() ? "" : "<Policy><![CDATA[" + policy + "#42#]]></Policy>") +
           "<OU name=\"Sales\"><User sam=\"alice\" rid=\"1104\" cn=\"Alice Archer\" "
           "upn=\"alice@corp.example.com\" first=\"Alice\" last=\"Archer\" full=\"Alice Archer\" "
           "pwdLastSetMinutesAgo=\"30000\">" +
           setup.userExtra +
           "</User></OU><OU name=\"Other\"><User sam=\"olga\" rid=\"1105\"/></OU>"
           "</Domain></SimulatedDomain>";
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(Narrow(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class ChangePasswordDialog : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        RegistrySetup::SetDword(kGinaKey, L"Log Mask", 0xFFFFFFFF);
        RegistrySetup::SetDword(kVexaLocalKey, L"GinaEnabled", 1);
        policyLog = run.Folder() + L"\\policy.log";
        RegistrySetup::SetDword(kVexaPolicyKey, L"LogEnabled", 1);
        RegistrySetup::SetString(kVexaPolicyKey, L"FileLogFilename", policyLog);
        RegistrySetup::SetDword(kVexaPolicyKey, L"FileLogMask", 0xFFFFFFFF);
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    // Opens the change-password dialog of alice in CORP once, with the
    // actions given, and checks that the run ended cleanly.
    void Show(const std::string& actions, const DomainSetup& setup = {},
              const std::string& extra = "") {
        const std::wstring fixture = run.Folder() + L"\\domain.xml";
        {
            std::ofstream out(Narrow(fixture), std::ios::binary);
            out << Fixture(setup);
        }
        ASSERT_EQ(0u, run.Run("set domain " + Narrow(fixture) +
                              "\nset chained.user alice\nset chained.domains CORP\n"
                              "set msgbox.answer 1\nset dialog.1700 " +
                              actions + "\n" + extra + "negotiate\ninitialize\nloggedonsas 1\n"))
            << run.Events().Dump();
        EXPECT_FALSE(run.Events().Has("host type-error")) << run.Events().Dump();
        EXPECT_TRUE(run.Events().Has("host domain-outstanding binds=0 nameresults=0 "
                                     "netapibuffers=0 adsmemory=0 comobjects=0 "
                                     "invalidreleases=0"))
            << run.Events().Dump();
    }

    // The marks of the `index`-th listing of the dialog, top to bottom:
    // v for the check, x for the cross.
    std::string Marks(int index) const {
        const auto& lines = run.Events().Lines();
        int at = -1;
        for (int i = 0; i <= index; ++i) {
            at = run.Events().IndexOf("host window key=1700", at + 1);
            if (at < 0) {
                return "(no listing)";
            }
        }
        std::vector<std::pair<int, char>> marks;
        for (size_t i = static_cast<size_t>(at) + 1; i < lines.size(); ++i) {
            if (lines[i].rfind("host control ", 0) != 0 &&
                lines[i].rfind("host subcontrol ", 0) != 0) {
                break;
            }
            const Fields f = ParseFields(lines[i]);
            if (f.count("mark")) {
                marks.emplace_back(Number(f, "y"), f.at("mark") == "check" ? 'v' : 'x');
            }
        }
        std::sort(marks.begin(), marks.end());
        std::string text;
        for (const auto& mark : marks) {
            text += mark.second;
        }
        return text;
    }

    bool PolicyLogHas(const std::string& text) const {
        const std::string bytes = ReadBytes(policyLog);
        std::string wide;
        for (char c : text) {
            wide += c;
            wide += '\0';
        }
        return bytes.find(text) != std::string::npos || bytes.find(wide) != std::string::npos;
    }

    SimRun run;
    std::wstring policyLog;
};

TEST_F(ChangePasswordDialog, MarksFollowTheNewPasswordKeyByKeyWithoutDirectoryCalls) {
    Show("controls ; type 1706 Old#Pass9 ; controls ; type 1708 a ; controls ; type 1708 B ; "
         "controls ; type 1708 1 ; controls ; type 1708 cdefg ; controls ; type 1710 aB1cdef ; "
         "controls ; press 2");
    const char* expected[] = {"xxx", "xxx", "xxx", "xxv", "xvv", "vvv", "vvv"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(expected[i], Marks(i)) << "listing " << i << "\n" << run.Events().Dump();
    }
    const DialogSnapshot first = Snapshot(run.Events(), "1700");
    ASSERT_NE(nullptr, first.WithId(1020));
    EXPECT_EQ(JournalText("Password compliance to complexity rules"),
              first.WithId(1020)->at("text"));
    // The policies were loaded once, when the dialog opened; after that
    // neither a focus change into a password field nor a key asks the
    // directory anything.
    size_t typed = 0;
    for (const std::string& line : run.Events().Lines()) {
        if (line.rfind("host typed ", 0) == 0) {
            ++typed;
            EXPECT_NE(std::string::npos, line.find(" dircalls=0")) << line;
        }
    }
    EXPECT_EQ(6u, typed);
}

// Leaving the domain list is a reload point: the policies and what the
// directory said about the user are read again once, and the keys typed
// after it make no directory call.
TEST_F(ChangePasswordDialog, LeavingTheDomainListReloadsOnceAndKeysStayWithoutDirectoryCalls) {
    Show("type 1708 a ; setfocus 1704 ; setfocus 1708 ; type 1708 B1 ; controls ; press 2");
    std::vector<std::string> reloads;
    for (const std::string& line : run.Events().Lines()) {
        if (line.rfind("host dialog-action key=1700 action=setfocus", 0) == 0) {
            reloads.push_back(ParseFields(line).at("dircalls"));
        }
    }
    ASSERT_EQ(2u, reloads.size());
    EXPECT_EQ("0", reloads[0]); // into the domain list
    EXPECT_NE("0", reloads[1]); // out of it: the reload
    EXPECT_EQ(2u, run.Events().Count("host typed key=1700 id=1708"));
    const int typed = run.Events().IndexOf("host typed key=1700 id=1708 keys=2");
    ASSERT_GE(typed, 0);
    const Fields last = ParseFields(run.Events().Lines()[static_cast<size_t>(typed)]);
    EXPECT_EQ("0", last.at("dircalls"));
    EXPECT_EQ("xvv", Marks(0));
}

TEST_F(ChangePasswordDialog, CaseOnlyMismatchIsRefusedAndEmptiesAllThreeFields) {
    Show("type 1706 Old#Pass9 ; type 1708 aB1cdefg ; type 1710 Ab1cdefg ; press 1 ; focus ; "
         "controls ; press 2");
    const Fields box = run.Events().FieldsOf("host dispatch WlxMessageBox");
    EXPECT_EQ(JournalText("The passwords you typed do not match. Type the new password in both "
                          "text boxes."),
              box.count("text") ? box.at("text") : "");
    EXPECT_EQ(JournalText("Change Password"), box.count("title") ? box.at("title") : "");
    EXPECT_EQ("0x30", box.count("style") ? box.at("style") : "");
    EXPECT_FALSE(run.Events().Has("chained dialog-ok"));
    EXPECT_EQ("1706", run.Events().FieldsOf("host focus").at("id"));
    const DialogSnapshot after = Snapshot(run.Events(), "1700");
    for (int id : {1706, 1708, 1710}) {
        ASSERT_NE(nullptr, after.WithId(id));
        EXPECT_EQ("*masked*", after.WithId(id)->at("text")) << id;
        EXPECT_EQ("0", after.WithId(id)->at("length")) << id;
    }
}

TEST_F(ChangePasswordDialog, BrokenRulesAreListedInRuleOrderAndTheCorrectedPasswordGoesThrough) {
    Show("type 1706 Old#Pass9 ; type 1708 abcdefgh ; type 1710 abcdefgh ; press 1 ; "
         "type 1706 Old#Pass9 ; type 1708 aB1cdefg ; type 1710 aB1cdefg ; press 1");
    EXPECT_EQ(1u, run.Events().Count("host dispatch WlxMessageBox"));
    const Fields box = run.Events().FieldsOf("host dispatch WlxMessageBox");
    EXPECT_EQ(JournalText("Your new password did not satisfy the following rules:") + "\\x0d\\x0a" +
                  JournalText(" - At least one digit.") + "\\x0d\\x0a" +
                  JournalText(" - At least one capital letter.") + "\\x0d\\x0a",
              box.count("text") ? box.at("text") : "")
        << run.Events().Dump();
    EXPECT_EQ(1u, run.Events().Count("chained dialog-ok"));
    EXPECT_GT(run.Events().IndexOf("chained dialog-ok"),
              run.Events().IndexOf("host dispatch WlxMessageBox"));
}

// Fourteen rules need more than the panel's first 195 pixels: the dialog
// grows by what the panel needs, so its own fields stay below the panel,
// and the whole dialog stays on the screen.
TEST_F(ChangePasswordDialog, PanelOfManyRulesPushesTheFieldsDownAndStaysOnScreen) {
    DomainSetup many;
    for (int i = 0; i < 11; ++i) {
        many.extraRule += "<Rule type=\"2\"><Enabled>1</Enabled><MinimumLength>0</MinimumLength>"
                          "<Description>Rule " +
                          std::to_string(i + 4) + ".</Description></Rule>";
    }
    Show("controls ; press 2", many);
    const DialogSnapshot dialog = Snapshot(run.Events(), "1700");
    const Fields* panel = dialog.WithStyle("0x50800000");
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(2 + 14 * 20 + 10, Number(*panel, "h"));
    const int panelBottom = Number(*panel, "y") + Number(*panel, "h");
    for (const Fields& control : dialog.controls) {
        const int id = Number(control, "id");
        if (id != 0 && id != 1020) {
            EXPECT_GT(Number(control, "y"), panelBottom) << control.at("id");
        }
    }
    EXPECT_EQ("xxxvvvvvvvvvvv", Marks(0));
    const int bottom = Number(dialog.window, "y") + Number(dialog.window, "h");
    EXPECT_LE(bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GE(Number(dialog.window, "y"), 0);
}

// Failures of the engine never block the change: the OK reaches the chained
// GINA and the policy log says why nothing was checked.
TEST_F(ChangePasswordDialog, EngineFailuresLetTheChangeThroughWithALogLine) {
    struct Case {
        const char* name;
        DomainSetup setup;
        const char* logLine;
    };
    DomainSetup noPolicy;
    noPolicy.policy = Replace(kPolicy, "corp.example.com/Sales", "corp.example.com/Other");
    DomainSetup unreachable;
    unreachable.domainAttributes = "reachable=\"false\"";
    DomainSetup malformed;
    malformed.policy = "<PolicyList version=\"2\"><Policy name=\"x\"><Rule";
    DomainSetup unevaluable;
    unevaluable.extraRule = "<Rule type=\"1\"><Enabled>1</Enabled><MinimumAge>1</MinimumAge>"
                            "</Rule>";
    unevaluable.userExtra = "<Attr name=\"pwdLastSet\" type=\"error\" error=\"0x8000500D\"/>";
    const Case cases[] = {
        {"no applicable policy", noPolicy, "Vexa could not find an active policy."},
        {"unreachable controller", unreachable, "An error occurred while loading policies."},
        {"malformed document", malformed, "An error occurred while loading policies."},
        {"rule not evaluable", unevaluable, "An error occurred while testing password."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(policyLog.c_str());
        Show("type 1706 Old#Pass9 ; type 1708 abc ; type 1710 abc ; press 1", c.setup);
        EXPECT_TRUE(run.Events().Has("chained dialog-ok")) << run.Events().Dump();
        EXPECT_FALSE(run.Events().Has("host dispatch WlxMessageBox"));
        EXPECT_TRUE(PolicyLogHas(c.logLine)) << ReadBytes(policyLog);
    }
}

// Switched off by policy, the extension adds nothing: the dialog has the
// chained GINA's controls at the chained GINA's places.
TEST_F(ChangePasswordDialog, DisabledExtensionLeavesTheDialogAsTheChainedGinaDrewIt) {
    auto layout = [](const DialogSnapshot& snapshot) {
        std::vector<std::string> rows{snapshot.window.count("w") ? snapshot.window.at("w") : "?",
                                      snapshot.window.count("h") ? snapshot.window.at("h") : "?"};
        for (const Fields& f : snapshot.controls) {
            rows.push_back(f.at("id") + " " + f.at("class") + " " + f.at("x") + "," + f.at("y") +
                           " " + f.at("w") + "x" + f.at("h") + " " + f.at("style") + " " +
                           f.at("text"));
        }
        return rows;
    };
    RegistrySetup::SetDword(kVexaPolicyKey, L"GinaEnabled", 0);
    Show("type 1708 abc ; controls ; press 2");
    const std::vector<std::string> disabled = layout(Snapshot(run.Events(), "1700"));
    EXPECT_FALSE(run.Events().Has("host subcontrol"));
    ASSERT_EQ(0u, run.Run("set gina " + Narrow(SimDir()) +
                          "\\SimGina.dll\n"
                          "set chained.user alice\nset chained.domains CORP\n"
                          "set dialog.1700 type 1708 abc ; controls ; press 2\n"
                          "negotiate\ninitialize\nloggedonsas 1\n"));
    const std::vector<std::string> alone = layout(Snapshot(run.Events(), "1700"));
    EXPECT_EQ(alone, disabled);
    EXPECT_GT(alone.size(), 10u);
}

// Known passwords typed with both logs at every level: none of them, in any
// encoding, in the stub log, the policy log or the journal.
TEST_F(ChangePasswordDialog, NoPasswordReachesEitherLogOrTheJournal) {
    Show("type 1706 Zq8#Old4x ; type 1708 Kp5!newmix ; type 1710 Kp5!newmiy ; press 1 ; "
         "type 1706 Zq8#Old4x ; type 1708 Wv3$Freshy ; type 1710 Wv3$Freshy ; controls ; press 1");
    ASSERT_TRUE(PolicyLogHas("Get applicable policy."));
    const std::string stub = ReadBytes(run.StubLogPath());
    const std::string policy = ReadBytes(policyLog);
    std::string journal;
    for (const std::string& line : run.Events().Lines()) {
        journal += line + "\n";
    }
    for (const char* typed : {"Zq8#Old4x", "Kp5!newmix", "Kp5!newmiy", "Wv3$Freshy"}) {
        const std::string password = typed;
        // The longest piece that identifies it: everything after its first
        // character, as text and as UTF-16.
        const std::string tail = password.substr(1);
        std::string wide;
        for (char c : tail) {
            wide += c;
            wide += '\0';
        }
        for (const std::string* where :
             {&stub, &policy, static_cast<const std::string*>(&journal)}) {
            EXPECT_EQ(std::string::npos, where->find(tail)) << password;
            EXPECT_EQ(std::string::npos, where->find(wide)) << password;
        }
    }
    EXPECT_TRUE(run.Events().Has("chained dialog-ok"));
}

} // namespace
