// Milliseconds since the system started, as a count that does not wrap, also where the system
// offers only the 32-bit count (Windows XP).
#pragma once

#include <windows.h>

#include <atomic>

namespace fw
{

class CTickCount64
{
public:
    using SystemCountFn = ULONGLONG(WINAPI*)();
    using Count32Fn = DWORD(WINAPI*)();

    // The system's own 64-bit count when `system` is given; otherwise the 32-bit count read by
    // `count32`, with the wraps it made since the first reading added (it wraps every 49.7 days).
    // A wrap is seen as long as the count is read at least every 24.8 days; a reading that another
    // thread took just before this one's and stored after it is answered as the earlier time it is.
    ULONGLONG Read(SystemCountFn system, Count32Fn count32);

private:
    static constexpr ULONGLONG kNoReading = ~0ull;
    std::atomic<ULONGLONG> m_latest{kNoReading};
};

} // namespace fw
