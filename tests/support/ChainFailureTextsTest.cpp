// The localized texts as the chaining code uses them: configured from the
// chain's registry connection, and the chain-failure notice, whose format
// is filled with a file name and a code, refusing hostile translations.
#include "gina/ChainFailureTexts.h"
#include "gina/GinaProcess.h"
#include "gina/LocalizedText.h"
#include "gina/cMvGINALog.h"
#include "support/cMvGINARegistry.h"
#include "support/TextKeys.h"
#include "support/RegistryKeys.h"
#include "support/WideFormat.h"
#include "support/cTarnLocaleTextCollection.h"
#include "tests/support/SupportTestFiles.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

namespace {

void SetValue(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              0);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
    RegCloseKey(key);
}

void SetString(const wchar_t* path, const wchar_t* name, const std::wstring& value) {
    SetValue(path, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

class ChainTexts : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(kWizardsPolicyKey);
        DeleteRegistryTree(kResetraGinaKey);
        SetString(kResetraGinaKey, L"Log File", stubLog);
    }
    void TearDown() override {
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
    void UseLocaleFile(const std::wstring& germanText) {
        WriteUtf16File(localeFile,
                       L"[German]\r\nErrorDialogTitleChainFailure=Resetra - Kettenfehler"
                       L"\r\nErrorDialogTextChainFailure=" +
                           germanText + L"\r\n[German end]\r\n");
        SetString(kWizardsPolicyKey, L"GINA Locale", localeFile);
        SetString(kWizardsPolicyKey, L"Language", L"German");
        ReadSettings();
    }

    TempFolder folder;
    std::wstring stubLog = folder.Path(L"stub.log");
    std::wstring localeFile = folder.Path(L"Texts.txt");
};

} // namespace

TEST_F(ChainTexts, FittingTranslationFormatsTheNotice) {
    UseLocaleFile(L"Die GINA '%s' wurde nicht geladen (Fehler %ld).");
    std::wstring title;
    std::wstring format;
    GetChainFailureTexts(title, format);
    EXPECT_EQ(title, L"Resetra - Kettenfehler");
    EXPECT_EQ(FormatWide(format.c_str(), L"other.dll", 126L),
              L"Die GINA 'other.dll' wurde nicht geladen (Fehler 126).");
    EXPECT_EQ(ProcessTextCollection().GetLanguageId(), 7u);
}

TEST_F(ChainTexts, HostileTranslationsAreReplacedByTheBuiltInTextAndLogged) {
    const wchar_t* hostile[] = {L"%s%s%n", L"Fehler %ld bei '%s'", L"%s %ld %s %s", L"%*s"};
    for (const wchar_t* text : hostile) {
        DeleteFileW(stubLog.c_str());
        UseLocaleFile(text);
        std::wstring title;
        std::wstring format;
        GetChainFailureTexts(title, format);
        EXPECT_EQ(format, TextKeys::ErrorDialogTextChainFailure.english);
        EXPECT_EQ(title, L"Resetra - Kettenfehler"); // the title holds no placeholder
        const std::wstring log = ReadUtf16File(stubLog);
        EXPECT_NE(log.find(L"Warning: The localized text 'ErrorDialogTextChainFailure'"),
                  std::wstring::npos)
            << std::string(log.begin(), log.end());
    }
}

TEST_F(ChainTexts, WithoutLocaleSettingsTheFileIsLocaleGinaTxtInTheCurrentFolder) {
    WriteUtf16File(folder.Path(L"LocaleGINA.txt"),
                   L"[English]\r\nErrorDialogTitleChainFailure=From the current folder\r\n"
                   L"[English end]\r\n");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder.Path(L"").c_str());
    SetString(kWizardsPolicyKey, L"Language", L"English");
    ReadSettings();
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(LocalizedText(TextKeys::ErrorDialogTitleChainFailure), L"From the current folder");
}

TEST_F(ChainTexts, LocaleFileValueOfWrongTypeLeavesTheBuiltInTexts) {
    WriteUtf16File(folder.Path(L"LocaleGINA.txt"),
                   L"[English]\r\nErrorDialogTitleChainFailure=Should not be read\r\n"
                   L"[English end]\r\n");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder.Path(L"").c_str());
    const DWORD number = 1;
    SetValue(kWizardsPolicyKey, L"GINA Locale", REG_DWORD, &number, 4);
    ReadSettings();
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(LocalizedText(TextKeys::ErrorDialogTitleChainFailure),
              TextKeys::ErrorDialogTitleChainFailure.english);
}
