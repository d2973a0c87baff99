// The 64-bit tick count the program answers with where the system has none.
#include "framework/TickCount.h"

#include <gtest/gtest.h>

namespace
{
struct CCount32
{
    static inline DWORD now = 0;
    static DWORD WINAPI Read() { return now; }
};

TEST(TickCount64, WithoutTheSystemsCountThe32BitCountIsCarriedAcrossItsWraps)
{
    // The counts expected, in the order read: each one's low half is the 32-bit reading. The
    // second and fourth are overtaken by another thread's reading, and are the earlier time.
    fw::CTickCount64 count;
    for (ULONGLONG expected : {0xFFFFF000ull, 0xFFFFE000ull, 0x100000010ull, 0xFFFFFFF0ull,
                               0x170000000ull, 0x1E0000000ull, 0x200000005ull})
    {
        CCount32::now = static_cast<DWORD>(expected);
        EXPECT_EQ(expected, count.Read(nullptr, &CCount32::Read)) << std::hex << expected;
    }
}
} // namespace
