// The running program keeps its handle, GDI object and window counts flat while it is used: a
// program that runs for a long time elevated must not grow with every repaint, apply or label
// change. Counting is done inside the program by the injected probe (see Probe.h); Wine's own
// counters (GetGuiResources, GetProcessHandleCount) answer 0 there, which would pass anything.
//
// "Flat": after a warm-up round (first-use caches: fonts, DC cache, COM, the tools' first start)
// no settled count after the whole series is above the settled count after the warm-up. A count
// may end one lower: the warm-up's reading can still hold a handle that the system lets go later
// (seen: one kernel handle fewer after the repaint and apply series); a leak of anything per round
// shows as growth by the number of rounds.
#include "Probe.h"
#include "TestSupport.h"
#include "common/ProgramFacts.h"
#include "ToolRecorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using hardening::Counts;
using hardening::ToString;

namespace
{
// The probe must see exactly what a process makes and frees, or a flat count proves nothing.
TEST(LeakProbe, CountsExactlyWhatAProcessMakesAndFrees)
{
    e2e::ProgramRun run(e2e::Env{}, hardening::HelperPath("hardening_target.exe"));
    ASSERT_TRUE(run.Started()) << run.LastError();
    HWND w = e2e::FindTopWindow(run.Pid(), "HardeningTarget", "HardeningTarget", 10000);
    ASSERT_TRUE(w);
    std::optional<Counts> base = hardening::SettledCounts(run, w);
    ASSERT_TRUE(base) << "the probe did not answer";
    EXPECT_GT(base->gdi, 0) << "a window program has at least its stock objects";
    EXPECT_GT(base->handles, 0);
    EXPECT_GE(base->windows, 1);

    ASSERT_EQ(25, ::SendMessageA(w, WM_APP + 1, 25, 0));
    std::optional<Counts> more = hardening::SettledCounts(run, w);
    ASSERT_TRUE(more);
    EXPECT_EQ(base->gdi + 25, more->gdi) << ToString(*base) << " -> " << ToString(*more);
    EXPECT_EQ(base->handles + 25, more->handles) << ToString(*base) << " -> " << ToString(*more);
    EXPECT_EQ(base->windows + 25, more->windows) << ToString(*base) << " -> " << ToString(*more);

    ::SendMessageA(w, WM_APP + 2, 0, 0);
    std::optional<Counts> after = hardening::SettledCounts(run, w);
    ASSERT_TRUE(after);
    EXPECT_EQ(*base, *after) << "freed objects still counted: " << ToString(*after);
    EXPECT_EQ(0, run.UnhandledExceptions()) << "the probe must leave the process unharmed";
}

void PostSysCommand(HWND dlg, WPARAM command)
{
    ::PostMessageA(dlg, WM_SYSCOMMAND, command, 0);
}

class RunningProgram : public ::testing::Test
{
protected:
    HWND Start(e2e::Env env = {})
    {
        run = std::make_unique<e2e::ProgramRun>(std::move(env));
        if (!run->Started())
            return nullptr;
        return e2e::StartToMainWindow(*run);
    }

    // Runs `round` `warmUp` times, takes the settled counts, runs it `times` more and asserts the
    // counts came back to the same figures.
    void ExpectFlat(HWND dlg, const char* what, int warmUp, int times,
                    const std::function<void(int)>& round)
    {
        for (int i = 0; i < warmUp; ++i)
            round(i);
        ASSERT_FALSE(HasFatalFailure());
        std::optional<Counts> base = hardening::SettledCounts(*run, dlg);
        ASSERT_TRUE(base) << "no settled reading after the warm-up";
        for (int i = 0; i < times; ++i)
        {
            round(warmUp + i);
            ASSERT_FALSE(HasFatalFailure()) << what << " round " << i;
        }
        std::optional<Counts> after = hardening::WaitForNoGrowth(*run, dlg, *base);
        ASSERT_TRUE(after) << "no settled reading after the series";
        std::printf("[ counts   ] %s: after warm-up %s, after %d more %s\n", what,
                    ToString(*base).c_str(), times, ToString(*after).c_str());
        EXPECT_TRUE(hardening::NoGrowth(*base, *after))
            << what << ": " << ToString(*base) << " -> " << ToString(*after);
        EXPECT_FALSE(run->Exited());
        EXPECT_EQ(0, run->UnhandledExceptions());
    }

    std::unique_ptr<e2e::ProgramRun> run;
};

TEST_F(RunningProgram, ShowingTheMainWindowIsCounted)
{
    // The probe sees the program's own objects come: a reading at the first start-up question
    // (the dialog and its controls exist, hidden) against one with the main dialog painted.
    // Guards against a probe that reads a constant.
    e2e::ProgramServer server;
    run = std::make_unique<e2e::ProgramRun>();
    ASSERT_TRUE(run->Started());
    HWND box = e2e::FindMessageBox(run->Pid(), 20000);
    ASSERT_TRUE(box) << "the no-SSD question comes first on a machine without an SSD";
    std::optional<Counts> atQuestion = hardening::SettledCounts(*run, box);
    ASSERT_TRUE(atQuestion);
    HWND dlg = e2e::StartToMainWindow(*run);
    ASSERT_TRUE(dlg);
    std::optional<Counts> shown = hardening::SettledCounts(*run, dlg);
    ASSERT_TRUE(shown);
    std::printf("[ counts   ] at the question %s, main window %s\n", ToString(*atQuestion).c_str(),
                ToString(*shown).c_str());
    EXPECT_GT(shown->gdi, atQuestion->gdi + 10)
        << "the skinned dialog's bitmaps, fonts and brushes";
}

TEST_F(RunningProgram, HundredRepaintsLeakNothing)
{
    e2e::ProgramServer server;
    HWND dlg = Start();
    ASSERT_TRUE(dlg);
    // The skinned buttons: apply, minimise, close. A point on each, and one on the bare surface.
    const int buttons[] = {1029, 1034, 1035};
    std::vector<POINT> spots;
    for (int id : buttons)
    {
        std::optional<POINT> p = e2e::ClickablePointOf(dlg, id);
        ASSERT_TRUE(p) << id;
        spots.push_back(*p);
    }
    const POINT away = e2e::WindowPoint(dlg, 330, 330);

    auto round = [&](int)
    {
        PostSysCommand(dlg, SC_MINIMIZE);
        ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsIconic(dlg) != FALSE; }, 5000))
            << "not minimised";
        PostSysCommand(dlg, SC_RESTORE);
        ASSERT_TRUE(
            e2e::WaitUntil([&] { return !::IsIconic(dlg) && ::IsWindowVisible(dlg); }, 5000))
            << "not restored";
        // Painted again: the frame and the surface.
        ASSERT_TRUE(e2e::WaitForPixel(dlg, 0, 300, {88, 89, 91}, 5000));
        ASSERT_TRUE(e2e::WaitForPixel(dlg, 2, 300, {255, 255, 255}, 5000));
        for (POINT p : spots)
        {
            e2e::MoveTo(p);
            e2e::WaitUntil([&] { return ::WindowFromPoint(p) != nullptr; }, 1000);
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutA(dlg, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
            e2e::MoveTo(away);
            ::SendMessageTimeoutA(dlg, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
        }
    };
    ExpectFlat(dlg, "minimise/restore and hover", 3, 100, round);
}

TEST_F(RunningProgram, FiftyAhciLabelChangesLeakNothing)
{
    e2e::ProgramServer server;
    HWND dlg = Start();
    ASSERT_TRUE(dlg);
    HWND label = ::GetDlgItem(dlg, 1000);
    ASSERT_TRUE(label);
    const std::string original = e2e::WindowText(label);
    auto round = [&](int i)
    {
        // Sent across processes: the label rebuilds its part of the parent each time.
        const std::string text = (i % 2 ? "AHCI mode " : "IDE mode ") + std::to_string(i);
        ASSERT_TRUE(::SendMessageA(label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())));
        ASSERT_EQ(text, e2e::WindowText(label));
    };
    ExpectFlat(dlg, "AHCI label text", 5, 50, round);
    ::SendMessageA(label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(original.c_str()));
}
} // namespace

namespace
{
using namespace sysconfig_test;

// Everything an apply touches, replaced by recorders and test services and put back afterwards.
class RepeatedApply : public RunningProgram, protected CApplyStandIns
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Ready());
        const char paging[] = "C:\\pagefile.sys 16 32\0";
        ASSERT_EQ(ERROR_SUCCESS, WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey,
                                          "PagingFiles", REG_MULTI_SZ, paging, sizeof(paging)));
    }

    HWND WaitForRestartQuestion(DWORD timeoutMs)
    {
        HWND found = nullptr;
        e2e::WaitUntil(
            [&]
            {
                HWND box = e2e::FindMessageBox(run->Pid(), 0);
                if (box && e2e::MessageBoxText(box) == facts::kRestartQuestion)
                    found = box;
                return found != nullptr;
            },
            timeoutMs);
        return found;
    }

    bool ProgressWindowShown()
    {
        for (HWND h : e2e::TopWindowsOf(run->Pid(), true))
            if (::GetDlgItem(h, 1038))
                return true;
        return false;
    }
};

TEST_F(RepeatedApply, TwentyAppliesLeakNothing)
{
    e2e::ProgramServer server;
    HWND dlg = Start();
    ASSERT_TRUE(dlg);
    auto round = [&](int)
    {
        ASSERT_TRUE(e2e::ClickApply(*run, dlg));
        HWND question = WaitForRestartQuestion(30000);
        ASSERT_TRUE(question) << "no restart question";
        ASSERT_TRUE(e2e::AnswerBox(question, IDCANCEL));
        ASSERT_TRUE(e2e::WaitUntil(
            [&]
            { return !::IsWindow(question) && ::IsWindowEnabled(dlg) && !ProgressWindowShown(); },
            10000));
    };
    ExpectFlat(dlg, "apply", 1, 20, round);
    EXPECT_FALSE(run->HasMarker(facts::kRestartRequested));
}
} // namespace
