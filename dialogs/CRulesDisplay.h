// The panel of the change-password dialog that lists the rules of the
// applicable password policy, one row per rule with a mark in front: a green
// check when the password typed so far satisfies the rule, a red cross when
// it does not or was not tested. Plain "STATIC" children, no drawing of ours.
#pragma once

#include "support/UniqueHandle.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class CRulesDisplay {
public:
    CRulesDisplay() = default;
    CRulesDisplay(const CRulesDisplay&) = delete;
    CRulesDisplay& operator=(const CRulesDisplay&) = delete;
    // Frees the icons; the windows go with the dialog.
    virtual ~CRulesDisplay() = default;

    HWND Create(DWORD style, int x, int y, int width, int height, HWND parent, HINSTANCE instance);
    HWND Create(DWORD extendedStyle, DWORD style, int x, int y, int width, int height, HWND parent,
                HINSTANCE instance);
    void LoadIcons(int satisfiedIconId, int refusedIconId);
    void FreeIcons() noexcept;

    // The panel never grows beyond `maxHeight` pixels (0: no limit): rows that
    // would not fit are left out and the last row shown says how many, with
    // `moreRulesFormat` (one %d).
    void SetHeightLimit(int maxHeight, std::wstring moreRulesFormat);
    // One row per description; the rows beyond `results` show the cross.
    void SetRules(const std::vector<std::wstring>& descriptions, const std::vector<bool>& results);
    // Sets every row's mark: the check where the result says satisfied, the
    // cross otherwise and for rows without a result (a rule that could not be
    // evaluated ends the results early). True only when there is a result for
    // every row and each says satisfied.
    bool SetMarks(const std::vector<bool>& results);

    void DestroyRows() noexcept;
    void Destroy() noexcept;
    [[nodiscard]] int GetHeight() const noexcept;
    void Move(int x, int y) noexcept;

    [[nodiscard]] HWND Panel() const noexcept { return m_panel; }
    [[nodiscard]] size_t RowCount() const noexcept { return m_rows.size(); }

    // Row heights: a description that fits on one line, and one that needs two.
    static constexpr int kOneLineRow = 16;
    static constexpr int kTwoLineRow = 26;

private:
    [[nodiscard]] HICON MarkFor(const std::vector<bool>& results, size_t row) const noexcept;
    void ShowMark(size_t row, HICON mark) noexcept;

    HWND m_panel = nullptr;
    HINSTANCE m_instance = nullptr;
    resetra::UniqueHIcon m_refusedIcon;
    resetra::UniqueHIcon m_satisfiedIcon;
    // (mark window, text window); rows standing for rules, in order.
    std::vector<std::pair<HWND, HWND>> m_rows;
    // The icon each row's mark shows, so that a keystroke repaints only the
    // marks it changes.
    std::vector<HICON> m_shown;
    // The last row saying how many rules did not fit, if any.
    std::pair<HWND, HWND> m_moreRow{nullptr, nullptr};
    // Descriptions handed to SetRules, shown or not.
    size_t m_ruleCount = 0;
    int m_maxHeight = 0;
    std::wstring m_moreRulesFormat;
};
