// The borderless main window: its own painting, minimising, dragging, the key filter and the
// close button, all through real pointer and key input.
#include "Common.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace e2e;
using namespace e2e_test;

namespace
{
const DWORD kWait = 20000;

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsListening());
        dlg = StartToMainWindow(run, kWait);
        ASSERT_TRUE(dlg);
    }

    // Frame, header band and surface as the background painting leaves them.
    void ExpectPainted(const char* when)
    {
        SCOPED_TRACE(when);
        const struct
        {
            int x, y;
            Rgb colour;
        } points[] = {{0, 0, kFrame},     {0, 300, kFrame},  {659, 300, kFrame},
                      {300, 651, kFrame}, {300, 5, kFrame},  {450, 50, kFrame},
                      {2, 300, kWhite},   {300, 52, kWhite}, {657, 649 - 0, kWhite}};
        for (const auto& p : points)
            EXPECT_TRUE(WaitForPixel(dlg, p.x, p.y, p.colour, 5000))
                << "(" << p.x << "," << p.y << ") is " << ToString(PixelAt(dlg, p.x, p.y))
                << ", expected " << ToString(p.colour);
    }

    bool MovedTo(LONG left, LONG top, LONG slack = 2)
    {
        return WaitUntil(
            [&]
            {
                RECT r = WindowRect(dlg);
                return std::abs(r.left - left) <= slack && std::abs(r.top - top) <= slack;
            },
            5000);
    }

    ProgramServer server;
    ProgramRun run;
    HWND dlg = nullptr;
};
} // namespace

TEST_F(MainWindow, PaintsFrameBandAndSurfaceAgainAfterMinimiseAndRestore)
{
    ExpectPainted("after start");

    ASSERT_TRUE(ClickControl(dlg, 1034));
    ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(dlg) != FALSE; }, kWait))
        << "the minimise button did nothing";
    SaveScreenshot("main-dialog-minimised");

    // What the task bar does to restore a window.
    ::PostMessageA(dlg, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsIconic(dlg) && ::IsWindowVisible(dlg); }, kWait));
    RECT r = WindowRect(dlg);
    EXPECT_EQ(r.right - r.left, 660);
    EXPECT_EQ(r.bottom - r.top, 652);
    ExpectPainted("after restore");
    SaveScreenshot("main-dialog-restored", dlg);
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
}

TEST_F(MainWindow, DraggingAFreeSpotMovesTheWindowAlsoPartlyOffTheScreen)
{
    // An empty white spot between the header band and the first text line.
    ASSERT_EQ(PixelAt(dlg, 300, 62), kWhite);
    const RECT start = WindowRect(dlg);
    Drag(WindowPoint(dlg, 300, 62), WindowPoint(dlg, 300 - 120, 62 + 90));
    EXPECT_TRUE(MovedTo(start.left - 120, start.top + 90))
        << "the window is at " << WindowRect(dlg).left << "," << WindowRect(dlg).top;

    // Grab the same spot and take it near the left screen edge: the window's left part leaves it.
    const RECT mid = WindowRect(dlg);
    Drag(WindowPoint(dlg, 300, 62), POINT{100, mid.top + 62});
    EXPECT_TRUE(MovedTo(-200, mid.top))
        << "the window is at " << WindowRect(dlg).left << "," << WindowRect(dlg).top;
    SaveScreenshot("main-dialog-dragged-off-screen");
    // Still painted where it shows.
    EXPECT_TRUE(WaitForPixel(dlg, 300, 5, kFrame, 5000));
    EXPECT_TRUE(WaitForPixel(dlg, 300, 52, kWhite, 5000));
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
}

TEST_F(MainWindow, PressingOnARadioButtonAndMovingLeavesTheWindowWhereItIs)
{
    const RECT start = WindowRect(dlg);
    const auto spot = ClickablePointOf(dlg, 1003);
    ASSERT_TRUE(spot);
    const POINT radio = *spot;
    Drag(radio, POINT{radio.x + 100, radio.y + 80});
    // A wrong move happens with the drag itself: once later input is handled, the window stands
    // where it stood, lowered only by that later drag.
    ASSERT_TRUE(InputHandled(dlg));
    EXPECT_EQ(WindowRect(dlg).left, start.left);
    EXPECT_EQ(WindowRect(dlg).top, start.top + kSettleDrop);
}

TEST_F(MainWindow, EnterEscapeAndF1DoNothingWhateverHasTheFocus)
{
    const int controls[] = {1029, 1035, 1034, 1003};
    const struct
    {
        WORD vk;
        bool alt;
        const char* name;
    } keys[] = {{VK_RETURN, false, "Enter"},
                {VK_ESCAPE, false, "Esc"},
                {VK_F1, false, "F1"},
                {VK_F1, true, "Alt+F1"}};
    for (int id : controls)
    {
        HWND control = ::GetDlgItem(dlg, id);
        ASSERT_TRUE(control) << id;
        ::SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        ASSERT_TRUE(WaitUntil([&] { return FocusedWindowOf(dlg) == control; }, 5000))
            << "no focus on " << id;
        for (const auto& key : keys)
        {
            SCOPED_TRACE(std::string(key.name) + " on " + std::to_string(id));
            PostKey(control, key.vk, key.alt);
        }
    }
    // And real keys on the apply button, through the system's keyboard input.
    HWND apply = ::GetDlgItem(dlg, 1029);
    ::SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(apply), TRUE);
    ::SetForegroundWindow(dlg);
    ASSERT_TRUE(WaitUntil(
        [&] { return ::GetForegroundWindow() == dlg && FocusedWindowOf(dlg) == apply; }, 5000));
    for (const auto& key : keys)
        SendKey(key.vk, key.alt);

    // A key that got through would have closed the dialog, started an apply or opened help, in
    // its own handling: once the posted keys and the later input are handled, that shows.
    EXPECT_TRUE(PostedMessagesHandled(dlg));
    EXPECT_TRUE(InputHandled(dlg)) << "the dialog no longer takes input";
    EXPECT_FALSE(run.Exited()) << "a key closed the dialog";
    EXPECT_FALSE(ProgressWindowShown(run.Pid())) << "Enter started an apply";
    EXPECT_FALSE(run.HasMarker("VMem")) << "Enter started an apply";
    EXPECT_EQ(TopWindowsOf(run.Pid(), true).size(), 1u) << "a key opened a window";
    EXPECT_TRUE(::IsWindowVisible(dlg) && ::IsWindowEnabled(dlg));
}

TEST_F(MainWindow, CloseButtonEndsTheProgram)
{
    ASSERT_TRUE(ClickControl(dlg, 1035)) << "the pointer never reached the close button";
    // Two steps, so that a failure tells a click not taken from an exit that hangs.
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) || !::IsWindowVisible(dlg); }, kWait))
        << "a click on the close button left the window open";
    EXPECT_TRUE(run.WaitForExit(kWait).has_value()) << "the window closed, the program stayed";
    EXPECT_EQ(run.UnhandledExceptions(), 0);
}
