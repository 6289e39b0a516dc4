// Standard input and output of ResetraPolicyCheck: UTF-8 text on pipes and
// files, wide text on a console window, and the passwords of standard input
// read into buffers that are wiped when they are freed.
#pragma once

#include "support/cMvSecureString.h"

#include <windows.h>

#include <string>
#include <vector>

class CCheckerConsole {
public:
    // Lines end with CR LF, as everywhere on Windows.
    void Out(const std::wstring& line);
    void Err(const std::wstring& line);
    // Text as it stands, without a line break added.
    void Raw(const std::wstring& text);

    // Every line of standard input as a password: UTF-8, CR LF or LF, an
    // empty line is an empty password, a final line without line break
    // counts. False (and no passwords) when the input is not UTF-8.
    [[nodiscard]] static bool ReadPasswords(std::vector<resetra::cMvSecureString>& passwords);
    // The lines of a UTF-8 byte buffer; false when it is not UTF-8.
    [[nodiscard]] static bool SplitPasswords(const char* bytes, size_t length,
                                             std::vector<resetra::cMvSecureString>& passwords);

    // UTF-8 <-> UTF-16 of whole texts; false for invalid UTF-8.
    [[nodiscard]] static bool FromUtf8(const char* bytes, size_t length, std::wstring& text);
    [[nodiscard]] static std::string ToUtf8(const std::wstring& text);

    // A TSV field: tab, line feed, carriage return and backslash escaped.
    [[nodiscard]] static std::wstring EscapeField(const std::wstring& text);

private:
    static void Write(DWORD handleId, const std::wstring& text);
};
