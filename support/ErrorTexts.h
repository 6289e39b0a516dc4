// Readable texts for result codes in log lines: system and network error
// texts from the message tables, a fixed table of COM, ADSI and OLE DB
// result codes, and the status of a DsCrackNamesW result item.
#pragma once

#include <windows.h>

#include <string>

class cMvLog;

// The system's text of a Win32 or network management error, on one line (CR
// and LF removed); empty for an unknown code.
[[nodiscard]] std::wstring GetSystemErrorText(cMvLog& log, DWORD code);
// Text of a COM/ADSI/OLE DB result code, "Unknown Error." for others.
[[nodiscard]] const wchar_t* GetHResultText(cMvLog& log, HRESULT hr);
// Text of a DS_NAME_RESULT_ITEM status, "Unknown crack name error." for others.
[[nodiscard]] const wchar_t* GetCrackNameErrorText(cMvLog& log, DWORD status);

// The number of result codes the table knows (for the table's own checks).
[[nodiscard]] size_t GetHResultTableSize();
