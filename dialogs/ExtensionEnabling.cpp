// Enabling rules of the dialog extensions, read through the small registry
// reader with the stub log's lines for every failed read.
#include "dialogs/ExtensionEnabling.h"

#include "dialogs/cMvWinlogonServices.h"
#include "support/RegistryKeys.h"
#include "support/cMvGINARegistry.h"

#include <string>
#include <vector>

bool PolicyOverLocal(std::optional<DWORD> policy, DWORD local) noexcept {
    if (policy == 1u || policy == 0u) {
        return *policy == 1;
    }
    return local != 0;
}

bool IsVexaGinaEnabled(cMvWinlogonServices& services, cMvGINARegistry& registry) {
    std::optional<DWORD> policy;
    DWORD value = 0;
    LONG code = registry.GetDword(kVexaGinaPolicyKey, L"GinaEnabled", value);
    if (code == 0) {
        policy = value;
    } else {
        services.WriteLog(cMvWinlogonServices::LevelError,
                          L"Error getting policy value '%s' from registry. Errorcode %ld.",
                          L"GinaEnabled", code);
    }
    DWORD local = 0;
    code = registry.GetDword(kVexaGinaLocalKey, L"GinaEnabled", local);
    if (code != 0) {
        local = 0;
        services.WriteLog(cMvWinlogonServices::LevelError,
                          L"Error getting value '%s' from registry. Errorcode %ld.", L"GinaEnabled",
                          code);
    }
    return PolicyOverLocal(policy, local);
}

LONG IsProductInstalled(cMvWinlogonServices& services, cMvGINARegistry& registry,
                        const wchar_t* name, bool& installed) {
    installed = false;
    std::vector<std::wstring> products;
    const LONG code = registry.GetMultiString(kExtensionsKey, L"Installed Products", products);
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        return 0;
    }
    if (code != 0) {
        services.WriteLog(cMvWinlogonServices::LevelError,
                          L"Error getting installed products. Errorcode %ld.", code);
        return code;
    }
    for (const std::wstring& product : products) {
        if (lstrcmpiW(product.c_str(), name) == 0) {
            installed = true;
        }
    }
    return 0;
}

LONG IsVexaWithMarrowActive(cMvWinlogonServices& services, cMvGINARegistry& registry,
                            bool& active) {
    active = false;
    const bool vexaEnabled = IsVexaGinaEnabled(services, registry);
    bool marrow = false;
    LONG code = IsProductInstalled(services, registry, L"Marrow", marrow);
    if (code != 0) {
        marrow = false;
        services.WriteLog(cMvWinlogonServices::LevelError,
                          L"Error getting detecting Marrow extension. Errorcode %ld.", code);
    }
    bool offline = false;
    code = IsProductInstalled(services, registry, L"Resetra Offline", offline);
    if (code != 0) {
        offline = false;
        services.WriteLog(cMvWinlogonServices::LevelError,
                          L"Error getting detected Resetra Offline extension. Errorcode %ld.",
                          code);
    }
    if (vexaEnabled && (marrow || offline)) {
        services.WriteLog(cMvWinlogonServices::LevelInformation, L"Vexa and Marrow GINA active.");
        active = true;
    }
    return code;
}
