// The check every fuzz target makes of its invariants: a failed one aborts, which libFuzzer
// reports as a crash and keeps the input for.
#pragma once

#include <cstdlib>

namespace fuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace fuzz
