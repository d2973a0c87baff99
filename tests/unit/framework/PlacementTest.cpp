// Where the toolkit puts windows: centred over their owner or the work area, never out of the
// work area's reach; a modal dialog that does not place itself opens over the window it blocks.
#include "framework/Dialog.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace
{

struct PlaceCase
{
    const char* name;
    SIZE window;
    RECT over, work;
    POINT expected;
};

TEST(CentredPosition, CentredThenKeptInsideTheWorkArea)
{
    const RECT screen = {0, 0, 1280, 1024};
    const RECT small = {0, 0, 1024, 600};
    const RECT shifted = {-1024, 40, 0, 640}; // a second monitor left of the first, a top bar
    const PlaceCase cases[] = {
        {"fits the screen", {660, 652}, screen, screen, {310, 186}},
        {"taller than a small screen", {660, 652}, small, small, {182, 0}},
        {"taller and wider", {1100, 652}, small, small, {0, 0}},
        {"over an owner near the right edge",
         {300, 200},
         {1100, 100, 1280, 300},
         screen,
         {980, 100}},
        {"over an owner near the bottom", {300, 200}, {100, 950, 400, 1020}, screen, {100, 824}},
        {"over an owner above the top", {300, 200}, {0, -300, 300, -100}, screen, {0, 0}},
        {"on a work area off the origin", {660, 652}, shifted, shifted, {-842, 40}},
        {"exactly the work area", {1024, 600}, small, small, {0, 0}},
    };
    for (const PlaceCase& c : cases)
    {
        const POINT at = fw::CentredPosition(c.window, c.over, c.work);
        EXPECT_EQ(c.expected.x, at.x) << c.name;
        EXPECT_EQ(c.expected.y, at.y) << c.name;
    }
}

// The About box of the program, run modally over a visible owner; it reports where it stood
// once its initialisation was done and closes itself.
class CProbeDialog : public fw::CDialog
{
public:
    CProbeDialog(fw::CWnd* owner, bool placeItself)
        : fw::CDialog(IDD_ABOUTBOX, owner), m_bPlaceItself(placeItself)
    {
    }
    RECT m_rcShown{};

protected:
    BOOL OnInitDialog() override
    {
        fw::CDialog::OnInitDialog();
        if (m_bPlaceItself)
            ::SetWindowPos(m_hWnd, nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ::PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void OnOK() override
    {
        ::GetWindowRect(m_hWnd, &m_rcShown);
        fw::CDialog::OnOK();
    }

private:
    bool m_bPlaceItself;
};

class COwner : public fw::CWnd
{
public:
    COwner()
    {
        HWND hwnd = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 200, 150, 600,
                                      400, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        SubclassWindow(hwnd);
    }
    ~COwner() override
    {
        if (HWND hwnd = UnsubclassWindow())
            ::DestroyWindow(hwnd);
    }
};

TEST(ModalPlacement, OpensCentredOverItsOwnerUnlessItPlacedItself)
{
    COwner owner;
    ASSERT_TRUE(owner.m_hWnd);
    RECT ownerRect;
    ::GetWindowRect(owner.m_hWnd, &ownerRect);

    CProbeDialog centred(&owner, false);
    ASSERT_EQ(IDOK, centred.DoModal());
    const RECT& rc = centred.m_rcShown;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    ASSERT_GT(width, 0);
    EXPECT_EQ(ownerRect.left + (600 - width) / 2, rc.left);
    EXPECT_EQ(ownerRect.top + (400 - height) / 2, rc.top);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd)) << "the owner stays disabled after the run";

    CProbeDialog placed(&owner, true);
    ASSERT_EQ(IDOK, placed.DoModal());
    EXPECT_EQ(7, placed.m_rcShown.left);
    EXPECT_EQ(9, placed.m_rcShown.top);
}

} // namespace
