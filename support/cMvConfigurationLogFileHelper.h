// File handler configuration that can read itself from the registry: the
// values "FileLogFilename", "FileLogMask", "FileLogMaxFileSize" and
// "FileLogImmediately" of one subkey, each overriding its default only when
// it can be read.
#pragma once

#include "support/cMvConfigurationLogFile.h"

#include <cstdint>

class cMvLog;
class cMvRegistry;

class cMvConfigurationLogFileHelper : public cMvConfigurationLogFile {
public:
    cMvConfigurationLogFileHelper(const wchar_t* fileName, uint32_t mask, uint32_t maxFileSize,
                                  uint32_t immediately);
    ~cMvConfigurationLogFileHelper() override = default;

    // 0, or the code of the last value that could not be read.
    [[nodiscard]] int32_t ReadFromRegistry(cMvLog& log, cMvRegistry& registry,
                                           const wchar_t* subkey);
};
