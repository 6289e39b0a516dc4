// The chaining code's registry reader: outputs emptied first, the 32-bit view
// preferred, wrong types refused, strings never read past their data even
// when stored without a terminator, multi-strings split without empties.
#include "support/cMvGINARegistry.h"
#include "tests/gina/GinaTestRegistry.h"

#include <gtest/gtest.h>

namespace {

class GinaRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        CleanGinaKeys();
        ASSERT_EQ(0, registry.Connect(nullptr, HKEY_LOCAL_MACHINE));
    }
    void TearDown() override { CleanGinaKeys(); }
    cMvGINARegistry registry;
};

TEST_F(GinaRegistry, StringsAreReadWholeUnexpandedAndNeverPastTheirData) {
    const std::wstring full(128, L'a'); // 256 bytes: exactly the first buffer
    struct Row {
        DWORD type;
        std::wstring stored;
        DWORD bytes; // stored without a terminator unless it is counted
        std::wstring expected;
    };
    std::vector<Row> rows = {{REG_SZ, L"", 2, L""},
                             {REG_EXPAND_SZ, L"%SystemRoot%\\x.dll", 38, L"%SystemRoot%\\x.dll"},
                             {REG_SZ, full, 256, full},
                             {REG_SZ, L"abc", 5, L"ab"}};
    for (size_t length : {129u, 133u, 134u, 135u, 1000u, 40000u}) {
        rows.push_back({REG_SZ, std::wstring(length, L'b'), static_cast<DWORD>(length * 2),
                        std::wstring(length, L'b')});
    }
    for (const Row& row : rows) {
        SetGinaRaw(L"Value", row.type, row.stored.c_str(), row.bytes);
        std::optional<std::wstring> value;
        EXPECT_EQ(0, registry.GetString(kResetraGinaKey, L"Value", value)) << row.bytes;
        // An odd last byte may or may not form a character of its own.
        EXPECT_EQ(row.expected, value.value_or(L"(none)").substr(0, row.expected.size()))
            << row.bytes;
        EXPECT_LE(value.value_or(L"").size(), row.expected.size() + (row.bytes % 2)) << row.bytes;
    }
    std::optional<std::wstring> missing = L"stale";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry.GetString(kResetraGinaKey, L"Absent", missing));
    EXPECT_FALSE(missing.has_value());
}

TEST_F(GinaRegistry, WrongTypesAreRefusedWithMinusOneAndEmptiedOutputs) {
    SetGinaDword(L"Number", 5);
    SetGinaString(L"Text", L"5");
    std::optional<std::wstring> text = L"stale";
    DWORD number = 77;
    std::vector<std::wstring> list{L"stale"};
    EXPECT_EQ(-1, registry.GetString(kResetraGinaKey, L"Number", text));
    EXPECT_FALSE(text.has_value());
    EXPECT_EQ(-1, registry.GetDword(kResetraGinaKey, L"Text", number));
    EXPECT_EQ(0u, number);
    EXPECT_EQ(-1, registry.GetMultiString(kResetraGinaKey, L"Text", list));
    EXPECT_TRUE(list.empty());
}

TEST_F(GinaRegistry, MultiStringKeepsNonEmptyStringsInOrderAndALastOneWithoutTerminators) {
    const wchar_t full[] = L"one\0\0two\0three\0";
    const wchar_t cut[] = {L'x', L'\0', L'y', L'z'};
    for (const auto& [data, size, expected] :
         {std::tuple(full, sizeof(full), std::vector<std::wstring>{L"one", L"two", L"three"}),
          std::tuple(cut, sizeof(cut), std::vector<std::wstring>{L"x", L"yz"})}) {
        SetGinaRaw(L"List", REG_MULTI_SZ, data, static_cast<DWORD>(size));
        std::vector<std::wstring> list;
        EXPECT_EQ(0, registry.GetMultiString(kResetraGinaKey, L"List", list));
        EXPECT_EQ(expected, list);
    }
}

TEST_F(GinaRegistry, ThirtyTwoBitViewWinsEvenWhereOnlyTheNativeViewHoldsTheValue) {
    SetGinaDword(L"Mode", 64, KEY_WOW64_64KEY);
    SetGinaDword(L"Mode", 32, KEY_WOW64_32KEY);
    DWORD value = 0;
    EXPECT_EQ(0, registry.GetDword(kResetraGinaKey, L"Mode", value));
    EXPECT_EQ(32u, value);
    CleanGinaKeys();
    SetGinaDword(L"Other", 1, KEY_WOW64_32KEY);
    SetGinaDword(L"Mode", 64, KEY_WOW64_64KEY);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry.GetDword(kResetraGinaKey, L"Mode", value));
    EXPECT_EQ(0u, value);
}

TEST_F(GinaRegistry, SetDwordWritesTheNativeViewWithoutAThirtyTwoBitKeyElseWhereReadsLook) {
    ASSERT_EQ(0, registry.SetDword(kResetraGinaKey, L"Written", 42));
    DWORD value = 0;
    DWORD size = sizeof(value);
    HKEY key = nullptr;
    ASSERT_EQ(
        0, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kResetraGinaKey, 0, KEY_READ | KEY_WOW64_64KEY, &key));
    EXPECT_EQ(0, RegGetValueW(key, nullptr, L"Written", RRF_RT_REG_DWORD, nullptr, &value, &size));
    RegCloseKey(key);
    EXPECT_EQ(42u, value);
    CleanGinaKeys();
    SetGinaDword(L"Other", 1, KEY_WOW64_32KEY);
    ASSERT_EQ(0, registry.SetDword(kResetraGinaKey, L"Written", 43));
    EXPECT_EQ(0, registry.GetDword(kResetraGinaKey, L"Written", value));
    EXPECT_EQ(43u, value);
}

TEST(GinaRegistryUnconnected, ReadsFailWithoutConnection) {
    DWORD value = 5;
    EXPECT_NE(0, cMvGINARegistry().GetDword(kResetraGinaKey, L"Mode", value));
    EXPECT_EQ(0u, value);
}

} // namespace
