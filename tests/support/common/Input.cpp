// Real pointer and key input through the system's input queue, as a user's hand would give it.
#include "common/Input.h"

#include "common/Wait.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport
{
namespace
{
POINT g_pointer = {}; // where MoveTo put the pointer last: presses and releases carry it

LONG Normalise(LONG v, int extent)
{
    // The centre of the pixel, in the 0..65535 scale of absolute input.
    return static_cast<LONG>((static_cast<long long>(v) * 65536 + 32768) / extent);
}

// The move and the button in one event. Wine turns each X crossing event it reads into a cursor
// move to where the X pointer was when the event was made: read late, it puts the cursor back on
// an earlier spot after it was seen here, and a press without a position would land there.
void SendMouse(DWORD buttonFlags, POINT p)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = Normalise(p.x, ::GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = Normalise(p.y, ::GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttonFlags;
    ::SendInput(1, &in, sizeof(in));
}

// Rounding may leave the cursor a pixel off.
bool CursorAt(POINT p, POINT& c)
{
    ::GetCursorPos(&c);
    return std::abs(c.x - p.x) <= 1 && std::abs(c.y - p.y) <= 1;
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
    SendMouse(0, g_pointer = p);
    // The move is queued: wait until the system's cursor is there (seconds on a loaded machine).
    POINT c = {};
    return WaitUntil([&] { return CursorAt(p, c); }, 20000, 5);
}

void MouseDown()
{
    SendMouse(MOUSEEVENTF_LEFTDOWN, g_pointer);
}
void MouseUp()
{
    SendMouse(MOUSEEVENTF_LEFTUP, g_pointer);
}

bool ClickAt(POINT p)
{
    for (int attempt = 0; attempt < 2 && MoveTo(p); ++attempt)
    {
        MouseDown();
        ::Sleep(30); // a human press has a length; some handlers look at the button state
        MouseUp();
        // Both carried p: a cursor elsewhere now was moved by the system during the click.
        POINT c = {};
        if (CursorAt(p, c))
            return true;
        std::printf("[input] click at (%ld,%ld): the system moved the pointer to (%ld,%ld); %s\n",
                    p.x, p.y, c.x, c.y, attempt ? "given up" : "again");
        std::fflush(stdout);
    }
    return false;
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
