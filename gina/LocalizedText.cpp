// Texts of the dialogs from the process-wide localized text table, and the
// table's configuration from the chain settings.
#include "gina/LocalizedText.h"

#include "gina/GinaProcess.h"
#include "support/cMvGINARegistry.h"
#include "support/RegistryKeys.h"
#include "support/cTarnLocaleTextCollection.h"

#include <optional>

namespace {
const wchar_t* const kDefaultLocaleFile = L"LocaleGINA.txt";
} // namespace

std::wstring LocalizedText(const TextKey& key) {
    try {
        const wchar_t* text = ProcessTextCollection().GetText(key.name, key.english);
        return text != nullptr ? std::wstring(text) : std::wstring();
    } catch (...) {
        return {};
    }
}

void ConfigureLocalizedTexts(cMvGINARegistry& registry) noexcept {
    try {
        std::optional<std::wstring> language;
        std::optional<std::wstring> localeFile;
        DWORD method = 0;
        (void)registry.GetString(kWizardsPolicyKey, L"Language", language);
        const LONG fileCode = registry.GetString(kWizardsPolicyKey, L"GINA Locale", localeFile);
        if (fileCode == ERROR_FILE_NOT_FOUND || fileCode == ERROR_PATH_NOT_FOUND) {
            localeFile = kDefaultLocaleFile;
        } else if (fileCode != ERROR_SUCCESS) {
            // A value that exists but cannot be read is not silently replaced
            // by the default file: the table keeps its built-in texts.
            localeFile.reset();
        }
        if (registry.GetDword(kWizardsPolicyKey, L"GetLanguageMethod", method) != ERROR_SUCCESS) {
            method = 0;
        }
        ProcessTextCollection().Configure(localeFile ? localeFile->c_str() : nullptr,
                                          language ? language->c_str() : nullptr, method);
    } catch (...) {
        // Out of memory: the built-in English texts stay.
    }
}
