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

TEST(LogFileConfiguration, ReadsEveryValueAndKeepsTheSettingOfUnreadableOnes) {
    const wchar_t* const key = L"SOFTWARE\\ResetraTests\\SupportLogConfiguration";
    for (const wchar_t* fileName : {L"C:\\elsewhere.log", L""}) { // "" turns file output off
        DeleteRegistryTree(key);
        SetRegistryString(key, L"FileLogFilename", fileName);
        SetRegistryString(key, L"FileLogMask", L"7"); // wrong type
        SetRegistryDword(key, L"FileLogMaxFileSize", 1000);
        // FileLogImmediately missing
        CapturingHandler captured;
        cMvLog log;
        log.AddHandler(&captured);
        cMvRegistry registry;
        ASSERT_EQ(registry.Connect(log, nullptr, HKEY_LOCAL_MACHINE), 0);
        cMvConfigurationLogFileHelper configuration(L"C:\\Vexa_GinaLog.txt", 3, 5242880, 1);
        EXPECT_EQ(configuration.ReadFromRegistry(log, registry, key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(configuration.GetFilename(), fileName);
        EXPECT_EQ(configuration.GetMask(), 3u);
        EXPECT_EQ(configuration.GetMaxFileSize(), 1000u);
        EXPECT_EQ(configuration.GetImmediately(), 1u);
        EXPECT_TRUE(captured.Logged(
            LogLevel::Error,
            L"Error code (-11) - An error has occurred while getting the value 'FileLogMask' at "
            L"'SOFTWARE\\ResetraTests\\SupportLogConfiguration' in the registry."))
            << captured.All();
    }
    DeleteRegistryTree(key);
}

TEST(PolicyLogSetUp, EnabledLogWritesImmediatelyToTheConfiguredFileOtherwiseNothing) {
    DeleteRegistryTree(kVexaGinaPolicyKey);
    cMvLog off;
    SetUpPolicyLog(off);
    SetRegistryDword(kVexaGinaPolicyKey, L"LogEnabled", 0);
    SetUpPolicyLog(off);
    EXPECT_TRUE(off.empty());

    TempFolder folder;
    const std::wstring path = folder.Path(L"policy.log");
    SetRegistryDword(kVexaGinaPolicyKey, L"LogEnabled", 1);
    SetRegistryString(kVexaGinaPolicyKey, L"FileLogFilename", path);
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
    cMvConfigurationLogFileHelper nowhere(L"", 3, 5242880, 0);
    GetPolicyLogHandler().Configure(nowhere);
}
