// Timing helpers of the benchmarks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench
{

// Milliseconds of the performance counter.
inline double Now()
{
    static const LARGE_INTEGER freq = []
    {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The median of the samples, -1 when there are none.
inline double Median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace bench
