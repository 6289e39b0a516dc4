// The localized texts as the chaining code uses them: configured from the
// chain's registry connection ("Language", "GINA Locale",
// "GetLanguageMethod"), and the chain-failure notice, whose format is filled
// with a file name and a code; a refused translation is logged.
#include "gina/ChainFailureTexts.h"
#include "gina/GinaProcess.h"
#include "gina/LocalizedText.h"
#include "gina/cMvGINALog.h"
#include "support/cMvGINARegistry.h"
#include "support/RegistryKeys.h"
#include "support/TextKeys.h"
#include "support/WideFormat.h"
#include "support/cTarnLocaleTextCollection.h"
#include "tests/support/ImportPatch.h"
#include "tests/support/SupportTestFiles.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// The language ids the system reports (user, user interface, system), for
// the replaced imports of this program.
LANGID g_languages[3] = {};

class ChainTexts : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(kWizardsPolicyKey);
        DeleteRegistryTree(kResetraGinaKey);
        SetRegistryString(kResetraGinaKey, L"Log File", stubLog);
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous);
        DeleteRegistryTree(kWizardsPolicyKey);
        DeleteRegistryTree(kResetraGinaKey);
        // Back to the construction state for the next test.
        ReadSettings();
    }
    // What LoadChain does with its registry connection.
    void ReadSettings() {
        cMvGINARegistry registry;
        ASSERT_EQ(registry.Connect(nullptr, HKEY_LOCAL_MACHINE), 0);
        StubLog().ReadSettings(registry);
        ConfigureLocalizedTexts(registry);
    }
    // A locale file named LocaleGINA.txt in the current folder.
    void UseDefaultLocaleFile(const std::wstring& content) {
        WriteUtf16File(folder.Path(L"LocaleGINA.txt"), content);
        GetCurrentDirectoryW(MAX_PATH, previous);
        SetCurrentDirectoryW(folder.Path(L"").c_str());
    }

    TempFolder folder;
    std::wstring stubLog = folder.Path(L"stub.log");
    wchar_t previous[MAX_PATH] = L".";
};

} // namespace

TEST_F(ChainTexts, NoticeUsesAFittingTranslationAndLogsARefusedOne) {
    const std::wstring builtIn = TextKeys::ErrorDialogTextChainFailure.english;
    const std::wstring cases[] = {L"Die GINA '%s' wurde nicht geladen (Fehler %ld).", L"%s%s%n"};
    for (const std::wstring& translation : cases) {
        DeleteFileW(stubLog.c_str());
        const std::wstring file = folder.Path(L"Texts.txt");
        WriteUtf16File(file, L"[German]\r\nErrorDialogTitleChainFailure=Resetra - Kettenfehler"
                             L"\r\nErrorDialogTextChainFailure=" +
                                 translation + L"\r\n[German end]\r\n");
        SetRegistryString(kWizardsPolicyKey, L"GINA Locale", file);
        SetRegistryString(kWizardsPolicyKey, L"Language", L"German");
        ReadSettings();
        const bool fits = translation == cases[0];
        std::wstring title;
        std::wstring format;
        GetChainFailureTexts(title, format);
        EXPECT_EQ(title, L"Resetra - Kettenfehler"); // the title holds no placeholder
        EXPECT_EQ(format, fits ? translation : builtIn);
        EXPECT_EQ(ReadUtf16File(stubLog).find(
                      L"Warning: The localized text 'ErrorDialogTextChainFailure'") !=
                      std::wstring::npos,
                  !fits);
        EXPECT_EQ(ProcessTextCollection().GetLanguageId(), 7u);
    }
}

TEST_F(ChainTexts, WithoutALocaleFileValueTheFileIsLocaleGinaTxtInTheCurrentFolder) {
    UseDefaultLocaleFile(L"[English]\r\nErrorDialogTitleChainFailure=From the current folder\r\n"
                         L"[English end]\r\n");
    SetRegistryString(kWizardsPolicyKey, L"Language", L"English");
    ReadSettings();
    EXPECT_EQ(LocalizedText(TextKeys::ErrorDialogTitleChainFailure), L"From the current folder");
    // A value of the wrong type is no file name: the built-in texts stay.
    SetRegistryDword(kWizardsPolicyKey, L"GINA Locale", 1);
    ReadSettings();
    EXPECT_EQ(LocalizedText(TextKeys::ErrorDialogTitleChainFailure),
              TextKeys::ErrorDialogTitleChainFailure.english);
}

TEST_F(ChainTexts, GetLanguageMethodChoosesWhichSystemLanguageDecides) {
    // One calling convention on x64: plain functions stand in for the system's.
    LANGID(*const stand_ins[])
    () = {[] { return g_languages[0]; }, [] { return g_languages[1]; },
          [] { return g_languages[2]; }};
    const std::pair<const char*, const void*> replaced[] = {
        {"GetUserDefaultLangID", reinterpret_cast<const void*>(stand_ins[0])},
        {"GetUserDefaultUILanguage", reinterpret_cast<const void*>(stand_ins[1])},
        {"GetSystemDefaultLangID", reinterpret_cast<const void*>(stand_ins[2])},
    };
    const void* system[3];
    for (int i = 0; i < 3; ++i) {
        system[i] = ReplaceImport(replaced[i].first, replaced[i].second);
    }
    const struct {
        const wchar_t* language; // the "Language" value, or none
        DWORD method;            // 99: no "GetLanguageMethod" value
        LANGID user, ui, system;
        DWORD id;
    } cases[] = {
        {nullptr, 1, 0x0807, 0x040C, 0x0415, 7},   // user default, primary part of Swiss German
        {nullptr, 2, 0x0807, 0x040C, 0x0415, 12},  // user interface
        {nullptr, 0, 0x0807, 0x040C, 0x0415, 21},  // system
        {nullptr, 99, 0x0807, 0x040C, 0x0415, 21}, // missing: system
        {nullptr, 1, 0x0411, 0x040C, 0x0415, 9},   // Japanese has no texts: English
        {nullptr, 0, 0x0807, 0x040C, 0x0107, 9},   // primary 0x107 is no language of ours
        {L"Dutch", 1, 0x0807, 0x040C, 0x0415, 19}, // a language name decides
    };
    for (const auto& c : cases) {
        DeleteRegistryTree(kWizardsPolicyKey);
        if (c.language != nullptr) {
            SetRegistryString(kWizardsPolicyKey, L"Language", c.language);
        }
        if (c.method != 99) {
            SetRegistryDword(kWizardsPolicyKey, L"GetLanguageMethod", c.method);
        }
        g_languages[0] = c.user;
        g_languages[1] = c.ui;
        g_languages[2] = c.system;
        ReadSettings();
        EXPECT_EQ(ProcessTextCollection().GetLanguageId(), c.id) << "method " << c.method;
    }
    for (int i = 0; i < 3; ++i) {
        (void)ReplaceImport(replaced[i].first, system[i]);
    }
}
