// The simulated domain's guarantees that the directory tests rely on: it
// takes over every directory import of this program, of a loaded library and
// of the loaded GINA, and stops every call it does not simulate.
#include "DirectoryTestWorld.h"

#include <ole2.h>
#include <iads.h>
#include <adshlp.h>
#include <lm.h>

#include <set>
#include <string>
#include <vector>

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
