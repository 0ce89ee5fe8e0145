#pragma once
// What a fuzz target holds true of every input. A failed check aborts, so that libFuzzer keeps
// the input as a finding and a replay fails, in Release builds (no assert) as well.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                       \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
