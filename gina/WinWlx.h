// The GINA interface header with C linkage: the platform header declares the
// Wlx entry points without it, and the library exports them undecorated.
#pragma once

#include <windows.h>

extern "C" {
#include <winwlx.h>
}
