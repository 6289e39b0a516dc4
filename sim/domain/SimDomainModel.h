// In-memory picture of the simulated domains that the replacement directory
// functions answer from: domains with their controllers and faults, the
// directory objects (users, groups, units, policy objects), the local
// computer's join state and its local accounts. Built by SimFixtureReader.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// A value that a fixture sets explicitly for one attribute, overriding what
// the model would derive; also how wrong variant types are injected.
struct SimAttributeValue {
    enum class Kind { Bstr, Bytes, Strings, I4, LargeInteger, Empty, Error };
    std::wstring name;
    Kind kind = Kind::Bstr;
    std::wstring text;
    std::vector<std::wstring> strings;
    std::vector<BYTE> bytes;
    LONG i4 = 0;
    LONGLONG largeInteger = 0;
    HRESULT error = S_OK;
};

struct SimDirectoryObject {
    enum class Kind { User, Group, OrganizationalUnit, Container, PolicyObject };
    enum class PasswordLastSet { MinutesAgo, Never, Absent };

    Kind kind = Kind::User;
    std::size_t domain = 0; // index into the model's domains
    std::wstring cn;
    std::wstring dn;
    std::wstring canonical;
    std::wstring sam;
    std::wstring upn;
    std::wstring firstName;
    std::wstring lastName;
    std::wstring fullName;
    std::wstring sid;                       // text form; empty for objects without one
    std::vector<std::wstring> memberOf;     // distinguished names, resolved after loading
    std::vector<std::wstring> memberOfRefs; // as written in the fixture
    PasswordLastSet pwdLastSet = PasswordLastSet::MinutesAgo;
    LONGLONG pwdLastSetSecondsAgo = 43200 * 60; // negative: in the future
    bool hasPolicyValue = false;
    std::vector<BYTE> policyValue;
    HRESULT getInfoError = S_OK;
    std::vector<SimAttributeValue> overrides;

    [[nodiscard]] const SimAttributeValue* FindOverride(const wchar_t* attribute) const;
    [[nodiscard]] bool IsAccount() const { return kind == Kind::User || kind == Kind::Group; }
};

struct SimDomainController {
    std::wstring name;       // NetBIOS name, DC01
    std::wstring dnsName;    // dc01.corp.example.com
    std::wstring reportedAs; // DomainControllerName as DsGetDcNameW reports it, when scripted
};

// A scripted answer of DsCrackNamesW for one input name.
struct SimCrackScript {
    std::wstring name;
    DWORD status = 0;
    std::wstring domain;
    std::wstring result;
};

struct SimDomain {
    std::wstring flat;
    std::wstring dns;
    std::wstring dn;
    std::wstring sid;
    std::vector<SimDomainController> controllers;
    bool reachable = true;
    DWORD bindError = 0;
    DWORD crackError = 0;
    HRESULT adsError = S_OK;
    HRESULT nameTranslateInitError = S_OK;
    std::vector<SimCrackScript> crackScripts;
};

struct SimLocalAccount {
    std::wstring domain;
    std::wstring name;
    std::wstring sid;
    SID_NAME_USE use = SidTypeUser;
};

struct SimComputer {
    std::wstring name = L"WORKSTATION";
    DWORD joinStatus = 3;  // NetSetupDomainName
    std::wstring joinName; // domain flat name or workgroup name
    DWORD joinError = 0;
    // Fault injection: so many answers of ERROR_INSUFFICIENT_BUFFER, each asking
    // for a larger buffer than the last, before the lookups answer for real.
    unsigned lookupNameBufferAnswers = 0;
    unsigned lookupSidBufferAnswers = 0;
};

class SimDomainModel {
public:
    std::vector<SimDomain> domains;
    std::vector<SimDirectoryObject> objects;
    std::vector<SimLocalAccount> localAccounts;
    SimComputer computer;
    DWORD delayMs = 0;
    bool nameTranslateRegistered = true;
    // Objects by upper-cased distinguished name, so that a fixture of ten
    // thousand nested groups answers each bind at once; built by IndexNames.
    std::unordered_map<std::wstring, std::size_t> dnIndex;

    // Builds dnIndex once every object is in place.
    void IndexNames();

    // Domain by flat or DNS name, ignoring case; -1 when unknown.
    [[nodiscard]] int FindDomain(const wchar_t* name, bool flat = true, bool dns = true) const;
    // The domain the computer is joined to; -1 in a workgroup.
    [[nodiscard]] int JoinedDomain() const;
    // Domain whose controller has this name (NetBIOS or DNS, leading
    // backslashes ignored); -1 when none.
    [[nodiscard]] int FindDomainOfController(const wchar_t* server) const;
    // Domain whose DN is the DC= suffix of a distinguished name; -1 when none.
    [[nodiscard]] int FindDomainOfDn(const std::wstring& dn) const;

    [[nodiscard]] const SimDirectoryObject* FindByDn(const std::wstring& dn) const;
    [[nodiscard]] const SimDirectoryObject* FindByCanonical(const std::wstring& canonical) const;
    [[nodiscard]] const SimDirectoryObject* FindByUpn(const std::wstring& upn) const;
    [[nodiscard]] const SimDirectoryObject* FindBySid(const std::wstring& sid) const;
    [[nodiscard]] const SimDirectoryObject* FindBySam(std::size_t domain,
                                                      const std::wstring& sam) const;
    [[nodiscard]] const SimDirectoryObject* FindByNt4(const std::wstring& account) const;
    [[nodiscard]] const SimDirectoryObject* FindByDisplayName(const std::wstring& name) const;
    [[nodiscard]] const SimLocalAccount* FindLocalAccount(const std::wstring& domain,
                                                          const std::wstring& name) const;
    [[nodiscard]] const SimLocalAccount* FindLocalAccountBySid(const std::wstring& sid) const;
};

[[nodiscard]] bool SimEqualNoCase(const std::wstring& a, const std::wstring& b);
