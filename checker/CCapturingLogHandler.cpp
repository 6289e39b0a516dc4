// Keeps error and warning entries; information and debug entries are not
// even formatted.
#include "checker/CCapturingLogHandler.h"

#include "support/cMvLogEntry.h"

bool CCapturingLogHandler::IsProblem(uint32_t level) noexcept {
    return level == LogLevel::Error || level == LogLevel::Warning;
}

bool CCapturingLogHandler::Accepts(uint32_t level) {
    return IsProblem(level);
}

void CCapturingLogHandler::Log(cMvLogEntry entry) {
    if (IsProblem(entry.GetLevel())) {
        m_problems.push_back({entry.GetLevel(), entry.GetText()});
    }
}
