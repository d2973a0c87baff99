// The dialog's links (what the shell is asked to open), the "[추천 설정]" link, and the
// advertisement panel: its one page load, bad pages, and the browser component missing.
#include "e2e/Checks.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

using namespace e2e;
using namespace testsupport;

namespace
{
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
    ASSERT_TRUE(ClickControl(dlg, IDC_LINK_BLOG));
    EXPECT_TRUE(recorder.WaitForLine(kBlogUrl, kWait)) << AllLaunches();
    ASSERT_TRUE(ClickControl(dlg, IDC_LINK_AHCI_SEARCH));
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
    ASSERT_TRUE(ClickControl(dlg, IDC_LINK_POWER));
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
    const POINT link = ControlCenter(dlg, IDC_LINK_AHCI_SEARCH);
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
    const int others[] = {IDC_VMEM_OFF,  IDC_WSEARCH_ON,    IDC_SYSMAIN_ON,
                          IDC_TRIM_OFF,  IDC_LASTACCESS_ON, IDC_HIBERNATE_ON,
                          IDC_DEFRAG_ON, IDC_POWER_OFF,     IDC_GUIBOOT_ON};
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

    ASSERT_TRUE(ClickControl(dlg, IDC_LINK_RECOMMENDED));
    EXPECT_TRUE(WaitUntil([&] { return CheckedRadios(dlg) == kRecommended; }, kWait));
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
    EXPECT_TRUE(IsControlEnabled(dlg, IDC_GUIBOOT_ON) && IsControlEnabled(dlg, IDC_GUIBOOT_OFF));
    // Restoring the selection applies nothing.
    EXPECT_FALSE(run->HasMarker("VMem"));
    EXPECT_FALSE(ProgressWindow(run->Pid()));
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
    const POINT p = ControlCenter(dlg, IDC_LINK_BLOG);
    ClickAt(p);
    ClickAt(p);
    EXPECT_TRUE(recorder.WaitForLine(kBlogUrl, kWait)) << AllLaunches();
    // A later click, on the Power Options link: once it has opened, the double-click's input
    // has all been handled.
    ASSERT_TRUE(ClickControl(dlg, IDC_LINK_POWER));
    ASSERT_TRUE(recorder.WaitForLine("powercfg.cpl", kWait)) << AllLaunches();
    ASSERT_TRUE(recorder.WaitUntilSettled(dlg, kWait));
    EXPECT_EQ(1u, Launches(kBlogUrl)) << AllLaunches();
}

// =============================================================================================
// The panel against bad pages and without its browser: the page is the browser's business (no
// window of its own, one load, the dialog works); with ieframe off the panel stays empty, and it
// needs neither atl nor shdocvw.

namespace
{
} // namespace

namespace
{

struct PageCase
{
    const char* name;
    HttpScript (*script)();
};

std::ostream& operator<<(std::ostream& out, const PageCase& c)
{
    return out << c.name;
}

const PageCase kPageCases[] = {
    {"TenMegabytePage",
     [] { return HttpAnswer(200, "<html><body>" + std::string(10 * 1024 * 1024, 'x')); }},
    {"BinaryGarbage", [] { return HttpScript{HttpStep::Send(GarbageBytes(65536, true))}; }},
    {"StalledPage",
     [] {
         return HttpScript{HttpStep::Send(HttpHead(200, 100)), HttpStep::Stall()};
     }},
};

class AdvertisementServer : public ::testing::TestWithParam<PageCase>
{
};

} // namespace

TEST_P(AdvertisementServer, PanelLoadLeavesTheDialogAlone)
{
    e2e::ProgramServer server;
    ASSERT_TRUE(server.IsListening());
    server.SetScriptFor(kVersionPath, HttpAnswer(200, "1.4"));
    server.SetScriptFor(kAdvertisementPath, GetParam().script());

    e2e::ProgramRun run;
    std::vector<e2e::StartupBox> boxes;
    HWND dlg = e2e::StartToMainWindow(run, e2e::kWait, &boxes);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(1u, boxes.size()) << "more than the no-SSD question at start-up";
    ASSERT_TRUE(e2e::WaitUntil([&] { return server.Count(kAdvertisementPath) > 0; }, 10000))
        << "the panel never asked for its page";

    // The page is the browser's business: no window of its own, no second load, by the time
    // the user has clicked through the dialog.
    e2e::ExpectUsable(run, dlg);
    EXPECT_TRUE(e2e::OtherWindows(run.Pid(), {dlg}).empty())
        << "a window of its own: " << e2e::OtherWindows(run.Pid(), {dlg}).front();
    EXPECT_EQ(1u, server.Count(kAdvertisementPath));
    e2e::ExpectClosesCleanly(run, dlg);
}

INSTANTIATE_TEST_SUITE_P(Pages, AdvertisementServer, ::testing::ValuesIn(kPageCases),
                         [](const ::testing::TestParamInfo<PageCase>& info)
                         { return std::string(info.param.name); });

namespace
{

// Wine's per-program library settings: "" switches a built-in library off for DADAROR.exe only.
const char kOverrides[] = "Software\\Wine\\AppDefaults\\DADAROR.exe\\DllOverrides";

struct MissingLibrary
{
    const char* name;
    bool panelGone; // false: the panel does not need the library, the page still loads once
};

std::ostream& operator<<(std::ostream& out, const MissingLibrary& c)
{
    return out << c.name;
}

class BrowserMissing : public ::testing::TestWithParam<MissingLibrary>
{
};

} // namespace

TEST_P(BrowserMissing, PanelStaysEmptyAndTheRestWorks)
{
    const MissingLibrary& c = GetParam();
    e2e::CScopedRegValue off(HKEY_CURRENT_USER, kOverrides, c.name, "");
    ASSERT_TRUE(off.Ok());
    e2e::ProgramServer server;
    ASSERT_TRUE(server.IsListening());

    e2e::ProgramRun run;
    std::vector<e2e::StartupBox> boxes;
    HWND dlg = e2e::StartToMainWindow(run, e2e::kWait, &boxes);
    ASSERT_TRUE(dlg) << "the dialog did not open without " << c.name;
    EXPECT_EQ(1u, boxes.size()) << "more than the no-SSD question at start-up";

    // Without the control there is nothing to navigate: no request, no window, no message.
    // Once the update check's request is in (where the system says it is online) and the user
    // has clicked through the dialog, a page request would have come too.
    const size_t loads = c.panelGone ? 0 : 1;
    if (!c.panelGone)
        EXPECT_TRUE(server.WaitForRequest(kAdvertisementPath, 10000));
    if (e2e::Online())
        EXPECT_TRUE(server.WaitForRequest(kVersionPath, 10000));
    e2e::ExpectUsable(run, dlg);
    EXPECT_EQ(loads, server.Count(kAdvertisementPath));
    EXPECT_TRUE(e2e::OtherWindows(run.Pid(), {dlg}).empty())
        << "other windows " << e2e::OtherWindows(run.Pid(), {dlg}).size();
    e2e::ExpectClosesCleanly(run, dlg);
}

// The panel is the browser's container itself: it needs no atl.dll.
const MissingLibrary kMissingLibraries[] = {{"atl", false}, {"ieframe", true}, {"shdocvw", false}};
INSTANTIATE_TEST_SUITE_P(Without, BrowserMissing, ::testing::ValuesIn(kMissingLibraries),
                         [](const ::testing::TestParamInfo<MissingLibrary>& info)
                         { return std::string(info.param.name); });
