// A policy log handler that keeps the entries of one operation in memory, so
// that the checker can show the administrator the lines the library would
// have written to its policy log: the reason of a failure, or the problems
// of a document.
#pragma once

#include "support/cMvLogHandler.h"

#include <cstdint>
#include <string>
#include <vector>

class CCapturingLogHandler : public cMvLogHandler {
public:
    struct Line {
        uint32_t level;
        std::wstring text;
    };

    void Log(cMvLogEntry entry) override;
    bool Accepts(uint32_t level) override;

    // Errors and warnings, in the order they were logged.
    [[nodiscard]] const std::vector<Line>& Problems() const noexcept { return m_problems; }
    void Clear() noexcept { m_problems.clear(); }

    [[nodiscard]] static bool IsProblem(uint32_t level) noexcept;

private:
    std::vector<Line> m_problems;
};
