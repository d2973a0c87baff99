// The lock the download thread and the waiting thread share: while one holds it, the other
// waits, and a scope's end gives it back.
#include "framework/CriticalSection.h"

#include <gtest/gtest.h>

#include <process.h>

namespace
{

struct Shared
{
    fw::CCriticalSection lock;
    HANDLE entered = nullptr; // set by the second thread once it holds the lock
    long counter = 0;
};

unsigned __stdcall TakeLock(void* parameter)
{
    auto* shared = static_cast<Shared*>(parameter);
    fw::CLockGuard guard(shared->lock);
    ++shared->counter;
    ::SetEvent(shared->entered);
    return 0;
}

TEST(CriticalSection, AnotherThreadWaitsUntilTheScopeEnds)
{
    Shared shared;
    shared.entered = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, shared.entered);
    HANDLE thread = nullptr;
    {
        fw::CLockGuard guard(shared.lock);
        thread =
            reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &TakeLock, &shared, 0, nullptr));
        ASSERT_NE(nullptr, thread);
        // Held here: the other thread cannot have entered. Its entry is then proved below by
        // the event, not by this wait running out. Nothing the thread does shows that it is
        // blocked rather than late, so this look is bounded; it is safe: a working lock never
        // lets the thread in, so the bound can only make a broken lock go unseen, never fail a
        // working one.
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(shared.entered, 200));
        EXPECT_EQ(0, shared.counter);
    }
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(shared.entered, 10000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(thread, 10000));
    EXPECT_EQ(1, shared.counter);
    ::CloseHandle(thread);
    ::CloseHandle(shared.entered);
}

} // namespace
