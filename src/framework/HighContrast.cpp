#include "HighContrast.h"

#include <atomic>

namespace fw
{

namespace
{
std::atomic<int> g_highContrast{-1}; // -1 until first asked
} // namespace

bool HighContrast()
{
    if (g_highContrast.load() < 0)
        RefreshHighContrast();
    return g_highContrast.load() == 1;
}

bool RefreshHighContrast()
{
    const int now = QueryHighContrast() ? 1 : 0;
    return g_highContrast.exchange(now) != now;
}

} // namespace fw
