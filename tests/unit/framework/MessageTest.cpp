// Messages the toolkit passes on by itself: a colour change reaches every window under a
// top-level one, once.
#include "framework/Wnd.h"
#include "widgets/ButtonST.h"

#include <gtest/gtest.h>

namespace
{

class CCounting : public fw::CWnd
{
public:
    int m_nColorChanges = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_SYSCOLORCHANGE)
            ++m_nColorChanges;
        return fw::CWnd::WindowProc(msg, wParam, lParam);
    }
};

HWND Make(const char* cls, DWORD style, HWND parent)
{
    return ::CreateWindowExA(0, cls, "", style | WS_VISIBLE, 0, 0, 100, 100, parent, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}

TEST(ColorChange, ReachesEveryDescendantOfATopLevelWindowOnce)
{
    CCounting top, child, grandchild;
    HWND topWnd = Make("STATIC", WS_POPUP, nullptr);
    ASSERT_TRUE(top.SubclassWindow(topWnd));
    ASSERT_TRUE(child.SubclassWindow(Make("STATIC", WS_CHILD, topWnd)));
    ASSERT_TRUE(grandchild.SubclassWindow(Make("STATIC", WS_CHILD, child.m_hWnd)));
    // A skinned button deep in the tree: its colour reset runs without trouble.
    CButtonST button;
    ASSERT_TRUE(button.SubclassWindow(Make("BUTTON", WS_CHILD | BS_PUSHBUTTON, child.m_hWnd)));

    ::SendMessageA(topWnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(1, top.m_nColorChanges);
    EXPECT_EQ(1, child.m_nColorChanges);
    EXPECT_EQ(1, grandchild.m_nColorChanges);

    // A child's own colour change is its business alone.
    ::SendMessageA(child.m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(2, child.m_nColorChanges);
    EXPECT_EQ(1, grandchild.m_nColorChanges);

    button.UnsubclassWindow();
    grandchild.UnsubclassWindow();
    child.UnsubclassWindow();
    top.UnsubclassWindow();
    ::DestroyWindow(topWnd);
}

} // namespace
