// What the end-to-end tests ask of the running program, shared by every area: the main dialog's
// facts (its rows, the recommended selection, its colours), whether the system says it is online,
// the way past the no-SSD question, and that the program is still there, its dialog answers and
// works, and it showed nothing of its own making besides what we expect.
#pragma once

#include "e2e/E2e.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace e2e
{

// Every radio button of the rows, top to bottom.
const std::vector<int> kRadioIds = {
    IDC_VMEM_SYSTEM,    IDC_VMEM_REDUCED, IDC_VMEM_OFF,      IDC_WSEARCH_ON, IDC_WSEARCH_OFF,
    IDC_SYSMAIN_ON,     IDC_SYSMAIN_OFF,  IDC_TRIM_ON,       IDC_TRIM_OFF,   IDC_LASTACCESS_ON,
    IDC_LASTACCESS_OFF, IDC_HIBERNATE_ON, IDC_HIBERNATE_OFF, IDC_DEFRAG_ON,  IDC_DEFRAG_OFF,
    IDC_POWER_ON,       IDC_POWER_OFF,    IDC_GUIBOOT_ON,    IDC_GUIBOOT_OFF};
// The recommended selection.
const std::set<int> kRecommended = {IDC_VMEM_SYSTEM, IDC_WSEARCH_OFF,    IDC_SYSMAIN_OFF,
                                    IDC_TRIM_ON,     IDC_LASTACCESS_OFF, IDC_HIBERNATE_OFF,
                                    IDC_DEFRAG_OFF,  IDC_POWER_ON,       IDC_GUIBOOT_OFF};

// The checked radio buttons, as a set to compare with an expectation in one assertion.
inline std::set<int> CheckedRadios(HWND dlg)
{
    std::set<int> checked;
    for (int id : kRadioIds)
        if (e2e::IsButtonChecked(dlg, id))
            checked.insert(id);
    return checked;
}

// Opens the About box the way its system-menu entry does; the box, or null when none came.
inline HWND OpenAboutBox(const e2e::ProgramRun& run, HWND dlg, DWORD timeoutMs = 20000)
{
    ::PostMessageA(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    return e2e::FindTopWindow(run.Pid(), e2e::kAboutTitle, "#32770", timeoutMs);
}

// A real click on a spot of the control that no other control covers; false when there is none.
inline bool ClickControl(HWND dlg, int id)
{
    const auto spot = e2e::ClickablePointOf(dlg, id);
    if (!spot)
        return false;
    return e2e::ClickAt(*spot);
}

const e2e::Rgb kFrame = {88, 89, 91};
const e2e::Rgb kWhite = {255, 255, 255};

// A test that begins with the program's main dialog on the screen, its server answering.
class MainDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsListening());
        dlg = StartToMainWindow(run, kWait);
        ASSERT_TRUE(dlg);
    }

    ProgramServer server;
    ProgramRun run;
    HWND dlg = nullptr;
};

// Addresses of the test build on the tests' server.
constexpr char kVersionPath[] = "/prodline/version/version.asp";
constexpr char kVersionRequestLine[] = "GET /prodline/version/version.asp?pname=ssd HTTP/1.1";
constexpr char kAdvertisementPath[] = "/prodline/advertisement/";
inline const std::string kBlogUrl = ProgramUrl("/blog/ssd-optimizer");

// `count` bytes of repeatable garbage for a server to answer with; with NULs or without.
inline std::string GarbageBytes(size_t count, bool withNuls)
{
    std::mt19937 random(1234);
    std::string bytes(count, '\0');
    for (char& c : bytes)
    {
        c = static_cast<char>(random() & 0xFF);
        if (!withNuls && c == '\0')
            c = '\x01';
    }
    if (withNuls)
        bytes[count / 3] = '\0';
    return bytes;
}

inline double SecondsSince(ULONGLONG startTick)
{
    return static_cast<double>(::GetTickCount64() - startTick) / 1000.0;
}

// A message box as the user sees it.
struct BoxLook
{
    std::string caption, text;
    std::set<int> buttons; // the visible buttons' ids
    HWND owner = nullptr;
};

inline BoxLook Look(HWND box)
{
    BoxLook look{WindowText(box), MessageBoxText(box), {}, ::GetWindow(box, GW_OWNER)};
    for (int id = IDOK; id <= IDNO; ++id)
    {
        HWND button = ::GetDlgItem(box, id);
        if (button && ::IsWindowVisible(button))
            look.buttons.insert(id);
    }
    return look;
}

// The main dialog of the run is visible now.
inline bool MainDialogShown(ProgramRun& run)
{
    HWND dlg = FindMainDialog(run.Pid());
    return dlg && ::IsWindowVisible(dlg);
}

// Waits for the first box of the start; the main dialog must stay hidden while it is open.
inline HWND FirstBox(ProgramRun& run)
{
    HWND box = FindMessageBox(run.Pid(), kWait);
    if (box)
        EXPECT_FALSE(MainDialogShown(run))
            << "the main dialog shows before the start-up box is answered";
    return box;
}

// Answers a box and waits until it has gone, so that nobody answers it twice.
inline bool Answer(HWND box, int id)
{
    return AnswerBox(box, id) && WaitUntil([&] { return !::IsWindow(box); }, kWait);
}

// Answers the no-SSD question (every start on Wine's own disks asks it) with No.
inline bool GoPastNoSsdQuestion(ProgramRun& run)
{
    HWND box = FirstBox(run);
    if (!box || MessageBoxText(box) != facts::kNoSsdQuestion)
        return false;
    return Answer(box, IDNO);
}

#define SKIP_UNLESS_ONLINE()                                                                       \
    if (!e2e::Online())                                                                            \
    GTEST_SKIP() << "InternetGetConnectedState reports no connection here: the program skips its " \
                    "update check, so there is nothing to observe"

// The start-up's update check gives up after 5 s; a busy test machine gets some slack on top.
constexpr ULONGLONG kUpdateBoundMs = 5000 + 2500;

// The update check only runs where the system reports a connection.
inline bool Online()
{
    DWORD flags = 0;
    return ::InternetGetConnectedState(&flags, 0) != FALSE;
}

// What came after the no-SSD question was answered with No: the update question or the main
// window, whichever first, and when. The bound of the update check runs from its first request
// as the server saw it arrive (how late the program got round to sending it on a busy machine
// is not the check's doing); from the answer when no request came.
struct StartupOutcome
{
    HWND update = nullptr;
    HWND dlg = nullptr;
    ULONGLONG sinceAnswer = 0;
    ULONGLONG sinceRequest = 0;
};

inline StartupOutcome PastTheSsdQuestion(e2e::ProgramRun& run,
                                         const testsupport::CHttpTestServer& server,
                                         const std::string& versionPath)
{
    StartupOutcome outcome;
    // The test prefix has no SSD: the no-SSD question comes first; the update check follows it.
    const bool past = GoPastNoSsdQuestion(run);
    EXPECT_TRUE(past) << "no no-SSD question";
    if (!past)
        return outcome;
    const ULONGLONG answered = ::GetTickCount64();
    WaitUntil(
        [&]
        {
            outcome.update = FindMessageBox(run.Pid(), 0);
            HWND main = FindMainDialog(run.Pid());
            if (main && ::IsWindowVisible(main))
                outcome.dlg = main;
            return outcome.update || outcome.dlg || run.Exited();
        },
        kUpdateBoundMs + 10000);
    const ULONGLONG found = ::GetTickCount64();
    outcome.sinceAnswer = outcome.sinceRequest = found - answered;
    const auto lines = server.RequestLines();
    const auto times = server.RequestTimes();
    for (size_t i = 0; i < lines.size() && i < times.size(); ++i)
        if (lines[i].find(versionPath) != std::string::npos)
        {
            outcome.sinceRequest = found - times[i];
            break;
        }
    EXPECT_TRUE(outcome.update || outcome.dlg)
        << "neither a box nor the main window after " << outcome.sinceAnswer << " ms";
    return outcome;
}

// Visible top-level windows of the program other than `known`, as "class \"title\"".
inline std::vector<std::string> OtherWindows(DWORD pid, const std::vector<HWND>& known)
{
    std::vector<std::string> others;
    for (HWND h : e2e::TopWindowsOf(pid, true))
    {
        bool isKnown = false;
        for (HWND k : known)
            isKnown = isKnown || h == k;
        if (!isKnown)
            others.push_back(e2e::ClassOf(h) + " \"" + e2e::WindowText(h) + "\"");
    }
    return others;
}

// The dialog answers a message and takes real clicks: one row moved off its recommendation, and
// the recommendation button 1039 puts it back.
inline void ExpectUsable(const e2e::ProgramRun& run, HWND dlg)
{
    ASSERT_FALSE(run.Exited()) << "the program ended on its own";
    char title[128] = {};
    DWORD_PTR length = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(dlg, WM_GETTEXT, sizeof(title),
                                      reinterpret_cast<LPARAM>(title), SMTO_ABORTIFHUNG, 5000,
                                      &length))
        << "the dialog does not answer";
    EXPECT_STREQ(e2e::kMainTitle, title);

    const auto off = e2e::ClickablePointOf(dlg, IDC_VMEM_OFF);
    const auto recommend = e2e::ClickablePointOf(dlg, IDC_LINK_RECOMMENDED);
    ASSERT_TRUE(off && recommend) << "row 1004 or button 1039 is covered";
    e2e::ClickAt(*off);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsButtonChecked(dlg, IDC_VMEM_OFF); }, 5000))
        << "a click on 1004 did nothing";
    e2e::ClickAt(*recommend);
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            return e2e::IsButtonChecked(dlg, IDC_VMEM_SYSTEM) &&
                   !e2e::IsButtonChecked(dlg, IDC_VMEM_OFF);
        },
        5000))
        << "[추천 설정] did not restore the recommendation";
    EXPECT_EQ(0, run.UnhandledExceptions());
}

// Closes the dialog as the user does and expects the process to end cleanly.
inline void ExpectClosesCleanly(e2e::ProgramRun& run, HWND dlg)
{
    EXPECT_FALSE(run.Exited()) << "the program ended before it was closed";
    HWND box = nullptr;
    EXPECT_TRUE(e2e::CloseWhenIdle(dlg)) << "no close taken"
                                         << ((box = e2e::FindMessageBox(run.Pid(), 0))
                                                 ? ": a box is open: " + e2e::MessageBoxText(box)
                                                 : std::string());
    std::optional<DWORD> code = run.WaitForExit(10000);
    EXPECT_TRUE(code.has_value()) << "the process outlives its dialog";
    EXPECT_EQ(0, run.UnhandledExceptions()) << "the program crashed";
}

} // namespace e2e
