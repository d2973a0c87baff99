// The dialog's links (what the shell is asked to open), the "[추천 설정]" link, and the
// advertisement panel's one page load.
#include "Common.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace e2e;
using namespace e2e_test;

namespace
{
const DWORD kWait = 20000;
const std::string kBlogUrl = ProgramUrl("/blog/ssd-optimizer");
const std::string kSearchUrl =
    ProgramUrl("/search?q=ahci+%EC%84%A4%EC%A0%95%ED%95%98%EA%B8%B0&newwindow=1&safe=off");

class Links : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Installed()) << "could not put the launch recorder in place";
        run = std::make_unique<ProgramRun>(recorder.Environment());
        dlg = StartToMainWindow(*run, kWait);
        ASSERT_TRUE(dlg);
    }

    // The recorded launches that mention `text`.
    size_t Launches(const std::string& text) const
    {
        const auto lines = recorder.Lines();
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l)
                             { return l.find(text) != std::string::npos; });
    }

    std::string AllLaunches() const
    {
        std::string all;
        for (const auto& l : recorder.Lines())
            all += "[" + l + "] ";
        return all;
    }

    ProgramServer server;
    LaunchRecorder recorder;
    std::unique_ptr<ProgramRun> run;
    HWND dlg = nullptr;
};
} // namespace

TEST_F(Links, BlogAndSearchLinksOpenTheirAddressesOnce)
{
    ASSERT_TRUE(ClickControl(dlg, 1028));
    EXPECT_TRUE(recorder.WaitForLine(kBlogUrl, kWait)) << AllLaunches();
    ASSERT_TRUE(ClickControl(dlg, 1030));
    EXPECT_TRUE(recorder.WaitForLine(kSearchUrl, kWait)) << AllLaunches();
    // A second launch per click would be logged by the time the launches have settled.
    ASSERT_TRUE(recorder.WaitUntilSettled(dlg, kWait));
    EXPECT_EQ(1u, Launches(kBlogUrl)) << AllLaunches();
    EXPECT_EQ(1u, Launches(kSearchUrl)) << AllLaunches();
    // Opening is the browser's business: the program shows nothing of its own for it.
    EXPECT_EQ(TopWindowsOf(run->Pid(), true).size(), 1u);
    EXPECT_EQ(server.Count("/blog/"), 0u) << "the program fetched the page itself";
}

TEST_F(Links, PowerOptionsLinkOpensTheControlPanel)
{
    ASSERT_TRUE(ClickControl(dlg, 1027));
    ASSERT_TRUE(recorder.WaitForLine("powercfg.cpl", kWait)) << AllLaunches();
    ASSERT_TRUE(recorder.WaitUntilSettled(dlg, kWait));
    EXPECT_EQ(1u, Launches("powercfg.cpl")) << AllLaunches();
    const auto lines = recorder.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "powercfg.cpl"), lines.end())
        << "control.exe got other parameters: " << AllLaunches();
}

TEST_F(Links, PressingALinkAndMovingDoesNotMoveTheWindow)
{
    const RECT start = WindowRect(dlg);
    const POINT link = ControlCenter(dlg, 1030);
    Drag(link, POINT{link.x + 100, link.y + 80});
    // A wrong move happens with the drag itself: once later input is handled, the window stands
    // where it stood, lowered only by that later drag.
    ASSERT_TRUE(InputHandled(dlg));
    EXPECT_EQ(WindowRect(dlg).left, start.left);
    EXPECT_EQ(WindowRect(dlg).top, start.top + kSettleDrop);
}

TEST_F(Links, RecommendedLinkRestoresEveryRowAfterRealClicks)
{
    // One other choice in every row, each by a click of the user's.
    const int others[] = {1004, 1005, 1008, 1013, 1015, 1018, 1021, 1032, 1041};
    std::set<int> expected;
    for (int id : others)
    {
        ASSERT_TRUE(ClickControl(dlg, id))
            << "nothing of " << id << " can be clicked: other controls cover it";
        expected.insert(id);
        ASSERT_TRUE(WaitUntil([&] { return IsButtonChecked(dlg, id); }, 5000))
            << "the click on " << id << " did not select it";
    }
    // Each click changed only its own row.
    EXPECT_EQ(CheckedRadios(dlg), expected);
    SaveScreenshot("main-dialog-changed-rows", dlg);

    ASSERT_TRUE(ClickControl(dlg, 1039));
    EXPECT_TRUE(WaitUntil([&] { return CheckedRadios(dlg) == kRecommended; }, kWait));
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
    EXPECT_TRUE(IsControlEnabled(dlg, 1041) && IsControlEnabled(dlg, 1042));
    // Restoring the selection applies nothing.
    EXPECT_FALSE(run->HasMarker("VMem"));
    EXPECT_FALSE(ProgressWindowShown(run->Pid()));
}

TEST(Panel, LoadsTheAdvertisementOnceShortlyAfterTheStart)
{
    ProgramServer server;
    ASSERT_TRUE(server.IsListening());
    server.Answer("/prodline/advertisement/ssd.asp", 200, "<html><body>ad</body></html>");
    ProgramRun run;
    HWND box = FindMessageBox(run.Pid(), kWait);
    ASSERT_TRUE(box);
    // Nothing is loaded while the start-up is still asking.
    EXPECT_EQ(server.Count("/prodline/advertisement/"), 0u);
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);
    const ULONGLONG shown = ::GetTickCount64();
    ASSERT_TRUE(server.WaitForRequest("/prodline/advertisement/ssd.asp", 10000))
        << "the panel loaded nothing";
    // 200 ms after the start; a loaded machine gets some slack.
    EXPECT_LT(::GetTickCount64() - shown, 3000u);

    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(dlg, IDC_BROWSER))) << "the panel is not shown";
    SaveScreenshot("main-dialog-with-panel", dlg);

    // Watched until the program has ended: nothing it does can come later.
    std::vector<std::string> extra;
    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            for (HWND h : TopWindowsOf(run.Pid(), true))
                if (h != dlg)
                    extra.push_back(ClassOf(h) + " \"" + WindowText(h) + "\"");
            return run.Exited();
        },
        kWait))
        << "the program did not end";
    EXPECT_TRUE(extra.empty()) << "a window of its own: "
                               << (extra.empty() ? std::string() : extra.front());
    const auto lines = server.RequestLines();
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "GET /prodline/advertisement/ssd.asp HTTP/1.1"), 1)
        << "a plain GET of the page, nothing else";
    EXPECT_EQ(server.Count("/prodline/advertisement/"), 1u) << "a second load";
}

TEST_F(Links, DoubleClickOnALinkOpensItOnce)
{
    // The second click of a double-click arrives as its own notification; it is not a second
    // request to open the page.
    const POINT p = ControlCenter(dlg, 1028);
    ClickAt(p);
    ClickAt(p);
    EXPECT_TRUE(recorder.WaitForLine(kBlogUrl, kWait)) << AllLaunches();
    // A later click, on the Power Options link: once it has opened, the double-click's input
    // has all been handled.
    ASSERT_TRUE(ClickControl(dlg, 1027));
    ASSERT_TRUE(recorder.WaitForLine("powercfg.cpl", kWait)) << AllLaunches();
    ASSERT_TRUE(recorder.WaitUntilSettled(dlg, kWait));
    EXPECT_EQ(1u, Launches(kBlogUrl)) << AllLaunches();
}
