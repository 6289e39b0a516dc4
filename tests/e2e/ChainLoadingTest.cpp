// Which GINA the library chains to: chaining modes, Entrust and self
// detection, the 32-bit registry view preferred over the native one, the
// fallback to MSGINA.DLL with its notice, and the guard that never lets the
// library chain to itself under any name.
#include "tests/e2e/SimWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace simworld;

namespace {

const char* const kNegotiateOnly = "set chained.dialogs 0\nset dialog.107 controls ; press 1\n"
                                   "negotiate\ninitialize\n";

class ChainLoading : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    // File name of the GINA that answered WlxNegotiate, or "" if none did.
    std::string LoadedGina(const std::wstring& hostDir = L"") {
        EXPECT_EQ(0u, run.Run(kNegotiateOnly, hostDir));
        const Fields negotiate = run.Events().FieldsOf("chained WlxNegotiate");
        return negotiate.count("module") ? negotiate.at("module") : "";
    }

    std::string Log() const {
        std::string text;
        for (const auto& line : run.StubLogLines()) {
            text += line + "\n";
        }
        return text;
    }
    bool Negotiated() const {
        return run.Events().FieldsOf("host return WlxNegotiate").at("result") == "0x1";
    }
    int NoticeIndex() const { return run.Events().IndexOf("host dispatch WlxDialogBoxParam"); }
    bool NoticeShown() const {
        const int index = NoticeIndex();
        return index >= 0 &&
               ParseFields(run.Events().Lines()[static_cast<size_t>(index)]).at("template") ==
                   "107";
    }

    SimRun run;
};

TEST_F(ChainLoading, WithoutAnyConfigurationLoadsMsGina) {
    EXPECT_EQ("MSGINA.DLL", LoadedGina());
    EXPECT_TRUE(Negotiated());
    EXPECT_TRUE(run.StubLogHas("Information: Original GINA: '(null)', GINA To Load: '(null)'. GINA "
                               "Chaining Mode '0'."))
        << Log();
    EXPECT_TRUE(run.StubLogHas("Information: ResetraGINA.dll loaded."));
    EXPECT_FALSE(NoticeShown());
}

TEST_F(ChainLoading, ModeNamesAndRegistryViewsChooseTheChainedGina) {
    struct Setting {
        const wchar_t* subkey;
        const wchar_t* name;
        const wchar_t* text; // nullptr: the number
        DWORD number;
        REGSAM view;
    };
    const Setting oldSimGina{kGinaKey, L"Old GINA Location", L"SimGina.dll", 0, 0};
    const Setting toLoadSimGina{kWizardsKey, L"GINAToLoad", L"SimGina.dll", 0, 0};
    auto mode = [](DWORD value, REGSAM view = 0) {
        return Setting{kWizardsKey, L"GINAChainingMode", nullptr, value, view};
    };
    struct Row {
        const char* name;
        std::vector<Setting> settings;
        const char* loaded;
        bool notice = false;
        const char* logged = "Information: ResetraGINA.dll loaded.";
    };
    const Row rows[] = {
        {"mode 0: the GINA configured before",
         {oldSimGina},
         "SimGina.dll",
         false,
         "Information: Loading GINA: 'SimGina.dll'"},
        {"mode 7 counts as 0", {oldSimGina, mode(7)}, "SimGina.dll"},
        {"mode 1: MSGINA.DLL whatever is configured",
         {oldSimGina, toLoadSimGina, mode(1)},
         "MSGINA.DLL"},
        {"mode 2 without GINAToLoad", {oldSimGina, mode(2)}, "MSGINA.DLL"},
        {"mode 2: GINAToLoad", {oldSimGina, toLoadSimGina, mode(2)}, "SimGina.dll"},
        {"this library in capitals",
         {{kGinaKey, L"Old GINA Location", L"RESETRAGINAX64.DLL", 0, 0}},
         "MSGINA.DLL"},
        {"Entrust in Winlogon",
         {oldSimGina, {kWinlogonKey, L"GINADll", L"PSSOGINA.DLL", 0, 0}},
         "MSGINA.DLL",
         false,
         "Information: Entrust GINA detected."},
        {"32-bit view first",
         {{kGinaKey, L"Old GINA Location", L"SimGina.dll", 0, KEY_WOW64_64KEY},
          {kGinaKey, L"Old GINA Location", L"SimGinaRequiredOnly.dll", 0, KEY_WOW64_32KEY}},
         "SimGinaRequiredOnly.dll"},
        {"native view without a 32-bit key",
         {{kGinaKey, L"Old GINA Location", L"SimGina.dll", 0, KEY_WOW64_64KEY},
          mode(2, KEY_WOW64_64KEY),
          {kWizardsKey, L"GINAToLoad", L"SimGinaRequiredOnly.dll", 0, KEY_WOW64_64KEY}},
         "SimGinaRequiredOnly.dll"},
        {"a required entry point missing",
         {{kGinaKey, L"Old GINA Location", L"SimGinaNoActivateUserShell.dll", 0, 0}},
         "MSGINA.DLL",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        for (const Setting& s : row.settings) {
            if (s.text != nullptr) {
                RegistrySetup::SetString(s.subkey, s.name, s.text, s.view);
            } else {
                RegistrySetup::SetDword(s.subkey, s.name, s.number, s.view);
            }
        }
        EXPECT_EQ(row.loaded, LoadedGina());
        EXPECT_TRUE(Negotiated());
        EXPECT_EQ(row.notice, NoticeShown());
        EXPECT_TRUE(run.StubLogHas(row.logged)) << Log();
    }
}

TEST_F(ChainLoading, ModeTwoWithAnEmptyGinaToLoadFallsBackWithoutNotice) {
    RegistrySetup::SetDword(kWizardsKey, L"GINAChainingMode", 2);
    RegistrySetup::SetString(kWizardsKey, L"GINAToLoad", L"");
    EXPECT_EQ("MSGINA.DLL", LoadedGina());
    EXPECT_TRUE(
        run.StubLogHas("Warning: Error loading GINA ''. Trying to load MSGINA.DLL Errorcode -18"))
        << Log();
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(Negotiated());
}

TEST_F(ChainLoading, MissingGinaFallsBackToMsGinaAndNoticeNamesFileAndCodeBeforeChainedInit) {
    RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
    EXPECT_EQ("MSGINA.DLL", LoadedGina());
    EXPECT_TRUE(Negotiated());
    EXPECT_TRUE(
        run.StubLogHas("Warning: Error loading GINA 'NoSuchGina.dll'. Trying to load MSGINA.DLL "
                       "Errorcode 126"))
        << Log();
    const Journal& journal = run.Events();
    ASSERT_TRUE(NoticeShown()) << journal.Dump();
    EXPECT_LT(NoticeIndex(), journal.IndexOf("chained WlxInitialize"));
    EXPECT_EQ("ResetraGINAx64.dll",
              journal.FieldsOf("host dispatch WlxDialogBoxParam").at("instance-module"));
    EXPECT_EQ("Resetra\\s-\\sError\\sloading\\sthe\\snext\\sGINA\\sin\\sthe\\sGINA\\schain",
              journal.FieldsOf("host window key=107").at("title"));
    bool named = false;
    for (const auto& line : journal.Lines()) {
        if (line.rfind("host control key=107", 0) == 0 &&
            line.find(" id=1004 ") != std::string::npos) {
            named = line.find("('NoSuchGina.dll')") != std::string::npos &&
                    line.find("Errorcode:\\s126") != std::string::npos;
        }
    }
    EXPECT_TRUE(named) << journal.Dump();
}

TEST_F(ChainLoading, InitializeReturnsTheChainedResultWhateverTheNoticeAnswered) {
    RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
    ASSERT_EQ(0u, run.Run("set chained.dialogs 0\nset dialog.107 press 1\n"
                          "set chained.result.WlxInitialize 0x3\nnegotiate\ninitialize\n"));
    EXPECT_EQ("1", run.Events().FieldsOf("host dialog-result template=107").at("result"));
    EXPECT_EQ("0x3", run.Events().FieldsOf("host return WlxInitialize").at("result"));
}

TEST_F(ChainLoading, NegotiationFailsWhenNoGinaCanBeChainedOrTheChainedOneRefuses) {
    struct Row {
        const char* name;
        std::wstring oldGina;
        bool fallbackOff;
        std::wstring hostDir;
        std::vector<const char*> logged;
    };
    const Row rows[] = {
        {"fallback off",
         L"NoSuchGina.dll",
         true,
         L"",
         {"Error: Error loading GINA 'NoSuchGina.dll'. Errorcode 126",
          "Error: GINA initialization failed. Errorcode 126"}},
        {"MSGINA.DLL missing too: the first code",
         SimDir() + L"\\SimGinaNoActivateUserShell.dll",
         false,
         SimDir() + L"\\nomsgina",
         {"Error: Error getting address of function WlxActivateUserShell. Errorcode 127.",
          "Error: Error loading MS GINA. Errorcode 126",
          "Error: GINA initialization failed. Errorcode 127"}},
        {"the chained GINA refuses",
         L"SimGinaRefuses.dll",
         false,
         L"",
         {"Error: Wlx negotiation failed."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        RegistrySetup::SetString(kGinaKey, L"Old GINA Location", row.oldGina);
        if (row.fallbackOff) {
            RegistrySetup::SetDword(kWizardsKey, L"LoadMSGINAOnChainingFailure", 0);
        }
        LoadedGina(row.hostDir);
        EXPECT_FALSE(Negotiated());
        for (const char* line : row.logged) {
            EXPECT_TRUE(run.StubLogHas(line)) << line << "\n" << Log();
        }
    }
}

TEST_F(ChainLoading, GinaWithoutDisconnectNotifyLoadsWithOneWarning) {
    RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"SimGinaNoDisconnectNotify.dll");
    EXPECT_EQ("SimGinaNoDisconnectNotify.dll", LoadedGina());
    size_t warnings = 0;
    for (const auto& line : run.StubLogLines()) {
        warnings += line.find(" Warning: ") != std::string::npos;
    }
    EXPECT_EQ(1u, warnings) << Log();
    EXPECT_TRUE(run.StubLogHas("Warning: Error getting address of function WlxDisconnectNotify. "
                               "Errorcode 127."));
}

TEST_F(ChainLoading, ChosenMsGinaThatFailsIsTriedOnceMore) {
    RegistrySetup::SetDword(kWizardsKey, L"GINAChainingMode", 1);
    EXPECT_EQ("", LoadedGina(SimDir() + L"\\nomsgina"));
    size_t attempts = 0;
    for (const auto& line : run.StubLogLines()) {
        attempts += line.find("Information: Loading GINA: 'MSGINA.DLL'") != std::string::npos;
    }
    EXPECT_EQ(2u, attempts) << Log();
}

// The library must never chain to itself: Winlogon would recurse through
// WlxNegotiate until its stack overflows at boot.
struct SelfSpelling {
    const char* name;
    DWORD mode;
    bool fullPath;
    const wchar_t* fileName;
};

class SelfChainingGuard : public ChainLoading,
                          public ::testing::WithParamInterface<SelfSpelling> {};

TEST_P(SelfChainingGuard, RefusesTheLibraryItselfAndFallsBackToMsGina) {
    const SelfSpelling& spelling = GetParam();
    const std::wstring product = ProductDll();
    const std::wstring name = spelling.fullPath ? product : std::wstring(spelling.fileName);
    RegistrySetup::SetDword(kWizardsKey, L"GINAChainingMode", spelling.mode);
    RegistrySetup::SetString(spelling.mode == 2 ? kWizardsKey : kGinaKey,
                             spelling.mode == 2 ? L"GINAToLoad" : L"Old GINA Location", name);
    EXPECT_EQ("MSGINA.DLL", LoadedGina());
    EXPECT_TRUE(Negotiated());
    EXPECT_TRUE(run.StubLogHas("is this library itself and cannot be chained to")) << Log();
    EXPECT_EQ(1u, run.Events().Count("chained WlxNegotiate"));
}

INSTANTIATE_TEST_SUITE_P(
    EverySpellingAndMode, SelfChainingGuard,
    ::testing::Values(SelfSpelling{"FullPathModeZero", 0, true, nullptr},
                      SelfSpelling{"FullPathModeTwo", 2, true, nullptr},
                      SelfSpelling{"FullPathModeSeven", 7, true, nullptr},
                      SelfSpelling{"NameModeTwo", 2, false, L"ResetraGINAx64.dll"},
                      SelfSpelling{"NoExtensionModeTwo", 2, false, L"ResetraGINAx64"},
                      SelfSpelling{"NoExtensionModeZero", 0, false, L"resetraginax64"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
