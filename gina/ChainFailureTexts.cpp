// Title and message format of the chaining-failure notice, from the localized
// text table. The format is filled with a file name and an error code, so a
// translation is used only when its placeholders are those of the built-in
// text; any other is replaced by the built-in text and the stub log says so.
#include "gina/ChainFailureTexts.h"

#include "gina/GinaProcess.h"
#include "gina/cMvGINALog.h"
#include "support/TextKeys.h"
#include "support/cTarnLocaleTextCollection.h"

void GetChainFailureTexts(std::wstring& title, std::wstring& format) {
    cTarnLocaleTextCollection& texts = ProcessTextCollection();
    title = texts.GetText(TextKeys::ErrorDialogTitleChainFailure.name,
                          TextKeys::ErrorDialogTitleChainFailure.english);
    bool replaced = false;
    format = texts.GetFormat(TextKeys::ErrorDialogTextChainFailure.name,
                             TextKeys::ErrorDialogTextChainFailure.english, &replaced);
    if (replaced) {
        StubLog().Write(cMvGINALog::LevelWarning,
                        L"The localized text '%s' does not have the placeholders '%%s' and '%%ld' "
                        L"of its built-in text. The built-in text is used.",
                        TextKeys::ErrorDialogTextChainFailure.name);
    }
}
