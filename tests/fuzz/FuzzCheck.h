#pragma once
// A fuzz target's promise: when it breaks, the crash report names the file and line.
#include <cstdio>
#include <cstdlib>

inline void check(bool ok, const char* file = __builtin_FILE(), int line = __builtin_LINE())
{
    if (!ok) {
        std::fprintf(stderr, "check failed at %s:%d\n", file, line);
        std::abort();
    }
}
