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

TEST_F(GinaRegistry, MissingStringLeavesNoValueAndReportsTheError) {
    std::optional<std::wstring> value = L"stale";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry.GetString(kTestGinaKey, L"Absent", value));
    EXPECT_FALSE(value.has_value());
}

TEST_F(GinaRegistry, EmptyStringIsPresentAndEmpty) {
    SetGinaString(L"Empty", L"");
    std::optional<std::wstring> value;
    EXPECT_EQ(0, registry.GetString(kTestGinaKey, L"Empty", value));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(L"", *value);
}

TEST_F(GinaRegistry, ExpandableStringIsReturnedUnexpanded) {
    SetGinaRaw(L"Path", REG_EXPAND_SZ, L"%SystemRoot%\\x.dll", 38);
    std::optional<std::wstring> value;
    EXPECT_EQ(0, registry.GetString(kTestGinaKey, L"Path", value));
    EXPECT_EQ(L"%SystemRoot%\\x.dll", value.value_or(L""));
}

TEST_F(GinaRegistry, StringOfExactlyTheFirstBufferSizeWithoutTerminatorIsReadWhole) {
    const std::wstring text(128, L'a'); // 256 bytes, no terminator stored
    SetGinaRaw(L"Full", REG_SZ, text.data(), 256);
    std::optional<std::wstring> value;
    EXPECT_EQ(0, registry.GetString(kTestGinaKey, L"Full", value));
    EXPECT_EQ(text, value.value_or(L""));
}

TEST_F(GinaRegistry, LongStringsWithoutTerminatorAreReadWhole) {
    for (size_t length : {129u, 133u, 134u, 135u, 1000u, 40000u}) {
        SCOPED_TRACE(length);
        const std::wstring text(length, L'b');
        SetGinaRaw(L"Long", REG_SZ, text.data(), static_cast<DWORD>(length * 2));
        std::optional<std::wstring> value;
        EXPECT_EQ(0, registry.GetString(kTestGinaKey, L"Long", value));
        EXPECT_EQ(text, value.value_or(L""));
    }
}

TEST_F(GinaRegistry, StringWithOddByteCountDoesNotReadPastItsData) {
    const char bytes[] = {'a', 0, 'b', 0, 'c'};
    SetGinaRaw(L"Odd", REG_SZ, bytes, 5);
    std::optional<std::wstring> value;
    EXPECT_EQ(0, registry.GetString(kTestGinaKey, L"Odd", value));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(0u, value->find(L"ab"));
    EXPECT_LE(value->size(), 3u);
}

TEST_F(GinaRegistry, WrongTypesAreRefusedWithMinusOneAndEmptiedOutputs) {
    SetGinaDword(L"Number", 5);
    SetGinaString(L"Text", L"5");
    std::optional<std::wstring> text = L"stale";
    DWORD number = 77;
    std::vector<std::wstring> list{L"stale"};
    EXPECT_EQ(-1, registry.GetString(kTestGinaKey, L"Number", text));
    EXPECT_FALSE(text.has_value());
    EXPECT_EQ(-1, registry.GetDword(kTestGinaKey, L"Text", number));
    EXPECT_EQ(0u, number);
    EXPECT_EQ(-1, registry.GetMultiString(kTestGinaKey, L"Text", list));
    EXPECT_TRUE(list.empty());
}

TEST_F(GinaRegistry, MultiStringKeepsNonEmptyStringsInOrder) {
    const wchar_t data[] = L"one\0\0two\0three\0";
    SetGinaRaw(L"List", REG_MULTI_SZ, data, sizeof(data));
    std::vector<std::wstring> list;
    EXPECT_EQ(0, registry.GetMultiString(kTestGinaKey, L"List", list));
    EXPECT_EQ((std::vector<std::wstring>{L"one", L"two", L"three"}), list);
}

TEST_F(GinaRegistry, MultiStringWithoutFinalTerminatorsKeepsItsLastString) {
    const wchar_t data[] = {L'x', L'\0', L'y', L'z'};
    SetGinaRaw(L"List", REG_MULTI_SZ, data, sizeof(data));
    std::vector<std::wstring> list;
    EXPECT_EQ(0, registry.GetMultiString(kTestGinaKey, L"List", list));
    EXPECT_EQ((std::vector<std::wstring>{L"x", L"yz"}), list);
}

TEST_F(GinaRegistry, ThirtyTwoBitViewWinsOverTheNativeView) {
    SetGinaDword(L"Mode", 64, KEY_WOW64_64KEY);
    SetGinaDword(L"Mode", 32, KEY_WOW64_32KEY);
    DWORD value = 0;
    EXPECT_EQ(0, registry.GetDword(kTestGinaKey, L"Mode", value));
    EXPECT_EQ(32u, value);
}

TEST_F(GinaRegistry, ValueMissingInTheThirtyTwoBitKeyIsNotLookedForInTheNativeKey) {
    SetGinaDword(L"Other", 1, KEY_WOW64_32KEY);
    SetGinaDword(L"Mode", 64, KEY_WOW64_64KEY);
    DWORD value = 9;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry.GetDword(kTestGinaKey, L"Mode", value));
    EXPECT_EQ(0u, value);
}

TEST_F(GinaRegistry, SetDwordWritesWhereTheReadsLookWhenTheKeyExistsInTheThirtyTwoBitView) {
    SetGinaDword(L"Other", 1, KEY_WOW64_32KEY);
    ASSERT_EQ(0, registry.SetDword(kTestGinaKey, L"Written", 42));
    DWORD value = 0;
    EXPECT_EQ(0, registry.GetDword(kTestGinaKey, L"Written", value));
    EXPECT_EQ(42u, value);
}

TEST_F(GinaRegistry, SetDwordWritesTheNativeViewWhenThereIsNoThirtyTwoBitKey) {
    ASSERT_EQ(0, registry.SetDword(kTestGinaKey, L"Written", 42));
    HKEY key = nullptr;
    ASSERT_EQ(0,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestGinaKey, 0, KEY_READ | KEY_WOW64_64KEY, &key));
    DWORD value = 0;
    DWORD size = sizeof(value);
    EXPECT_EQ(0, RegQueryValueExW(key, L"Written", nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(&value), &size));
    RegCloseKey(key);
    EXPECT_EQ(42u, value);
}

TEST(GinaRegistryUnconnected, ReadsFailWithoutConnection) {
    cMvGINARegistry registry;
    DWORD value = 5;
    EXPECT_NE(0, registry.GetDword(kTestGinaKey, L"Mode", value));
    EXPECT_EQ(0u, value);
}

} // namespace
