#pragma once

#include <cstdio>
#include <cstdlib>

namespace suitefuzz {

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace suitefuzz
