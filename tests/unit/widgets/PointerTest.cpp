// The skinned button under the real pointer: hover and leave, the held face, a drag from
// outside, and a real double-click. Input goes through the system (SendInput), as a user's would.
#include "WidgetHarness.h"
#include "WidgetTestIds.h"
#include "widgets/ButtonST.h"

#include "common/Input.h"

#include <gtest/gtest.h>

using namespace widgettest;

namespace
{

// A corner of the screen no other test puts windows on.
const int kParentX = 900;
const int kParentY = 700;
const int kButtonX = 50;
const int kButtonY = 30;

using testsupport::MouseDown;
using testsupport::MouseUp;

struct PointerButton
{
    PointerButton() : parent(kParentColour, kParentX, kParentY, 200, 100)
    {
        hwnd = parent.AddChild("Button", "", BS_PUSHBUTTON | WS_TABSTOP, kButtonX, kButtonY, 40, 30,
                               kButtonId);
        button.SubclassWindow(hwnd);
        button.SetImages(IDB_TEST_HOVER, RGB(255, 0, 0), IDB_TEST_NORMAL, RGB(255, 0, 0));
        button.UseParentBackground(FALSE);
        button.SetPressedLook(TRUE);
        button.SetPressedShift(0, FALSE);
        ::SetForegroundWindow(parent.m_hWnd);
        widgettest::PaintNow(parent.m_hWnd);
        // Start with the pointer away from the button.
        MoveTo(5, 5);
        PumpUntil([&] { return Face() == kNormalBody; });
    }
    ~PointerButton()
    {
        MouseUp();
        button.UnsubclassWindow();
    }
    // Pointer to a point of the parent's client area.
    void MoveTo(int x, int y) { testsupport::MoveTo(POINT{kParentX + x, kParentY + y}); }
    void MoveOverButton(int dx = 20, int dy = 15) { MoveTo(kButtonX + dx, kButtonY + dy); }
    // The colour at the image's top-left pixel.
    COLORREF Face() { return CSnapshot(hwnd).At(10, 5); }
    // The nearly-red block of the image (image pixels 10..13 x 2..5) reaches button pixel
    // (24, 11) only when the image is shifted by (1, 1).
    COLORREF ShiftedMark() { return CSnapshot(hwnd).At(24, 11); }

    CTestParent parent;
    HWND hwnd = nullptr;
    CButtonST button;
};

} // namespace

TEST(ButtonPointer, HoverLightsTheButtonAndLeavingPutsItOut)
{
    PointerButton b;
    ASSERT_EQ(kNormalBody, b.Face());
    b.MoveOverButton();
    EXPECT_TRUE(PumpUntil([&] { return b.Face() == kHoverBody; })) << "no hover face";
    EXPECT_TRUE(b.button.IsHover());
    // Inside the button the face stays.
    b.MoveOverButton(25, 18);
    PumpUntilIdle();
    EXPECT_EQ(kHoverBody, b.Face());
    // A jump far away: no move reaches the button, the leave notification does.
    testsupport::MoveTo(POINT{100, 100});
    EXPECT_TRUE(PumpUntil([&] { return b.Face() == kNormalBody; })) << "still lit after leaving";
    EXPECT_FALSE(b.button.IsHover());
}

TEST(ButtonPointer, HeldButtonShowsTheHoverFaceShiftedByOnePixel)
{
    PointerButton b;
    b.MoveOverButton();
    ASSERT_TRUE(PumpUntil([&] { return b.Face() == kHoverBody; }));
    MouseDown();
    EXPECT_TRUE(PumpUntil([&] { return b.ShiftedMark() == RGB(254, 0, 0); }))
        << "held face not shifted";
    MouseUp();
    EXPECT_TRUE(PumpUntil([&] { return b.parent.CountCommands(kButtonId, BN_CLICKED) == 1; }));
    // Released, out and back in: the hover face, no longer shifted. (Whether the end of the
    // capture counts as leaving is the platform's business, so the pointer leaves for sure.)
    b.MoveTo(5, 5);
    EXPECT_TRUE(PumpUntil([&] { return b.Face() == kNormalBody; }));
    b.MoveOverButton(22, 16);
    EXPECT_TRUE(
        PumpUntil([&] { return b.Face() == kHoverBody && b.ShiftedMark() != RGB(254, 0, 0); }))
        << "released face wrong: " << std::hex << b.Face() << " " << b.ShiftedMark() << " hover "
        << b.button.IsHover() << " state " << ::SendMessageA(b.hwnd, BM_GETSTATE, 0, 0);
}

TEST(ButtonPointer, PressingOutsideAndDraggingOntoTheButtonDoesNotLightIt)
{
    PointerButton b;
    b.MoveTo(10, 10);
    PumpUntilIdle();
    MouseDown();
    PumpUntilIdle();
    for (int x = 10; x <= kButtonX + 20; x += 10)
    {
        b.MoveTo(x, kButtonY + 15);
        PumpUntilIdle();
    }
    b.MoveOverButton(21, 16);
    PumpUntilIdle();
    EXPECT_FALSE(b.button.IsHover());
    EXPECT_EQ(kNormalBody, b.Face());
    MouseUp();
    PumpUntilIdle();
    // Released, the next move lights it.
    b.MoveOverButton(22, 14);
    EXPECT_TRUE(PumpUntil([&] { return b.Face() == kHoverBody; }));
    EXPECT_EQ(0, b.parent.CountCommands(kButtonId, BN_CLICKED));
}

TEST(ButtonPointer, RealDoubleClickGivesTwoClicks)
{
    PointerButton b;
    b.MoveOverButton();
    ASSERT_TRUE(PumpUntil([&] { return b.button.IsHover(); }));
    MouseDown();
    MouseUp();
    MouseDown();
    MouseUp();
    EXPECT_TRUE(PumpUntil([&] { return b.parent.CountCommands(kButtonId, BN_CLICKED) >= 2; }));
    PumpUntilIdle();
    EXPECT_EQ(2, b.parent.CountCommands(kButtonId, BN_CLICKED));
    EXPECT_EQ(0, b.parent.CountCommands(kButtonId, BN_DOUBLECLICKED));
}

// A quick second click arrives as a double-click; our modal loop's pre-translation turns it into
// a press, so the parent hears two clicks (and no double-click).
TEST(ButtonPointer, PostedDoubleClickCountsAsTwoClicks)
{
    PointerButton b;
    b.MoveOverButton();
    ASSERT_TRUE(PumpUntil([&] { return b.button.IsHover(); }));
    const LPARAM at = MAKELPARAM(20, 15);
    ::PostMessageA(b.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(b.hwnd, WM_LBUTTONUP, 0, at);
    ::PostMessageA(b.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageA(b.hwnd, WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(PumpUntil([&] { return b.parent.CountCommands(kButtonId, BN_CLICKED) >= 2; }));
    PumpUntilIdle();
    EXPECT_EQ(2, b.parent.CountCommands(kButtonId, BN_CLICKED));
    EXPECT_EQ(0, b.parent.CountCommands(kButtonId, BN_DOUBLECLICKED));
}
