// What the dialog extensions need of the chaining code that hosts them, and
// nothing more: Winlogon's message box and dialog box (called with the saved
// Winlogon handle), the stub log, the localized texts and the module that
// holds the library's resources. cMvGINAChain implements it; tests hand in
// their own.
#pragma once

#include <windows.h>

#include "support/TextKeys.h"

#include <cstdarg>
#include <string>

class cMvWinlogonServices {
public:
    // Levels of the stub log.
    enum : unsigned { LevelError = 1, LevelWarning = 2, LevelInformation = 4 };

    [[nodiscard]] virtual int WinlogonMessageBox(HWND owner, LPWSTR text, LPWSTR title,
                                                 UINT style) const noexcept = 0;
    [[nodiscard]] virtual int CallWinlogonDialogBoxParam(HANDLE instance, LPWSTR dialogTemplate,
                                                         HWND owner, DLGPROC dialogProc,
                                                         LPARAM parameter) const noexcept = 0;
    virtual void WriteLogV(unsigned level, const wchar_t* format, va_list args) noexcept = 0;
    // The text in the configured language, else the built-in English one.
    [[nodiscard]] virtual std::wstring Text(const TextKey& key) const = 0;
    // The Windows primary language id of those texts (9, English, by default).
    [[nodiscard]] virtual DWORD TextLanguageId() const noexcept = 0;
    // Creates the library's windows and holds its icons and dialog.
    [[nodiscard]] virtual HINSTANCE ResourceModule() const noexcept = 0;

    // printf-style line of the stub log.
    void WriteLog(unsigned level, const wchar_t* format, ...) noexcept {
        va_list args;
        va_start(args, format);
        WriteLogV(level, format, args);
        va_end(args);
    }

    // The report of resetra::CatchAll at an edge named `where`: one error line.
    [[nodiscard]] auto ExceptionReport(const wchar_t* where) noexcept {
        return [this, where](const char* what) {
            WriteLog(LevelError, L"Exception caught in %s: %hs.", where, what);
        };
    }

protected:
    cMvWinlogonServices() noexcept = default;
    ~cMvWinlogonServices() = default;
    cMvWinlogonServices(const cMvWinlogonServices&) = default;
    cMvWinlogonServices& operator=(const cMvWinlogonServices&) = default;
};
