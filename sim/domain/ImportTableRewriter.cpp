// Import address table rewriting for the simulated domain. activeds, ntdsapi
// and netapi32 are taken over completely: an import without a replacement is
// sent to a trap that names it and fails loudly, so no call reaches the
// platform's own (stub) directory functions unnoticed. From advapi32 and
// ole32 only the replaced functions are touched.
#include "sim/domain/ImportTableRewriter.h"

#include "sim/domain/SimDirectoryFunctions.h"
#include "sim/domain/SimDomainState.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr std::size_t kTrapCount = 64;
std::string g_trapDll[kTrapCount];
std::string g_trapName[kTrapCount];
std::size_t g_trapsUsed = 0;

const char* const kTakenOver[] = {"activeds.dll", "ntdsapi.dll", "netapi32.dll"};

void ReportTrap(std::size_t index) {
    const char* dll = g_trapDll[index].c_str();
    const char* name = g_trapName[index].c_str();
    SimDomainState::Instance().Answer(L"(not simulated)", false);
    if (SimDomainTrapHandler handler = SimDomainState::Instance().trapHandler) {
        handler(dll, name);
        return;
    }
    std::fprintf(stderr, "simulated domain: %s!%s is not simulated; stopping\n", dll, name);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

// Each trap knows its slot in the name table; the arguments of the original
// call are ignored.
template <std::size_t N>
ULONG_PTR WINAPI Trap() {
    ReportTrap(N);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return ERROR_CALL_NOT_IMPLEMENTED;
}

template <std::size_t... I>
std::array<void*, sizeof...(I)> MakeTraps(std::index_sequence<I...>) {
    return {reinterpret_cast<void*>(&Trap<I>)...};
}

const std::array<void*, kTrapCount>& Traps() {
    static const std::array<void*, kTrapCount> traps =
        MakeTraps(std::make_index_sequence<kTrapCount>());
    return traps;
}

std::string Lower(const char* text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (lowered.find('.') == std::string::npos) {
        lowered += ".dll";
    }
    return lowered;
}

bool TakenOver(const std::string& dll) {
    for (const char* each : kTakenOver) {
        if (dll == each) {
            return true;
        }
    }
    return false;
}

void* TrapFor(const std::string& dll, const std::string& name) {
    for (std::size_t i = 0; i < g_trapsUsed; ++i) {
        if (g_trapDll[i] == dll && g_trapName[i] == name) {
            return Traps()[i];
        }
    }
    if (g_trapsUsed == kTrapCount) {
        return nullptr;
    }
    g_trapDll[g_trapsUsed] = dll;
    g_trapName[g_trapsUsed] = name;
    return Traps()[g_trapsUsed++];
}

void* ReplacementFor(const std::string& dll, const char* name) {
    std::size_t count = 0;
    const SimReplacement* replacements = SimDirectoryReplacements(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (dll == replacements[i].dll && std::strcmp(name, replacements[i].name) == 0) {
            return replacements[i].function;
        }
    }
    return nullptr;
}

bool WriteSlot(ULONG_PTR* slot, void* function) {
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old)) {
        return false;
    }
    *slot = reinterpret_cast<ULONG_PTR>(function);
    DWORD ignored = 0;
    VirtualProtect(slot, sizeof(*slot), old, &ignored);
    return true;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

bool IsSimTrapFunction(const void* address) {
    for (void* trap : Traps()) {
        if (trap == address) {
            return true;
        }
    }
    return false;
}

DWORD RewriteImportTable(HMODULE module, std::wstring& error) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (module == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) {
        error = L"not a loaded module";
        return ERROR_BAD_EXE_FORMAT;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        error = L"not a 64-bit module";
        return ERROR_BAD_EXE_FORMAT;
    }
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return ERROR_SUCCESS; // imports nothing at all
    }
    for (auto* descriptor =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        const std::string dll = Lower(reinterpret_cast<const char*>(base + descriptor->Name));
        const bool takenOver = TakenOver(dll);
        const DWORD namesRva = descriptor->OriginalFirstThunk != 0 ? descriptor->OriginalFirstThunk
                                                                   : descriptor->FirstThunk;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + namesRva);
        auto* slots = reinterpret_cast<ULONG_PTR*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            std::string name;
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                char ordinal[16];
                std::snprintf(ordinal, sizeof(ordinal), "#%u",
                              static_cast<unsigned>(IMAGE_ORDINAL(names->u1.Ordinal)));
                name = ordinal;
            } else {
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                name = reinterpret_cast<const char*>(byName->Name);
            }
            void* function = ReplacementFor(dll, name.c_str());
            if (function == nullptr && takenOver) {
                function = TrapFor(dll, name);
                if (function == nullptr) {
                    error = L"too many unsimulated imports; the last was " + Wide(name);
                    return ERROR_TOO_MANY_NAMES;
                }
            }
            if (function != nullptr && !WriteSlot(slots, function)) {
                error = L"cannot write the import slot of " + Wide(dll) + L"!" + Wide(name);
                return GetLastError();
            }
        }
    }
    return ERROR_SUCCESS;
}
