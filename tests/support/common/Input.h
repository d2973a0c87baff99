// Real input through the system's input queue, as a user's hand gives it: pointer moves (waited
// for until the cursor is there), presses, clicks, drags and keys.
#pragma once

#include <windows.h>

namespace testsupport
{

// Each returns false when the pointer never reached the point (then nothing was pressed).
bool MoveTo(POINT screen);
// At the point of the last MoveTo, carried by the press or release itself.
void MouseDown();
void MouseUp();
// Move there, press, hold a human moment, release; once more, logged, when the system moved the
// pointer away meanwhile.
bool ClickAt(POINT screen);
// Press at `from`, move in steps with the button held, release at `to`.
bool Drag(POINT from, POINT to, int steps = 12);
// A key press (down and up) to the foreground window; `alt` holds Alt around it.
void SendKey(WORD vk, bool alt = false);
// Posts a key press to `target`: WM_SYSKEYDOWN/UP when `alt`, else WM_KEYDOWN/UP.
void PostKey(HWND target, WORD vk, bool alt = false);

} // namespace testsupport
