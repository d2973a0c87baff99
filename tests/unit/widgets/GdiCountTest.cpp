// Repaints must not leak drawing objects: the live GDI objects of the process are counted before
// and after many repaints of labels and skinned buttons.
#include "WidgetHarness.h"
#include "WidgetTestIds.h"
#include "widgets/ButtonST.h"
#include "widgets/Label.h"

#include <gtest/gtest.h>

#include <string>

using widgettest::CountGdiObjects;
using widgettest::CTestParent;

TEST(GdiCount, CounterSeesObjectsComeAndGo)
{
    // The first memory DC of a process sets up shared objects once.
    fw::CMemoryDC(::CreateCompatibleDC(nullptr)).Reset();
    int before = CountGdiObjects();
    fw::CBrushHandle brush(::CreateSolidBrush(RGB(1, 2, 3)));
    fw::CMemoryDC dc(::CreateCompatibleDC(nullptr));
    EXPECT_EQ(before + 2, CountGdiObjects());
    brush.Reset();
    dc.Reset();
    EXPECT_EQ(before, CountGdiObjects());
}

TEST(GdiCount, RepaintsOfLabelsAndButtonsDoNotLeak)
{
    CTestParent parent(RGB(240, 240, 240), 20, 450, 400, 120);
    CLabel label;
    ASSERT_TRUE(label.SubclassWindow(
        parent.AddChild("Static", "start", SS_LEFT | SS_NOTIFY, 10, 10, 200, 30, 1)));
    CButtonST button;
    ASSERT_TRUE(
        button.SubclassWindow(parent.AddChild("Button", "", BS_PUSHBUTTON, 220, 10, 40, 30, 2)));
    button.SetImages(IDB_TEST_HOVER, RGB(255, 0, 0), IDB_TEST_NORMAL, RGB(255, 0, 0));
    button.UseParentBackground(FALSE);
    button.SetPressedLook(TRUE);
    widgettest::PaintNow(parent.m_hWnd);
    // Settle whatever the first paints create once (cached fonts and the like).
    for (int i = 0; i < 5; ++i)
    {
        ::SetWindowTextA(label.m_hWnd, "warm-up");
        label.SetBold(i & 1);
        widgettest::PaintNow(parent.m_hWnd);
    }

    const int before = CountGdiObjects();
    for (int i = 0; i < 100; ++i)
    {
        ::SetWindowTextA(label.m_hWnd, ("text " + std::to_string(i)).c_str());
        label.SetBold(i & 1).SetCharHeight(12 + i % 5).SetForeColor(RGB(i, 0, 0));
        button.SetPressedShift(static_cast<BYTE>(i & 1), TRUE);
        ::PostMessageA(button.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageA(button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        widgettest::PaintNow(parent.m_hWnd);
    }
    // New images replace the old ones and their masks; a normal image loaded for a button whose
    // hover image is missing is not kept either.
    for (int i = 0; i < 10; ++i)
    {
        button.SetImages(IDB_TEST_HOVER, RGB(255, 0, 0), IDB_TEST_NORMAL, RGB(255, 0, 0));
        button.SetImages(IDB_TEST_MISSING, RGB(255, 0, 0), IDB_TEST_NORMAL, RGB(255, 0, 0));
    }
    button.SetImages(IDB_TEST_HOVER, RGB(255, 0, 0), IDB_TEST_NORMAL, RGB(255, 0, 0));
    widgettest::PaintNow(parent.m_hWnd);
    EXPECT_EQ(before, CountGdiObjects());
    label.UnsubclassWindow();
    button.UnsubclassWindow();
}
