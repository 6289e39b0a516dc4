// Points an import or a vtable slot of the running test program at a
// stand-in, for failures and system answers a test cannot otherwise bring about.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

// Writes `value` into a slot of read-only memory; gives the previous value.
inline void* ReplaceSlot(void** slot, void* value) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
    void* previous = std::exchange(*slot, value);
    VirtualProtect(slot, sizeof(void*), old, &old);
    return previous;
}

// Points this program's import of `name` at `replacement`; gives the
// previous target.
inline const void* ReplaceImport(const char* name, const void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         d->Name != 0; ++d) {
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slot = reinterpret_cast<ULONG_PTR*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slot) {
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) && strcmp(byName->Name, name) == 0) {
                return ReplaceSlot(reinterpret_cast<void**>(slot), const_cast<void*>(replacement));
            }
        }
    }
    ADD_FAILURE() << name << " is not imported";
    return nullptr;
}
