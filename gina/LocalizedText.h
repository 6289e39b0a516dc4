// Texts that the user sees, in the language the localized text table chose,
// with the built-in English default when the table has none.
#pragma once

#include <string>

class cMvGINARegistry;

[[nodiscard]] std::wstring LocalizedText(const wchar_t* key, const wchar_t* defaultText);

// Reads "Language", "GINA Locale" and "GetLanguageMethod" through the chain's
// registry connection and configures the process-wide text table.
void ConfigureLocalizedTexts(cMvGINARegistry& registry) noexcept;
