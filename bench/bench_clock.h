// What every benchmark measures with: the host's high-resolution counter and
// the statistics of repeated rounds.
#ifndef MORVANE_BENCH_BENCH_CLOCK_H
#define MORVANE_BENCH_BENCH_CLOCK_H

#include <windows.h>
#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

inline double seconds()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double timed(const std::function<void()>& work)
{
    double start = seconds();
    work();
    return seconds() - start;
}

// The machine is shared: the best of many interleaved rounds is the cost of
// the work itself, the median shows how much the neighbours added.
inline double best(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace bench

#endif
