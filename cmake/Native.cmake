# Native host build of the portable parts, included by the top level when
# RESETRA_NATIVE is on: the pattern matcher, its unit tests (plain and under
# AddressSanitizer/UndefinedBehaviorSanitizer), the differential test against
# perl, a bounded libFuzzer run (always built with clang) and the benchmark;
# the similarity search with its differential test against the recursive
# definition.
#   cmake -S . -B build/native -DRESETRA_NATIVE=ON && cmake --build build/native
#   ctest --test-dir build/native
include_directories(${CMAKE_SOURCE_DIR})

add_subdirectory(regex)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GCC 12 at -O3 warns about its own std::string inside GoogleTest; not ours to fix.
foreach(target gtest gtest_main)
    target_compile_options(${target} PRIVATE -Wno-error)
endforeach()
include(GoogleTest)

add_subdirectory(tests/regex)
include(tests/policy/Similarity.cmake)
add_subdirectory(bench/regex)
