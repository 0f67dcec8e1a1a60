// Programmer-error checks: cheap, always on, abort with the failing expression.
#pragma once

#include <cstdio>
#include <cstdlib>

#define ENGINE_ASSERT(expression)                                                                        \
    do {                                                                                                 \
        if (!(expression)) {                                                                             \
            std::fprintf(stderr, "advplay: assertion failed: %s (%s:%d)\n", #expression, __FILE__, __LINE__); \
            std::abort();                                                                                \
        }                                                                                                \
    } while (false)
