// Configuration of a file handler: file name, maximum size before the file
// is emptied, and the switch that writes every entry at once.
#pragma once

#include "support/cMvConfigurationLog.h"

#include <cstdint>
#include <string>

class cMvConfigurationLogFile : public cMvConfigurationLog {
public:
    cMvConfigurationLogFile();
    virtual ~cMvConfigurationLogFile() = default;

    virtual std::wstring GetFilename() { return m_fileName; }
    virtual uint32_t GetMaxFileSize() { return m_maxFileSize; }
    virtual uint32_t GetImmediately() { return m_immediately; }
    // Takes the given string; an empty one turns file output off.
    virtual void SetFilename(std::wstring fileName) { m_fileName = std::move(fileName); }
    virtual void SetMaxFileSize(uint32_t maxFileSize) { m_maxFileSize = maxFileSize; }
    virtual void SetImmediately(uint32_t immediately) { m_immediately = immediately; }

private:
    std::wstring m_fileName = L"vexa.log";
    uint32_t m_maxFileSize = 5242880;
    uint32_t m_immediately = 0;
};
