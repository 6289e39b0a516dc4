// Which GINA the library chains to (modes, Entrust and self detection, the
// 32-bit view first, the fallback to MSGINA.DLL with its notice, never itself)
// and how it forwards: arguments, context, version and results bit for bit,
// the chained GINA's table differing from Winlogon's only in WlxDialogBoxParam.
#include "support/RegistryKeys.h"
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace simworld;

namespace {

const char* const kLoaded = "Information: ResetraGINA.dll loaded.";

struct Setting {
    const wchar_t* key;
    const wchar_t* name;
    const wchar_t* text; // nullptr: the number
    DWORD number = 0;
    REGSAM view = 0;
};

class ChainLoading : public SimTest {
protected:
    void Apply(const std::vector<Setting>& settings) {
        SimTest::SetUp();
        for (const Setting& s : settings) {
            if (s.text != nullptr) {
                RegistrySetup::SetString(s.key, s.name, s.text, s.view);
            } else {
                RegistrySetup::SetDword(s.key, s.name, s.number, s.view);
            }
        }
    }
    // File name of the GINA that answered WlxNegotiate, or "" if none did.
    std::string LoadedGina(const std::wstring& hostDir = L"", const std::string& extra = "") {
        EXPECT_EQ(0u, run.Run(extra + "set chained.dialogs 0\nset dialog.107 controls ; press 1\n"
                                      "negotiate\ninitialize\n",
                              hostDir));
        const Fields negotiate = run.Events().FieldsOf("chained WlxNegotiate");
        return negotiate.count("module") ? negotiate.at("module") : "";
    }
    std::string Returned(const std::string& function) const {
        return run.Events().FieldsOf("host return " + function).at("result");
    }
    bool NoticeShown() const {
        const Fields shown = run.Events().FieldsOf("host dispatch WlxDialogBoxParam");
        return shown.count("template") && shown.at("template") == "107";
    }
};

Setting Old(const wchar_t* gina, REGSAM view = 0) {
    return {kResetraGinaKey, L"Old GINA Location", gina, 0, view};
}
Setting ToLoad(const wchar_t* gina, REGSAM view = 0) {
    return {kWizardsPolicyKey, L"GINAToLoad", gina, 0, view};
}
Setting Mode(DWORD value, REGSAM view = 0) {
    return {kWizardsPolicyKey, L"GINAChainingMode", nullptr, value, view};
}

TEST_F(ChainLoading, ModeNamesRegistryViewsAndTheGuardAgainstItselfChooseTheChainedGina) {
    const std::wstring product = ProductDll();
    const wchar_t* self = product.c_str();
    const char *ms = "MSGINA.DLL", *sim = "SimGina.dll", *only = "SimGinaRequiredOnly.dll";
    const char* itself = "is this library itself and cannot be chained to";
    const char* none =
        "Information: Original GINA: '(null)', GINA To Load: '(null)'. GINA Chaining Mode '0'.";
    const char* empty = "Warning: Error loading GINA ''. Trying to load MSGINA.DLL Errorcode -18";
    const Setting entrust{::kWinlogonKey, L"GINADll", L"PSSOGINA.DLL"};
    const REGSAM v32 = KEY_WOW64_32KEY, v64 = KEY_WOW64_64KEY;
    struct Row {
        std::vector<Setting> settings;
        const char* loaded;
        const char* logged = kLoaded;
        bool notice = false;
    };
    // Chaining to itself would recurse through WlxNegotiate at boot.
    const Row rows[] = {
        {{}, ms, none},
        {{Old(L"SimGina.dll")}, sim, "Information: Loading GINA: 'SimGina.dll'"},
        {{Old(L"SimGina.dll"), Mode(7)}, sim},
        {{Old(L"SimGina.dll"), ToLoad(L"SimGina.dll"), Mode(1)}, ms},
        {{Old(L"SimGina.dll"), Mode(2)}, ms},
        {{ToLoad(L""), Mode(2)}, ms, empty},
        {{Old(L"SimGina.dll"), ToLoad(L"SimGina.dll"), Mode(2)}, sim},
        {{Old(L"SimGina.dll"), entrust}, ms, "Information: Entrust GINA detected."},
        {{Old(L"SimGina.dll", v64), Old(L"SimGinaRequiredOnly.dll", v32)}, only},
        {{Old(L"SimGina.dll", v64), Mode(2, v64), ToLoad(L"SimGinaRequiredOnly.dll", v64)}, only},
        {{Old(L"SimGinaNoActivateUserShell.dll")}, ms, kLoaded, true},
        {{Old(L"RESETRAGINAX64.DLL")}, ms},
        {{Old(self)}, ms, itself, true},
        {{ToLoad(self), Mode(2)}, ms, itself, true},
        {{ToLoad(L"ResetraGINAx64.dll"), Mode(2)}, ms, itself, true},
        {{Old(L"resetraginax64")}, ms, itself, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        Apply(row.settings);
        EXPECT_EQ(row.loaded, LoadedGina());
        EXPECT_EQ("0x1", Returned("WlxNegotiate"));
        EXPECT_EQ(row.notice, NoticeShown());
        EXPECT_EQ(1u, run.Events().Count("chained WlxNegotiate"));
        EXPECT_TRUE(run.StubLogHas(row.logged));
    }
}

TEST_F(ChainLoading, MissingGinaNoticeNamesFileAndCodeBeforeChainedInitWhichKeepsItsResult) {
    Apply({Old(L"NoSuchGina.dll")});
    EXPECT_EQ("MSGINA.DLL", LoadedGina(L"", "set chained.result.WlxInitialize 0x3\n"));
    EXPECT_TRUE(run.StubLogHas("Warning: Error loading GINA 'NoSuchGina.dll'. Trying to load "
                               "MSGINA.DLL Errorcode 126"));
    const Journal& journal = run.Events();
    ASSERT_TRUE(NoticeShown()) << journal.Dump();
    EXPECT_LT(journal.IndexOf("host dispatch WlxDialogBoxParam"),
              journal.IndexOf("chained WlxInitialize"));
    EXPECT_EQ("ResetraGINAx64.dll",
              journal.FieldsOf("host dispatch WlxDialogBoxParam").at("instance-module"));
    EXPECT_EQ(JournalText("Resetra - Error loading the next GINA in the GINA chain"),
              journal.FieldsOf("host window key=107").at("title"));
    const Fields* message = Snapshot(journal, "107").WithId(1004);
    ASSERT_TRUE(message) << journal.Dump();
    const std::string& text = message->at("text");
    EXPECT_NE(std::string::npos, text.find("('NoSuchGina.dll')")) << text;
    EXPECT_NE(std::string::npos, text.find("Errorcode:\\s126")) << text;
    EXPECT_EQ("1", journal.FieldsOf("host dialog-result template=107").at("result"));
    EXPECT_EQ("0x3", Returned("WlxInitialize"));
}

TEST_F(ChainLoading, NegotiationFailsWhenNoGinaCanBeChainedOrTheChainedOneRefuses) {
    const std::wstring noActivate = SimDir() + L"\\SimGinaNoActivateUserShell.dll";
    const Setting noFallback{kWizardsPolicyKey, L"LoadMSGINAOnChainingFailure", nullptr, 0};
    // settings, folder of the host (MSGINA.DLL missing from "nomsgina"), lines logged
    const std::tuple<std::vector<Setting>, std::wstring, std::vector<const char*>> rows[] = {
        {{Old(L"NoSuchGina.dll"), noFallback},
         L"",
         {"Error: Error loading GINA 'NoSuchGina.dll'. Errorcode 126",
          "Error: GINA initialization failed. Errorcode 126"}},
        {{Old(noActivate.c_str())},
         SimDir() + L"\\nomsgina",
         {"Error: Error getting address of function WlxActivateUserShell. Errorcode 127.",
          "Error: Error loading MS GINA. Errorcode 126",
          "Error: GINA initialization failed. Errorcode 127"}},
        {{Old(L"SimGinaRefuses.dll")}, L"", {"Error: Wlx negotiation failed."}},
    };
    for (const auto& [settings, hostDir, logged] : rows) {
        SCOPED_TRACE(logged[0]);
        Apply(settings);
        LoadedGina(hostDir);
        EXPECT_EQ("0x0", Returned("WlxNegotiate"));
        for (const char* line : logged) {
            EXPECT_TRUE(run.StubLogHas(line)) << line << "\n";
        }
    }
}

struct ForwardedCall {
    const char* function;
    const char* step;
    const char* scriptedResult; // nullptr for functions without a result
};

// Results chosen so that nothing but an exact copy matches them.
const ForwardedCall kCalls[] = {
    {"WlxDisplaySASNotice", "displaysasnotice", nullptr},
    {"WlxLoggedOutSAS", "loggedoutsas 0x1", "0x7fff0a51"},
    {"WlxActivateUserShell", "activateusershell", "0x5eed0001"},
    {"WlxLoggedOnSAS", "loggedonsas 0x2", "0x0c0ffee"},
    {"WlxDisplayLockedNotice", "displaylockednotice", nullptr},
    {"WlxWkstaLockedSAS", "wkstalockedsas 0x3", "0x4badf00d"},
    {"WlxIsLockOk", "islockok", "0x1234"},
    {"WlxIsLogoffOk", "islogoffok", "0x0"},
    {"WlxLogoff", "logoff", nullptr},
    {"WlxShutdown", "shutdown 0x7", nullptr},
    {"WlxStartApplication", "startapplication", "0xa11"},
    {"WlxScreenSaverNotify", "screensavernotify", "0x2"},
    {"WlxNetworkProviderLoad", "networkproviderload", "0x3"},
    {"WlxDisplayStatusMessage", "displaystatusmessage 0x5", "0x4"},
    {"WlxGetStatusMessage", "getstatusmessage", "0x5"},
    {"WlxRemoveStatusMessage", "removestatusmessage", "0x6"},
    {"WlxGetConsoleSwitchCredentials", "getconsoleswitchcredentials", "0x7"},
    {"WlxReconnectNotify", "reconnectnotify", nullptr},
    {"WlxDisconnectNotify", "disconnectnotify", nullptr},
};

std::string CallSteps() {
    std::string steps = "negotiate 0x10004\ninitialize\n";
    for (const auto& call : kCalls) {
        steps += std::string(call.step) + "\n";
    }
    return steps;
}

// The simulated domain installed too: later tests of the directory rely on it.
TEST_F(ChainLoading, EveryEntryPointForwardsArgumentsContextVersionAndTableAndTheChainedResult) {
    Apply({Mode(2), ToLoad(L"SimGina.dll")});
    std::string scenario = "set chained.dialogs 0\nset chained.dllversion 0x10003\nset domain " +
                           Narrow(RESETRA_SOURCE_DIR) + "\\examples\\domain\\ExampleDomain.xml\n";
    for (const auto& call : kCalls) {
        if (call.scriptedResult != nullptr) {
            scenario += std::string("set chained.result.") + call.function + " " +
                        call.scriptedResult + "\n";
        }
    }
    ASSERT_EQ(0u, run.Run(scenario + CallSteps()));
    const Journal& journal = run.Events();
    EXPECT_TRUE(journal.Has("host domain-installed"));
    const Fields negotiate = journal.FieldsOf("chained WlxNegotiate");
    EXPECT_EQ("0x10004", negotiate.at("version"));
    EXPECT_EQ(journal.FieldsOf("host call WlxNegotiate").at("pdllversion"),
              negotiate.at("pdllversion"));
    EXPECT_EQ("0x10003", journal.FieldsOf("host return WlxNegotiate").at("dllversion"));
    const Fields sent = journal.FieldsOf("host call WlxInitialize");
    const Fields received = journal.FieldsOf("chained WlxInitialize");
    ASSERT_FALSE(received.empty()) << journal.Dump();
    for (const char* key : {"winsta", "hwlx", "reserved", "table", "pctx"}) {
        EXPECT_EQ(sent.at(key), received.at(key)) << key;
    }
    // Winlogon sees exactly the context the chained GINA stored.
    const std::string context = journal.FieldsOf("host return WlxInitialize").at("ctx");
    EXPECT_EQ(received.at("ctx"), context);
    // Winlogon's own table, only its WlxDialogBoxParam entry (7) replaced.
    const int first = journal.IndexOf("chained table");
    ASSERT_GE(first, 0);
    for (int index = 0; index < 27; ++index) {
        const Fields original = journal.FieldsOf("host table index=" + std::to_string(index));
        const Fields seen = ParseFields(journal.Lines()[static_cast<size_t>(first + index)]);
        ASSERT_EQ(std::to_string(index), seen.at("index"));
        EXPECT_EQ(index == 7, original.at("fn") != seen.at("fn")) << index;
        EXPECT_EQ(index == 7, seen.at("module") == "ResetraGINAx64.dll") << index;
    }
    for (const auto& call : kCalls) {
        SCOPED_TRACE(call.function);
        const Fields received = journal.FieldsOf(std::string("chained ") + call.function);
        ASSERT_FALSE(received.empty()) << "not forwarded\n" << journal.Dump();
        for (const auto& [key, value] :
             journal.FieldsOf(std::string("host call ") + call.function)) {
            ASSERT_TRUE(received.count(key)) << key;
            EXPECT_EQ(value, received.at(key)) << key;
        }
        EXPECT_EQ("1", received.at("ctx-ok")) << "context pointer was not the chained GINA's own";
        EXPECT_EQ(context, received.at("ctx"));
        if (call.scriptedResult != nullptr) {
            EXPECT_EQ(std::stoull(call.scriptedResult, nullptr, 16),
                      std::stoull(Returned(call.function), nullptr, 16));
        }
    }
    // Any non-zero answer of the chained WlxNegotiate is TRUE.
    ASSERT_EQ(0u, run.Run("set chained.dialogs 0\nset chained.result.WlxNegotiate 0x55\n"
                          "set chained.result.WlxInitialize 0x2a\nnegotiate\ninitialize\n"));
    EXPECT_EQ("0x1", Returned("WlxNegotiate"));
    EXPECT_EQ("0x2a", Returned("WlxInitialize"));
}

TEST_F(ChainLoading, MissingOptionalEntryPointsReturnFalseWithoutCallingAnything) {
    Apply({Mode(2), ToLoad(L"SimGinaRequiredOnly.dll")});
    ASSERT_EQ(0u, run.Run("set chained.dialogs 0\n" + CallSteps()));
    for (const ForwardedCall& call : kCalls) { // from WlxStartApplication on, all optional
        const std::string name = call.function;
        EXPECT_EQ(&call - kCalls >= 10, !run.Events().Has("chained " + name)) << name;
        EXPECT_TRUE(&call - kCalls < 10 || Returned(name) == "0x0") << name;
    }
    EXPECT_EQ(9u, run.StubLogCount(" Warning: Error getting address of function Wlx"));
}

} // namespace
