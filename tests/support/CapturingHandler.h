// A log handler for tests that keeps every entry it receives, optionally
// accepting only some levels.
#pragma once

#include "support/cMvLogHandler.h"

#include <vector>

class CapturingHandler : public cMvLogHandler {
public:
    explicit CapturingHandler(uint32_t mask = 0xFFFFFFFF) : m_mask(mask) {}
    void Log(cMvLogEntry entry) override { entries.push_back(std::move(entry)); }
    bool Accepts(uint32_t level) override { return m_mask == 0xFFFFFFFF || (m_mask & level); }

    [[nodiscard]] size_t Count(uint32_t level) const {
        size_t n = 0;
        for (const cMvLogEntry& e : entries) {
            n += e.GetLevel() == level ? 1 : 0;
        }
        return n;
    }

    std::vector<cMvLogEntry> entries;

private:
    uint32_t m_mask;
};
