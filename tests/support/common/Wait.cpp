#include "common/Wait.h"

namespace testsupport
{

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs)
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;)
    {
        if (condition())
            return true;
        if (::GetTickCount64() >= end)
            return condition();
        ::Sleep(pollMs);
    }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs,
               const std::function<bool(MSG*)>& preTranslate)
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;)
    {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (preTranslate && preTranslate(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (condition())
            return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return false;
        const ULONGLONG left = end - now;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 20 ? static_cast<DWORD>(left) : 20,
                                    QS_ALLINPUT);
    }
}

} // namespace testsupport
