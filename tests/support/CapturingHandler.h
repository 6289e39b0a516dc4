// A log handler for tests that keeps every entry it receives, optionally
// accepting only some levels, and answers what was logged.
#pragma once

#include "support/cMvLogHandler.h"

#include <string>
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
    enum class Match { Whole, Start };
    // Whether an entry of this level has this text (or starts with it).
    [[nodiscard]] bool Logged(uint32_t level, const std::wstring& text,
                              Match match = Match::Whole) const {
        for (const cMvLogEntry& e : entries) {
            const std::wstring& t = e.GetText();
            if (e.GetLevel() == level &&
                (match == Match::Whole ? t == text : t.compare(0, text.size(), text) == 0)) {
                return true;
            }
        }
        return false;
    }
    // Every entry, one per line, for failure messages.
    [[nodiscard]] std::string All() const {
        std::string all;
        for (const cMvLogEntry& e : entries) {
            all += std::to_string(e.GetLevel()) + " " +
                   std::string(e.GetText().begin(), e.GetText().end()) + "\n";
        }
        return all;
    }

    std::vector<cMvLogEntry> entries;

private:
    uint32_t m_mask;
};
