# Cross build for Windows x64 with mingw-w64.
# RESETRA_THREADS selects the compiler flavour: "win32" for the shipped DLL
# (imports nothing Vista-only), "posix" for the test tree (GoogleTest needs
# std::mutex and std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
if(NOT DEFINED RESETRA_THREADS)
    set(RESETRA_THREADS win32)
endif()
set(RESETRA_THREADS ${RESETRA_THREADS} CACHE STRING "mingw-w64 thread model (win32 or posix)")
set(_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_prefix}-gcc-${RESETRA_THREADS})
set(CMAKE_CXX_COMPILER ${_prefix}-g++-${RESETRA_THREADS})
set(CMAKE_RC_COMPILER ${_prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
