// Configuration of a file handler.
#include "support/cMvConfigurationLogFile.h"

#include "support/cMvLogEntry.h"

cMvConfigurationLogFile::cMvConfigurationLogFile() {
    SetMask(LogLevel::All);
}
