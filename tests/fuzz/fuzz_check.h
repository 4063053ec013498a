#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the run like a crash, so libFuzzer saves the input, when a promise of the code under test
// is broken; names the broken promise first.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)
