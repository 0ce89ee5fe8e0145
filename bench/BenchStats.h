#pragma once
// What the benchmarks share to sum up their runs: the median and the process's CPU clock.

#include <algorithm>
#include <ctime>
#include <vector>

namespace bench {

inline double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The CPU time this process has used so far, in milliseconds.
inline double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

}  // namespace bench
