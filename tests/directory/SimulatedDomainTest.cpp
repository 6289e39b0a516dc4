// The simulated domain itself: that it takes over every directory import of
// this program and of the loaded GINA, stops calls it does not simulate,
// refuses fixtures that make no sense, and hands out the value shapes that
// the policy code reads ("memberOf", "pwdLastSet", "msDS-ByteArray").
#include "DirectoryTestWorld.h"

#include "support/cMvBstr.h"
#include "support/cMvComPtr.h"
#include "support/cMvVariant.h"

#include <adserr.h>
#include <iads.h>
#include <adshlp.h>
#include <lm.h>
#include <ntdsapi.h>
#include <msxml.h>

#include <set>
#include <string>
#include <vector>

using resetra::cMvBstr;
using resetra::cMvComPtr;
using resetra::cMvVariant;

using SimulatedDomain = DirectoryTest;

namespace {

struct Import {
    std::string dll;
    std::string name;
    const void* target;
};

// Reads a loaded module's import table independently of the rewriting.
std::vector<Import> ImportsOf(HMODULE module) {
    std::vector<Import> imports;
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         dir.VirtualAddress != 0 && d->Name != 0; ++d) {
        std::string dll(reinterpret_cast<const char*>(base + d->Name));
        for (char& c : dll) {
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        }
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<const ULONG_PTR*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            std::string name = IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)
                                   ? std::string("#ordinal")
                                   : std::string(reinterpret_cast<const char*>(
                                         reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                             base + names->u1.AddressOfData)
                                             ->Name));
            imports.push_back({dll, name, reinterpret_cast<const void*>(*slots)});
        }
    }
    return imports;
}

// Every import of the three directory libraries, and the account look-ups,
// must lead into the simulation; returns how many were checked.
int ExpectDirectoryImportsSimulated(HMODULE module, std::set<std::string>& libraries) {
    int checked = 0;
    for (const Import& import : ImportsOf(module)) {
        const bool takenOver = import.dll == "activeds.dll" || import.dll == "ntdsapi.dll" ||
                               import.dll == "netapi32.dll";
        const bool lookup = import.dll == "advapi32.dll" && (import.name == "LookupAccountNameW" ||
                                                             import.name == "LookupAccountSidW");
        const bool create = import.dll == "ole32.dll" && import.name == "CoCreateInstance";
        if (takenOver || lookup || create) {
            EXPECT_TRUE(IsSimulatedDomainFunction(import.target))
                << import.dll << "!" << import.name << " still reaches the system";
            libraries.insert(import.dll);
            ++checked;
        } else {
            EXPECT_FALSE(IsSimulatedDomainFunction(import.target))
                << import.dll << "!" << import.name << " was redirected without need";
        }
    }
    return checked;
}

std::string g_trapped;
void RecordTrap(const char* dll, const char* function) {
    g_trapped = std::string(dll) + "!" + function;
}

cMvComPtr<IADs> Bind(const std::wstring& dn) {
    cMvComPtr<IADs> object;
    EXPECT_EQ(ADsGetObject((L"LDAP://" + dn).c_str(), IID_IADs, object.put_void()), S_OK) << dn;
    return object;
}

HRESULT GetValue(IADs* object, const wchar_t* name, cMvVariant& value) {
    return object->Get(cMvBstr(name).get(), value.put());
}

const wchar_t* kBob = L"CN=Bob Builder,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com";

} // namespace

TEST_F(SimulatedDomain, RedirectsEveryDirectoryImportOfThisProgram) {
    std::set<std::string> libraries;
    EXPECT_GT(ExpectDirectoryImportsSimulated(GetModuleHandleW(nullptr), libraries), 10);
    EXPECT_EQ(libraries, (std::set<std::string>{"activeds.dll", "advapi32.dll", "netapi32.dll",
                                                "ntdsapi.dll", "ole32.dll"}));
}

TEST_F(SimulatedDomain, RedirectsEveryDirectoryImportOfTheLoadedGina) {
    if (GetFileAttributesW(RESETRA_PRODUCT_DLL) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "the product DLL has not been built";
    }
    HMODULE gina = LoadLibraryW(RESETRA_PRODUCT_DLL);
    ASSERT_NE(gina, nullptr);
    ASSERT_EQ(InstallSimulatedDomain(gina, RESETRA_EXAMPLE_DOMAIN), 0u);
    std::set<std::string> libraries;
    const int checked = ExpectDirectoryImportsSimulated(gina, libraries);
    std::printf("directory imports of the GINA checked: %d\n", checked);
    FreeLibrary(gina);
    ASSERT_EQ(LoadSimulatedDomainText(ExampleFixtureText().c_str()), 0u);
}

TEST_F(SimulatedDomain, AnswersALoadedLibraryThroughItsImportTable) {
    HMODULE probe = LoadLibraryW(RESETRA_DIRECTORY_PROBE);
    ASSERT_NE(probe, nullptr);
    ASSERT_EQ(InstallSimulatedDomain(probe, RESETRA_EXAMPLE_DOMAIN), 0u);
    std::set<std::string> libraries;
    EXPECT_GT(ExpectDirectoryImportsSimulated(probe, libraries), 10);
    EXPECT_EQ(libraries, (std::set<std::string>{"activeds.dll", "advapi32.dll", "netapi32.dll",
                                                "ntdsapi.dll", "ole32.dll"}));
    using Probe = int32_t(__cdecl*)(const wchar_t*, const wchar_t*, wchar_t*, DWORD);
    auto call =
        reinterpret_cast<Probe>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeUserSid")));
    ASSERT_NE(call, nullptr);
    wchar_t sid[128] = L"";
    EXPECT_EQ(call(L"corp.example.com", L"carol", sid, 128), 0);
    EXPECT_STREQ(sid, CORP_SID L"-1106");
    EXPECT_GT(SimDomainCallCount(L"DsCrackNamesW"), 0);
    EXPECT_GT(SimDomainCallCount(L"LookupAccountNameW"), 0);
    FreeLibrary(probe);
    ASSERT_EQ(LoadSimulatedDomainText(ExampleFixtureText().c_str()), 0u);
}

TEST_F(SimulatedDomain, StopsEveryCallItDoesNotSimulate) {
    SetSimDomainTrapHandler(&RecordTrap);
    g_trapped.clear();
    LPBYTE info = nullptr;
    EXPECT_EQ(NetUserGetInfo(nullptr, L"bob", 0, &info), ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(g_trapped, "netapi32.dll!NetUserGetInfo");
    g_trapped.clear();
    void* object = nullptr;
    EXPECT_EQ(
        static_cast<ULONG_PTR>(ADsOpenObject(L"LDAP://x", nullptr, nullptr, 0, IID_IADs, &object)),
        static_cast<ULONG_PTR>(ERROR_CALL_NOT_IMPLEMENTED));
    EXPECT_EQ(g_trapped, "activeds.dll!ADsOpenObject");
    SetSimDomainTrapHandler(nullptr);
}

TEST_F(SimulatedDomain, PassesEveryOtherClassToTheSystem) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        cMvComPtr<IXMLDOMDocument> document;
        EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IXMLDOMDocument, document.put_void()),
                  S_OK);
    }
    CoUninitialize();
    EXPECT_EQ(SimDomainCallCount(L"CoCreateInstance(NameTranslate)"), 0);
}

TEST_F(SimulatedDomain, RefusesAFixtureThatMakesNoSenseAndKeepsThePreviousOne) {
    for (const wchar_t* bad :
         {L"<SimulatedDomain", L"<Domains/>",
          L"<SimulatedDomain><Domain flat=\"A\" dns=\"a.example\"><User sam=\"u\"><MemberOf>A\\nope"
          L"</MemberOf></User></Domain></SimulatedDomain>",
          L"<SimulatedDomain><Computer joinedTo=\"NOPE\"/></SimulatedDomain>",
          L"<SimulatedDomain><Domain flat=\"A\" dns=\"a.example\" bindError=\"x\"/>"
          L"</SimulatedDomain>",
          L"<SimulatedDomain><Domain flat=\"A\" dns=\"a.example\"><Policy encoding=\"hex\">0"
          L"</Policy></Domain></SimulatedDomain>"}) {
        EXPECT_EQ(LoadSimulatedDomainText(bad), static_cast<DWORD>(ERROR_INVALID_DATA)) << bad;
        EXPECT_FALSE(SimDomainLastError().empty());
    }
    EXPECT_NE(LoadSimulatedDomainFile(L"Z:\\no\\such\\fixture.xml"), 0u);
    cMvVariant value; // the example fixture still answers
    EXPECT_EQ(GetValue(Bind(kBob).get(), L"sAMAccountName", value), S_OK);
}

TEST_F(SimulatedDomain, ReadsTheExampleFixtureFromItsFile) {
    ASSERT_EQ(LoadSimulatedDomainFile(RESETRA_EXAMPLE_DOMAIN), 0u);
    cMvVariant value;
    EXPECT_EQ(GetValue(Bind(kBob).get(), L"userPrincipalName", value), S_OK);
    ASSERT_EQ(value.Type(), VT_BSTR);
    EXPECT_STREQ(value.get()->bstrVal, L"bob@corp.example.com");
}

TEST_F(SimulatedDomain, GivesMemberOfAsOneStringOrAnArrayOrNotAtAll) {
    cMvVariant value;
    EXPECT_EQ(GetValue(Bind(kBob).get(), L"memberOf", value), S_OK);
    ASSERT_EQ(value.Type(), VT_BSTR);
    EXPECT_STREQ(value.get()->bstrVal, L"CN=EMEA Sales,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com");

    EXPECT_EQ(GetValue(Bind(L"CN=Engineers,CN=Users,DC=corp,DC=example,DC=com").get(), L"memberOf",
                       value),
              S_OK);
    ASSERT_EQ(value.Type(), VT_ARRAY | VT_VARIANT);
    LONG upper = -1;
    SafeArrayGetUBound(value.get()->parray, 1, &upper);
    EXPECT_EQ(upper, 1);

    EXPECT_EQ(GetValue(Bind(L"CN=Lab Users,OU=Research,DC=lab,DC=example,DC=net").get(),
                       L"memberOf", value),
              E_ADS_PROPERTY_NOT_FOUND);
}

TEST_F(SimulatedDomain, LetsNestedAndCyclicGroupsBeWalkedToTheEnd) {
    std::set<std::wstring> seen;
    std::vector<std::wstring> pending{kBob};
    while (!pending.empty()) {
        const std::wstring dn = pending.back();
        pending.pop_back();
        if (!seen.insert(dn).second) {
            continue;
        }
        cMvVariant value;
        const HRESULT hr = GetValue(Bind(dn).get(), L"memberOf", value);
        if (hr == E_ADS_PROPERTY_NOT_FOUND) {
            continue;
        }
        ASSERT_EQ(hr, S_OK);
        if (value.Type() == VT_BSTR) {
            pending.push_back(value.get()->bstrVal);
        } else {
            SAFEARRAY* array = value.get()->parray;
            LONG lower = 0, upper = -1;
            SafeArrayGetLBound(array, 1, &lower);
            SafeArrayGetUBound(array, 1, &upper);
            for (LONG i = lower; i <= upper; ++i) {
                VARIANT element;
                VariantInit(&element);
                SafeArrayGetElement(array, &i, &element);
                pending.push_back(element.bstrVal);
                VariantClear(&element);
            }
        }
    }
    EXPECT_EQ(seen, (std::set<std::wstring>{
                        kBob, L"CN=EMEA Sales,OU=EMEA,OU=Sales,DC=corp,DC=example,DC=com",
                        L"CN=Sales Staff,OU=Sales,DC=corp,DC=example,DC=com",
                        L"CN=All Staff,CN=Users,DC=corp,DC=example,DC=com"}));
}

TEST_F(SimulatedDomain, GivesPasswordLastSetRelativeToNow) {
    cMvVariant value;
    EXPECT_EQ(GetValue(Bind(kBob).get(), L"pwdLastSet", value), S_OK);
    ASSERT_EQ(value.Type(), VT_DISPATCH);
    cMvComPtr<IADsLargeInteger> large;
    ASSERT_EQ(value.get()->pdispVal->QueryInterface(IID_IADsLargeInteger, large.put_void()), S_OK);
    LONG high = 0, low = 0;
    large->get_HighPart(&high);
    large->get_LowPart(&low);
    const LONGLONG set = (static_cast<LONGLONG>(high) << 32) | static_cast<ULONG>(low);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const LONGLONG ticks = (static_cast<LONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const LONGLONG minutesAgo = (ticks - set) / 600000000LL;
    EXPECT_GE(minutesAgo, 2879);
    EXPECT_LE(minutesAgo, 2881);
    large.reset();

    EXPECT_EQ(GetValue(Bind(L"CN=Dave Doe,CN=Users,DC=corp,DC=example,DC=com").get(), L"pwdLastSet",
                       value),
              S_OK);
    ASSERT_EQ(value.Type(), VT_DISPATCH);
    ASSERT_EQ(value.get()->pdispVal->QueryInterface(IID_IADsLargeInteger, large.put_void()), S_OK);
    large->get_HighPart(&high);
    large->get_LowPart(&low);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(low, 0);
    large.reset();

    EXPECT_EQ(GetValue(Bind(L"CN=Frank Fox,OU=Optics,OU=Research,DC=lab,DC=example,DC=net").get(),
                       L"pwdLastSet", value),
              E_ADS_PROPERTY_NOT_FOUND);
}

TEST_F(SimulatedDomain, StoresEachDomainsPolicyListAsBytes) {
    const std::wstring path =
        L"CN=HwgPasswordPolicy,CN=Vexa Policy Manager,CN=Harrowgate,CN=Program Data,";
    cMvVariant value;
    EXPECT_EQ(GetValue(Bind(path + L"DC=corp,DC=example,DC=com").get(), L"msDS-ByteArray", value),
              S_OK);
    ASSERT_EQ(value.Type(), VT_ARRAY | VT_UI1);
    LONG upper = -1;
    SafeArrayGetUBound(value.get()->parray, 1, &upper);
    const auto* bytes = static_cast<const char*>(value.get()->parray->pvData);
    const std::string text(bytes, bytes + upper + 1);
    EXPECT_EQ(text.rfind("<PolicyList version=\"2\">", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 4), "#42#");

    EXPECT_EQ(GetValue(Bind(path + L"DC=lab,DC=example,DC=net").get(), L"msDS-ByteArray", value),
              E_ADS_PROPERTY_NOT_FOUND);

    // Bytes that are not UTF-8 are kept as they are.
    UseExampleWith(L"<Policy encoding=\"absent\"/>", L"<Policy encoding=\"hex\">3c41ff3e</Policy>");
    EXPECT_EQ(GetValue(Bind(path + L"DC=lab,DC=example,DC=net").get(), L"msDS-ByteArray", value),
              S_OK);
    ASSERT_EQ(value.Type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(std::string(static_cast<const char*>(value.get()->parray->pvData), 4),
              std::string("<A\xff>"));

    // Without a Policy element the object does not exist.
    UseExampleWith(L"<Policy encoding=\"absent\"/>", L"");
    cMvComPtr<IADs> object;
    EXPECT_EQ(ADsGetObject((L"LDAP://" + path + L"DC=lab,DC=example,DC=net").c_str(), IID_IADs,
                           object.put_void()),
              HRESULT_FROM_WIN32(ERROR_DS_NO_SUCH_OBJECT));
}

TEST_F(SimulatedDomain, OffersUserNamesOnlyOnUserObjects) {
    cMvComPtr<IADsUser> user;
    ASSERT_EQ(
        ADsGetObject((std::wstring(L"LDAP://") + kBob).c_str(), IID_IADsUser, user.put_void()),
        S_OK);
    cMvBstr first, last, full;
    EXPECT_EQ(user->get_FirstName(first.put()), S_OK);
    EXPECT_EQ(user->get_LastName(last.put()), S_OK);
    EXPECT_EQ(user->get_FullName(full.put()), S_OK);
    EXPECT_STREQ(first.c_str(), L"Bob");
    EXPECT_STREQ(last.c_str(), L"Builder");
    EXPECT_STREQ(full.c_str(), L"Bob Builder");
    cMvComPtr<IADsUser> group;
    EXPECT_EQ(ADsGetObject(L"LDAP://CN=All Staff,CN=Users,DC=corp,DC=example,DC=com", IID_IADsUser,
                           group.put_void()),
              E_NOINTERFACE);
}

TEST_F(SimulatedDomain, FailsTheLoadOfThePropertyCacheWhenScripted) {
    EXPECT_EQ(Bind(kBob)->GetInfo(), S_OK);
    UseExampleWith(L"<User sam=\"bob\"", L"<User sam=\"bob\" getInfoError=\"0x8007203A\"");
    EXPECT_EQ(Bind(kBob)->GetInfo(), HRESULT_FROM_WIN32(ERROR_DS_SERVER_DOWN));
}

TEST_F(SimulatedDomain, AnswersForAComputerInNoDomainAtAll) {
    UseExampleWith(L"<Computer name=\"WS01\" joinedTo=\"CORP\"/>", L"<Computer name=\"WS01\"/>");
    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS status = NetSetupDomainName;
    EXPECT_EQ(NetGetJoinInformation(nullptr, &name, &status), 0u);
    EXPECT_EQ(status, NetSetupUnjoined);
    NetApiBufferFree(name);
    HANDLE bind = nullptr;
    EXPECT_EQ(DsBindW(nullptr, nullptr, &bind), static_cast<DWORD>(ERROR_NO_SUCH_DOMAIN));
    EXPECT_EQ(bind, nullptr);
}

TEST_F(SimulatedDomain, CountsEveryCallAndWaitsTheScriptedDelay) {
    UseExampleWith(L"<SimulatedDomain>", L"<SimulatedDomain delayMs=\"40\">");
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    cMvVariant value;
    EXPECT_EQ(GetValue(Bind(kBob).get(), L"cn", value), S_OK);
    QueryPerformanceCounter(&end);
    // Two round trips of 40 ms each; a lower bound only, never an upper one.
    EXPECT_GE((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart, 75);
    EXPECT_EQ(SimDomainCallCount(L"ADsGetObject"), 1);
    EXPECT_EQ(SimDomainCallCount(L"IADs::Get"), 1);
    EXPECT_EQ(SimDomainCallCount(), 2);
}
