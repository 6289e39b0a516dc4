// The library between Winlogon and the chained GINA: every entry point hands
// its arguments on unchanged and returns the chained result bit for bit; the
// context pointer and the DLL version pass untouched; the dispatch table the
// chained GINA sees differs from Winlogon's only in WlxDialogBoxParam.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

using namespace simworld;

namespace {

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

class Forwarding : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        RegistrySetup::SetDword(kWizardsKey, L"GINAChainingMode", 2);
        RegistrySetup::SetString(kWizardsKey, L"GINAToLoad", L"SimGina.dll");
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    std::string AllCallsScenario() const {
        std::string scenario = "set chained.dialogs 0\nset chained.dllversion 0x10003\n";
        for (const auto& call : kCalls) {
            if (call.scriptedResult != nullptr) {
                scenario += std::string("set chained.result.") + call.function + " " +
                            call.scriptedResult + "\n";
            }
        }
        scenario += "negotiate 0x10004\ninitialize\n";
        for (const auto& call : kCalls) {
            scenario += std::string(call.step) + "\n";
        }
        return scenario;
    }

    SimRun run;
};

TEST_F(Forwarding, EveryEntryPointPassesItsArgumentsUnchangedAndReturnsTheChainedResult) {
    ASSERT_EQ(0u, run.Run(AllCallsScenario()));
    const Journal& journal = run.Events();
    const Fields init = journal.FieldsOf("host return WlxInitialize");
    ASSERT_FALSE(init.empty()) << journal.Dump();
    for (const auto& call : kCalls) {
        SCOPED_TRACE(call.function);
        const std::string name = call.function;
        const Fields sent = journal.FieldsOf("host call " + name);
        const Fields received = journal.FieldsOf("chained " + name);
        ASSERT_FALSE(received.empty()) << "not forwarded\n" << journal.Dump();
        for (const auto& [key, value] : sent) {
            ASSERT_TRUE(received.count(key)) << key;
            EXPECT_EQ(value, received.at(key)) << key;
        }
        EXPECT_EQ("1", received.at("ctx-ok")) << "context pointer was not the chained GINA's own";
        EXPECT_EQ(init.at("ctx"), received.at("ctx"));
        const Fields returned = journal.FieldsOf("host return " + name);
        if (call.scriptedResult != nullptr) {
            EXPECT_EQ(std::stoull(call.scriptedResult, nullptr, 16),
                      std::stoull(returned.at("result"), nullptr, 16));
        }
    }
}

TEST_F(Forwarding, NegotiateAndInitializeForwardVersionTableAndContextAndAnswerAsTheyShould) {
    ASSERT_EQ(0u, run.Run(AllCallsScenario()));
    const Journal& journal = run.Events();
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
    // The chained GINA stores its context through the pointer; Winlogon sees
    // exactly that value.
    EXPECT_EQ(received.at("ctx"), journal.FieldsOf("host return WlxInitialize").at("ctx"));
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

    // Any non-zero answer of the chained WlxNegotiate is TRUE; WlxInitialize
    // answers bit for bit.
    ASSERT_EQ(0u, run.Run("set chained.dialogs 0\nset chained.result.WlxNegotiate 0x55\n"
                          "set chained.result.WlxInitialize 0x2a\nnegotiate\ninitialize\n"));
    EXPECT_EQ("0x1", run.Events().FieldsOf("host return WlxNegotiate").at("result"));
    EXPECT_EQ("0x2a", run.Events().FieldsOf("host return WlxInitialize").at("result"));
}

TEST_F(Forwarding, DialogsOfTheChainedGinaGoThroughWinlogonsOwnDialogFunction) {
    ASSERT_EQ(0u, run.Run("set dialog.1500 settext 1503 secret ; press 1\n"
                          "negotiate\ninitialize\nloggedoutsas 1\n"));
    const Journal& journal = run.Events();
    const Fields shown = journal.FieldsOf("host dispatch WlxDialogBoxParam");
    ASSERT_FALSE(shown.empty()) << journal.Dump();
    EXPECT_EQ("1500", shown.at("template"));
    // Winlogon is called with its own handle, not whatever reached the hook.
    EXPECT_EQ(journal.FieldsOf("host start").at("hwlx"), shown.at("hwlx"));
    EXPECT_EQ("SimGina.dll", shown.at("instance-module"));
    EXPECT_EQ("0x51d0", shown.at("param"));
    EXPECT_TRUE(journal.Has("chained dialog-ok template=1500"));
    EXPECT_EQ("0x1", journal.FieldsOf("host return WlxLoggedOutSAS").at("result"));
}

TEST(ForwardingRequiredOnly, MissingOptionalEntryPointsReturnFalseWithoutCallingAnything) {
    RegistrySetup::CleanAll();
    SimRun run;
    RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
    RegistrySetup::SetDword(kWizardsKey, L"GINAChainingMode", 2);
    RegistrySetup::SetString(kWizardsKey, L"GINAToLoad", L"SimGinaRequiredOnly.dll");
    std::string scenario = "set chained.dialogs 0\nnegotiate\ninitialize\n";
    for (const auto& call : kCalls) {
        scenario += std::string(call.step) + "\n";
    }
    ASSERT_EQ(0u, run.Run(scenario));
    const Journal& journal = run.Events();
    for (const char* name :
         {"WlxStartApplication", "WlxScreenSaverNotify", "WlxNetworkProviderLoad",
          "WlxDisplayStatusMessage", "WlxGetStatusMessage", "WlxRemoveStatusMessage",
          "WlxGetConsoleSwitchCredentials", "WlxReconnectNotify", "WlxDisconnectNotify"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(journal.Has(std::string("chained ") + name));
        EXPECT_EQ("0x0", journal.FieldsOf(std::string("host return ") + name).at("result"));
    }
    EXPECT_TRUE(journal.Has("chained WlxLogoff"));
    size_t warnings = 0;
    for (const auto& line : run.StubLogLines()) {
        warnings +=
            line.find(" Warning: Error getting address of function Wlx") != std::string::npos;
    }
    EXPECT_EQ(9u, warnings);
    RegistrySetup::CleanAll();
}

// The simulation's own guarantee that later tests of the directory services
// rely on.
TEST(SimulatedWinlogon, InstallsTheSimulatedDomainIntoTheLoadedLibrary) {
    RegistrySetup::CleanAll();
    SimRun run;
    ASSERT_EQ(0u, run.Run("set chained.dialogs 0\nset domain " +
                          Narrow(std::wstring(RESETRA_SOURCE_DIR)) +
                          "\\examples\\domain\\ExampleDomain.xml\nnegotiate\ninitialize\n"));
    EXPECT_TRUE(run.Events().Has("host domain-installed")) << run.Events().Dump();
    EXPECT_EQ("0x1", run.Events().FieldsOf("host return WlxNegotiate").at("result"));
}

} // namespace
