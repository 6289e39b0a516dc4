// The replacement functions of the simulated domain, by library and name, as
// the import rewriting writes them into a module's import address table.
#pragma once

#include <cstddef>

struct SimReplacement {
    const char* dll; // lower case, with ".dll"
    const char* name;
    void* function;
};

// All replacements; `count` receives their number.
[[nodiscard]] const SimReplacement* SimDirectoryReplacements(std::size_t& count);

// Releases that named nothing the simulation handed out (double or foreign
// frees), counted for tests.
[[nodiscard]] long SimInvalidReleases();
