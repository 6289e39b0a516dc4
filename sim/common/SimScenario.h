// A scenario of the simulated world: a small text file of directives, one a
// line, '#' starting a comment. "set KEY VALUE..." lines configure the host
// and the chained GINA; every other line is a step the host performs in order.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

class SimScenario {
public:
    // Reads the file named by `path` (UTF-8). Returns false when it cannot.
    bool Load(const std::wstring& path);

    // Value of "set KEY VALUE" (the rest of the line), or `fallback`.
    [[nodiscard]] std::wstring Get(const std::wstring& key,
                                   const std::wstring& fallback = L"") const;
    [[nodiscard]] bool Has(const std::wstring& key) const { return m_settings.count(key) != 0; }
    [[nodiscard]] ULONG_PTR GetNumber(const std::wstring& key, ULONG_PTR fallback) const;
    // Every "set KEY ..." value of a key that may repeat, in order.
    [[nodiscard]] std::vector<std::wstring> GetAll(const std::wstring& key) const;

    // The steps: each a list of words.
    [[nodiscard]] const std::vector<std::vector<std::wstring>>& Steps() const { return m_steps; }

    static ULONG_PTR ParseNumber(const std::wstring& text, ULONG_PTR fallback);
    static std::vector<std::wstring> SplitWords(const std::wstring& line);

private:
    std::multimap<std::wstring, std::wstring> m_settings;
    std::vector<std::vector<std::wstring>> m_steps;
};
