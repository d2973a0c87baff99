// The program on a screen shorter than its window (1024 x 600, common on small notebooks): the
// main dialog stays inside the work area, top-left first, so the band it is dragged by can be
// reached. Runs in a prefix of its own on a display of that size (see run_small_screen.sh).
#include "e2e/E2e.h"

#include <gtest/gtest.h>

#include <iostream>

using namespace e2e;

TEST(SmallScreen, MainDialogKeepsItsTopBandOnTheScreen)
{
    ASSERT_EQ(600, ::GetSystemMetrics(SM_CYSCREEN)) << "not the small screen this test is for";
    RECT work = {};
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));

    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, 60000);
    ASSERT_TRUE(dlg) << "the main dialog did not appear";
    const RECT rc = WindowRect(dlg);
    std::cout << "[measured] work area " << work.left << "," << work.top << "-" << work.right << ","
              << work.bottom << "; main dialog at " << rc.left << "," << rc.top << ", "
              << rc.right - rc.left << "x" << rc.bottom - rc.top << std::endl;

    // Taller than the work area: the top edge at the work area's top, centred across.
    EXPECT_EQ(work.top, rc.top) << "the band the window is dragged by is off the screen";
    EXPECT_EQ(work.left + ((work.right - work.left) - 660) / 2, rc.left);

    // The band answers a real drag: the window follows the pointer.
    const POINT from = WindowPoint(dlg, 400, 25);
    Drag(from, POINT{from.x - 100, from.y + 40});
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            const RECT moved = WindowRect(dlg);
            return moved.left == rc.left - 100 && moved.top == rc.top + 40;
        },
        5000))
        << "the window did not follow a drag of its band";

    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(10000).has_value());
}
