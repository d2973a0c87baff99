// Our dialogs keep the look they have at 96 DPI on every display.
//
// The program declares no DPI awareness. Where Windows stretches such a program (8.1 and later,
// Vista and 7 above 120 DPI) it sees 96 DPI and nothing here acts. Where Windows hands it the real
// DPI (XP at 120 DPI, Vista to 8 at 125 %, "XP style DPI scaling"), a template's point size and
// every dialog unit grow with the DPI while the windows and controls our code places in pixels do
// not: the main window's rows would leave it. So the controls of a template are put where they
// are at 96 DPI, in the template's font at its 96-DPI pixel height. A point size alone cannot do
// it: 10 points are 13 pixels at 96 DPI, and no whole point size gives 13 pixels at 144 DPI.
#pragma once

#include "Handles.h"

#include <windows.h>

#include <cstddef>

namespace fw
{

// The vertical DPI of the screen as this process is handed it.
int ScreenDpi();

// A font height in pixels (negative: character height) at `dpi`, taken back to 96 DPI through
// the whole point size it was made from: -15 at 120 DPI gives -12, -13 at 120 DPI gives -11.
LONG HeightAt96Dpi(LONG height, int dpi);

// Moves and sizes the dialog `dlg`, made from the extended template `tmpl` of `size` bytes, and
// each of its controls as the dialog manager lays them out at 96 DPI, and gives the controls the
// template's font at its 96-DPI height, returned here (the caller keeps it while the controls
// live). A control that sizes itself to its picture keeps its size. Changes nothing and returns
// null when the template cannot be read or does not match the dialog's controls.
CFontHandle LayOutAt96Dpi(HWND dlg, const void* tmpl, size_t size);

} // namespace fw
