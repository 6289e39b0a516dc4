// The registry wrapper of the policy code, against the real (Wine) registry:
// views, types and sizes, the untouched output on failure, the logged
// entries, multi-strings, deletion and enumeration.
#include "support/cMvLog.h"
#include "support/cMvRegistry.h"
#include "tests/support/CapturingHandler.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

namespace {

const wchar_t* const kBase = L"SOFTWARE\\ResetraTests\\SupportRegistry";
const wchar_t* const kKey = L"SOFTWARE\\ResetraTests\\SupportRegistry\\Values";

void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size, REGSAM view = 0) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                              nullptr, &key, nullptr),
              0);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
    RegCloseKey(key);
}

class RegistryWrapper : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(kBase);
        log.AddHandler(&captured);
        ASSERT_EQ(registry.Connect(log, nullptr, HKEY_LOCAL_MACHINE), 0);
    }
    void TearDown() override {
        EXPECT_EQ(registry.Disconnect(log), 0);
        DeleteRegistryTree(kBase);
    }
    [[nodiscard]] bool AnyTextContains(const wchar_t* part) const {
        for (const cMvLogEntry& e : captured.entries) {
            if (e.GetText().find(part) != std::wstring::npos) {
                return true;
            }
        }
        return false;
    }

    CapturingHandler captured;
    cMvLog log;
    cMvRegistry registry;
};

} // namespace

TEST_F(RegistryWrapper, ReadsTheViewThatTheFlagsChoose) {
    ASSERT_EQ(registry.SetDword(log, kKey, L"View", 32, KEY_WOW64_32KEY), 0);
    ASSERT_EQ(registry.SetDword(log, kKey, L"View", 64, KEY_WOW64_64KEY), 0);
    DWORD value = 0;
    ASSERT_EQ(registry.GetDword(log, kKey, L"View", value, KEY_WOW64_32KEY), 0);
    EXPECT_EQ(value, 32u);
    ASSERT_EQ(registry.GetDword(log, kKey, L"View", value, KEY_WOW64_64KEY), 0);
    EXPECT_EQ(value, 64u);
    ASSERT_EQ(registry.GetDword(log, kKey, L"View", value, 0), 0);
    EXPECT_EQ(value, 64u); // the library's own (native) view
}

TEST_F(RegistryWrapper, ValueOnlyInThe32BitViewIsAbsentForNativeReads) {
    ASSERT_EQ(registry.SetString(log, kKey, L"Only32", L"x", KEY_WOW64_32KEY), 0);
    std::wstring value = L"default";
    EXPECT_EQ(registry.GetString(log, kKey, L"Only32", value, 0), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(value, L"default");
}

TEST_F(RegistryWrapper, MissingValueLeavesOutputAndLogsTwoDebugEntries) {
    ASSERT_EQ(registry.SetDword(log, kKey, L"Other", 1), 0);
    captured.entries.clear();
    DWORD value = 1234;
    EXPECT_EQ(registry.GetDword(log, kKey, L"Missing", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(value, 1234u);
    EXPECT_EQ(captured.Count(LogLevel::Debug), 2u);
    EXPECT_EQ(captured.Count(LogLevel::Error), 0u);
    EXPECT_TRUE(AnyTextContains(L"An error has occurred while querying the value 'Missing' from "
                                L"subkey 'SOFTWARE\\ResetraTests\\SupportRegistry\\Values'."));
}

TEST_F(RegistryWrapper, MissingSubkeyLeavesOutputUntouched) {
    std::wstring text = L"keep";
    EXPECT_EQ(
        registry.GetString(log, L"SOFTWARE\\ResetraTests\\SupportRegistry\\Nowhere", L"X", text),
        ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text, L"keep");
    EXPECT_EQ(captured.Count(LogLevel::Error), 0u);
}

TEST_F(RegistryWrapper, WrongTypeGivesMinusElevenAndAnError) {
    SetRaw(L"Text", REG_SZ, L"12", 6);
    DWORD value = 5;
    EXPECT_EQ(registry.GetDword(log, kKey, L"Text", value), -11);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(captured.Count(LogLevel::Error), 1u);
    DWORD number = 7;
    SetRaw(L"Number", REG_DWORD, &number, 4);
    std::wstring text = L"keep";
    EXPECT_EQ(registry.GetString(log, kKey, L"Number", text), -11);
    EXPECT_EQ(text, L"keep");
    std::vector<std::wstring> list{L"old"};
    EXPECT_EQ(registry.GetMultiString(log, kKey, L"Number", list), -11);
    EXPECT_TRUE(list.empty());
}

TEST_F(RegistryWrapper, DwordOfThreeBytesGivesMinusTwelve) {
    const BYTE three[3] = {1, 2, 3};
    SetRaw(L"Short", REG_DWORD, three, 3);
    DWORD value = 9;
    EXPECT_EQ(registry.GetDword(log, kKey, L"Short", value), -12);
    EXPECT_EQ(value, 9u);
}

TEST_F(RegistryWrapper, QwordOfWrongTypeNamesTheStoredType) {
    DWORD number = 7;
    SetRaw(L"Number", REG_DWORD, &number, 4);
    ULONGLONG value = 1;
    EXPECT_EQ(registry.GetQword(log, kKey, L"Number", value), -11);
    EXPECT_TRUE(AnyTextContains(L"The value is not of type QWORD (4)."));
    ASSERT_EQ(registry.SetQword(log, kKey, L"Big", 0x123456789ULL), 0);
    ASSERT_EQ(registry.GetQword(log, kKey, L"Big", value), 0);
    EXPECT_EQ(value, 0x123456789ULL);
}

TEST_F(RegistryWrapper, ExpandStringIsReturnedUnexpanded) {
    const wchar_t text[] = L"%SystemRoot%\\x";
    SetRaw(L"Expand", REG_EXPAND_SZ, text, sizeof(text));
    std::wstring value;
    ASSERT_EQ(registry.GetString(log, kKey, L"Expand", value), 0);
    EXPECT_EQ(value, text);
}

TEST_F(RegistryWrapper, LongStringIsReadWhole) {
    const std::wstring longText(3000, L'q');
    ASSERT_EQ(registry.SetString(log, kKey, L"Long", longText.c_str()), 0);
    std::wstring value;
    ASSERT_EQ(registry.GetString(log, kKey, L"Long", value), 0);
    EXPECT_EQ(value, longText);
}

TEST_F(RegistryWrapper, StringStoredWithoutTerminatorIsReadTerminated) {
    SetRaw(L"Bare", REG_SZ, L"abcdef", 6 * 2); // no NUL stored
    std::wstring value;
    ASSERT_EQ(registry.GetString(log, kKey, L"Bare", value), 0);
    EXPECT_EQ(value, L"abcdef");
}

TEST_F(RegistryWrapper, MultiStringRoundTripsAndSkipsEmptyRuns) {
    ASSERT_EQ(registry.SetMultiString(log, kKey, L"List", {L"a", L"bb"}), 0);
    std::vector<std::wstring> list{L"stale"};
    ASSERT_EQ(registry.GetMultiString(log, kKey, L"List", list), 0);
    EXPECT_EQ(list, (std::vector<std::wstring>{L"a", L"bb"}));
    const wchar_t twoBytes[1] = {L'\0'};
    SetRaw(L"Empty", REG_MULTI_SZ, twoBytes, 2);
    list = {L"stale"};
    ASSERT_EQ(registry.GetMultiString(log, kKey, L"Empty", list), 0);
    EXPECT_TRUE(list.empty());
    const wchar_t gaps[] = L"x\0\0";
    SetRaw(L"Gaps", REG_MULTI_SZ, gaps, sizeof(gaps));
    ASSERT_EQ(registry.GetMultiString(log, kKey, L"Gaps", list), 0);
    EXPECT_EQ(list, (std::vector<std::wstring>{L"x"}));
}

TEST_F(RegistryWrapper, BinaryValuesAndTheirSizeLimits) {
    const BYTE data[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(registry.SetBinary(log, kKey, L"Bin", data, 5), 0);
    std::vector<BYTE> copy{9};
    ASSERT_EQ(registry.GetBinaryCopy(log, kKey, L"Bin", copy), 0);
    EXPECT_EQ(copy, (std::vector<BYTE>{1, 2, 3, 4, 5}));
    BYTE small[4] = {};
    DWORD size = sizeof(small);
    EXPECT_EQ(registry.GetBinary(log, kKey, L"Bin", small, size), -12);
    BYTE big[8] = {};
    size = sizeof(big);
    ASSERT_EQ(registry.GetBinary(log, kKey, L"Bin", big, size), 0);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(big[4], 5);
    EXPECT_EQ(registry.GetBinaryCopy(log, kKey, L"Missing", copy), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(copy.empty());
}

TEST_F(RegistryWrapper, DeletingAbsentThingsDiffersBetweenKeysAndValues) {
    EXPECT_EQ(registry.DeleteKey(log, L"SOFTWARE\\ResetraTests\\SupportRegistry\\Absent", false),
              0);
    EXPECT_EQ(registry.DeleteKey(log, L"SOFTWARE\\ResetraTests\\SupportRegistry\\Absent", true), 0);
    ASSERT_EQ(registry.SetDword(log, kKey, L"Present", 1), 0);
    EXPECT_EQ(registry.DeleteValue(log, kKey, L"Absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.DeleteValue(log, kKey, L"Present"), 0);
    EXPECT_EQ(captured.Count(LogLevel::Error), 0u);
}

TEST_F(RegistryWrapper, DeleteKeyInThe64BitViewRemovesTheKey) {
    ASSERT_EQ(registry.SetDword(log, kKey, L"X", 1), 0);
    ASSERT_EQ(registry.DeleteKey(log, kKey, true), 0);
    DWORD value = 3;
    EXPECT_EQ(registry.GetDword(log, kKey, L"X", value), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryWrapper, EnumeratesDirectSubkeys) {
    for (const wchar_t* name : {L"One", L"Two", L"Three"}) {
        const std::wstring path = std::wstring(kKey) + L"\\" + name;
        ASSERT_EQ(registry.SetDword(log, path.c_str(), L"v", 1), 0);
    }
    std::vector<std::wstring> names{L"stale"};
    ASSERT_EQ(registry.EnumSubkeys(log, kKey, names), 0);
    ASSERT_EQ(names.size(), 3u);
    std::vector<std::wstring> inner;
    const std::wstring leaf = std::wstring(kKey) + L"\\One";
    ASSERT_EQ(registry.EnumSubkeys(log, leaf.c_str(), inner), 0);
    EXPECT_TRUE(inner.empty());
}

TEST(RegistryWrapperConnection, OperationsWithoutConnectionFailWithoutCrashing) {
    CapturingHandler captured;
    cMvLog log;
    log.AddHandler(&captured);
    cMvRegistry registry;
    DWORD value = 77;
    EXPECT_NE(registry.GetDword(log, kKey, L"X", value), 0);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(registry.Disconnect(log), 0);
}

TEST(RegistryWrapperConnection, UnknownRemoteComputerIsLoggedWithItsName) {
    CapturingHandler captured;
    cMvLog log;
    log.AddHandler(&captured);
    cMvRegistry registry;
    EXPECT_NE(registry.Connect(log, L"\\\\no-such-computer-resetra", HKEY_LOCAL_MACHINE), 0);
    ASSERT_FALSE(captured.entries.empty());
    EXPECT_NE(captured.entries[0].GetText().find(
                  L"Error connecting to the registry on computer '\\\\no-such-computer-resetra'."),
              std::wstring::npos);
    EXPECT_FALSE(registry.IsConnected());
}
