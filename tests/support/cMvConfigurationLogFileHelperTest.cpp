// Reading the policy log settings from the registry and the set-up of the
// process-wide policy log.
#include "support/PolicyLog.h"
#include "support/RegistryKeys.h"
#include "support/cMvConfigurationLogFileHelper.h"
#include "support/cMvLog.h"
#include "support/cMvLogHandlerFile.h"
#include "support/cMvRegistry.h"
#include "tests/support/CapturingHandler.h"
#include "tests/support/SupportTestFiles.h"
#include "tests/support/SupportTestRegistry.h"

#include <gtest/gtest.h>

namespace {

const wchar_t* const kTestKey = L"SOFTWARE\\ResetraTests\\SupportLogConfiguration";

void SetValue(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              0);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
    RegCloseKey(key);
}

void SetDword(const wchar_t* path, const wchar_t* name, DWORD value) {
    SetValue(path, name, REG_DWORD, &value, 4);
}

void SetString(const wchar_t* path, const wchar_t* name, const std::wstring& value) {
    SetValue(path, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

} // namespace

TEST(LogFileConfiguration, ReadsEveryValueAndKeepsDefaultsOfUnreadableOnes) {
    DeleteRegistryTree(kTestKey);
    SetString(kTestKey, L"FileLogFilename", L"C:\\elsewhere.log");
    SetString(kTestKey, L"FileLogMask", L"7"); // wrong type
    SetDword(kTestKey, L"FileLogMaxFileSize", 1000);
    // FileLogImmediately missing
    CapturingHandler captured;
    cMvLog log;
    log.AddHandler(&captured);
    cMvRegistry registry;
    ASSERT_EQ(registry.Connect(log, nullptr, HKEY_LOCAL_MACHINE), 0);
    cMvConfigurationLogFileHelper configuration(L"C:\\Vexa_GinaLog.txt", 3, 5242880, 1);
    const int32_t result = configuration.ReadFromRegistry(log, registry, kTestKey);
    EXPECT_EQ(result, ERROR_FILE_NOT_FOUND); // the last failure
    EXPECT_EQ(configuration.GetFilename(), L"C:\\elsewhere.log");
    EXPECT_EQ(configuration.GetMask(), 3u);
    EXPECT_EQ(configuration.GetMaxFileSize(), 1000u);
    EXPECT_EQ(configuration.GetImmediately(), 1u);
    bool maskLogged = false;
    for (const cMvLogEntry& e : captured.entries) {
        if (e.GetText() ==
            L"Error code (-11) - An error has occurred while getting the value 'FileLogMask' at "
            L"'SOFTWARE\\ResetraTests\\SupportLogConfiguration' in the registry.") {
            maskLogged = e.GetLevel() == LogLevel::Error;
        }
    }
    EXPECT_TRUE(maskLogged);
    DeleteRegistryTree(kTestKey);
}

TEST(LogFileConfiguration, EmptyFileNameTurnsFileOutputOff) {
    DeleteRegistryTree(kTestKey);
    SetString(kTestKey, L"FileLogFilename", L"");
    cMvLog log;
    cMvRegistry registry;
    ASSERT_EQ(registry.Connect(log, nullptr, HKEY_LOCAL_MACHINE), 0);
    cMvConfigurationLogFileHelper configuration(L"C:\\Vexa_GinaLog.txt", 3, 5242880, 1);
    (void)configuration.ReadFromRegistry(log, registry, kTestKey);
    EXPECT_EQ(configuration.GetFilename(), L"");
    DeleteRegistryTree(kTestKey);
}

TEST(PolicyLogSetUp, EnabledLogWritesImmediatelyToTheConfiguredFile) {
    DeleteRegistryTree(kVexaGinaPolicyKey);
    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    SetDword(kVexaGinaPolicyKey, L"LogEnabled", 1);
    SetString(kVexaGinaPolicyKey, L"FileLogFilename", path);
    cMvLog log;
    SetUpPolicyLog(log);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], &GetPolicyLogHandler());
    log.Log(LogLevel::Information, L"visible at once");
    log.Log(LogLevel::Debug, L"masked by the default mask 3");
    const std::wstring text = ReadUtf16File(path);
    EXPECT_NE(text.find(L" - Information - visible at once\r\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"masked"), std::wstring::npos);
    DeleteRegistryTree(kVexaGinaPolicyKey);
    // Leave the process-wide handler writing nowhere again.
    cMvConfigurationLogFileHelper off(L"", 3, 5242880, 0);
    GetPolicyLogHandler().Configure(off);
}

TEST(PolicyLogSetUp, MissingOrZeroLogEnabledLeavesLoggingOff) {
    DeleteRegistryTree(kVexaGinaPolicyKey);
    cMvLog log;
    SetUpPolicyLog(log);
    EXPECT_TRUE(log.empty());
    SetDword(kVexaGinaPolicyKey, L"LogEnabled", 0);
    SetUpPolicyLog(log);
    EXPECT_TRUE(log.empty());
    DeleteRegistryTree(kVexaGinaPolicyKey);
}
