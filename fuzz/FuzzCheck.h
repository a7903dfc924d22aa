#ifndef RDX480_FUZZ_FUZZCHECK_H
#define RDX480_FUZZ_FUZZCHECK_H

#include <cstdio>
#include <cstdlib>

// A broken invariant aborts, so libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                        \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

#endif
