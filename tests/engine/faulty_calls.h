// The file layer's system calls with faults planted, through the running system's own seam:
// FaultyCalls, and FaultyCalls::FileSystem over it.
#pragma once

#ifdef _WIN32
#include "faulty_calls_windows.h"
#else
#include "faulty_calls_posix.h"
#endif
