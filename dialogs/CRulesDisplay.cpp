// Rows of the rules display: each description measured in the dialog font to
// choose a one- or two-line row, a mark window with the check or the cross,
// and the panel grown downward (within its limit) to hold them.
#include "dialogs/CRulesDisplay.h"

#include <algorithm>

namespace {

constexpr DWORD kRowStyle = WS_CHILD | WS_VISIBLE;
constexpr int kTop = 2;
constexpr int kRowGap = 4;
constexpr int kMarkX = 2;
constexpr int kTextX = 20;
constexpr int kBottomMargin = 10;

// The screen's device context with the dialog font selected, for measuring.
class MeasuringContext {
public:
    MeasuringContext() noexcept : m_dc(GetDC(nullptr)) {
        if (m_dc != nullptr) {
            m_saved = SaveDC(m_dc);
            SelectObject(m_dc, GetStockObject(DEFAULT_GUI_FONT));
        }
    }
    ~MeasuringContext() {
        if (m_dc != nullptr) {
            RestoreDC(m_dc, m_saved);
            ReleaseDC(nullptr, m_dc);
        }
    }
    MeasuringContext(const MeasuringContext&) = delete;
    MeasuringContext& operator=(const MeasuringContext&) = delete;

    [[nodiscard]] int Width(const std::wstring& text) const noexcept {
        SIZE size{};
        if (m_dc == nullptr ||
            !GetTextExtentPoint32W(m_dc, text.c_str(), static_cast<int>(text.size()), &size)) {
            return 0;
        }
        return size.cx;
    }

private:
    HDC m_dc;
    int m_saved = 0;
};

HWND MakeStatic(const wchar_t* text, DWORD style, int x, int y, int width, int height, HWND parent,
                HINSTANCE instance) noexcept {
    return CreateWindowExW(0, L"STATIC", text, style, x, y, width, height, parent, nullptr,
                           instance, nullptr);
}

// The text of the last row: "%d" stands for the number of rules left out.
// Replaced by hand, since the text may come from a translation.
std::wstring MoreRulesText(const std::wstring& format, size_t count) {
    std::wstring text = format;
    const size_t at = text.find(L"%d");
    if (at != std::wstring::npos) {
        text.replace(at, 2, std::to_wstring(count));
    }
    return text;
}

} // namespace

HWND CRulesDisplay::Create(DWORD style, int x, int y, int width, int height, HWND parent,
                           HINSTANCE instance) {
    return Create(0, style, x, y, width, height, parent, instance);
}

HWND CRulesDisplay::Create(DWORD extendedStyle, DWORD style, int x, int y, int width, int height,
                           HWND parent, HINSTANCE instance) {
    m_rows.clear();
    m_shown.clear();
    m_moreRow = {nullptr, nullptr};
    m_instance = instance;
    m_panel = CreateWindowExW(extendedStyle, L"STATIC", nullptr, style, x, y, width, height, parent,
                              nullptr, instance, nullptr);
    if (m_panel != nullptr && !IsWindow(m_panel)) {
        m_panel = nullptr;
    }
    return m_panel;
}

void CRulesDisplay::LoadIcons(int satisfiedIconId, int refusedIconId) {
    FreeIcons();
    m_satisfiedIcon.reset(static_cast<HICON>(
        LoadImageW(m_instance, MAKEINTRESOURCEW(satisfiedIconId), IMAGE_ICON, 0, 0, 0)));
    m_refusedIcon.reset(static_cast<HICON>(
        LoadImageW(m_instance, MAKEINTRESOURCEW(refusedIconId), IMAGE_ICON, 0, 0, 0)));
}

void CRulesDisplay::FreeIcons() noexcept {
    m_satisfiedIcon.reset();
    m_refusedIcon.reset();
    // A later icon may get a freed one's handle: the next marks are set anew.
    std::fill(m_shown.begin(), m_shown.end(), nullptr);
}

void CRulesDisplay::SetHeightLimit(int maxHeight, std::wstring moreRulesFormat) {
    m_maxHeight = maxHeight;
    m_moreRulesFormat = std::move(moreRulesFormat);
}

HICON CRulesDisplay::MarkFor(const std::vector<bool>& results, size_t row) const noexcept {
    return row < results.size() && results[row] ? m_satisfiedIcon.get() : m_refusedIcon.get();
}

void CRulesDisplay::SetRules(const std::vector<std::wstring>& descriptions,
                             const std::vector<bool>& results) {
    DestroyRows();
    m_ruleCount = descriptions.size();
    if (m_panel == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(m_panel, &client);
    const int textWidth = client.right - 20;
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const MeasuringContext measure;
    const int limit = m_maxHeight > 0 ? m_maxHeight - kBottomMargin : 0;

    int y = kTop;
    int measured = 0;
    for (size_t i = 0; i < descriptions.size(); ++i) {
        if (!descriptions[i].empty()) {
            measured = measure.Width(descriptions[i]);
        }
        const int height = textWidth >= measured ? kOneLineRow : kTwoLineRow;
        const bool last = i + 1 == descriptions.size();
        const int needed = y + height + kRowGap + (last ? 0 : kOneLineRow + kRowGap);
        if (limit > 0 && needed > limit) {
            const std::wstring more = MoreRulesText(m_moreRulesFormat, descriptions.size() - i);
            const HWND mark =
                MakeStatic(nullptr, kRowStyle | SS_ICON, kMarkX, y, 0, 0, m_panel, m_instance);
            const HWND text = MakeStatic(more.c_str(), kRowStyle, kTextX, y, textWidth, kOneLineRow,
                                         m_panel, m_instance);
            SendMessageW(mark, STM_SETICON, reinterpret_cast<WPARAM>(m_refusedIcon.get()), 0);
            SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
            m_moreRow = {mark, text};
            y += kOneLineRow + kRowGap;
            break;
        }
        const HWND mark =
            MakeStatic(nullptr, kRowStyle | SS_ICON, kMarkX, y, 0, 0, m_panel, m_instance);
        const HWND text = MakeStatic(descriptions[i].c_str(), kRowStyle, kTextX, y, textWidth,
                                     height, m_panel, m_instance);
        m_rows.emplace_back(mark, text);
        m_shown.push_back(nullptr);
        ShowMark(m_rows.size() - 1, MarkFor(results, i));
        SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        y += height + kRowGap;
    }
    if (GetHeight() < y) {
        RECT window{};
        GetWindowRect(m_panel, &window);
        SetWindowPos(m_panel, nullptr, 0, 0, window.right - window.left, y + kBottomMargin,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
}

// A static control paints its new icon at once: setting the icon it already
// shows would only repaint the same picture, on every keystroke.
void CRulesDisplay::ShowMark(size_t row, HICON mark) noexcept {
    if (m_shown[row] == mark && mark != nullptr) {
        return;
    }
    SendMessageW(m_rows[row].first, STM_SETICON, reinterpret_cast<WPARAM>(mark), 0);
    m_shown[row] = mark;
}

bool CRulesDisplay::SetMarks(const std::vector<bool>& results) {
    bool all = results.size() >= m_ruleCount;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const HICON mark = MarkFor(results, i);
        all = all && mark == m_satisfiedIcon.get() && mark != nullptr;
        ShowMark(i, mark);
    }
    for (size_t i = m_rows.size(); i < m_ruleCount; ++i) {
        all = all && i < results.size() && results[i];
    }
    return all;
}

void CRulesDisplay::DestroyRows() noexcept {
    for (const auto& row : m_rows) {
        DestroyWindow(row.first);
        DestroyWindow(row.second);
    }
    m_rows.clear();
    m_shown.clear();
    if (m_moreRow.first != nullptr) {
        DestroyWindow(m_moreRow.first);
        DestroyWindow(m_moreRow.second);
    }
    m_moreRow = {nullptr, nullptr};
    m_ruleCount = 0;
}

void CRulesDisplay::Destroy() noexcept {
    DestroyRows();
    if (m_panel != nullptr) {
        DestroyWindow(m_panel);
        m_panel = nullptr;
    }
}

int CRulesDisplay::GetHeight() const noexcept {
    RECT window{};
    if (m_panel == nullptr || !GetWindowRect(m_panel, &window)) {
        return 0;
    }
    return window.bottom - window.top;
}

void CRulesDisplay::Move(int x, int y) noexcept {
    if (m_panel != nullptr) {
        SetWindowPos(m_panel, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}
