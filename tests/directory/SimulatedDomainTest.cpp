// The simulated domain's guarantees that the directory tests rely on: it
// takes over every directory import of this program, of a loaded library and
// of the loaded GINA, and stops every call it does not simulate.
#include "DirectoryTestWorld.h"
#include "tests/support/ImportTable.h"

#include <ole2.h>
#include <iads.h>
#include <adshlp.h>
#include <lm.h>

#include <set>
#include <string>
#include <vector>

using SimulatedDomain = DirectoryTest;

namespace {

// Every import of the three directory libraries, and the account look-ups,
// must lead into the simulation; returns how many were checked.
int ExpectDirectoryImportsSimulated(HMODULE module, std::set<std::string>& libraries) {
    int checked = 0;
    ForEachImport(module, [&](const std::string& dll, const std::string& name, ULONG_PTR* slot) {
        const bool takenOver =
            dll == "activeds.dll" || dll == "ntdsapi.dll" || dll == "netapi32.dll";
        const bool lookup =
            dll == "advapi32.dll" && (name == "LookupAccountNameW" || name == "LookupAccountSidW");
        const bool create = dll == "ole32.dll" && name == "CoCreateInstance";
        const bool simulated = IsSimulatedDomainFunction(reinterpret_cast<const void*>(*slot));
        EXPECT_EQ(simulated, takenOver || lookup || create)
            << dll << "!" << name
            << (simulated ? " was redirected without need" : " still reaches the system");
        if (simulated) {
            libraries.insert(dll);
            ++checked;
        }
    });
    return checked;
}

std::string g_trapped;
void RecordTrap(const char* dll, const char* function) {
    g_trapped = std::string(dll) + "!" + function;
}

} // namespace

TEST_F(SimulatedDomain, RedirectsEveryDirectoryImportOfThisProgramALibraryAndTheGina) {
    const std::set<std::string> all{"activeds.dll", "advapi32.dll", "netapi32.dll", "ntdsapi.dll",
                                    "ole32.dll"};
    std::set<std::string> libraries;
    EXPECT_GT(ExpectDirectoryImportsSimulated(GetModuleHandleW(nullptr), libraries), 10);
    EXPECT_EQ(libraries, all);

    // A library of its own is answered through its import table alone.
    HMODULE probe = LoadLibraryW(RESETRA_DIRECTORY_PROBE);
    ASSERT_NE(probe, nullptr);
    ASSERT_EQ(InstallSimulatedDomain(probe, RESETRA_EXAMPLE_DOMAIN), 0u);
    libraries.clear();
    EXPECT_GT(ExpectDirectoryImportsSimulated(probe, libraries), 10);
    EXPECT_EQ(libraries, all);
    using Probe = int32_t(__cdecl*)(const wchar_t*, const wchar_t*, wchar_t*, DWORD);
    auto call =
        reinterpret_cast<Probe>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeUserSid")));
    ASSERT_NE(call, nullptr);
    wchar_t sid[128] = L"";
    EXPECT_EQ(call(L"corp.example.com", L"carol", sid, 128), 0);
    EXPECT_STREQ(sid, CORP_SID L"-1106");
    EXPECT_GT(SimDomainCallCount(L"DsCrackNamesW"), 0);
    FreeLibrary(probe);

    if (GetFileAttributesW(RESETRA_PRODUCT_DLL) != INVALID_FILE_ATTRIBUTES) {
        HMODULE gina = LoadLibraryW(RESETRA_PRODUCT_DLL);
        ASSERT_NE(gina, nullptr);
        ASSERT_EQ(InstallSimulatedDomain(gina, RESETRA_EXAMPLE_DOMAIN), 0u);
        libraries.clear();
        std::printf("directory imports of the GINA checked: %d\n",
                    ExpectDirectoryImportsSimulated(gina, libraries));
        FreeLibrary(gina);
    }
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
