// Base of the receivers of policy log entries. A handler gets its own copy
// of every entry its log dispatches; the base discards it. The shared line
// format lives here so every handler writes the same lines.
#pragma once

#include "support/cMvLogEntry.h"

#include <cstdint>
#include <string>

class cMvLogHandler {
public:
    cMvLogHandler() = default;
    cMvLogHandler(const cMvLogHandler&) = delete;
    cMvLogHandler& operator=(const cMvLogHandler&) = delete;
    virtual ~cMvLogHandler() = default;

    virtual void Log(cMvLogEntry entry);
    virtual int32_t Flush();
    // "[date] - level name - text", with CR LF when withLineEnd is set.
    virtual std::wstring Format(const cMvLogEntry& entry, bool withLineEnd);
    // Whether an entry of this level can ever reach the handler's output. A
    // log asks before it formats, so entries that no handler keeps cost
    // nothing; the base keeps everything.
    virtual bool Accepts(uint32_t level);

    // The date part of a line: local time as dd-mm-yyyy HH:MM:SS, or
    // "Unknown date" for time 0 or a time that cannot be converted.
    [[nodiscard]] static std::wstring FormatDate(int64_t time);
};
