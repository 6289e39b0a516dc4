// Registry clean-up for the support tests: removes a key with everything
// below it from both the 32-bit and the native view.
#pragma once

void DeleteRegistryTree(const wchar_t* path);
