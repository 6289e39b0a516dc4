// Replacement functions of the simulated domain: ADsGetObject and the ADSI
// allocator, the name-cracking service (DsBindW, DsCrackNamesW with the item
// statuses of a real domain controller, referrals included), the locator and
// join information, the account look-ups, and CoCreateInstance for the
// name-translation class. Each answers from the fixture and counts the call.
#include "sim/domain/SimDirectoryFunctions.h"

#include "sim/domain/SimAdsContainer.h"
#include "sim/domain/SimAdsObject.h"
#include "sim/domain/SimDomainState.h"
#include "sim/domain/SimNameFormats.h"
#include "sim/domain/SimNameTranslate.h"

#include <adserr.h>
#include <dsgetdc.h>
#include <iads.h>
#include <lmcons.h>
#include <lmjoin.h>
#include <ntdsapi.h>
#include <sddl.h>

#include <cstring>
#include <vector>

namespace {

constexpr HRESULT kServerDown = HRESULT_FROM_WIN32(ERROR_DS_SERVER_DOWN);
constexpr HRESULT kNoSuchObject = HRESULT_FROM_WIN32(ERROR_DS_NO_SUCH_OBJECT);
constexpr HRESULT kReferral = HRESULT_FROM_WIN32(ERROR_DS_REFERRAL);
constexpr DWORD kBindMagic = 0x53494D44; // "SIMD"

volatile LONG g_invalidReleases = 0;

struct SimBind {
    DWORD magic = kBindMagic;
    std::size_t domain = 0;
    std::shared_ptr<const SimDomainModel> model;
};

SimDomainState& State() {
    return SimDomainState::Instance();
}

std::wstring Show(const wchar_t* text) {
    return text == nullptr ? L"(null)" : text;
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const std::size_t length = wcslen(prefix);
    return text.size() >= length && SimEqualNoCase(text.substr(0, length), prefix);
}

std::vector<BYTE> SidBytes(const std::wstring& text) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text.c_str(), &sid)) {
        return {};
    }
    const auto* first = static_cast<const BYTE*>(sid);
    std::vector<BYTE> bytes(first, first + GetLengthSid(sid));
    LocalFree(sid);
    return bytes;
}

// ---- activeds ---------------------------------------------------------------

// Splits "LDAP://[server/]dn", undoing the "\/" escape of the path syntax
// and keeping the escapes of the distinguished name itself.
bool ParseLdapPath(const std::wstring& path, std::wstring& server, std::wstring& dn) {
    if (!StartsWithNoCase(path, L"LDAP://")) {
        return false;
    }
    bool haveServer = false;
    std::wstring part;
    for (std::size_t i = 7; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if (c == L'\\' && i + 1 < path.size()) {
            if (path[i + 1] == L'/') {
                part += L'/';
            } else {
                part += c;
                part += path[i + 1];
            }
            ++i;
        } else if (c == L'/') {
            if (haveServer) {
                return false;
            }
            haveServer = true;
            server = part;
            part.clear();
        } else {
            part += c;
        }
    }
    dn = part;
    return !dn.empty();
}

HRESULT WINAPI SimADsGetObject(LPCWSTR pathName, REFIID riid, VOID** object) {
    State().Answer(L"ADsGetObject", true, Show(pathName));
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (pathName == nullptr) {
        return E_ADS_BAD_PATHNAME;
    }
    const auto model = State().Model();
    std::wstring server;
    std::wstring dn;
    if (!ParseLdapPath(pathName, server, dn)) {
        return E_ADS_BAD_PATHNAME;
    }
    int serverDomain = -1;
    if (!server.empty()) {
        serverDomain = model->FindDomainOfController(server.c_str());
        if (serverDomain < 0) {
            serverDomain = model->FindDomain(server.c_str(), false, true);
        }
        if (serverDomain < 0) {
            return kServerDown; // the "server" of a path cut at an unescaped slash
        }
    }
    const int domain = model->FindDomainOfDn(dn);
    if (domain < 0) {
        return kNoSuchObject;
    }
    const SimDomain& home = model->domains[static_cast<std::size_t>(domain)];
    if (!home.reachable) {
        return kServerDown;
    }
    if (FAILED(home.adsError)) {
        return home.adsError;
    }
    if (serverDomain >= 0 && serverDomain != domain) {
        return kReferral;
    }
    const SimDirectoryObject* found = model->FindByDn(dn);
    if (found == nullptr) {
        return kNoSuchObject;
    }
    if (IsEqualIID(riid, IID_IADsContainer)) {
        if (found->kind != SimDirectoryObject::Kind::Container &&
            found->kind != SimDirectoryObject::Kind::OrganizationalUnit) {
            return E_NOINTERFACE;
        }
        auto* container = new SimAdsContainer(model, *found, pathName);
        const HRESULT hr = container->QueryInterface(riid, object);
        container->Release();
        return hr;
    }
    auto* ads = new SimAdsObject(model, *found, pathName);
    const HRESULT hr = ads->QueryInterface(riid, object);
    ads->Release();
    return hr;
}

LPVOID WINAPI SimAllocADsMem(DWORD size) {
    State().Answer(L"AllocADsMem", false);
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size == 0 ? 1 : size);
    if (memory != nullptr) {
        State().Track(State().adsMemory, memory);
    }
    return memory;
}

WINBOOL WINAPI SimFreeADsMem(LPVOID memory) {
    State().Answer(L"FreeADsMem", false);
    if (memory == nullptr) {
        return FALSE;
    }
    if (!State().Untrack(State().adsMemory, memory)) {
        InterlockedIncrement(&g_invalidReleases);
        return FALSE;
    }
    HeapFree(GetProcessHeap(), 0, memory);
    return TRUE;
}

// ---- ntdsapi ----------------------------------------------------------------

DWORD WINAPI SimDsBindW(LPCWSTR controller, LPCWSTR domainName, HANDLE* handle) {
    State().Answer(L"DsBindW", true, L"dc=" + Show(controller) + L" domain=" + Show(domainName));
    if (handle == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto model = State().Model();
    int domain;
    if (controller != nullptr && *controller != L'\0') {
        domain = model->FindDomainOfController(controller);
        if (domain < 0) {
            return RPC_S_SERVER_UNAVAILABLE;
        }
    } else if (domainName == nullptr || *domainName == L'\0') {
        domain = model->JoinedDomain();
    } else {
        domain = model->FindDomain(domainName);
    }
    if (domain < 0) {
        return ERROR_NO_SUCH_DOMAIN;
    }
    const SimDomain& bound = model->domains[static_cast<std::size_t>(domain)];
    if (!bound.reachable) {
        return RPC_S_SERVER_UNAVAILABLE;
    }
    if (bound.bindError != 0) {
        return bound.bindError;
    }
    auto* bind = new SimBind;
    bind->domain = static_cast<std::size_t>(domain);
    bind->model = model;
    State().Track(State().binds, bind);
    *handle = bind;
    return ERROR_SUCCESS;
}

DWORD WINAPI SimDsUnBindW(HANDLE* handle) {
    State().Answer(L"DsUnBindW", false);
    if (handle == nullptr || *handle == nullptr || !State().Untrack(State().binds, *handle)) {
        InterlockedIncrement(&g_invalidReleases);
        return ERROR_INVALID_PARAMETER;
    }
    delete static_cast<SimBind*>(*handle);
    *handle = nullptr;
    return ERROR_SUCCESS;
}

struct CrackAnswer {
    DWORD status = DS_NAME_ERROR_NOT_FOUND;
    std::wstring domain;
    std::wstring name;
    bool hasDomain = false;
    bool hasName = false;
};

CrackAnswer CrackOne(const SimDomainModel& model, std::size_t bound, DWORD offered, DWORD desired,
                     const std::wstring& name) {
    CrackAnswer answer;
    for (const SimCrackScript& script : model.domains[bound].crackScripts) {
        if (SimEqualNoCase(script.name, name)) {
            answer.status = script.status;
            answer.domain = script.domain;
            answer.hasDomain = !script.domain.empty();
            answer.name = script.result;
            answer.hasName = !script.result.empty();
            return answer;
        }
    }
    int home = SimHomeDomainOfName(model, offered, name);
    const SimDirectoryObject* object = SimFindByDsFormat(model, offered, name);
    if (home < 0 && object != nullptr) {
        home = static_cast<int>(object->domain);
    }
    if (home >= 0 && static_cast<std::size_t>(home) != bound) {
        // This controller can only tell which domain holds the name.
        answer.status = DS_NAME_ERROR_DOMAIN_ONLY;
        answer.domain = model.domains[static_cast<std::size_t>(home)].dns;
        answer.hasDomain = true;
        return answer;
    }
    if (object == nullptr) {
        return answer;
    }
    answer.domain = model.domains[bound].dns;
    answer.hasDomain = true;
    if (!SimFormatName(model, *object, desired, answer.name)) {
        answer.status = DS_NAME_ERROR_NO_MAPPING;
        return answer;
    }
    answer.status = DS_NAME_NO_ERROR;
    answer.hasName = true;
    return answer;
}

DWORD WINAPI SimDsCrackNamesW(HANDLE handle, DS_NAME_FLAGS flags, DS_NAME_FORMAT offered,
                              DS_NAME_FORMAT desired, DWORD count, const LPCWSTR* names,
                              PDS_NAME_RESULTW* result) {
    std::wstring details = L"flags=" + std::to_wstring(flags) + L" offered=" +
                           std::to_wstring(offered) + L" desired=" + std::to_wstring(desired);
    for (DWORD i = 0; names != nullptr && i < count; ++i) {
        details += L" name=" + Show(names[i]);
    }
    auto* bind = static_cast<SimBind*>(handle);
    if (bind != nullptr && bind->magic == kBindMagic) {
        details += L" domain=" + bind->model->domains[bind->domain].dns;
    }
    State().Answer(L"DsCrackNamesW", true, details);
    if (bind == nullptr || bind->magic != kBindMagic || result == nullptr ||
        (count != 0 && names == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    const SimDomainModel& model = *bind->model;
    if (model.domains[bind->domain].crackError != 0) {
        return model.domains[bind->domain].crackError;
    }
    std::vector<CrackAnswer> answers;
    std::size_t bytes = sizeof(DS_NAME_RESULTW) + count * sizeof(DS_NAME_RESULT_ITEMW);
    for (DWORD i = 0; i < count; ++i) {
        answers.push_back(
            CrackOne(model, bind->domain, offered, desired, names[i] == nullptr ? L"" : names[i]));
        bytes += (answers.back().domain.size() + answers.back().name.size() + 2) * sizeof(wchar_t);
    }
    // One block, as the real result: header, items, then the strings.
    auto* block = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
    if (block == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    auto* header = reinterpret_cast<DS_NAME_RESULTW*>(block);
    auto* items = reinterpret_cast<DS_NAME_RESULT_ITEMW*>(block + sizeof(DS_NAME_RESULTW));
    auto* text = reinterpret_cast<wchar_t*>(block + sizeof(DS_NAME_RESULTW) +
                                            count * sizeof(DS_NAME_RESULT_ITEMW));
    header->cItems = count;
    header->rItems = count == 0 ? nullptr : items;
    auto place = [&text](const std::wstring& value) {
        wchar_t* start = text;
        std::memcpy(text, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
        text += value.size() + 1;
        return start;
    };
    for (DWORD i = 0; i < count; ++i) {
        items[i].status = answers[i].status;
        items[i].pDomain = answers[i].hasDomain ? place(answers[i].domain) : nullptr;
        items[i].pName = answers[i].hasName ? place(answers[i].name) : nullptr;
    }
    State().Track(State().nameResults, block);
    *result = header;
    return ERROR_SUCCESS;
}

void WINAPI SimDsFreeNameResultW(DS_NAME_RESULTW* result) {
    State().Answer(L"DsFreeNameResultW", false);
    if (result == nullptr) {
        return;
    }
    if (!State().Untrack(State().nameResults, result)) {
        InterlockedIncrement(&g_invalidReleases);
        return;
    }
    HeapFree(GetProcessHeap(), 0, result);
}

// ---- netapi32 -----------------------------------------------------------------

// Buffers the caller frees with NetApiBufferFree come from the real allocator.
void* NetApiCopy(std::size_t bytes) {
    void* buffer = nullptr;
    if (State().realNetApiBufferAllocate == nullptr ||
        State().realNetApiBufferAllocate(static_cast<DWORD>(bytes), &buffer) != 0) {
        return nullptr;
    }
    std::memset(buffer, 0, bytes);
    State().Track(State().netApiBuffers, buffer);
    return buffer;
}

DWORD WINAPI SimDsGetDcNameW(LPCWSTR computer, LPCWSTR domainName, GUID*, LPCWSTR, ULONG flags,
                             PDOMAIN_CONTROLLER_INFOW* info) {
    State().Answer(L"DsGetDcNameW", true,
                   L"domain=" + Show(domainName) + L" flags=" + std::to_wstring(flags));
    if (info == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    (void)computer;
    const auto model = State().Model();
    int domain;
    if (domainName == nullptr || *domainName == L'\0') {
        domain = model->JoinedDomain();
    } else {
        const bool flatOnly = (flags & DS_IS_FLAT_NAME) != 0;
        const bool dnsOnly = (flags & DS_IS_DNS_NAME) != 0;
        domain = model->FindDomain(domainName, !dnsOnly, !flatOnly);
    }
    if (domain < 0) {
        return ERROR_NO_SUCH_DOMAIN;
    }
    const SimDomain& found = model->domains[static_cast<std::size_t>(domain)];
    if (!found.reachable || found.controllers.empty()) {
        return ERROR_NO_SUCH_DOMAIN;
    }
    const SimDomainController& dc = found.controllers.front();
    const bool dnsNames = (flags & DS_RETURN_FLAT_NAME) == 0;
    const std::wstring controllerName =
        !dc.reportedAs.empty() ? dc.reportedAs : L"\\\\" + (dnsNames ? dc.dnsName : dc.name);
    const std::wstring strings[] = {
        controllerName, L"\\\\192.0.2.1",           dnsNames ? found.dns : found.flat,
        found.dns,      L"Default-First-Site-Name", L"Default-First-Site-Name"};
    std::size_t bytes = sizeof(DOMAIN_CONTROLLER_INFOW);
    for (const std::wstring& s : strings) {
        bytes += (s.size() + 1) * sizeof(wchar_t);
    }
    auto* block = static_cast<BYTE*>(NetApiCopy(bytes));
    if (block == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    auto* result = reinterpret_cast<DOMAIN_CONTROLLER_INFOW*>(block);
    auto* text = reinterpret_cast<wchar_t*>(block + sizeof(DOMAIN_CONTROLLER_INFOW));
    LPWSTR* fields[] = {&result->DomainControllerName, &result->DomainControllerAddress,
                        &result->DomainName,           &result->DnsForestName,
                        &result->DcSiteName,           &result->ClientSiteName};
    for (std::size_t i = 0; i < 6; ++i) {
        *fields[i] = text;
        std::memcpy(text, strings[i].c_str(), (strings[i].size() + 1) * sizeof(wchar_t));
        text += strings[i].size() + 1;
    }
    result->DomainControllerAddressType = DS_INET_ADDRESS;
    result->Flags = DS_DS_FLAG | DS_WRITABLE_FLAG | DS_KDC_FLAG |
                    (dnsNames ? DS_DNS_CONTROLLER_FLAG | DS_DNS_DOMAIN_FLAG : 0);
    *info = result;
    return ERROR_SUCCESS;
}

DWORD WINAPI SimNetGetJoinInformation(LPCWSTR server, LPWSTR* name, PNETSETUP_JOIN_STATUS status) {
    State().Answer(L"NetGetJoinInformation", true, L"server=" + Show(server));
    if (name == nullptr || status == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const auto model = State().Model();
    if (model->computer.joinError != 0) {
        return model->computer.joinError;
    }
    const std::wstring& joined = model->computer.joinName;
    auto* buffer = static_cast<wchar_t*>(NetApiCopy((joined.size() + 1) * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::memcpy(buffer, joined.c_str(), (joined.size() + 1) * sizeof(wchar_t));
    *name = buffer;
    *status = static_cast<NETSETUP_JOIN_STATUS>(model->computer.joinStatus);
    return ERROR_SUCCESS;
}

DWORD WINAPI SimNetApiBufferFree(LPVOID buffer) {
    State().Answer(L"NetApiBufferFree", false);
    if (buffer == nullptr) {
        return ERROR_SUCCESS;
    }
    if (!State().Untrack(State().netApiBuffers, buffer)) {
        InterlockedIncrement(&g_invalidReleases);
        return ERROR_INVALID_PARAMETER;
    }
    return State().realNetApiBufferFree != nullptr ? State().realNetApiBufferFree(buffer)
                                                   : ERROR_SUCCESS;
}

// ---- advapi32 -----------------------------------------------------------------

struct AccountAnswer {
    std::wstring sid;
    std::wstring domain;
    std::wstring name;
    SID_NAME_USE use = SidTypeUser;
};

SID_NAME_USE UseOf(const SimDirectoryObject& object) {
    return object.kind == SimDirectoryObject::Kind::Group ? SidTypeGroup : SidTypeUser;
}

AccountAnswer FromObject(const SimDomainModel& model, const SimDirectoryObject& object) {
    return {object.sid, model.domains[object.domain].flat, object.sam, UseOf(object)};
}

// Which domains this computer's local security authority can resolve names
// in: its own and, through trusts, the others of the fixture.
DWORD ResolveAccountName(const SimDomainModel& model, const wchar_t* system,
                         const std::wstring& account, AccountAnswer& answer) {
    std::wstring domainPart;
    std::wstring userPart = account;
    const std::size_t slash = account.find(L'\\');
    if (slash != std::wstring::npos) {
        domainPart = account.substr(0, slash);
        userPart = account.substr(slash + 1);
    }
    if (system != nullptr && *system != L'\0') {
        const int domain = model.FindDomainOfController(system);
        if (domain < 0 || !model.domains[static_cast<std::size_t>(domain)].reachable) {
            return RPC_S_SERVER_UNAVAILABLE;
        }
        const SimDomain& at = model.domains[static_cast<std::size_t>(domain)];
        if (!domainPart.empty() && !SimEqualNoCase(domainPart, at.flat)) {
            return ERROR_NONE_MAPPED;
        }
        const SimDirectoryObject* object =
            model.FindBySam(static_cast<std::size_t>(domain), userPart);
        if (object == nullptr) {
            return ERROR_NONE_MAPPED;
        }
        answer = FromObject(model, *object);
        return ERROR_SUCCESS;
    }
    if (const SimLocalAccount* local = model.FindLocalAccount(domainPart, userPart)) {
        answer = {local->sid, local->domain, local->name, local->use};
        return ERROR_SUCCESS;
    }
    const int joined = model.JoinedDomain();
    if (joined < 0) {
        return ERROR_NONE_MAPPED;
    }
    if (domainPart.empty() && slash == std::wstring::npos &&
        userPart.find(L'@') != std::wstring::npos) {
        if (const SimDirectoryObject* object = model.FindByUpn(userPart)) {
            if (model.domains[object->domain].reachable) {
                answer = FromObject(model, *object);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_NONE_MAPPED;
    }
    const int domain =
        domainPart.empty() ? joined : model.FindDomain(domainPart.c_str(), true, false);
    if (domain < 0 || !model.domains[static_cast<std::size_t>(domain)].reachable) {
        return ERROR_NONE_MAPPED;
    }
    const SimDirectoryObject* object = model.FindBySam(static_cast<std::size_t>(domain), userPart);
    if (object == nullptr) {
        return ERROR_NONE_MAPPED;
    }
    answer = FromObject(model, *object);
    return ERROR_SUCCESS;
}

WINBOOL WINAPI SimLookupAccountNameW(LPCWSTR system, LPCWSTR account, PSID sid, LPDWORD sidSize,
                                     LPWSTR domain, LPDWORD domainSize, PSID_NAME_USE use) {
    State().Answer(L"LookupAccountNameW", true,
                   L"system=" + Show(system) + L" account=" + Show(account));
    if (account == nullptr || sidSize == nullptr || domainSize == nullptr || use == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (State().TakeLookupNameBufferAnswer()) {
        *sidSize += 8;
        *domainSize += 8;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const auto model = State().Model();
    AccountAnswer answer;
    const DWORD code = ResolveAccountName(*model, system, account, answer);
    if (code != ERROR_SUCCESS) {
        SetLastError(code);
        return FALSE;
    }
    const std::vector<BYTE> bytes = SidBytes(answer.sid);
    if (bytes.empty()) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    if (sid == nullptr || *sidSize < bytes.size() || domain == nullptr ||
        *domainSize < answer.domain.size() + 1) {
        *sidSize = static_cast<DWORD>(bytes.size());
        *domainSize = static_cast<DWORD>(answer.domain.size() + 1);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(sid, bytes.data(), bytes.size());
    std::memcpy(domain, answer.domain.c_str(), (answer.domain.size() + 1) * sizeof(wchar_t));
    *sidSize = static_cast<DWORD>(bytes.size());
    *domainSize = static_cast<DWORD>(answer.domain.size());
    *use = answer.use;
    return TRUE;
}

WINBOOL WINAPI SimLookupAccountSidW(LPCWSTR system, PSID sid, LPWSTR name, LPDWORD nameSize,
                                    LPWSTR domain, LPDWORD domainSize, PSID_NAME_USE use) {
    std::wstring sidText;
    LPWSTR converted = nullptr;
    if (sid != nullptr && IsValidSid(sid) && ConvertSidToStringSidW(sid, &converted)) {
        sidText = converted;
        LocalFree(converted);
    }
    State().Answer(L"LookupAccountSidW", true, L"system=" + Show(system) + L" sid=" + sidText);
    if (nameSize == nullptr || domainSize == nullptr || use == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (sidText.empty()) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    if (State().TakeLookupSidBufferAnswer()) {
        *nameSize += 8;
        *domainSize += 8;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const auto model = State().Model();
    AccountAnswer answer;
    if (const SimLocalAccount* local = model->FindLocalAccountBySid(sidText)) {
        answer = {local->sid, local->domain, local->name, local->use};
    } else if (const SimDirectoryObject* object = model->FindBySid(sidText);
               object != nullptr && model->domains[object->domain].reachable &&
               model->JoinedDomain() >= 0) {
        answer = FromObject(*model, *object);
    } else {
        SetLastError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    if (name == nullptr || *nameSize < answer.name.size() + 1 || domain == nullptr ||
        *domainSize < answer.domain.size() + 1) {
        *nameSize = static_cast<DWORD>(answer.name.size() + 1);
        *domainSize = static_cast<DWORD>(answer.domain.size() + 1);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(name, answer.name.c_str(), (answer.name.size() + 1) * sizeof(wchar_t));
    std::memcpy(domain, answer.domain.c_str(), (answer.domain.size() + 1) * sizeof(wchar_t));
    *nameSize = static_cast<DWORD>(answer.name.size());
    *domainSize = static_cast<DWORD>(answer.domain.size());
    *use = answer.use;
    return TRUE;
}

// ---- ole32 --------------------------------------------------------------------

HRESULT WINAPI SimCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid,
                                   LPVOID* object) {
    if (!IsEqualCLSID(clsid, CLSID_NameTranslate)) {
        if (State().realCoCreateInstance == nullptr) {
            return REGDB_E_CLASSNOTREG;
        }
        return State().realCoCreateInstance(clsid, outer, context, riid, object);
    }
    State().Answer(L"CoCreateInstance(NameTranslate)", false);
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!State().Model()->nameTranslateRegistered) {
        return REGDB_E_CLASSNOTREG;
    }
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    auto* translate = new SimNameTranslate();
    const HRESULT hr = translate->QueryInterface(riid, object);
    translate->Release();
    return hr;
}

const SimReplacement kReplacements[] = {
    {"activeds.dll", "ADsGetObject", reinterpret_cast<void*>(&SimADsGetObject)},
    {"activeds.dll", "AllocADsMem", reinterpret_cast<void*>(&SimAllocADsMem)},
    {"activeds.dll", "FreeADsMem", reinterpret_cast<void*>(&SimFreeADsMem)},
    {"ntdsapi.dll", "DsBindW", reinterpret_cast<void*>(&SimDsBindW)},
    {"ntdsapi.dll", "DsUnBindW", reinterpret_cast<void*>(&SimDsUnBindW)},
    {"ntdsapi.dll", "DsCrackNamesW", reinterpret_cast<void*>(&SimDsCrackNamesW)},
    {"ntdsapi.dll", "DsFreeNameResultW", reinterpret_cast<void*>(&SimDsFreeNameResultW)},
    {"netapi32.dll", "DsGetDcNameW", reinterpret_cast<void*>(&SimDsGetDcNameW)},
    {"netapi32.dll", "NetGetJoinInformation", reinterpret_cast<void*>(&SimNetGetJoinInformation)},
    {"netapi32.dll", "NetApiBufferFree", reinterpret_cast<void*>(&SimNetApiBufferFree)},
    {"advapi32.dll", "LookupAccountNameW", reinterpret_cast<void*>(&SimLookupAccountNameW)},
    {"advapi32.dll", "LookupAccountSidW", reinterpret_cast<void*>(&SimLookupAccountSidW)},
    {"ole32.dll", "CoCreateInstance", reinterpret_cast<void*>(&SimCoCreateInstance)},
};

} // namespace

const SimReplacement* SimDirectoryReplacements(std::size_t& count) {
    count = sizeof(kReplacements) / sizeof(kReplacements[0]);
    return kReplacements;
}

long SimInvalidReleases() {
    return g_invalidReleases;
}
