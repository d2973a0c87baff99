// Tool launches and the power plan commands, with the recorder standing in for the tools in the
// prefix's system folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ToolRecorder.h"
#include "sysconfig/Launch.h"
#include "sysconfig/Optimizer.h"

using namespace sysconfig_test;

namespace
{

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string SystemFolder()
{
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    return system;
}

// The temporary folder, without its trailing backslash.
std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = temp;
    folder.pop_back();
    return folder;
}

// The program part of a recorded command line must be the tool's full path in the system folder.
std::string SystemToolCommand(const char* file)
{
    return "\"" + SystemFolder() + "\\" + file + "\"";
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

void ExpectStart(const RecordedStart& start, const std::string& module, const char* file, int show,
                 const std::string& parameters)
{
    EXPECT_EQ(Lower(module), Lower(start.module));
    EXPECT_TRUE(StartsWith(Lower(start.commandLine), Lower(SystemToolCommand(file))))
        << start.commandLine;
    EXPECT_EQ(show, start.show);
    EXPECT_EQ(parameters, start.parameters) << start.commandLine;
    // Started in the system folder, not in the one the program happens to be in.
    EXPECT_EQ(Lower(SystemFolder()), Lower(start.folder));
}

class LaunchTest : public ::testing::Test
{
protected:
    CRecorderLog m_log;
};

TEST_F(LaunchTest, RunsToolsHiddenByTheirFullPathInTheSystemFolder)
{
    CInstalledTool fsutil(SysWow64Folder(), "fsutil.exe");
    CInstalledTool powercfg(SysWow64Folder(), "powercfg.exe");
    ASSERT_TRUE(fsutil.Installed() && powercfg.Installed());

    RunTool("fsutil", "behavior set disabledeletenotify 0");
    ASSERT_EQ(1u, m_log.WaitFor(1).size());
    RunTool("powercfg", "-h off");
    auto starts = m_log.WaitFor(2);
    ASSERT_EQ(2u, starts.size());
    ExpectStart(starts[0], fsutil.Path(), "fsutil.exe", SW_HIDE,
                "behavior set disabledeletenotify 0");
    ExpectStart(starts[1], powercfg.Path(), "powercfg.exe", SW_HIDE, "-h off");
}

TEST_F(LaunchTest, NeverStartsAToolPlantedInTheProgramOrWorkingFolder)
{
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    char programFolder[MAX_PATH];
    COptimizer::GetFolderOfPath(module, programFolder);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string workFolder =
        std::string(temp) + "dadaror-work-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(workFolder.c_str(), nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    {
        CInstalledTool plantedHere(programFolder, "fsutil.exe");
        CInstalledTool plantedHereToo(programFolder, "control.exe");
        CInstalledTool plantedThere(workFolder, "fsutil.exe");
        CInstalledTool plantedThereToo(workFolder, "control.exe");
        CInstalledTool fsutil(SysWow64Folder(), "fsutil.exe");
        CInstalledTool control(SysWow64Folder(), "control.exe");
        ASSERT_TRUE(plantedHere.Installed() && plantedHereToo.Installed() &&
                    plantedThere.Installed() && plantedThereToo.Installed() && fsutil.Installed() &&
                    control.Installed());
        ASSERT_TRUE(::SetCurrentDirectoryA(workFolder.c_str()));

        // The plants are live: a careless start by bare name, the way the shell searches, runs
        // the ones in the program's folder.
        ::ShellExecuteA(nullptr, "open", "fsutil", "careless", nullptr, SW_HIDE);
        ASSERT_EQ(1u, m_log.WaitFor(1).size());
        ::ShellExecuteA(nullptr, "open", "control", "careless", nullptr, SW_HIDE);
        auto starts = m_log.WaitFor(2);
        ASSERT_EQ(2u, starts.size());
        EXPECT_EQ(Lower(plantedHere.Path()), Lower(starts[0].module)) << "fsutil is not planted";
        EXPECT_EQ(Lower(plantedHereToo.Path()), Lower(starts[1].module))
            << "control.exe is not planted";

        RunTool("fsutil", "behavior set disablelastaccess 1");
        ASSERT_EQ(3u, m_log.WaitFor(3).size());
        OpenSystemTool("control.exe", "powercfg.cpl");
        starts = m_log.WaitFor(4);
        ::SetCurrentDirectoryA(previous);
        ASSERT_EQ(4u, starts.size());
        ExpectStart(starts[2], fsutil.Path(), "fsutil.exe", SW_HIDE,
                    "behavior set disablelastaccess 1");
        ExpectStart(starts[3], control.Path(), "control.exe", SW_SHOWNORMAL, "powercfg.cpl");
    }
    ::RemoveDirectoryA(workFolder.c_str());
}

TEST_F(LaunchTest, OpensWhatTheUserIsShownAsGiven)
{
    // A file given with its folder is started from there: the system-folder rule is for tools.
    CInstalledTool page(TempFolder(), "dadaror-page.exe");
    ASSERT_TRUE(page.Installed());
    // Each start is waited for: two at once may log in either order.
    OpenForUser("open", page.Path().c_str(), "a  b ");
    ASSERT_EQ(1u, m_log.WaitFor(1).size());
    OpenForUser(nullptr, page.Path().c_str(), nullptr);
    auto starts = m_log.WaitFor(2);
    ASSERT_EQ(2u, starts.size());
    for (const RecordedStart& start : starts)
    {
        EXPECT_EQ(Lower(page.Path()), Lower(start.module));
        EXPECT_EQ(SW_SHOWNORMAL, start.show);
    }
    EXPECT_EQ("a  b ", starts[0].parameters);
    EXPECT_EQ("", starts[1].parameters);
}

TEST_F(LaunchTest, ReachesThe64BitSystemFolderWithTheRedirectionOff)
{
    // Only the 64-bit folder has the tool: a start from the 32-bit view would log nothing.
    CInstalledTool bcdedit(System32Folder(), "bcdedit.exe", true);
    ASSERT_TRUE(bcdedit.Installed());
    {
        CRedirectionOff off;
        ASSERT_TRUE(off.IsOff());
        RunTool("bcdedit", " /set {current} quietboot No ");
    }
    auto starts = m_log.WaitFor(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(SW_HIDE, starts[0].show);
    EXPECT_EQ(" /set {current} quietboot No ", starts[0].parameters) << starts[0].commandLine;
    EXPECT_TRUE(StartsWith(Lower(starts[0].commandLine), Lower(SystemToolCommand("bcdedit.exe"))));
    EXPECT_EQ(Lower(SystemFolder()), Lower(starts[0].folder));
}

// The desktop shell's dispatch stood in for: what it was asked, and its answer.
std::vector<std::string> g_shellAsked;
bool g_shellAnswers = false;
bool ShellStandIn(const char* verb, const char* file, const char* parameters)
{
    g_shellAsked.push_back(std::string(verb ? verb : "-") + "|" + file + "|" +
                           (parameters ? parameters : "-"));
    return g_shellAnswers;
}

TEST_F(LaunchTest, OpensThroughTheDesktopShellAndStartsItselfOnlyWithoutIt)
{
    {
        CInstalledTool page(TempFolder(), "dadaror-page.exe");
        ASSERT_TRUE(page.Installed());

        const auto real = g_openThroughDesktopShell;
        g_openThroughDesktopShell = &ShellStandIn;
        g_shellAnswers = true;
        OpenForUser(nullptr, page.Path().c_str(), nullptr);
        g_shellAnswers = false;
        OpenForUser("open", page.Path().c_str(), " c ");
        g_openThroughDesktopShell = real;
        EXPECT_EQ(
            (std::vector<std::string>{"-|" + page.Path() + "|-", "open|" + page.Path() + "| c "}),
            g_shellAsked);

        // Only the request the shell refused was started by the program, as given.
        auto starts = m_log.WaitFor(1);
        ASSERT_EQ(1u, starts.size());
        EXPECT_EQ(Lower(page.Path()), Lower(starts[0].module));
        EXPECT_EQ(SW_SHOWNORMAL, starts[0].show);
        EXPECT_EQ(" c ", starts[0].parameters);
    }
    // The copy is gone, so every start is logged by now: none for the request the shell took.
    EXPECT_EQ(1u, m_log.Read().size());
}

TEST_F(LaunchTest, AMissingToolFailsSilently)
{
    const ULONGLONG begin = ::GetTickCount64();
    RunTool("dadaror-missing-tool", "x");
    OpenSystemTool("dadaror-missing-tool.exe", "x");
    EXPECT_LT(::GetTickCount64() - begin, 10000u);
    EXPECT_TRUE(m_log.Read().empty());
}

TEST_F(LaunchTest, InstallImportsThePlanFileThenActivatesItASecondLater)
{
    CInstalledTool powercfg(SysWow64Folder(), "powercfg.exe");
    ASSERT_TRUE(powercfg.Installed());
    COptimizer optimizer;

    const ULONGLONG begin = ::GetTickCount64();
    optimizer.InstallPowerPlan("C:\\Program Files\\Pellix SSD");
    EXPECT_GE(::GetTickCount64() - begin, 990u);
    auto starts = m_log.WaitFor(2);
    ASSERT_EQ(2u, starts.size());
    ExpectStart(starts[0], powercfg.Path(), "powercfg.exe", SW_HIDE,
                "-IMPORT \"C:\\Program Files\\Pellix SSD\\velo-ssd.cfg\" "
                "b152c1ee-6d00-4b8d-9324-e8edf86cf92b");
    ExpectStart(starts[1], powercfg.Path(), "powercfg.exe", SW_HIDE,
                " -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b");

    // Without a folder given: the plan file beside the running program.
    optimizer.InstallPowerPlan();
    starts = m_log.WaitFor(4);
    ASSERT_EQ(4u, starts.size());
    char folder[MAX_PATH];
    COptimizer::GetProgramFolder(folder);
    EXPECT_EQ("-IMPORT \"" + std::string(folder) +
                  "\\velo-ssd.cfg\" b152c1ee-6d00-4b8d-9324-e8edf86cf92b",
              starts[2].parameters);
    EXPECT_EQ(" -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b", starts[3].parameters);
}

TEST_F(LaunchTest, InstallNeverImportsFromACutFolder)
{
    CInstalledTool powercfg(SysWow64Folder(), "powercfg.exe");
    ASSERT_TRUE(powercfg.Installed());
    COptimizer optimizer;

    // The longest folder whose import parameters fit 259 characters.
    const std::string longest = "C:\\" + std::string(196, 'f');
    optimizer.InstallPowerPlan(longest.c_str());
    auto starts = m_log.WaitFor(2);
    ASSERT_EQ(2u, starts.size());
    EXPECT_EQ(259u, starts[0].parameters.size());
    EXPECT_NE(std::string::npos, starts[0].parameters.find(longest + "\\velo-ssd.cfg\" b152c1ee"));

    // One more character, or no folder at all (empty or null): no import, only the activation.
    // (The pause after an import is measured by the apply run's own markers end to end; a call
    // that starts a process has no upper time bound on a loaded machine.)
    const std::string tooLong = longest + "f";
    for (const char* folder : {tooLong.c_str(), "", static_cast<const char*>(nullptr)})
    {
        const size_t before = m_log.Read().size();
        optimizer.InstallPowerPlan(folder);
        starts = m_log.WaitFor(before + 1);
        ASSERT_EQ(before + 1, starts.size());
        EXPECT_EQ(" -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b", starts.back().parameters);
    }
}

TEST_F(LaunchTest, RemoveActivatesBalancedThenDeletesThePlanHalfASecondLater)
{
    CInstalledTool powercfg(SysWow64Folder(), "powercfg.exe");
    ASSERT_TRUE(powercfg.Installed());
    COptimizer optimizer;

    const ULONGLONG begin = ::GetTickCount64();
    optimizer.RemovePowerPlan();
    EXPECT_GE(::GetTickCount64() - begin, 490u);
    auto starts = m_log.WaitFor(2);
    ASSERT_EQ(2u, starts.size());
    ExpectStart(starts[0], powercfg.Path(), "powercfg.exe", SW_HIDE,
                " -S 381b4222-f694-41f0-9685-ff5bb260df2e");
    ExpectStart(starts[1], powercfg.Path(), "powercfg.exe", SW_HIDE,
                " -D b152c1ee-6d00-4b8d-9324-e8edf86cf92b");
}

} // namespace
