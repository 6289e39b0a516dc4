// The registry wrapper of the policy code, against the real (Wine) registry,
// for the operations the library calls (connection, strings and numbers):
// views, types and sizes, the untouched output on failure, the logged entries.
#include "support/cMvLog.h"
#include "support/cMvRegistry.h"
#include "tests/support/CapturingHandler.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

namespace {

const wchar_t* const kBase = L"SOFTWARE\\ResetraTests\\SupportRegistry";
const wchar_t* const kKey = L"SOFTWARE\\ResetraTests\\SupportRegistry\\Values";
const wchar_t* const kNowhere = L"SOFTWARE\\ResetraTests\\SupportRegistry\\Nowhere";

class RegistryWrapper : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(kBase);
        log.AddHandler(&captured);
        ASSERT_EQ(registry.Connect(log, nullptr, HKEY_LOCAL_MACHINE), 0);
    }
    void TearDown() override {
        EXPECT_EQ(registry.Disconnect(log), 0);
        EXPECT_FALSE(registry.IsConnected());
        DeleteRegistryTree(kBase);
    }

    CapturingHandler captured;
    cMvLog log;
    cMvRegistry registry;
};

} // namespace

TEST_F(RegistryWrapper, ReadsTheViewThatTheFlagsChoose) {
    ASSERT_EQ(registry.SetDword(log, kKey, L"View", 32, KEY_WOW64_32KEY), 0);
    ASSERT_EQ(registry.SetDword(log, kKey, L"View", 64, KEY_WOW64_64KEY), 0);
    ASSERT_EQ(registry.SetString(log, kKey, L"Only32", L"x", KEY_WOW64_32KEY), 0);
    for (DWORD view : {DWORD{KEY_WOW64_32KEY}, DWORD{KEY_WOW64_64KEY}, DWORD{0}}) {
        DWORD value = 0;
        ASSERT_EQ(registry.GetDword(log, kKey, L"View", value, view), 0);
        EXPECT_EQ(value, view == KEY_WOW64_32KEY ? 32u : 64u) << view; // 0: the native view
    }
    std::wstring value = L"default";
    EXPECT_EQ(registry.GetString(log, kKey, L"Only32", value, 0), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(value, L"default");
}

TEST_F(RegistryWrapper, RefusedReadsLeaveTheOutputAndLogMissingValuesAtDebugLevelOnly) {
    const BYTE three[3] = {1, 2, 3};
    SetRegistryString(kKey, L"Text", L"12");
    SetRegistryDword(kKey, L"Number", 7);
    SetRegistryValue(kKey, L"Short", REG_DWORD, three, 3);
    captured.entries.clear();
    DWORD dword = 5;
    std::wstring text = L"keep";
    EXPECT_EQ(registry.GetDword(log, kKey, L"Missing", dword), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.GetString(log, kNowhere, L"X", text), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(captured.Count(LogLevel::Error), 0u);
    EXPECT_EQ(registry.GetDword(log, kKey, L"Text", dword), -11);
    EXPECT_EQ(registry.GetString(log, kKey, L"Number", text), -11);
    EXPECT_EQ(registry.GetDword(log, kKey, L"Short", dword), -12);
    EXPECT_EQ(captured.Count(LogLevel::Error), 3u) << captured.All();
    EXPECT_EQ(dword, 5u);
    EXPECT_EQ(text, L"keep");
    cMvRegistry unconnected;
    EXPECT_NE(unconnected.GetDword(log, kKey, L"Number", dword), 0);
    EXPECT_EQ(dword, 5u);
}

TEST_F(RegistryWrapper, ReadsStringsWholeUnexpandedAndTerminated) {
    const wchar_t expand[] = L"%SystemRoot%\\x";
    SetRegistryValue(kKey, L"Expand", REG_EXPAND_SZ, expand, sizeof(expand));
    SetRegistryValue(kKey, L"Bare", REG_SZ, L"abcdef", 6 * 2); // no NUL stored
    const std::wstring longText(3000, L'q');
    ASSERT_EQ(registry.SetString(log, kKey, L"Long", longText.c_str()), 0);
    for (const auto& [name, expected] :
         {std::pair{L"Expand", std::wstring(expand)}, std::pair{L"Bare", std::wstring(L"abcdef")},
          std::pair{L"Long", longText}}) {
        std::wstring value;
        ASSERT_EQ(registry.GetString(log, kKey, name, value), 0);
        EXPECT_EQ(value, expected);
    }
}
