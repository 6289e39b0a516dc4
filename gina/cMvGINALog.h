// The stub log of the chaining code and the dialog extensions: one UTF-16LE
// file, one level mask, one line per call, the file opened and closed for
// every line so that each line is on disk when Write returns.
#pragma once

#include <windows.h>

#include "support/cMvCriticalSection.h"

#include <cstdarg>
#include <string>

class cMvGINARegistry;

class cMvGINALog {
public:
    enum : unsigned { LevelError = 1, LevelWarning = 2, LevelInformation = 4 };
    static constexpr unsigned DefaultMask = 7;
    static constexpr LONGLONG MaximumFileSize = 0x500000;

    cMvGINALog() noexcept = default;
    ~cMvGINALog() = default;
    cMvGINALog(const cMvGINALog&) = delete;
    cMvGINALog& operator=(const cMvGINALog&) = delete;

    // Reads "Log File" and "Log Mask" through a connected registry reader.
    void ReadSettings(cMvGINARegistry& registry) noexcept;

    // printf-style wide format; never fails visibly.
    void Write(unsigned level, const wchar_t* format, ...) noexcept;
    void WriteV(unsigned level, const wchar_t* format, va_list args) noexcept;

private:
    resetra::cMvCriticalSection m_lock;
    std::wstring m_path; // empty: nothing is written
    unsigned m_mask = DefaultMask;
};
