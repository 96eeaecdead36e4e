// The one way a fuzz target reports a broken promise: a message, then a crash libFuzzer records.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void require(bool kept, const char* promise)
{
    if (kept) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

}  // namespace fuzz
