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

TEST_F(RegistryWrapper, MissingValueOrSubkeyLeavesOutputAndLogsAtDebugLevel) {
    ASSERT_EQ(registry.SetDword(log, kKey, L"Other", 1), 0);
    captured.entries.clear();
    DWORD value = 1234;
    EXPECT_EQ(registry.GetDword(log, kKey, L"Missing", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(value, 1234u);
    EXPECT_EQ(captured.Count(LogLevel::Debug), 2u);
    EXPECT_TRUE(captured.Logged(LogLevel::Debug,
                                L"Error code (2) - An error has occurred while querying the value "
                                L"'Missing' from subkey "
                                L"'SOFTWARE\\ResetraTests\\SupportRegistry\\Values'."))
        << captured.All();
    std::wstring text = L"keep";
    EXPECT_EQ(
        registry.GetString(log, L"SOFTWARE\\ResetraTests\\SupportRegistry\\Nowhere", L"X", text),
        ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text, L"keep");
    EXPECT_EQ(captured.Count(LogLevel::Error), 0u);
}

TEST_F(RegistryWrapper, ValuesOfTheWrongTypeOrSizeAreRefusedAndLogged) {
    const BYTE three[3] = {1, 2, 3};
    const DWORD number = 7;
    SetRegistryValue(kKey, L"Text", REG_SZ, L"12", 6);
    SetRegistryValue(kKey, L"Number", REG_DWORD, &number, 4);
    SetRegistryValue(kKey, L"Short", REG_DWORD, three, 3);
    DWORD dword = 5;
    std::wstring text = L"keep";
    EXPECT_EQ(registry.GetDword(log, kKey, L"Text", dword), -11);
    EXPECT_EQ(registry.GetString(log, kKey, L"Number", text), -11);
    EXPECT_EQ(registry.GetDword(log, kKey, L"Short", dword), -12);
    EXPECT_EQ(dword, 5u);
    EXPECT_EQ(text, L"keep");
    EXPECT_EQ(captured.Count(LogLevel::Error), 3u) << captured.All();
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

TEST_F(RegistryWrapper, FailsWithoutConnectionAndNamesAnUnknownComputer) {
    cMvRegistry unconnected;
    DWORD value = 77;
    EXPECT_NE(unconnected.GetDword(log, kKey, L"X", value), 0);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(unconnected.Disconnect(log), 0);
    captured.entries.clear();
    EXPECT_NE(unconnected.Connect(log, L"\\\\no-such-computer-resetra", HKEY_LOCAL_MACHINE), 0);
    ASSERT_FALSE(captured.entries.empty());
    EXPECT_NE(captured.entries[0].GetText().find(
                  L"Error connecting to the registry on computer '\\\\no-such-computer-resetra'."),
              std::wstring::npos);
    EXPECT_FALSE(unconnected.IsConnected());
}
