// Icon resources linked into the program on Linux, as the resource compiler does on
// Windows: each entry is a bitmap file of the icon, clear where alpha is 0, under its
// resource number.
#pragma once

#include <cstddef>

struct StandInIconResource {
    unsigned id;
    const unsigned char* data;
    size_t size;
};

extern const StandInIconResource standInIconResources[];
extern const size_t standInIconResourceCount;
