// Walks a loaded module's import table independently of any rewriting: the
// library and function name of each import and the slot that holds its target.
#pragma once

#include <windows.h>

#include <cctype>
#include <string>

// Calls visit(dll, name, slot) for each import; dll in lower case, an import
// by ordinal named "#ordinal".
template <class Visit>
void ForEachImport(HMODULE module, Visit visit) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         dir.VirtualAddress != 0 && d->Name != 0; ++d) {
        std::string dll(reinterpret_cast<const char*>(base + d->Name));
        for (char& c : dll) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slot = reinterpret_cast<ULONG_PTR*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slot) {
            visit(dll,
                  IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)
                      ? std::string("#ordinal")
                      : std::string(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                        base + names->u1.AddressOfData)
                                        ->Name),
                  slot);
        }
    }
}
