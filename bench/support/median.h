// The median time of a benchmark's runs, for the benchmarks that time whole operations.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// The median milliseconds of runs calls of run(i), which says whether the run succeeded; a run
// that failed is named on stderr and clears ok.
inline double MedianMs(int runs, const std::function<bool(int)>& run, const char* what, bool& ok) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run(i)) {
            std::fprintf(stderr, "run %d of %s failed\n", i, what);
            ok = false;
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times.empty() ? 0 : times[times.size() / 2];
}

}  // namespace bench
