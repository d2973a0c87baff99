#pragma once
// Test faces; beside the program's own bitmaps (143-149) in the same test executable.
#define IDB_TEST_HOVER 901
#define IDB_TEST_NORMAL 902
#define IDB_TEST_MISSING 909

#ifndef RC_INVOKED
#include <windows.h>

// What the faces are drawn in (faces/make_faces.py), the parent the buttons sit on, and the id
// they get (the apply button's).
namespace widgettest
{
constexpr COLORREF kParentColour = RGB(230, 200, 40);
constexpr COLORREF kHoverBody = RGB(0, 160, 0);
constexpr COLORREF kNormalBody = RGB(0, 0, 160);
constexpr int kButtonId = 1029;
} // namespace widgettest
#endif
