#include "TickCount.h"

namespace fw
{

ULONGLONG CTickCount64::Read(SystemCountFn system, Count32Fn count32)
{
    if (system)
        return system();
    const DWORD now = count32();
    ULONGLONG latest = m_latest.load();
    for (;;)
    {
        if (latest == kNoReading)
        {
            if (m_latest.compare_exchange_weak(latest, now))
                return now;
            continue;
        }
        // The distance from the latest reading, within half the wrap either way: ahead across a
        // wrap, or a little behind when this thread was overtaken.
        const LONG ahead = static_cast<LONG>(now - static_cast<DWORD>(latest));
        if (ahead < 0)
        {
            const ULONGLONG behind = static_cast<ULONGLONG>(-static_cast<LONGLONG>(ahead));
            return latest > behind ? latest - behind : 0;
        }
        const ULONGLONG value = latest + static_cast<ULONGLONG>(ahead);
        if (value == latest || m_latest.compare_exchange_weak(latest, value))
            return value;
    }
}

} // namespace fw
