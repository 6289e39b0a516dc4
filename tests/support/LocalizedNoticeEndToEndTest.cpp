// The real library in the simulated Winlogon with a locale file: a hostile
// translation of the chain-failure notice never reaches the formatter, the
// library still negotiates through the fallback GINA, and the stub log says
// which text was refused.
#include "tests/e2e/SimWorld.h"
#include "tests/support/SupportTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace simworld;

namespace {

class LocalizedNotice : public ::testing::Test {
protected:
    void SetUp() override {
        RegistrySetup::CleanAll();
        RegistrySetup::SetString(kGinaKey, L"Log File", run.StubLogPath());
        RegistrySetup::SetString(kGinaKey, L"Old GINA Location", L"NoSuchGina.dll");
        RegistrySetup::SetString(kWizardsKey, L"GINA Locale", localeFile);
        RegistrySetup::SetString(kWizardsKey, L"Language", L"german");
    }
    void TearDown() override { RegistrySetup::CleanAll(); }

    void WriteNotice(const std::wstring& text) {
        WriteUtf16File(localeFile, L"[GERMAN]\r\nErrorDialogTextChainFailure = " + text +
                                       L"\r\n[GERMAN END]\r\n");
    }
    [[nodiscard]] bool LogHas(const std::string& text) const {
        const auto lines = run.StubLogLines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }
    [[nodiscard]] bool NegotiatedWithMsGina() const {
        const Fields negotiate = run.Events().FieldsOf("chained WlxNegotiate");
        return negotiate.count("module") && negotiate.at("module") == "MSGINA.DLL" &&
               run.Events().FieldsOf("host return WlxNegotiate").at("result") == "0x1";
    }

    // Whether any journal line (blanks written as \\s) holds the text.
    [[nodiscard]] bool JournalShows(std::string text) const {
        for (size_t at = text.find(' '); at != std::string::npos; at = text.find(' ', at)) {
            text.replace(at, 1, "\\s");
        }
        const auto& lines = run.Events().Lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }

    TempFolder folder;
    std::wstring localeFile = folder.Path(L"LocaleGINA.txt");
    SimRun run;
};

const char* const kNegotiate = "set chained.dialogs 0\nnegotiate\n";
// Shows the notice and closes it, whether it comes as Winlogon's message box
// or as the library's own error dialog (template 107).
const char* const kNegotiateAndInitialize =
    "set chained.dialogs 0\nset msgbox.answer 1\n"
    "set dialog.107 controls ; press 1\nnegotiate\ninitialize\n";

} // namespace

TEST_F(LocalizedNotice, HostileTranslationIsRefusedAndLoggedWhileTheChainLoads) {
    WriteNotice(L"%s%s%s%s%s%n%n%n");
    ASSERT_EQ(0u, run.Run(kNegotiate));
    EXPECT_TRUE(NegotiatedWithMsGina()) << run.Events().Dump();
    EXPECT_TRUE(LogHas("Warning: The localized text 'ErrorDialogTextChainFailure'"));
}

TEST_F(LocalizedNotice, FittingTranslationIsUsedWithoutComplaint) {
    WriteNotice(L"Die GINA '%s' konnte nicht geladen werden. Fehlercode: %ld");
    ASSERT_EQ(0u, run.Run(kNegotiate));
    EXPECT_TRUE(NegotiatedWithMsGina()) << run.Events().Dump();
    EXPECT_FALSE(LogHas("The localized text"));
}

TEST_F(LocalizedNotice, NoticeShowsTheTranslationFilledWithFileAndCode) {
    WriteUtf16File(localeFile, L"[German]\r\nErrorDialogTitleChainFailure = Resetra - Kettenfehler"
                               L"\r\nErrorDialogTextChainFailure = Die GINA '%s' fehlt. "
                               L"Fehlercode: %ld\r\n[German end]\r\n");
    ASSERT_EQ(0u, run.Run(kNegotiateAndInitialize));
    EXPECT_TRUE(JournalShows("Die GINA 'NoSuchGina.dll' fehlt. Fehlercode: 126"))
        << run.Events().Dump();
    EXPECT_TRUE(JournalShows("Resetra - Kettenfehler"));
}

TEST_F(LocalizedNotice, NoticeFallsBackToTheBuiltInTextForAHostileTranslation) {
    WriteNotice(L"%ld%ld%s%n");
    ASSERT_EQ(0u, run.Run(kNegotiateAndInitialize));
    EXPECT_TRUE(JournalShows("('NoSuchGina.dll') in the GINA chain. Please contact your system "
                             "administrator for further assistance. Errorcode: 126"))
        << run.Events().Dump();
}
