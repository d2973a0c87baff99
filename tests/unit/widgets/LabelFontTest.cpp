// A label whose font cannot be made again: the control must never be left with the font the
// label deleted. Fonts are made impossible by filling the process's table of drawing objects.
#include "WidgetHarness.h"
#include "widgets/Label.h"

#include <gtest/gtest.h>

#include <iostream>
#include <vector>

using widgettest::CTestParent;

namespace
{

TEST(LabelFont, NoFontLeftThatTheLabelDeleted)
{
    CTestParent parent(RGB(255, 255, 255), 0, 0, 200, 60);
    HWND control = parent.AddChild("STATIC", "label", SS_LEFT, 5, 5, 150, 20, 1000);
    CLabel label;
    ASSERT_TRUE(label.SubclassWindow(control));
    const HFONT before = label.GetFont();
    ASSERT_TRUE(before);

    // Every further font fails to be made.
    std::vector<HFONT> fillers;
    LOGFONTW lf = label.GetLogFont();
    while (fillers.size() < 200000)
    {
        HFONT font = ::CreateFontIndirectW(&lf);
        if (!font)
            break;
        fillers.push_back(font);
    }
    std::cout << "fonts until the table was full: " << fillers.size() << "\n";

    label.SetBold(TRUE);
    const HFONT held = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
    const HFONT own = label.GetFont();

    for (HFONT font : fillers)
        ::DeleteObject(font);
    ASSERT_LT(fillers.size(), 200000u) << "the table never filled: nothing was tested";

    EXPECT_EQ(nullptr, own) << "no font could be made, yet the label holds one";
    EXPECT_NE(before, held) << "the control was left with the font the label deleted";
    EXPECT_EQ(nullptr, held);

    // Once fonts can be made again, the next setter gives the control the label's font.
    label.SetUnderline(TRUE);
    ASSERT_TRUE(label.GetFont());
    EXPECT_EQ(label.GetFont(), reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    label.UnsubclassWindow();
}

} // namespace
