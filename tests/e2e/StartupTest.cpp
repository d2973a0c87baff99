// Start of the program, its single-instance guard, the About box and the ways it ends.
#include "Common.h"

#include <gtest/gtest.h>

#include <set>

#include <algorithm>

using namespace e2e;
using namespace e2e_test;

namespace
{
const DWORD kWait = 20000;

// The no-SSD question of every start here (Wine's disks are no SSD); the main dialog stays
// hidden while it is open.
HWND WaitForNoSsdQuestion(ProgramRun& run)
{
    HWND box = FindMessageBox(run.Pid(), kWait);
    if (box)
    {
        EXPECT_EQ(WindowText(box), kMainTitle);
        EXPECT_TRUE(::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO)) << "a Yes/No question";
        EXPECT_NE(MessageBoxText(box).find("SSD"), std::string::npos) << MessageBoxText(box);
        HWND dlg = FindMainDialog(run.Pid());
        EXPECT_FALSE(dlg && ::IsWindowVisible(dlg))
            << "the main dialog shows before the question is answered";
        if (dlg)
            EXPECT_EQ(::GetWindow(box, GW_OWNER), dlg) << "the question belongs to the main dialog";
    }
    return box;
}
} // namespace

TEST(Startup, MainDialogAppearsAfterTheQuestionWithTheRecommendedSelection)
{
    ProgramServer server;
    ProgramRun run;
    ASSERT_TRUE(run.Started()) << "CreateProcess failed: " << run.LastError();
    HWND box = WaitForNoSsdQuestion(run);
    ASSERT_TRUE(box) << "no start-up question";
    SaveScreenshot("startup-question", box);
    ASSERT_TRUE(AnswerBox(box, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, kWait));

    std::vector<StartupBox> more;
    HWND dlg = StartToMainWindow(run, kWait, &more);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(more.empty()) << "another box after the question: " << more.front().text;
    EXPECT_EQ(WindowText(dlg), kMainTitle);
    RECT r = WindowRect(dlg);
    EXPECT_EQ(r.right - r.left, 660);
    EXPECT_EQ(r.bottom - r.top, 652);
    // Centred on the work area.
    RECT work = {};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(r.left, work.left + (work.right - work.left - 660) / 2, 1);
    EXPECT_NEAR(r.top, work.top + (work.bottom - work.top - 652) / 2, 1);

    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
    EXPECT_TRUE(IsControlEnabled(dlg, 1041));
    EXPECT_TRUE(IsControlEnabled(dlg, 1042));
    SaveScreenshot("main-dialog", dlg);
}

TEST(Startup, OnWindowsXpTheGuiBootRowIsDisabledAndEmpty)
{
    ScopedRegString xp(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\DADAROR.exe", "Version",
                       "winxp");
    ASSERT_TRUE(xp.Ok());
    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(IsControlEnabled(dlg, 1041));
    EXPECT_FALSE(IsControlEnabled(dlg, 1042));
    std::set<int> expected = kRecommended;
    expected.erase(1042);
    EXPECT_EQ(CheckedRadios(dlg), expected);
    SaveScreenshot("main-dialog-winxp", dlg);
}

TEST(Startup, SecondStartEndsSilentlyAndLeavesTheFirstAlone)
{
    ProgramServer server;
    ProgramRun first;
    HWND dlg = StartToMainWindow(first, kWait);
    ASSERT_TRUE(dlg);
    const RECT before = WindowRect(dlg);

    ProgramRun second;
    ASSERT_TRUE(second.Started());
    std::vector<std::string> seen;
    // Watch the second copy's windows for its whole (short) life.
    const bool ended = WaitUntil(
        [&]
        {
            for (HWND h : TopWindowsOf(second.Pid(), false))
                if (::IsWindowVisible(h))
                    seen.push_back(ClassOf(h) + " \"" + WindowText(h) + "\"");
            return second.Exited();
        },
        10000, 10);
    EXPECT_TRUE(ended) << "the second copy still runs";
    EXPECT_TRUE(seen.empty()) << "the second copy showed a window: " << seen.front();
    EXPECT_EQ(second.UnhandledExceptions(), 0);

    EXPECT_FALSE(first.Exited());
    EXPECT_TRUE(::IsWindow(dlg) && ::IsWindowVisible(dlg) && ::IsWindowEnabled(dlg) &&
                !::IsIconic(dlg));
    const RECT after = WindowRect(dlg);
    EXPECT_TRUE(::EqualRect(&before, &after)) << "the first copy's window moved";
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
    EXPECT_EQ(TopWindowsOf(first.Pid(), true).size(), 1u) << "the first copy opened another window";
}

TEST(Startup, AboutBoxFromTheSystemMenuReturnsToTheDialog)
{
    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);
    HWND about = OpenAboutBox(run, dlg, kWait);
    ASSERT_TRUE(about) << "no About box";
    // Modal to the main dialog: owned by it, and the dialog takes no input meanwhile.
    EXPECT_EQ(::GetWindow(about, GW_OWNER), dlg);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(dlg); }, 5000))
        << "the About box is not modal";
    // What the user sees: the box with its contents drawn, its OK button among them. The screen
    // shows a window's painting a moment after the window has done it: waited for, on the screen.
    ASSERT_TRUE(WaitUntil([&] { return Painted(about); }, 5000)) << "the About box never painted";
    HWND ok = ::GetDlgItem(about, IDOK);
    ASSERT_TRUE(ok);
    const auto buttonColours = [&]
    {
        const Picture button = Capture(WindowRect(ok));
        std::set<uint32_t> colours;
        for (int y = 0; y < button.Height(); ++y)
            for (int x = 0; x < button.Width(); ++x)
            {
                const Rgb c = button.At(x, y);
                colours.insert((uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b);
            }
        return colours.size();
    };
    EXPECT_TRUE(WaitUntil([&] { return buttonColours() > 2; }, 5000, 50))
        << "the OK button is not drawn";
    SaveScreenshot("about-box", about);

    ASSERT_TRUE(AnswerBox(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, kWait)) << "the About box stays";
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 5000));
    EXPECT_FALSE(run.Exited());
    EXPECT_TRUE(::IsWindowVisible(dlg));
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
    EXPECT_TRUE(WaitForPixel(dlg, 300, 5, kFrame, 5000)) << "the header band is not repainted";
    EXPECT_TRUE(WaitForPixel(dlg, 2, 300, kWhite, 5000));
}

TEST(Startup, ClosingTheDialogEndsTheProcess)
{
    ProgramServer server;
    struct Way
    {
        const char* name;
        void (*close)(HWND);
    };
    const Way ways[] = {
        {"close button 1035",
         [](HWND dlg) { ::PostMessageA(::GetDlgItem(dlg, 1035), BM_CLICK, 0, 0); }},
        {"WM_CLOSE", [](HWND dlg) { ::PostMessageA(dlg, WM_CLOSE, 0, 0); }},
    };
    for (const Way& way : ways)
    {
        SCOPED_TRACE(way.name);
        ProgramRun run;
        HWND dlg = StartToMainWindow(run, kWait);
        ASSERT_TRUE(dlg);
        way.close(dlg);
        EXPECT_TRUE(run.WaitForExit(kWait).has_value()) << "the process outlives its dialog";
        EXPECT_EQ(run.UnhandledExceptions(), 0) << "the process crashed on the way out";
    }
}

TEST(Startup, YesToTheNoSsdQuestionEndsWithoutTheMainWindow)
{
    ProgramServer server;
    ProgramRun run;
    HWND box = WaitForNoSsdQuestion(run);
    ASSERT_TRUE(box);
    HWND dlg = FindMainDialog(run.Pid());
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(AnswerBox(box, IDYES));
    EXPECT_TRUE(EndsWithoutMainWindow(run, kWait))
        << "the program did not end, or its main window showed after the user chose to quit";
    EXPECT_EQ(run.UnhandledExceptions(), 0);
    // The update check still runs before the dialog closes.
    EXPECT_EQ(server.Count("GET /prodline/version/version.asp?pname=ssd "), 1u);
}

TEST(Startup, YesToQuitStillAsksAboutANewerVersionFirst)
{
    ProgramServer server;
    server.Answer("/prodline/version/version.asp", 200, "1.5");
    ProgramRun run;
    HWND box = WaitForNoSsdQuestion(run);
    ASSERT_TRUE(box);
    ASSERT_TRUE(AnswerBox(box, IDYES));
    HWND update = FindTopWindow(run.Pid(), kUpdateCaption, "#32770", kWait);
    ASSERT_TRUE(update) << "no update question";
    EXPECT_TRUE(::GetDlgItem(update, IDOK) && ::GetDlgItem(update, IDCANCEL));
    HWND dlg = FindMainDialog(run.Pid());
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(AnswerBox(update, IDCANCEL));
    EXPECT_TRUE(EndsWithoutMainWindow(run, kWait))
        << "the program did not end, or its main window showed after the user chose to quit";
}
