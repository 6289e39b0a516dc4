// Texts that the user sees, in the language the localized text table chose,
// with the built-in English default when the table has none.
#pragma once

#include "support/TextKeys.h"

#include <string>

class cMvGINARegistry;

// The text of `key` in the chosen language, or its English default.
[[nodiscard]] std::wstring LocalizedText(const TextKey& key);

// Reads "Language", "GINA Locale" and "GetLanguageMethod" through the chain's
// registry connection and configures the process-wide text table.
void ConfigureLocalizedTexts(cMvGINARegistry& registry) noexcept;
