// The domain's stored policy list for the publish and export commands: the
// writer of the "msDS-ByteArray" value of the domain's policy object (the
// object is created in its container when it is missing), and the reader
// that gives the document back without its time stamp.
#pragma once

#include <cstdint>
#include <string>

class CCheckerConsole;
class cMvLog;

class CPolicyStore {
public:
    explicit CPolicyStore(CCheckerConsole& console) : m_console(console) {}

    // Exit codes: 0 stored or written; 1 the document has problems; 2 the
    // file cannot be read or written; 3 the directory failed.
    [[nodiscard]] int Publish(const std::wstring& file, const std::wstring& domain);
    [[nodiscard]] int Export(const std::wstring& domain, const std::wstring& file);

    // Stores the UTF-8 bytes of `document` followed by "#<time>#" as the
    // domain's policy value. 0 or the HRESULT of the failing step, logged.
    [[nodiscard]] static int32_t WritePolicyValue(cMvLog& log, const std::wstring& domain,
                                                  const std::wstring& document, int64_t time);

private:
    CCheckerConsole& m_console;
};
