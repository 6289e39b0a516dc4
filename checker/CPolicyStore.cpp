// Writing and reading the domain's policy value. The writer binds the policy
// object, or, when the directory says it does not exist, creates it in the
// "Vexa Policy Manager" container as an application configuration object,
// which is the class that carries "msDS-ByteArray"; the container itself is
// never created. After the write the value is read back with the library's
// reader and compared, so a publish that the library would not read the same
// way is reported as a failure.
#include "checker/CPolicyStore.h"

#include "checker/CCapturingLogHandler.h"
#include "checker/CCheckerConsole.h"
#include "checker/CPolicyDocumentValidator.h"
#include "checker/CheckerFiles.h"
#include "checker/ExitCodes.h"
#include "directory/AdsPaths.h"
#include "directory/DomainNames.h"
#include "policy/CPolicylist.h"
#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvLog.h"
#include "support/cMvVariant.h"

#include <windows.h>
#include <iads.h>
#include <adshlp.h>

#include <cstring>

using resetra::cMvBstr;
using resetra::cMvComPtr;
using resetra::cMvVariant;

namespace {

constexpr HRESULT kNoSuchObject = HRESULT_FROM_WIN32(ERROR_DS_NO_SUCH_OBJECT);

// Seconds since 1 January 1970, UTC.
int64_t NowSeconds() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<int64_t>((ticks - 116444736000000000ULL) / 10000000ULL);
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

void ShowProblems(CCheckerConsole& console, const CCapturingLogHandler& capture) {
    for (const auto& line : capture.Problems()) {
        console.Err(L"  " + line.text);
    }
}

// The policy object, bound or created.
HRESULT BindOrCreate(cMvLog& log, const std::wstring& domain, cMvComPtr<IADs>& object) {
    const std::wstring path = CPolicylist::PolicyObjectPath(domain.c_str());
    HRESULT hr = ADsGetObject(path.c_str(), IID_IADs, object.put_void());
    if (hr != kNoSuchObject) {
        if (FAILED(hr)) {
            log.LogHResult(LogLevel::Error, hr,
                           L"Failed to bind policy object in Active Directoy.");
        }
        return hr;
    }
    const std::wstring containerPath =
        LdapPathOf(L"CN=Vexa Policy Manager,CN=Harrowgate,CN=Program Data," +
                   DnsNameToDomainDn(domain.c_str()));
    cMvComPtr<IADsContainer> container;
    hr = ADsGetObject(containerPath.c_str(), IID_IADsContainer, container.put_void());
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to bind the policy container %s.",
                       containerPath.c_str());
        return hr;
    }
    cMvComPtr<IDispatch> created;
    hr = container->Create(cMvBstr(L"msDS-App-Configuration").get(),
                           cMvBstr(L"CN=HwgPasswordPolicy").get(), created.put());
    if (SUCCEEDED(hr)) {
        hr = created ? created->QueryInterface(IID_IADs, object.put_void()) : E_POINTER;
    }
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Failed to create the policy object in %s.",
                       containerPath.c_str());
    }
    return hr;
}

} // namespace

int32_t CPolicyStore::WritePolicyValue(cMvLog& log, const std::wstring& domain,
                                       const std::wstring& document, int64_t time) {
    cMvComPtr<IADs> object;
    HRESULT hr = BindOrCreate(log, domain, object);
    if (FAILED(hr)) {
        return hr;
    }
    const std::string bytes =
        CCheckerConsole::ToUtf8(document + L"#" + std::to_wstring(time) + L"#");
    cMvVariant value;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (array == nullptr) {
        log.LogHResult(LogLevel::Error, E_OUTOFMEMORY, L"Unable to store the policy value.");
        return E_OUTOFMEMORY;
    }
    VARIANT* raw = value.put();
    raw->vt = VT_ARRAY | VT_UI1;
    raw->parray = array; // owned by `value` from here
    void* data = nullptr;
    hr = SafeArrayAccessData(array, &data);
    if (SUCCEEDED(hr)) {
        std::memcpy(data, bytes.data(), bytes.size());
        hr = SafeArrayUnaccessData(array);
    }
    if (SUCCEEDED(hr)) {
        hr = object->Put(cMvBstr(L"msDS-ByteArray").get(), *value.get());
    }
    if (SUCCEEDED(hr)) {
        hr = object->SetInfo();
    }
    if (FAILED(hr)) {
        log.LogHResult(LogLevel::Error, hr, L"Unable to store the policy value.");
    }
    return hr;
}

int CPolicyStore::Publish(const std::wstring& file, const std::wstring& domain) {
    if (!IsDnsDomainName(domain.c_str())) {
        m_console.Err(L"ResetraPolicyCheck: '" + domain + L"' is no DNS domain name");
        return kExitUsage;
    }
    std::wstring text;
    std::wstring error;
    if (!ReadDocumentFile(file, text, error)) {
        m_console.Err(L"ResetraPolicyCheck: " + error);
        return kExitUsage;
    }
    const auto problems = CPolicyDocumentValidator::Check(text);
    if (!problems.empty()) {
        for (const auto& problem : problems) {
            m_console.Out(problem.path + L"\t" + problem.text);
        }
        m_console.Err(L"ResetraPolicyCheck: " + file + L" has " + std::to_wstring(problems.size()) +
                      L" problem(s); nothing was published");
        return kExitRefused;
    }
    cMvLog log;
    CCapturingLogHandler capture;
    log.AddHandler(&capture);
    const int64_t time = NowSeconds();
    const int32_t code = WritePolicyValue(log, domain, text, time);
    if (code != 0) {
        m_console.Err(L"ResetraPolicyCheck: the policy list of " + domain +
                      L" could not be stored (" + Hex(code) + L"):");
        ShowProblems(m_console, capture);
        return kExitEngine;
    }
    std::wstring stored;
    int64_t storedTime = 0;
    CPolicylist reader;
    const int32_t read = reader.ReadPolicyData(log, domain.c_str(), stored, &storedTime);
    if (read != 0 || stored != text || storedTime != time) {
        m_console.Err(L"ResetraPolicyCheck: the policy list of " + domain +
                      L" reads back differently after storing it");
        ShowProblems(m_console, capture);
        return kExitEngine;
    }
    m_console.Out(L"Published " + file + L" to " + domain + L" (time stamp " +
                  std::to_wstring(time) + L").");
    return kExitOk;
}

int CPolicyStore::Export(const std::wstring& domain, const std::wstring& file) {
    if (!IsDnsDomainName(domain.c_str())) {
        m_console.Err(L"ResetraPolicyCheck: '" + domain + L"' is no DNS domain name");
        return kExitUsage;
    }
    cMvLog log;
    CCapturingLogHandler capture;
    log.AddHandler(&capture);
    std::wstring text;
    CPolicylist reader;
    const int32_t code = reader.ReadPolicyData(log, domain.c_str(), text, nullptr);
    if (code != 0) {
        m_console.Err(L"ResetraPolicyCheck: the policy list of " + domain +
                      L" could not be read (" + Hex(code) + L"):");
        ShowProblems(m_console, capture);
        return kExitEngine;
    }
    if (text.empty()) {
        m_console.Err(L"ResetraPolicyCheck: domain " + domain + L" has no policy list (-3)");
        return kExitEngine;
    }
    if (file.empty()) {
        m_console.Raw(text);
        return kExitOk;
    }
    std::wstring error;
    if (!WriteWholeFile(file, CCheckerConsole::ToUtf8(text), error)) {
        m_console.Err(L"ResetraPolicyCheck: " + error);
        return kExitUsage;
    }
    return kExitOk;
}
