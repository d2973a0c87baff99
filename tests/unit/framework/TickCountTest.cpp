// The 64-bit tick count the program answers with where the system has none.
#include "framework/TickCount.h"

#include <gtest/gtest.h>

namespace
{

DWORD g_count32 = 0;
DWORD WINAPI Count32()
{
    return g_count32;
}
ULONGLONG WINAPI SystemCount()
{
    return 0x123456789ull;
}

TEST(TickCount64, WithoutTheSystemsCountThe32BitCountIsCarriedAcrossItsWraps)
{
    const struct
    {
        DWORD count32;
        ULONGLONG expected;
    } readings[] = {
        {0xFFFFF000u, 0xFFFFF000u}, // the first reading, as it is
        {0xFFFFF800u, 0xFFFFF800u},
        {0xFFFFF7F0u, 0xFFFFF7F0u}, // taken just before another thread's: earlier, no wrap
        {0x00000010u, 0x100000010u},
        {0xFFFFFFF0u, 0xFFFFFFF0u}, // overtaken across the wrap
        {0x00000020u, 0x100000020u},
        {0x70000000u, 0x170000000u},
        {0xE0000000u, 0x1E0000000u},
        {0x00000005u, 0x200000005u},
    };
    fw::CTickCount64 count;
    for (const auto& r : readings)
    {
        g_count32 = r.count32;
        EXPECT_EQ(r.expected, count.Read(nullptr, &Count32)) << std::hex << r.count32;
    }
    // Where the system has its own, that is the answer.
    EXPECT_EQ(0x123456789ull, count.Read(&SystemCount, &Count32));
}

} // namespace
