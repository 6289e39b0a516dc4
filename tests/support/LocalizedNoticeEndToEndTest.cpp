// The real library in the simulated Winlogon with a locale file: the
// chain-failure notice shows the translation, filled with the file name and
// the code, while the library negotiates through the fallback GINA.
#include "tests/e2e/SimWorld.h"
#include "tests/support/SupportTestFiles.h"

#include <gtest/gtest.h>

using namespace simworld;

TEST(LocalizedNotice, ShowsTheTranslationFilledWithFileAndCode) {
    TempFolder folder;
    const std::wstring localeFile = folder.Path(L"LocaleGINA.txt");
    SimRun run;
    RegistrySetup::CleanAll();
    RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
    RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
    RegistrySetup::SetString(kWizardsKey, L"GINA Locale", localeFile);
    RegistrySetup::SetString(kWizardsKey, L"Language", L"german");
    WriteUtf16File(localeFile, L"[German]\r\nErrorDialogTitleChainFailure = Resetra - Kettenfehler"
                               L"\r\nErrorDialogTextChainFailure = Die GINA '%s' fehlt. "
                               L"Fehlercode: %ld\r\n[German end]\r\n");
    // Shows the notice and closes it, whether it comes as Winlogon's message
    // box or as the library's own error dialog (template 107).
    ASSERT_EQ(0u, run.Run("set chained.dialogs 0\nset msgbox.answer 1\n"
                          "set dialog.107 controls ; press 1\nnegotiate\ninitialize\n"));
    const Fields negotiate = run.Events().FieldsOf("chained WlxNegotiate");
    EXPECT_TRUE(negotiate.count("module") && negotiate.at("module") == "MSGINA.DLL")
        << run.Events().Dump();
    // Journal lines write blanks as \s.
    const std::string all = run.Events().Dump();
    EXPECT_NE(all.find("Die\\sGINA\\s'NoSuchGina.dll'\\sfehlt.\\sFehlercode:\\s126"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("Resetra\\s-\\sKettenfehler"), std::string::npos);
    RegistrySetup::CleanAll();
}
