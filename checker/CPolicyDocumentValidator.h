// The validate command: reads a policy list document as the library's
// loader does and reports every problem the loader would log, each with the
// path of the element it concerns (/PolicyList/Policy[2]/Rule[3]) and the
// text of the log line. Expressions are also tried on probe passwords with
// the matcher's budget.
#pragma once

#include <string>
#include <vector>

class CCheckerConsole;

class CPolicyDocumentValidator {
public:
    struct Problem {
        std::wstring path;
        std::wstring text;
    };

    explicit CPolicyDocumentValidator(CCheckerConsole& console) : m_console(console) {}

    // The exit code: 0 without problems, 1 with, 2 when the file is unreadable.
    [[nodiscard]] int Run(const std::wstring& file);

    // Every problem of a document text, in document order.
    [[nodiscard]] static std::vector<Problem> Check(const std::wstring& text);

private:
    CCheckerConsole& m_console;
};
