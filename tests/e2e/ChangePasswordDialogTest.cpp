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

// ASCII text as UTF-16LE bytes, as the logs hold it.
std::string Utf16(const std::string& text) {
    std::string wide;
    for (char c : text) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

class ChangePasswordDialog : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        RegistrySetup::SetDword(kResetraGinaKey, L"Log Mask", 0xFFFFFFFF);
        RegistrySetup::SetDword(kVexaGinaLocalKey, L"GinaEnabled", 1);
        policyLog = run.Folder() + L"\\policy.log";
        RegistrySetup::SetDword(kVexaGinaPolicyKey, L"LogEnabled", 1);
        RegistrySetup::SetString(kVexaGinaPolicyKey, L"FileLogFilename", policyLog);
        RegistrySetup::SetDword(kVexaGinaPolicyKey, L"FileLogMask", 0xFFFFFFFF);
    }

    // Opens the change-password dialog of alice in CORP once, with the
    // actions given, and checks that the run ended cleanly.
    void Show(const std::string& actions, const DomainSetup& setup = {}) {
        const std::wstring fixture = run.Folder() + L"\\domain.xml";
        {
            std::ofstream out(Narrow(fixture), std::ios::binary);
            out << Fixture(setup);
        }
        ASSERT_EQ(0u, run.Run("set domain " + Narrow(fixture) +
                              "\nset chained.user alice\nset chained.domains CORP\n"
                              "set msgbox.answer 1\nset dialog.1700 " +
                              actions + "\nnegotiate\ninitialize\nloggedonsas 1\n"))
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
        const DialogSnapshot listing = Snapshot(run.Events(), "1700", index);
        std::vector<std::pair<int, char>> marks;
        for (const auto* controls : {&listing.controls, &listing.nested}) {
            for (const Fields& f : *controls) {
                if (f.count("mark")) {
                    marks.emplace_back(Number(f, "y"), f.at("mark") == "check" ? 'v' : 'x');
                }
            }
        }
        std::sort(marks.begin(), marks.end());
        std::string text = listing.window.empty() ? "(no listing)" : "";
        for (const auto& mark : marks) {
            text += mark.second;
        }
        return text;
    }

    bool PolicyLogHas(const std::string& text) const {
        const std::string bytes = ReadBytes(policyLog);
        return bytes.find(text) != std::string::npos ||
               bytes.find(Utf16(text)) != std::string::npos;
    }

    std::wstring policyLog;
};

// The policies are loaded when the dialog opens, and again once when the
// focus leaves the domain list; no key and no other focus change asks the
// directory anything. Typing in the confirmation changes no mark.
TEST_F(ChangePasswordDialog, MarksFollowTheNewPasswordKeyByKeyWithoutDirectoryCalls) {
    Show("controls ; type 1706 Old#Pass9 ; controls ; type 1708 a ; controls ; type 1708 B ; "
         "controls ; type 1708 1 ; controls ; setfocus 1704 ; setfocus 1708 ; type 1708 cdefg ; "
         "controls ; type 1710 aB1cdef ; controls ; press 2");
    const char* expected[] = {"xxx", "xxx", "xxx", "xxv", "xvv", "vvv", "vvv"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(expected[i], Marks(i)) << "listing " << i << "\n" << run.Events().Dump();
    }
    const DialogSnapshot first = Snapshot(run.Events(), "1700");
    ASSERT_NE(nullptr, first.WithId(1020));
    EXPECT_EQ(JournalText("Password compliance to complexity rules"),
              first.WithId(1020)->at("text"));
    std::vector<std::string> typed, focused;
    for (const std::string& line : run.Events().Lines()) {
        if (line.rfind("host typed ", 0) == 0) {
            typed.push_back(ParseFields(line).at("dircalls"));
        } else if (line.rfind("host dialog-action key=1700 action=setfocus", 0) == 0) {
            focused.push_back(ParseFields(line).at("dircalls"));
        }
    }
    EXPECT_EQ(std::vector<std::string>(6, "0"), typed);
    ASSERT_EQ(2u, focused.size());
    EXPECT_EQ("0", focused[0]); // into the domain list
    EXPECT_NE("0", focused[1]); // out of it: the reload
}

// A confirmation differing only in case is refused, the three fields emptied
// and the focus on the old password; then broken rules are listed in rule
// order; only the corrected password's OK reaches the chained GINA.
TEST_F(ChangePasswordDialog, MismatchAndBrokenRulesAreRefusedUntilTheCorrectedPasswordGoesThrough) {
    Show("type 1706 Old#Pass9 ; type 1708 aB1cdefg ; type 1710 Ab1cdefg ; press 1 ; focus ; "
         "controls ; type 1706 Old#Pass9 ; type 1708 abcdefgh ; type 1710 abcdefgh ; press 1 ; "
         "type 1706 Old#Pass9 ; type 1708 aB1cdefg ; type 1710 aB1cdefg ; press 1");
    const Journal& journal = run.Events();
    const int first = journal.IndexOf("host dispatch WlxMessageBox");
    const int second = journal.IndexOf("host dispatch WlxMessageBox", first + 1);
    ASSERT_TRUE(first >= 0 && second > first) << journal.Dump();
    const Fields mismatch = ParseFields(journal.Lines()[static_cast<size_t>(first)]);
    EXPECT_EQ(JournalText("The passwords you typed do not match. Type the new password in both "
                          "text boxes."),
              mismatch.at("text"));
    EXPECT_EQ(JournalText("Change Password"), mismatch.at("title"));
    EXPECT_EQ("0x30", mismatch.at("style"));
    EXPECT_EQ("1706", journal.FieldsOf("host focus").at("id"));
    const DialogSnapshot after = Snapshot(journal, "1700");
    for (int id : {1706, 1708, 1710}) {
        ASSERT_NE(nullptr, after.WithId(id));
        EXPECT_EQ("*masked*", after.WithId(id)->at("text")) << id;
        EXPECT_EQ("0", after.WithId(id)->at("length")) << id;
    }
    EXPECT_EQ(JournalText("Your new password did not satisfy the following rules:") + "\\x0d\\x0a" +
                  JournalText(" - At least one digit.") + "\\x0d\\x0a" +
                  JournalText(" - At least one capital letter.") + "\\x0d\\x0a",
              ParseFields(journal.Lines()[static_cast<size_t>(second)]).at("text"));
    EXPECT_EQ(2u, journal.Count("host dispatch WlxMessageBox"));
    EXPECT_EQ(1u, journal.Count("chained dialog-ok"));
    EXPECT_GT(journal.IndexOf("chained dialog-ok"), second);
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
    RegistrySetup::SetDword(kVexaGinaPolicyKey, L"GinaEnabled", 0);
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
    const std::string journal = run.Events().Dump();
    for (const char* typed : {"Zq8#Old4x", "Kp5!newmix", "Kp5!newmiy", "Wv3$Freshy"}) {
        const std::string password = typed;
        // The longest piece that identifies it: everything after its first
        // character, as text and as UTF-16.
        const std::string tail = password.substr(1);
        for (const std::string* where :
             {&stub, &policy, static_cast<const std::string*>(&journal)}) {
            EXPECT_EQ(std::string::npos, where->find(tail)) << password;
            EXPECT_EQ(std::string::npos, where->find(Utf16(tail))) << password;
        }
    }
    EXPECT_TRUE(run.Events().Has("chained dialog-ok"));
}

} // namespace
