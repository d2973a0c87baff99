// The skinned button without the pointer: attachment and the default-button protocol, the
// pressed shift, image transparency and placement, the reflected notifications, and the
// double-click that must count as two clicks.
#include "WidgetHarness.h"
#include "WidgetTestIds.h"
#include "widgets/ButtonST.h"

#include <gtest/gtest.h>

using namespace widgettest;

namespace
{

const COLORREF kNearlyRed = RGB(254, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);

// A 40 x 30 button showing the 20 x 20 test faces, centred at (10, 5).
struct SkinnedButton
{
    explicit SkinnedButton(int x, int y, DWORD type = BS_PUSHBUTTON)
        : parent(kParentColour, x, y, 200, 100)
    {
        hwnd = parent.AddChild("Button", "", type | WS_TABSTOP, 50, 30, 40, 30, kButtonId);
        button.SubclassWindow(hwnd);
        button.SetImages(IDB_TEST_HOVER, kRed, IDB_TEST_NORMAL, kRed);
        button.UseParentBackground(FALSE);
        button.SetPressedLook(TRUE);
        button.SetPressedShift(0, FALSE);
        widgettest::PaintNow(parent.m_hWnd);
    }
    ~SkinnedButton() { button.UnsubclassWindow(); }

    CTestParent parent;
    HWND hwnd = nullptr;
    CButtonST button;
};

const int kImageX = 10;
const int kImageY = 5;

void ExpectNormalFaceUnshifted(SkinnedButton& b)
{
    widgettest::PaintNow(b.parent.m_hWnd);
    CSnapshot shot(b.hwnd);
    EXPECT_EQ(kNormalBody, shot.At(kImageX, kImageY));
    EXPECT_EQ(kNearlyRed, shot.At(kImageX + 10, kImageY + 2));
}

} // namespace

TEST(ButtonST, PressedShiftStylesGiveTheirOffsetsAndABadStyleClearsIt)
{
    CButtonST button;
    EXPECT_EQ(6, button.SetPressedShift(5, TRUE));
    EXPECT_EQ(0, button.GetPressedShift().x);
    EXPECT_EQ(0, button.GetPressedShift().y);
    EXPECT_EQ(0, button.SetPressedShift(0, FALSE));
    EXPECT_EQ(1, button.GetPressedShift().x);
    EXPECT_EQ(1, button.GetPressedShift().y);
    EXPECT_EQ(0, button.SetPressedShift(1, FALSE));
    EXPECT_EQ(0, button.GetPressedShift().x);
    EXPECT_EQ(2, button.GetPressedShift().y);
    // A bad style clears an earlier shift.
    EXPECT_EQ(6, button.SetPressedShift(2, FALSE));
    EXPECT_EQ(0, button.GetPressedShift().y);
}

TEST(ButtonST, AttachmentMakesTheButtonOwnerDrawnAndKeepsTheDefaultButtonProtocol)
{
    SkinnedButton b(20, 20, BS_DEFPUSHBUTTON);
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), b.button.GetStyle() & 0x0F);
    EXPECT_TRUE(b.button.IsDefault());
    LRESULT code = ::SendMessageA(b.hwnd, WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(code & DLGC_DEFPUSHBUTTON);
    EXPECT_FALSE(code & DLGC_UNDEFPUSHBUTTON);

    // The dialog manager takes the default look away and gives it back; the type stays ours.
    ::SendMessageA(b.hwnd, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(b.button.IsDefault());
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), b.button.GetStyle() & 0x0F);
    code = ::SendMessageA(b.hwnd, WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(code & DLGC_UNDEFPUSHBUTTON);
    EXPECT_FALSE(code & DLGC_DEFPUSHBUTTON);
    ::SendMessageA(b.hwnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(b.button.IsDefault());
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), b.button.GetStyle() & 0x0F);
    // Other types leave the flag alone.
    ::SendMessageA(b.hwnd, BM_SETSTYLE, BS_CHECKBOX, TRUE);
    EXPECT_TRUE(b.button.IsDefault());
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), b.button.GetStyle() & 0x0F);

    // No checked state.
    ::SendMessageA(b.hwnd, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(0, ::SendMessageA(b.hwnd, BM_GETCHECK, 0, 0));
}

TEST(ButtonST, ImagesAreCentredAndOnlyPureRedIsTransparent)
{
    SkinnedButton b(20, 150);
    CSnapshot shot(b.hwnd);
    // Around the image: the parent's pixels.
    EXPECT_EQ(kParentColour, shot.At(2, 2));
    EXPECT_EQ(kParentColour, shot.At(kImageX - 1, kImageY + 10));
    // The normal face, centred.
    EXPECT_EQ(kNormalBody, shot.At(kImageX, kImageY));
    EXPECT_EQ(kNormalBody, shot.At(kImageX + 19, kImageY + 19));
    EXPECT_EQ(kParentColour, shot.At(kImageX + 20, kImageY + 19));
    // RGB(255,0,0) shows the parent; RGB(254,0,0) is drawn.
    EXPECT_EQ(kParentColour, shot.At(kImageX + 3, kImageY + 3));
    EXPECT_EQ(kNearlyRed, shot.At(kImageX + 11, kImageY + 3));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_NE(kRed, shot.At(x, y)) << x << "," << y;
}

// The pushed state is set the way the button's own press handling sets it: the tests of the real
// press live with the pointer tests, since a captured button follows every pointer move on the
// display.
TEST(ButtonST, PressedShowsTheHoverFaceShiftedAndReleaseRestoresIt)
{
    SkinnedButton b(20, 300);
    ::SendMessageA(b.hwnd, BM_SETSTATE, TRUE, 0);
    widgettest::PaintNow(b.parent.m_hWnd);
    {
        CSnapshot shot(b.hwnd);
        EXPECT_EQ(kHoverBody, shot.At(kImageX + 1, kImageY + 1));
        EXPECT_EQ(kNearlyRed, shot.At(kImageX + 14, kImageY + 6)) << "not shifted right and down";
        EXPECT_EQ(kHoverBody, shot.At(kImageX + 20, kImageY + 20));
    }
    ::SendMessageA(b.hwnd, BM_SETSTATE, FALSE, 0);
    ExpectNormalFaceUnshifted(b);
}

TEST(ButtonST, WithoutPressedLookAHeldButtonIsNotShifted)
{
    SkinnedButton b(300, 20);
    b.button.SetPressedLook(FALSE);
    ::SendMessageA(b.hwnd, BM_SETSTATE, TRUE, 0);
    ExpectNormalFaceUnshifted(b);
}

TEST(ButtonST, SetImagesWithoutNormalImageOrWithMissingImages)
{
    SkinnedButton b(300, 150);
    EXPECT_EQ(0, b.button.SetImages(IDB_TEST_HOVER, kRed, 0, kRed));
    EXPECT_TRUE(b.button.HasImage(0));
    EXPECT_FALSE(b.button.HasImage(1));
    widgettest::PaintNow(b.parent.m_hWnd);
    EXPECT_EQ(kHoverBody, CSnapshot(b.hwnd).At(kImageX, kImageY));

    // No hover image: no images at all, only the parent's pixels.
    EXPECT_EQ(0, b.button.SetImages(IDB_TEST_MISSING, kRed, IDB_TEST_NORMAL, kRed));
    EXPECT_FALSE(b.button.HasImage(0));
    EXPECT_FALSE(b.button.HasImage(1));
    widgettest::PaintNow(b.parent.m_hWnd);
    CSnapshot shot(b.hwnd);
    EXPECT_EQ(kParentColour, shot.At(kImageX, kImageY));
    EXPECT_EQ(kParentColour, shot.At(kImageX + 10, kImageY + 10));
}

TEST(ButtonST, ReflectedColourRequestGetsNoBrushAndAClickTakesTheFocus)
{
    SkinnedButton b(300, 300);
    fw::CMemoryDC dc(::CreateCompatibleDC(nullptr));
    LRESULT result = 0;
    EXPECT_TRUE(b.button.OnChildNotify(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc.Get()),
                                       reinterpret_cast<LPARAM>(b.hwnd), &result));
    EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), result);

    ::SetFocus(b.parent.m_hWnd);
    EXPECT_FALSE(b.button.OnChildNotify(WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED),
                                        reinterpret_cast<LPARAM>(b.hwnd), &result));
    EXPECT_EQ(b.hwnd, ::GetFocus());
    // Other commands are the parent's alone.
    EXPECT_FALSE(b.button.OnChildNotify(WM_COMMAND, MAKEWPARAM(kButtonId, BN_SETFOCUS),
                                        reinterpret_cast<LPARAM>(b.hwnd), &result));
}

TEST(ButtonST, SystemColourChangeRepaintsFromAFreshBackground)
{
    SkinnedButton b(560, 150);
    ASSERT_EQ(kNormalBody, CSnapshot(b.hwnd).At(kImageX, kImageY));
    // The parent changes colour and repaints itself alone (no children): its paint covers the
    // button's face too (the test parent does not clip its children), so only a repaint of the
    // button brings the face back. The colour change message must be what asks for it.
    const COLORREF fresh = RGB(10, 90, 200);
    b.parent.m_background = fresh;
    ::RedrawWindow(b.parent.m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW);
    ::SendMessageA(b.hwnd, WM_SYSCOLORCHANGE, 0, 0);
    PumpUntil(
        [&]
        {
            CSnapshot shot(b.hwnd);
            return shot.At(kImageX, kImageY) == kNormalBody && shot.At(2, 2) == fresh;
        },
        2000);
    CSnapshot shot(b.hwnd);
    EXPECT_EQ(kNormalBody, shot.At(kImageX, kImageY)) << "the button was not repainted";
    EXPECT_EQ(fresh, shot.At(2, 2)) << "the button drew an old background";
}
