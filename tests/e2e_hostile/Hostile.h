// What every test of this folder asks of the program after a hostile start: it is still there,
// its dialog answers and works, and it showed nothing of its own making besides what we expect.
#pragma once

#include "e2e/E2e.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <string>
#include <vector>

namespace hostile
{

constexpr DWORD kWait = 20000;
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
    HWND ssdBox = e2e::FindMessageBox(run.Pid(), kWait);
    EXPECT_TRUE(ssdBox && ::GetDlgItem(ssdBox, IDNO)) << "no no-SSD question";
    if (!ssdBox)
        return outcome;
    const ULONGLONG answered = ::GetTickCount64();
    EXPECT_TRUE(e2e::AnswerBox(ssdBox, IDNO));
    e2e::WaitUntil(
        [&]
        {
            HWND box = e2e::FindMessageBox(run.Pid(), 0);
            if (box && box != ssdBox)
                outcome.update = box;
            HWND main = e2e::FindMainDialog(run.Pid());
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

    const auto off = e2e::ClickablePointOf(dlg, 1004);
    const auto recommend = e2e::ClickablePointOf(dlg, 1039);
    ASSERT_TRUE(off && recommend) << "row 1004 or button 1039 is covered";
    e2e::ClickAt(*off);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsButtonChecked(dlg, 1004); }, 5000))
        << "a click on 1004 did nothing";
    e2e::ClickAt(*recommend);
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return e2e::IsButtonChecked(dlg, 1002) && !e2e::IsButtonChecked(dlg, 1004); }, 5000))
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

} // namespace hostile
