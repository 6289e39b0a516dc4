// Reading the file handler configuration from the registry.
#include "support/cMvConfigurationLogFileHelper.h"
#include "support/cMvLog.h"
#include "support/cMvRegistry.h"

#include <windows.h>

cMvConfigurationLogFileHelper::cMvConfigurationLogFileHelper(const wchar_t* fileName, uint32_t mask,
                                                             uint32_t maxFileSize,
                                                             uint32_t immediately) {
    SetFilename(fileName ? fileName : L"");
    SetMask(mask);
    SetMaxFileSize(maxFileSize);
    SetImmediately(immediately);
}

int32_t cMvConfigurationLogFileHelper::ReadFromRegistry(cMvLog& log, cMvRegistry& registry,
                                                        const wchar_t* subkey) {
    int32_t result = 0;

    std::wstring fileName = GetFilename();
    int32_t code = registry.GetString(log, subkey, L"FileLogFilename", fileName, 0);
    if (code == 0) {
        SetFilename(fileName);
    } else {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while getting the value 'FileLogFilename' at '%s' in "
                    L"the registry.",
                    subkey);
        result = code;
    }

    DWORD value = GetMask();
    code = registry.GetDword(log, subkey, L"FileLogMask", value, 0);
    if (code == 0) {
        SetMask(value);
    } else {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while getting the value 'FileLogMask' at '%s' in the "
                    L"registry.",
                    subkey);
        result = code;
    }

    value = GetMaxFileSize();
    code = registry.GetDword(log, subkey, L"FileLogMaxFileSize", value, 0);
    if (code == 0) {
        SetMaxFileSize(value);
    } else {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while getting the value 'FileLogMaxFileSize' at '%s' "
                    L"in the registry.",
                    subkey);
        result = code;
    }

    value = GetImmediately();
    code = registry.GetDword(log, subkey, L"FileLogImmediately", value, 0);
    if (code == 0) {
        SetImmediately(value);
    } else {
        log.LogCode(LogLevel::Error, code,
                    L"An error has occurred while getting the value 'FileLogImmediately' at '%s' "
                    L"in the registry.",
                    subkey);
        result = code;
    }
    return result;
}
