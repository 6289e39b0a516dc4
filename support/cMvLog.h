// The log of one operation of the password-policy code: a list of handlers
// (not owned) that every entry is copied to. Made on the stack, passed by
// reference to everything the operation calls, flushed at the end. Entries
// that no handler keeps are never formatted.
#pragma once

#include "support/cMvLogEntry.h"
#include "support/cMvLogHandler.h"

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <vector>

class cMvLog : public std::vector<cMvLogHandler*> {
public:
    cMvLog() = default;
    virtual ~cMvLog() = default;

    // Message text = the formatted message; code 0.
    void Log(uint32_t level, const wchar_t* format, ...);
    // "Error code (<code>) - <message>".
    void LogCode(uint32_t level, int32_t code, const wchar_t* format, ...);
    // "<message> Error code (<code>): <system text>".
    void LogWin32(uint32_t level, DWORD code, const wchar_t* format, ...);
    // "<message> Error code 0x<HR>. <result-code text>".
    void LogHResult(uint32_t level, HRESULT hr, const wchar_t* format, ...);

    void AddHandler(cMvLogHandler* handler);
    void RemoveHandler(cMvLogHandler* handler);
    void Flush();

private:
    [[nodiscard]] bool Wanted(uint32_t level) const;
    void Dispatch(const cMvLogEntry& entry);
};
