#pragma once

// What the fuzz targets share: an invariant that does not hold ends the run with its name.
#include <cstdio>
#include <cstdlib>

inline void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}
