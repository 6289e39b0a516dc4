// Built-in English texts of the chaining-failure notice; the localized text
// table replaces them when it is configured.
#include "gina/ChainFailureTexts.h"

void GetChainFailureTexts(std::wstring& title, std::wstring& format) {
    title = L"Resetra - Error loading the next GINA in the GINA chain";
    format = L"An error has occured while loading the next GINA ('%s') in the GINA chain. Please "
             L"contact your system administrator for further assistance. Errorcode: %ld";
}
