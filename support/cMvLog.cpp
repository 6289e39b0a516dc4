// Formatting and dispatch of policy log entries.
#include "support/cMvLog.h"
#include "support/ErrorTexts.h"
#include "support/WideFormat.h"

#include <algorithm>
#include <cwchar>
#include <string>

void cMvLog::AddHandler(cMvLogHandler* handler) {
    push_back(handler);
}

void cMvLog::RemoveHandler(cMvLogHandler* handler) {
    auto found = std::find(begin(), end(), handler);
    if (found != end()) {
        erase(found);
    }
}

void cMvLog::Flush() {
    for (cMvLogHandler* handler : *this) {
        if (handler) {
            (void)handler->Flush();
        }
    }
}

bool cMvLog::Wanted(uint32_t level) const {
    for (cMvLogHandler* handler : *this) {
        if (handler && handler->Accepts(level)) {
            return true;
        }
    }
    return false;
}

void cMvLog::Dispatch(const cMvLogEntry& entry) {
    for (cMvLogHandler* handler : *this) {
        if (handler) {
            handler->Log(entry);
        }
    }
}

void cMvLog::Log(uint32_t level, const wchar_t* format, ...) {
    if (!Wanted(level)) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWideV(OrEmpty(format), args);
    va_end(args);
    Dispatch(cMvLogEntry(level, 0, std::move(text)));
}

void cMvLog::LogCode(uint32_t level, int32_t code, const wchar_t* format, ...) {
    if (!Wanted(level)) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::wstring message = FormatWideV(OrEmpty(format), args);
    va_end(args);
    std::wstring text = FormatWide(L"Error code (%d) - ", code);
    text += message;
    Dispatch(cMvLogEntry(level, static_cast<uint32_t>(code), std::move(text)));
}

void cMvLog::LogWin32(uint32_t level, DWORD code, const wchar_t* format, ...) {
    if (!Wanted(level)) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWideV(OrEmpty(format), args);
    va_end(args);
    text += FormatWide(L" Error code (%d): ", static_cast<int>(code));
    text += GetSystemErrorText(*this, code);
    Dispatch(cMvLogEntry(level, code, std::move(text)));
}

void cMvLog::LogHResult(uint32_t level, HRESULT hr, const wchar_t* format, ...) {
    if (!Wanted(level)) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWideV(OrEmpty(format), args);
    va_end(args);
    text += FormatWide(L" Error code 0x%X. ", static_cast<unsigned>(hr));
    text += GetHResultText(*this, hr);
    Dispatch(cMvLogEntry(level, static_cast<uint32_t>(hr), std::move(text)));
}
