// The chaining code's registry reader: outputs emptied first, wrong types
// refused, strings never read past their data even when stored without a
// terminator, multi-strings split without empties. The 32-bit view's
// precedence is shown end to end by the chain loading and notice tests.
#include "support/RegistryKeys.h"
#include "support/cMvGINARegistry.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

namespace {

class GinaRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(kResetraGinaKey);
        ASSERT_EQ(0, registry.Connect(nullptr, HKEY_LOCAL_MACHINE));
    }
    void TearDown() override { DeleteRegistryTree(kResetraGinaKey); }
    void Set(const wchar_t* name, DWORD type, const void* data, size_t size) {
        SetRegistryValue(kResetraGinaKey, name, type, data, static_cast<DWORD>(size));
    }
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
    for (size_t length : {129u, 133u, 134u, 135u, 40000u}) {
        rows.push_back({REG_SZ, std::wstring(length, L'b'), static_cast<DWORD>(length * 2),
                        std::wstring(length, L'b')});
    }
    for (const Row& row : rows) {
        Set(L"Value", row.type, row.stored.c_str(), row.bytes);
        std::optional<std::wstring> value;
        EXPECT_EQ(0, registry.GetString(kResetraGinaKey, L"Value", value)) << row.bytes;
        // An odd last byte may or may not form a character of its own.
        EXPECT_EQ(row.expected, value.value_or(L"(none)").substr(0, row.expected.size()))
            << row.bytes;
        EXPECT_LE(value.value_or(L"").size(), row.expected.size() + (row.bytes % 2)) << row.bytes;
    }
    const wchar_t list[] = L"one\0\0two\0three\0";
    const wchar_t cut[] = {L'x', L'\0', L'y', L'z'};
    for (const auto& [data, size, expected] :
         {std::tuple(list, sizeof(list), std::vector<std::wstring>{L"one", L"two", L"three"}),
          std::tuple(cut, sizeof(cut), std::vector<std::wstring>{L"x", L"yz"})}) {
        Set(L"List", REG_MULTI_SZ, data, size);
        std::vector<std::wstring> values;
        EXPECT_EQ(0, registry.GetMultiString(kResetraGinaKey, L"List", values));
        EXPECT_EQ(expected, values);
    }
}

TEST_F(GinaRegistry, FailedReadsEmptyTheOutputsAndWrongTypesAnswerMinusOne) {
    SetRegistryDword(kResetraGinaKey, L"Number", 5);
    SetRegistryString(kResetraGinaKey, L"Text", L"5");
    std::optional<std::wstring> text = L"stale";
    DWORD number = 77;
    std::vector<std::wstring> list{L"stale"};
    EXPECT_EQ(-1, registry.GetString(kResetraGinaKey, L"Number", text));
    EXPECT_FALSE(text.has_value());
    EXPECT_EQ(-1, registry.GetDword(kResetraGinaKey, L"Text", number));
    EXPECT_EQ(0u, number);
    EXPECT_EQ(-1, registry.GetMultiString(kResetraGinaKey, L"Text", list));
    EXPECT_TRUE(list.empty());
    text = L"stale";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry.GetString(kResetraGinaKey, L"Absent", text));
    EXPECT_FALSE(text.has_value());
    number = 5;
    EXPECT_NE(0, cMvGINARegistry().GetDword(kResetraGinaKey, L"Mode", number));
    EXPECT_EQ(0u, number);
}

} // namespace
