// What every benchmark measures with: the host's high-resolution counter and
// the statistics of repeated rounds.
#ifndef MORVANE_BENCH_BENCH_CLOCK_H
#define MORVANE_BENCH_BENCH_CLOCK_H

#include <windows.h>
#include <algorithm>
#include <cstdio>
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

// One row of the table that `make bench` prints (bench/all.sh): a figure as
// a ratio to its plain baseline measured in the same run, and its target.
// The line is tab-separated so that names may hold blanks.
inline void figure(const char* name, double ratio, double target, const char* baseline)
{
    printf("figure\t%s\t%.2f\t%.2f\t%s\n", name, ratio, target, baseline);
    fflush(stdout);
}

// A figure reported without a target yet: its row reads "-" for the target.
inline void untargetedFigure(const char* name, double ratio, const char* baseline)
{
    printf("figure\t%s\t%.2f\t-\t%s\n", name, ratio, baseline);
    fflush(stdout);
}

} // namespace bench

#endif
