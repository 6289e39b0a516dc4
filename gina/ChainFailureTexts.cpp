// Title and message format of the chaining-failure notice, from the localized
// text table. The format is filled with a file name and an error code, so a
// translation is used only when its placeholders are those of the built-in
// text; any other is replaced by the built-in text and the stub log says so.
#include "gina/ChainFailureTexts.h"

#include "gina/GinaProcess.h"
#include "gina/cMvGINALog.h"
#include "support/LocaleTexts.h"
#include "support/cTarnLocaleTextCollection.h"

void GetChainFailureTexts(std::wstring& title, std::wstring& format) {
    cTarnLocaleTextCollection& texts = LocaleTexts();
    title = texts.GetText(LocaleText::ErrorDialogTitleChainFailure.name,
                          LocaleText::ErrorDialogTitleChainFailure.english);
    bool replaced = false;
    format = texts.GetFormat(LocaleText::ErrorDialogTextChainFailure.name,
                             LocaleText::ErrorDialogTextChainFailure.english, &replaced);
    if (replaced) {
        StubLog().Write(cMvGINALog::LevelWarning,
                        L"The localized text '%s' does not have the placeholders '%%s' and '%%ld' "
                        L"of its built-in text. The built-in text is used.",
                        LocaleText::ErrorDialogTextChainFailure.name);
    }
}
