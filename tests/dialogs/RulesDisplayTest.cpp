// The rules display on a real window: where rows go and how tall they are,
// which mark each row shows (also when the results end early), how the
// panel grows, and the row limit that keeps it within its room.
#include "dialogs/CRulesDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Row {
    int y;
    int height;
    HICON mark;
    std::wstring text;
};

BOOL CALLBACK Collect(HWND child, LPARAM parameter) {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
    return TRUE;
}

class RulesDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 420, 600, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, parent);
        ASSERT_NE(nullptr, display.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 20, 390, 195,
                                          parent, GetModuleHandleW(nullptr)));
        display.LoadIcons(102, 103);
        display.SetRules({L"a"}, {true});
        satisfied = Rows()[0].mark;
        display.SetRules({L"a"}, {false});
        refused = Rows()[0].mark;
        ASSERT_NE(nullptr, satisfied);
        ASSERT_NE(nullptr, refused);
        ASSERT_NE(satisfied, refused);
    }
    void TearDown() override { DestroyWindow(parent); }

    // Rows in order from the top: mark windows and text windows paired by y.
    std::vector<Row> Rows() const {
        std::vector<HWND> children;
        EnumChildWindows(display.Panel(), &Collect, reinterpret_cast<LPARAM>(&children));
        std::vector<Row> rows;
        for (HWND child : children) {
            if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
                continue;
            }
            RECT r{};
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, display.Panel(), reinterpret_cast<POINT*>(&r), 2);
            Row row{r.top, 0, reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)), L""};
            for (HWND other : children) {
                RECT t{};
                GetWindowRect(other, &t);
                MapWindowPoints(nullptr, display.Panel(), reinterpret_cast<POINT*>(&t), 2);
                if (other != child && t.top == r.top) {
                    wchar_t text[256] = L"";
                    GetWindowTextW(other, text, 256);
                    row.text = text;
                    row.height = t.bottom - t.top;
                }
            }
            rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.y < b.y; });
        return rows;
    }
    std::string Marks() const {
        std::string marks;
        for (const Row& row : Rows()) {
            marks += row.mark == satisfied ? 'v' : row.mark == refused ? 'x' : '?';
        }
        return marks;
    }

    HWND parent = nullptr;
    CRulesDisplay display;
    HICON satisfied = nullptr;
    HICON refused = nullptr;
};

// A rule that cannot be evaluated ends the results early: the rows after it
// show the cross, never the mark of an earlier keystroke.
TEST_F(RulesDisplay, RowsWithoutAResultShowTheCross) {
    struct Case {
        std::vector<bool> before;
        std::vector<bool> results;
        const char* marks;
        bool all;
    };
    const Case cases[] = {
        {{true, true, true}, {true}, "vxx", false},
        {{true, true, true}, {}, "xxx", false},
        {{false, false, false}, {true, true, true}, "vvv", true},
        {{true, true, true}, {true, false, true}, "vxv", false},
        {{false, false, false}, {true, true, true, true}, "vvv", true},
    };
    for (const Case& c : cases) {
        display.SetRules({L"one", L"two", L"three"}, c.before);
        EXPECT_EQ(c.all, display.SetMarks(c.results)) << c.marks;
        EXPECT_EQ(c.marks, Marks());
    }
    display.SetRules({L"one", L"two"}, {true});
    EXPECT_EQ("vx", Marks());
}

TEST_F(RulesDisplay, RowsSitTwentyPixelsApartAndThePanelGrowsToHoldThem) {
    display.SetRules({L"one", L"two", L"three"}, {true, false, true});
    std::vector<Row> rows = Rows();
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("vxv", Marks());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(2 + 20 * static_cast<int>(i), rows[i].y) << i;
        EXPECT_EQ(16, rows[i].height) << i;
    }
    EXPECT_EQ(195, display.GetHeight());
    display.SetRules({}, {});
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(195, display.GetHeight());
    display.SetRules(std::vector<std::wstring>(11, L"short"), {});
    EXPECT_EQ(232, display.GetHeight()); // 2 + 11 * 20 + 10
    // A long text takes two lines.
    display.SetRules({std::wstring(120, L'W'), L"short"}, {});
    rows = Rows();
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(26, rows[0].height);
    EXPECT_EQ(32, rows[1].y);
}

TEST_F(RulesDisplay, RowsBeyondTheLimitAreSummedUpInALastRow) {
    display.SetHeightLimit(240, L"%d more rules are not shown.");
    display.SetRules(std::vector<std::wstring>(30, L"rule"), std::vector<bool>(30, true));
    const std::vector<Row> rows = Rows();
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(display.GetHeight(), 240);
    const size_t shown = rows.size() - 1;
    EXPECT_EQ(std::to_wstring(30 - shown) + L" more rules are not shown.", rows.back().text);
    EXPECT_EQ(refused, rows.back().mark);
    EXPECT_FALSE(display.SetMarks(std::vector<bool>(shown, true)));
    EXPECT_TRUE(display.SetMarks(std::vector<bool>(30, true)));

    // Rules that fit are all shown, without a summing row.
    display.SetRules(std::vector<std::wstring>(11, L"rule"), {});
    EXPECT_EQ(11u, Rows().size());
}

} // namespace
