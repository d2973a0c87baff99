// The apply run of the real program: every row's choice becomes a change of the machine, in the
// fixed order, behind the progress window, and the restart is offered when the paging file was
// written; the same with pieces of the system missing and with paging-file values it must not
// read.
#include "TestSupport.h"
#include "ToolRecorder.h"
#include "common/ProgramFacts.h"
#include "e2e/Checks.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

using namespace sysconfig_test;

// =============================================================================================
// The run and the restart.

namespace
{
const char kProgressText[] =
    "최적화 중입니다. 잠시만 기다려주세요.\r\n\r\n완료후 가상메모리가 적용되기 "
    "위해서는 리부팅이 필요합니다.";
const char kPlan[] = "b152c1ee-6d00-4b8d-9324-e8edf86cf92b";
const char kBalanced[] = "381b4222-f694-41f0-9685-ff5bb260df2e";

// Everything the apply run touches, installed for the test and put back afterwards.
class ApplyRun : public ::testing::Test, protected CApplyStandIns
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Ready());
        // The paging-file setting must exist for the program to rewrite it.
        ASSERT_EQ(ERROR_SUCCESS, SetPagingFiles("C:\\pagefile.sys 16 32\0D:\\pagefile.sys 0 0\0"));
    }

    HWND StartProgram()
    {
        run.reset(new e2e::ProgramRun());
        if (!run->Started())
            return nullptr;
        return e2e::StartToMainWindow(*run);
    }

    HWND FindProgressWindow(DWORD timeoutMs)
    {
        HWND found = nullptr;
        e2e::WaitUntil([&] { return (found = e2e::ProgressWindow(run->Pid())) != nullptr; },
                       timeoutMs);
        return found;
    }

    HWND WaitForBox(const char* text, DWORD timeoutMs)
    {
        return e2e::WaitForBox(run->Pid(), text, timeoutMs);
    }

    long CountMarker(const std::string& text) const
    {
        std::vector<std::string> markers = run->Markers();
        return static_cast<long>(std::count(markers.begin(), markers.end(), text));
    }

    std::vector<std::string> RowMarkers() const
    {
        std::vector<std::string> rows;
        for (const std::string& m : run->Markers())
            if (m.rfind("test:", 0) != 0)
                rows.push_back(m);
        return rows;
    }

    // The parameters of each recorded start, with the tool's file name first.
    std::vector<std::string> Starts(size_t count)
    {
        std::vector<std::string> lines;
        for (const RecordedStart& s : log.WaitFor(count))
        {
            std::string module = s.module.substr(s.module.find_last_of('\\') + 1);
            lines.push_back(module + "|" + s.parameters);
        }
        return lines;
    }

    // What an apply leaves on the machine: the paging-file value (REG_MULTI_SZ), the executive
    // flag and the start types of the three services.
    struct Machine
    {
        std::string paging;
        DWORD executive, wsearchStart, sysmainStart, defragStart;
    };
    void ExpectMachine(const Machine& expected)
    {
        const RawValue paging =
            ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles");
        EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), paging.type);
        EXPECT_EQ(expected.paging, std::string(paging.data.begin(), paging.data.end()));
        const RawValue executive =
            ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "DisablePagingExecutive");
        ASSERT_EQ(4u, executive.data.size());
        EXPECT_EQ(expected.executive, *reinterpret_cast<const DWORD*>(executive.data.data()));
        EXPECT_EQ(expected.wsearchStart, wsearch.StartType());
        EXPECT_EQ(expected.sysmainStart, sysmain.StartType());
        EXPECT_EQ(expected.defragStart, defrag.StartType());
    }

    std::unique_ptr<e2e::ProgramRun> run;
};

} // namespace

TEST_F(ApplyRun, RecommendedSelectionChangesTheMachineInOrderAndOffersTheRestart)
{
    HWND dlg = StartProgram();
    ASSERT_TRUE(dlg);

    ASSERT_TRUE(e2e::ClickApply(*run, dlg));
    HWND progress = FindProgressWindow(10000);
    ASSERT_TRUE(progress) << "no progress window";
    EXPECT_EQ(kProgressText, e2e::WindowText(::GetDlgItem(progress, IDC_PROGRESS_TEXT)));
    EXPECT_EQ(dlg, ::GetWindow(progress, GW_OWNER));
    e2e::SaveScreenshot("apply-progress", progress);

    HWND question = WaitForBox(facts::kRestartQuestion, 30000);
    ASSERT_TRUE(question) << "no restart question";
    EXPECT_EQ(facts::kMainTitle, e2e::WindowText(question));
    EXPECT_EQ(dlg, ::GetWindow(question, GW_OWNER));
    e2e::SaveScreenshot("apply-restart-question", question);

    EXPECT_EQ((std::vector<std::string>{"VMem", "WSearch", "SysMain", "trim", "Lastfileaccess",
                                        "power", "hib", "diskfrag", "GUI BOOT"}),
              RowMarkers());
    // The progress window is gone before the question is asked.
    EXPECT_FALSE(::IsWindow(progress));

    // While the question is open the dialog takes no click (checked once it takes input again).
    e2e::ClickAt(e2e::ControlCenter(dlg, IDC_APPLY));

    // The machine: paging file system managed on the Windows drive, services off, tools run.
    ExpectMachine({std::string("C:\\pagefile.sys 0 0\0", 21), 0, SERVICE_DISABLED, SERVICE_DISABLED,
                   SERVICE_DEMAND_START});
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), wsearch.State());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), defrag.State());

    std::string folder = e2e::ProgramPath().substr(0, e2e::ProgramPath().find_last_of('\\'));
    // Launches are not waited for: two tools started one after the other may log in either
    // order. The order that matters is the one the pauses enforce, checked below.
    std::vector<std::string> starts = Starts(6);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ((std::vector<std::string>{
                  "bcdedit.exe| /set {current} quietboot Yes ",
                  "fsutil.exe|behavior set disabledeletenotify 0",
                  "fsutil.exe|behavior set disablelastaccess 1",
                  std::string("powercfg.exe| -S ") + kPlan,
                  std::string("powercfg.exe|-IMPORT \"") + folder + "\\velo-ssd.cfg\" " + kPlan,
                  "powercfg.exe|-h off",
              }),
              starts);
    std::vector<RecordedStart> raw = log.Read();
    ASSERT_GE(raw.size(), 6u);
    const RecordedStart* import = nullptr;
    const RecordedStart* activate = nullptr;
    for (const RecordedStart& s : raw)
    {
        EXPECT_EQ(SW_HIDE, s.show) << s.commandLine;
        if (s.parameters.find("-IMPORT") != std::string::npos)
            import = &s;
        if (s.parameters == std::string(" -S ") + kPlan)
            activate = &s;
        if (s.module.find("bcdedit") != std::string::npos)
            EXPECT_EQ(bcdedit64.Path(), s.module)
                << "bcdedit must come from the 64-bit system folder";
    }
    // The plan is activated a second after its import: the stand-ins started in that order, and
    // the power row (from the marker before it to its own) took the pause, measured between the
    // program's own markers: when the stand-ins happen to start says nothing on a busy machine.
    ASSERT_TRUE(import && activate);
    EXPECT_LT(import->ms, activate->ms);
    const auto rowBegin = run->MarkerTime("Lastfileaccess");
    const auto rowEnd = run->MarkerTime("power");
    ASSERT_TRUE(rowBegin && rowEnd);
    EXPECT_GE(*rowEnd - *rowBegin, 900u) << "no second between the import and the activation";

    // Cancel: the program goes on, the dialog enabled, the progress window gone.
    ASSERT_TRUE(e2e::AnswerBox(question, IDCANCEL));
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 10000));
    EXPECT_FALSE(run->Exited());
    // Input given after the click is handled now: the click started no second worker.
    ASSERT_TRUE(e2e::InputHandled(dlg));
    EXPECT_FALSE(e2e::ProgressWindow(run->Pid()));
    EXPECT_EQ(1, CountMarker("VMem")) << "a click while the question was open started a run";
    EXPECT_FALSE(run->HasMarker(facts::kRestartRequested));

    // A second apply asks again (the restart flag stays set).
    ASSERT_TRUE(e2e::ClickApply(*run, dlg));
    EXPECT_TRUE(WaitForBox(facts::kRestartQuestion, 30000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return CountMarker("GUI BOOT") == 2; }, 5000));
    EXPECT_EQ(0, run->UnhandledExceptions());
}

// Where the code page for non-Unicode programs is not Korean (Wine's 1252, which C.UTF-8 gives
// the process at its start) and the program's folder is named in Hangul, it reads and looks as
// on a Korean system, and its power plan is imported from that folder.
TEST_F(ApplyRun, UnderAWesternCodePageFromAHangulFolderReadsLooksAndWorksAsOnAKoreanOne)
{
    testsupport::CTempFolder folder("최적화 폴더");
    ASSERT_TRUE(::CopyFileA(e2e::ProgramPath().c_str(), (folder / "DADAROR.exe").c_str(), FALSE));
    std::vector<std::string> texts[2]; // the start-up boxes', the window's and every control's
    e2e::Picture pictures[2];
    for (int western : {0, 1})
    {
        run.reset(); // the earlier run's process is gone before the next starts
        run.reset(western ? new e2e::ProgramRun({{"LC_ALL", "C.UTF-8"}}, folder / "DADAROR.exe")
                          : new e2e::ProgramRun());
        e2e::MoveTo(POINT{0, 0});
        std::vector<e2e::StartupBox> boxes;
        HWND dlg = e2e::StartToMainWindow(*run, e2e::kWait, &boxes);
        ASSERT_TRUE(dlg) << "code page " << (western ? 1252 : 949);
        for (const e2e::StartupBox& box : boxes)
            texts[western].push_back(box.caption + "|" + box.text);
        for (HWND c = dlg; c;
             c = c == dlg ? ::GetWindow(dlg, GW_CHILD) : ::GetWindow(c, GW_HWNDNEXT))
            texts[western].push_back(std::to_string(::GetDlgCtrlID(c)) + "=" + e2e::WindowText(c));
        e2e::SaveScreenshot(western ? "code-page-1252" : "code-page-949", dlg);
        pictures[western] = e2e::Capture(e2e::WindowRect(dlg));
        if (!western)
        {
            ASSERT_TRUE(e2e::CloseWhenIdle(dlg) && run->WaitForExit(e2e::kWait).has_value());
            continue;
        }
        EXPECT_EQ(texts[0], texts[1]);
        int differing = 0; // both 660 x 652: the start waits for that size
        for (int y = 0; y < pictures[0].Height(); ++y)
            for (int x = 0; x < pictures[0].Width(); ++x)
                differing += pictures[0].At(x, y) != pictures[1].At(x, y);
        std::cout << "[measured] code page 1252 from a Hangul folder: " << differing
                  << " pixels differ from code page 949\n";
        EXPECT_EQ(0, differing);

        HWND progress = nullptr;
        ASSERT_TRUE(e2e::ClickApply(*run, dlg) && (progress = FindProgressWindow(10000)));
        EXPECT_EQ(kProgressText, e2e::WindowText(::GetDlgItem(progress, IDC_PROGRESS_TEXT)));
        const std::vector<std::string> starts = Starts(6);
        EXPECT_NE(starts.end(), std::find(starts.begin(), starts.end(),
                                          "powercfg.exe|-IMPORT \"" + folder.Path() +
                                              "\\velo-ssd.cfg\" " + kPlan))
            << ::testing::PrintToString(starts);
        EXPECT_TRUE(e2e::AnswerBox(WaitForBox(facts::kRestartQuestion, 30000), IDCANCEL));
    }
}

TEST_F(ApplyRun, OtherSelectionGivesTheOtherHalfOfEveryRow)
{
    HWND dlg = StartProgram();
    ASSERT_TRUE(dlg);
    for (int id : {IDC_VMEM_OFF, IDC_WSEARCH_ON, IDC_SYSMAIN_ON, IDC_TRIM_OFF, IDC_LASTACCESS_ON,
                   IDC_HIBERNATE_ON, IDC_DEFRAG_ON, IDC_POWER_OFF, IDC_GUIBOOT_ON})
    {
        e2e::ClickAt(e2e::ControlCenter(dlg, id));
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsButtonChecked(dlg, id); }, 5000)) << id;
    }

    ASSERT_TRUE(e2e::ClickApply(*run, dlg));
    HWND question = WaitForBox(facts::kRestartQuestion, 30000);
    ASSERT_TRUE(question);

    std::vector<std::string> markers = RowMarkers();
    ASSERT_EQ(10u, markers.size());
    EXPECT_EQ("### ", markers[8].substr(0, 4))
        << "the boot animation row writes its error number first";
    EXPECT_EQ("GUI BOOT", markers[9]);

    ExpectMachine({std::string("\0\0", 2), 1, SERVICE_DEMAND_START, SERVICE_DEMAND_START,
                   SERVICE_AUTO_START});
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), wsearch.State());

    std::vector<std::string> starts = Starts(4);
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ((std::vector<std::string>{
                  "bcdedit.exe| /set {current} quietboot No ",
                  std::string("powercfg.exe| -D ") + kPlan,
                  std::string("powercfg.exe| -S ") + kBalanced,
                  "powercfg.exe|-h on",
              }),
              starts);
    // Which of the two comes first is the order of the calls (LaunchTest): a stand-in's own
    // start may lag behind the next one's on a loaded machine.
    const auto rowBegin = run->MarkerTime("Lastfileaccess");
    const auto rowEnd = run->MarkerTime("power");
    ASSERT_TRUE(rowBegin && rowEnd);
    EXPECT_GE(*rowEnd - *rowBegin, 450u)
        << "the plan is deleted half a second after Balanced is active";
    ASSERT_TRUE(e2e::AnswerBox(question, IDCANCEL));
}

// The restart itself goes through the test build's recorded calls: a real restart would
// end every process of the test prefix.
TEST_F(ApplyRun, RestartOkEnablesTheShutdownPrivilegeAndAsksForAPlannedRestart)
{
    HWND dlg = StartProgram();
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(e2e::ClickApply(*run, dlg));
    HWND question = WaitForBox(facts::kRestartQuestion, 30000);
    ASSERT_TRUE(question);
    ASSERT_TRUE(e2e::AnswerBox(question, IDOK));
    EXPECT_TRUE(run->WaitForMarker(facts::kRestartRequested, 10000));
    EXPECT_TRUE(run->HasMarker("test: OpenProcessToken access=0x28"));
    EXPECT_TRUE(run->HasMarker("test: AdjustTokenPrivileges"));
    // A failure box would be up before the worker ends, and the dialog lets a close through only
    // after that.
    ASSERT_TRUE(e2e::CloseWhenIdle(dlg) || e2e::FindMessageBox(run->Pid(), 0));
    HWND box = e2e::FindMessageBox(run->Pid(), 0);
    EXPECT_FALSE(box) << "a successful restart shows nothing, not: "
                      << (box ? e2e::MessageBoxText(box) : "");
}

namespace
{
struct RestartFailure
{
    const char* step;
    const char* text;
};
} // namespace

TEST_F(ApplyRun, EachRestartFailureIsShownAndEndsTheProcessWithMinusOne)
{
    const RestartFailure failures[] = {
        {"token", "Process Failed : Open ProcessToken"},
        {"adjust", "Process Failed : AdjustTokenPrivileges"},
        {"exit", "Process Failed : ExitWindowsEx"},
    };
    for (const RestartFailure& f : failures)
    {
        SCOPED_TRACE(f.step);
        run.reset(new e2e::ProgramRun({{"DADAROR_TEST_RESTART", f.step}}));
        HWND dlg = e2e::StartToMainWindow(*run);
        ASSERT_TRUE(dlg);
        ASSERT_TRUE(e2e::ClickApply(*run, dlg));
        HWND question = WaitForBox(facts::kRestartQuestion, 30000);
        ASSERT_TRUE(question);
        ASSERT_TRUE(e2e::AnswerBox(question, IDOK));
        HWND failure = WaitForBox(f.text, 10000);
        ASSERT_TRUE(failure);
        EXPECT_EQ("Error", e2e::WindowText(failure));
        ASSERT_TRUE(e2e::AnswerBox(failure, IDOK));
        std::optional<DWORD> code = run->WaitForExit(10000);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(0xFFFFFFFFu, *code);
        EXPECT_EQ(f.step != std::string("exit"), !run->HasMarker(facts::kRestartRequested));
    }
}

// Windows the user can still reach while the worker runs: neither may take the objects the worker
// works on away from it.
TEST_F(ApplyRun, ClosesDuringTheRunAreIgnoredUntilTheWorkerHasEnded)
{
    HWND dlg = StartProgram();
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(e2e::ClickApply(*run, dlg));
    HWND progress = FindProgressWindow(10000);
    ASSERT_TRUE(progress);
    // Alt+F4 on the progress window.
    ::PostMessageA(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND question = WaitForBox(facts::kRestartQuestion, 30000);
    ASSERT_TRUE(question);
    EXPECT_EQ(9u, RowMarkers().size());

    // The task bar's close on the main window while the question is open, and the dialog's OK
    // command sent to it.
    ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    // A close taken ends the dialog in its own handling: once the messages are handled, it shows.
    const bool handled = e2e::PostedMessagesHandled(dlg);
    EXPECT_TRUE(::IsWindowVisible(dlg)) << "a close during the run was taken";
    ASSERT_TRUE(handled);
    EXPECT_FALSE(run->Exited());
    ASSERT_TRUE(e2e::AnswerBox(question, IDCANCEL));
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 10000));
    EXPECT_FALSE(run->Exited());

    // Once the worker has ended the dialog closes as always. The question's end enables the
    // dialog a moment before the worker is through (it asks from the worker): a close in that
    // moment is still ignored, so the close is repeated as a user would, until the program ends.
    ASSERT_TRUE(e2e::CloseWhenIdle(dlg)) << "the dialog does not close after the apply";
    EXPECT_TRUE(run->WaitForExit(20000).has_value()) << "the dialog closed, the program stayed";
    EXPECT_EQ(0, run->UnhandledExceptions());
}

// =============================================================================================
// Pieces of the system missing, values it must not read. A step that fails is never shown and
// never stops the run: every row's marker comes in order, and the only box is the restart
// question when the paging file was written. The type of "PagingFiles" is not looked at: a short
// value of any type reads as text and is replaced; one too long for the read leaves everything
// as it was and asks nothing.

namespace
{

const std::vector<std::string> kRowMarkers = {
    "VMem", "WSearch", "SysMain", "trim", "Lastfileaccess", "power", "hib", "diskfrag", "GUI BOOT"};
const char* const kServices[] = {"WSearch", "SysMain", "defragsvc"};
const char* const kTools[] = {"fsutil.exe", "powercfg.exe", "bcdedit.exe"};

bool FileExists(const std::string& path, bool bits64)
{
    std::unique_ptr<CRedirectionOff> off(bits64 ? new CRedirectionOff : nullptr);
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file of a system folder moved aside for the test and put back afterwards. A copy left aside
// by an earlier run that did not finish is put back first.
class CFileAside
{
public:
    CFileAside(const std::string& folder, const char* name, bool bits64)
        : m_path(folder + "\\" + name), m_aside(m_path + ".test-aside"), m_bits64(bits64)
    {
        std::unique_ptr<CRedirectionOff> off(bits64 ? new CRedirectionOff : nullptr);
        if (::GetFileAttributesA(m_aside.c_str()) != INVALID_FILE_ATTRIBUTES)
            ::MoveFileExA(m_aside.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
        m_moved = ::GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES &&
                  ::MoveFileExA(m_path.c_str(), m_aside.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~CFileAside()
    {
        std::unique_ptr<CRedirectionOff> off(m_bits64 ? new CRedirectionOff : nullptr);
        if (m_moved)
            ::MoveFileExA(m_aside.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    CFileAside(const CFileAside&) = delete;
    CFileAside& operator=(const CFileAside&) = delete;

private:
    std::string m_path, m_aside;
    bool m_bits64;
    bool m_moved = false;
};

// What one apply run showed.
struct ApplyOutcome
{
    std::vector<std::string> rows; // row markers in arrival order
    std::vector<std::string>
        others; // windows that are neither the dialog, the progress window nor the question
    HWND question = nullptr;
};

const char kTwoDrives[] = "C:\\pagefile.sys 16 32\0D:\\pagefile.sys 0 0\0";

class ApplyWithPiecesMissing : public ::testing::Test
{
protected:
    void WritePagingFiles(DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles", type,
                           bytes.data(), static_cast<DWORD>(bytes.size())));
    }

    HWND Start()
    {
        run.reset(new e2e::ProgramRun());
        std::vector<e2e::StartupBox> boxes;
        HWND dlg = run->Started() ? e2e::StartToMainWindow(*run, e2e::kWait, &boxes) : nullptr;
        EXPECT_EQ(1u, boxes.size()) << "more than the no-SSD question at start-up";
        return dlg;
    }

    // Presses apply and watches until the last row is done and the question came, or, when none
    // is expected, until the progress window is gone after the last row. (A question asked after
    // all the same blocks the worker, and so the close at the end of every test.)
    ApplyOutcome Apply(HWND dlg, bool questionExpected)
    {
        ApplyOutcome outcome;
        EXPECT_TRUE(e2e::ClickApply(*run, dlg)) << "the click on apply was not taken";
        e2e::WaitUntil(
            [&]
            {
                bool progress = false;
                for (HWND h : e2e::TopWindowsOf(run->Pid(), true))
                {
                    progress = progress || ::GetDlgItem(h, IDC_PROGRESS_TEXT);
                    if (h == dlg || ::GetDlgItem(h, IDC_PROGRESS_TEXT))
                        continue;
                    if (e2e::IsMessageBox(h) && e2e::MessageBoxText(h) == facts::kRestartQuestion)
                    {
                        outcome.question = h;
                        continue;
                    }
                    // Not one that went while it was looked at (the progress window closing).
                    std::string seen = e2e::ClassOf(h);
                    if (seen.empty() || !::IsWindowVisible(h))
                        continue;
                    seen += " \"" + e2e::WindowText(h) + "\"";
                    if (e2e::IsMessageBox(h))
                        seen += ": " + e2e::MessageBoxText(h);
                    if (std::find(outcome.others.begin(), outcome.others.end(), seen) ==
                        outcome.others.end())
                        outcome.others.push_back(seen);
                }
                if (questionExpected)
                    return outcome.question != nullptr;
                return outcome.question != nullptr || (run->HasMarker("GUI BOOT") && !progress);
            },
            60000);
        for (const std::string& m : run->Markers())
            if (m.rfind("test:", 0) != 0)
                outcome.rows.push_back(m);
        return outcome;
    }

    // Cancel to the question; the program goes on with its dialog enabled.
    void CancelAndExpectUsable(HWND dlg, HWND question)
    {
        ASSERT_TRUE(e2e::AnswerBox(question, IDCANCEL));
        ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 10000));
        e2e::ExpectUsable(*run, dlg);
    }

    // The paging files on two drives, the program started and the recommendation applied:
    // every row ran and nothing but the restart question (in `outcome`) was shown.
    HWND StartAndApplyOnTwoDrives(ApplyOutcome& outcome)
    {
        WritePagingFiles(REG_MULTI_SZ, std::string(kTwoDrives, sizeof(kTwoDrives)));
        HWND dlg = Start();
        if (!dlg)
            return nullptr;
        outcome = Apply(dlg, true);
        EXPECT_EQ(kRowMarkers, outcome.rows);
        EXPECT_TRUE(outcome.others.empty())
            << "shown besides the restart question: " << outcome.others.front();
        return dlg;
    }

    CSavedValue pagingFiles{HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles"};
    CSavedValue pagingExecutive{HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey,
                                "DisablePagingExecutive"};
    std::unique_ptr<e2e::ProgramRun> run;
};

} // namespace

TEST_F(ApplyWithPiecesMissing, WithoutTheSystemToolsEveryRowStillRuns)
{
    // Wine ships only fsutil; powercfg and bcdedit do not exist in either system folder.
    CFileAside fsutil32(SysWow64Folder(), "fsutil.exe", false);
    CFileAside fsutil64(System32Folder(), "fsutil.exe", true);
    const std::string programFolder =
        e2e::ProgramPath().substr(0, e2e::ProgramPath().find_last_of('\\'));
    for (const char* tool : kTools)
        for (const auto& [folder, bits64] :
             {std::make_pair(SysWow64Folder(), false), std::make_pair(System32Folder(), true),
              std::make_pair(programFolder, false)})
            ASSERT_FALSE(FileExists(folder + "\\" + tool, bits64))
                << folder << "\\" << tool << " is still there";
    ApplyOutcome outcome;
    HWND dlg = StartAndApplyOnTwoDrives(outcome);
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(outcome.question) << "no restart question";
    CancelAndExpectUsable(dlg, outcome.question);
    e2e::ExpectClosesCleanly(*run, dlg);
}

TEST_F(ApplyWithPiecesMissing, WithoutTheServicesEveryRowStillRuns)
{
    for (const char* name : kServices)
        ASSERT_FALSE(ServiceExists(name)) << name << " exists in this prefix";
    // The tools are there (recorded), so the services are the one piece missing.
    CRecorderLog log;
    CInstalledTool fsutil{SysWow64Folder(), "fsutil.exe"};
    CInstalledTool powercfg{SysWow64Folder(), "powercfg.exe"};
    CInstalledTool bcdedit64{System32Folder(), "bcdedit.exe", true};
    ASSERT_TRUE(fsutil.Installed() && powercfg.Installed() && bcdedit64.Installed());
    ApplyOutcome outcome;
    HWND dlg = StartAndApplyOnTwoDrives(outcome);
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(outcome.question) << "no restart question";
    // The rows after the services still started their tools: trim, last access, plan import and
    // activation, hibernation, boot animation.
    EXPECT_EQ(6u, log.WaitFor(6, 10000).size());
    for (const char* name : kServices)
        EXPECT_FALSE(ServiceExists(name)) << "the apply created " << name;
    CancelAndExpectUsable(dlg, outcome.question);
    e2e::ExpectClosesCleanly(*run, dlg);
}

namespace
{

struct PagingCase
{
    const char* name;
    DWORD type;
    std::string bytes;
    bool written; // the value is read as text and replaced; the restart question follows
};

std::ostream& operator<<(std::ostream& out, const PagingCase& c)
{
    return out << c.name;
}

// A multi-string of whole entries, `size` bytes with its closing NULs.
std::string MultiStringOf(size_t size)
{
    std::string entries;
    const std::string entry("C:\\pagefile.sys 16 32\0", 22);
    while (entries.size() + entry.size() + 1 <= size)
        entries += entry;
    entries.append(size - entries.size(), '\0');
    return entries;
}

std::vector<PagingCase> PagingCases()
{
    const DWORD dword = 0x10;
    return {
        {"Dword", REG_DWORD, std::string(reinterpret_cast<const char*>(&dword), sizeof(dword)),
         true},
        {"Binary", REG_BINARY,
         std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16), true},
        {"MultiString600Bytes", REG_MULTI_SZ, MultiStringOf(600), false},
        {"MultiString64Kilobytes", REG_MULTI_SZ, MultiStringOf(64 * 1024), false},
    };
}

class PagingFilesValue : public ApplyWithPiecesMissing,
                         public ::testing::WithParamInterface<PagingCase>
{
};

} // namespace

TEST_P(PagingFilesValue, ApplyCompletesAndWritesOnlyWhatFits)
{
    const PagingCase& c = GetParam();
    // The tools are recorded so that nothing but the registry matters here.
    CRecorderLog log;
    CInstalledTool fsutil{SysWow64Folder(), "fsutil.exe"};
    CInstalledTool powercfg{SysWow64Folder(), "powercfg.exe"};
    CInstalledTool bcdedit64{System32Folder(), "bcdedit.exe", true};
    WritePagingFiles(c.type, c.bytes);
    const DWORD executive = 7; // a value the program never writes
    ASSERT_EQ(ERROR_SUCCESS,
              WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "DisablePagingExecutive",
                       REG_DWORD, &executive, sizeof(executive)));
    const RawValue before = ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles");

    HWND dlg = Start();
    ASSERT_TRUE(dlg);
    ApplyOutcome outcome = Apply(dlg, c.written);
    EXPECT_EQ(kRowMarkers, outcome.rows);
    EXPECT_TRUE(outcome.others.empty())
        << "shown besides the restart question: " << outcome.others.front();

    const RawValue after = ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles");
    const RawValue executiveAfter =
        ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "DisablePagingExecutive");
    ASSERT_EQ(4u, executiveAfter.data.size());
    if (c.written)
    {
        ASSERT_TRUE(outcome.question) << "no restart question";
        EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), after.type);
        EXPECT_EQ(std::string("C:\\pagefile.sys 0 0\0", 21),
                  std::string(after.data.begin(), after.data.end()));
        EXPECT_EQ(0u, *reinterpret_cast<const DWORD*>(executiveAfter.data.data()));
        CancelAndExpectUsable(dlg, outcome.question);
    }
    else
    {
        EXPECT_FALSE(outcome.question) << "the restart question without a paging file written";
        EXPECT_EQ(before.type, after.type);
        EXPECT_TRUE(before.data == after.data) << "the oversized value was changed";
        EXPECT_EQ(executive, *reinterpret_cast<const DWORD*>(executiveAfter.data.data()));
        EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 10000));
        e2e::ExpectUsable(*run, dlg);
    }
    e2e::ExpectClosesCleanly(*run, dlg);
}

INSTANTIATE_TEST_SUITE_P(Values, PagingFilesValue, ::testing::ValuesIn(PagingCases()),
                         [](const ::testing::TestParamInfo<PagingCase>& info)
                         { return std::string(info.param.name); });
