// The process-wide file handler of the policy log and its set-up.
#include "support/PolicyLog.h"
#include "support/RegistryKeys.h"
#include "support/cMvConfigurationLogFileHelper.h"
#include "support/cMvLog.h"
#include "support/cMvLogHandlerFile.h"
#include "support/cMvRegistry.h"

namespace {
// Constructed when the module is loaded, destroyed when it is unloaded;
// unwritten entries are dropped then.
cMvLogHandlerFile g_policyLogHandler;
} // namespace

cMvLogHandlerFile& GetPolicyLogHandler() noexcept {
    return g_policyLogHandler;
}

void SetUpPolicyLog(cMvLog& log) {
    cMvRegistry registry;
    int32_t code = registry.Connect(log, nullptr, HKEY_LOCAL_MACHINE);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while connecting to the registry on local machine.");
        return;
    }
    DWORD enabled = 0;
    code = registry.GetDword(log, kVexaGinaPolicyKey, L"LogEnabled", enabled, 0);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while getting the value 'LogEnabled' at '%s' in the "
                    L"registry.",
                    kVexaGinaPolicyKey);
        enabled = 0;
    }
    if (enabled != 0) {
        cMvConfigurationLogFileHelper configuration(kPolicyLogDefaultFile, 3, 5242880, 1);
        (void)configuration.ReadFromRegistry(log, registry, kVexaGinaPolicyKey);
        g_policyLogHandler.Configure(configuration);
        log.AddHandler(&g_policyLogHandler);
    }
    code = registry.Disconnect(log);
    if (code != 0) {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while disconnecting from the registry.");
    }
}
