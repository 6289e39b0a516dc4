// Title and message format of the notice shown when the configured GINA could
// not be loaded and MSGINA.DLL was loaded instead.
#pragma once

#include <string>

// The format takes the chosen file name (%s) and the load error (%ld), in
// that order, and holds no other conversion.
void GetChainFailureTexts(std::wstring& title, std::wstring& format);
