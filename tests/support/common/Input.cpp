// Real pointer and key input through the system's input queue, as a user's hand would give it.
#include "common/Input.h"

#include "common/Wait.h"

#include <cstdlib>

namespace testsupport
{
namespace
{
void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof(in));
}

LONG Normalise(LONG v, int extent)
{
    // The centre of the pixel, in the 0..65535 scale of absolute input.
    return static_cast<LONG>((static_cast<long long>(v) * 65536 + 32768) / extent);
}

void SendKeyEvent(WORD vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &in, sizeof(in));
}
} // namespace

bool MoveTo(POINT p)
{
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, Normalise(p.x, w), Normalise(p.y, h));
    // The move is queued: wait until the system's cursor is there (rounding may leave it a pixel
    // off). On a cold, loaded machine this can take seconds; a press given before it would land
    // wherever the pointer was left, which reads like a click the program missed.
    return WaitUntil(
        [&]
        {
            POINT c = {};
            ::GetCursorPos(&c);
            return std::abs(c.x - p.x) <= 1 && std::abs(c.y - p.y) <= 1;
        },
        20000, 5);
}

void MouseDown()
{
    SendMouse(MOUSEEVENTF_LEFTDOWN);
}
void MouseUp()
{
    SendMouse(MOUSEEVENTF_LEFTUP);
}

bool ClickAt(POINT p)
{
    if (!MoveTo(p))
        return false;
    MouseDown();
    ::Sleep(30); // a human press has a length; some handlers look at the button state
    MouseUp();
    return true;
}

bool Drag(POINT from, POINT to, int steps)
{
    if (!MoveTo(from))
        return false;
    MouseDown();
    ::Sleep(50);
    bool arrived = true;
    for (int i = 1; i <= steps; ++i)
    {
        // Paced like a hand: the program's move loop reads each step from its queue.
        arrived =
            MoveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps}) &&
            arrived;
        ::Sleep(20);
    }
    ::Sleep(50);
    MouseUp();
    return arrived;
}

void SendKey(WORD vk, bool alt)
{
    if (alt)
        SendKeyEvent(VK_MENU, false);
    SendKeyEvent(vk, false);
    SendKeyEvent(vk, true);
    if (alt)
        SendKeyEvent(VK_MENU, true);
}

void PostKey(HWND target, WORD vk, bool alt)
{
    const UINT scan = ::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1 << 29) : 0);
    const LPARAM up = down | (1u << 30) | (1u << 31);
    ::PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
    ::PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, up);
}
} // namespace testsupport
