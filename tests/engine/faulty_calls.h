// The file layer's system calls with faults planted, through the running system's own seam:
// FaultyCalls, FaultyCalls::FileSystem over it, and a test's folder of its own on them.
#pragma once

#ifdef _WIN32
#include "faulty_calls_windows.h"
#else
#include "faulty_calls_posix.h"
#endif
#include "old_file_fixture.h"

#include <gtest/gtest.h>

class OnFaultyCalls : public ::testing::Test {
protected:
    fixtures::TemporaryFolder dir;
    FaultyCalls calls;
    FaultyCalls::FileSystem files{calls};
};
