// Tool launches and the power plan commands, with the recorder standing in for the tools in the
// prefix's system folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shldisp.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "common/DesktopShell.h"
#include "ToolRecorder.h"
#include "framework/Handles.h"
#include "framework/Text.h"
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

bool g_unsecured = false;

class LaunchTest : public ::testing::Test
{
protected:
    // As in the program, whose start-up has fixed its COM security.
    LaunchTest()
    {
        g_launchCalls.comSecurityIsOurs = [] { return !g_unsecured; };
    }
    ~LaunchTest() override { g_launchCalls = m_real; }
    const LaunchCalls m_real = g_launchCalls;
    CRecorderLog m_log;
};

// bcdedit: only the 64-bit folder has it, so a start from the 32-bit view would log nothing.
TEST_F(LaunchTest,
       RunsToolsHiddenByTheirFullPathInTheSystemFolderAndThe64BitOneWithTheRedirectionOn)
{
    CInstalledTool fsutil(SysWow64Folder(), "fsutil.exe");
    CInstalledTool bcdedit(System32Folder(), "bcdedit.exe", true);
    ASSERT_TRUE(fsutil.Installed() && bcdedit.Installed());

    RunTool("fsutil", "behavior set disabledeletenotify 0");
    ASSERT_EQ(1u, m_log.WaitFor(1).size());
    RunNativeTool("bcdedit", " /set {current} quietboot No ");
    auto starts = m_log.WaitFor(2);
    ASSERT_EQ(2u, starts.size());
    ExpectStart(starts[0], fsutil.Path(), "fsutil.exe", SW_HIDE,
                "behavior set disabledeletenotify 0");
    ExpectStart(starts[1], bcdedit.Path(), "bcdedit.exe", SW_HIDE, " /set {current} quietboot No ");
}

TEST_F(LaunchTest, NeverStartsAToolPlantedInTheProgramOrWorkingFolder)
{
    char programFolder[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, programFolder, MAX_PATH);
    *std::strrchr(programFolder, '\\') = '\0';
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
        g_launchCalls.elevatedAboveTheUser = [] { return false; };
        g_launchCalls.shellWindow = &::GetDesktopWindow; // Wine's explorer names no shell window
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
    // The shell opens it: without a shell desktop this elevated process would open nothing.
    ASSERT_TRUE(testsupport::WaitForDesktopShell(20000));
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

// The process creations, recorded instead of made.
std::vector<std::string> g_created;
BOOL WINAPI RecordCreation(LPCWSTR image, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL inherit, DWORD flags, LPVOID environment,
                           LPCWSTR folder, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION)
{
    // A null string is recorded as such: the comparison then fails with it in view.
    const auto text = [](const wchar_t* s) { return s ? fw::WideToAnsi(s, 949) : "<null>"; };
    g_created.push_back(Lower(
        text(image) + "|" + text(commandLine) + "|" + text(folder) + "|" + std::to_string(inherit) +
        std::to_string(flags) + std::to_string(environment != nullptr) + "|" +
        std::to_string(startup->dwFlags) + std::to_string(startup->wShowWindow)));
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

TEST_F(LaunchTest, ToolsAreCreatedFromTheirOwnFileNeverThroughTheShell)
{
    g_launchCalls.createProcess = &RecordCreation;
    g_launchCalls.elevatedAboveTheUser = [] { return false; };
    g_launchCalls.shellWindow = &::GetDesktopWindow;
    RunTool("fsutil", "a  b ");
    OpenSystemTool("control.exe", "powercfg.cpl");
    RunNativeTool("bcdedit", " c ");
    const std::string system = Lower(SystemFolder());
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    // The file opened, the command line the tool sees, the working folder, no handles, flags or
    // environment of its own, and the show state.
    const auto call =
        [&](const std::string& image, const std::string& tool, const char* parameters, int show)
    {
        return image + "|\"" + system + "\\" + tool + "\" " + parameters + "|" + system + "|000|1" +
               std::to_string(show);
    };
    EXPECT_EQ(
        (std::vector<std::string>{
            call(system + "\\fsutil.exe", "fsutil.exe", "a  b ", SW_HIDE),
            call(system + "\\control.exe", "control.exe", "powercfg.cpl", SW_SHOWNORMAL),
            call(Lower(windows) + "\\sysnative\\bcdedit.exe", "bcdedit.exe", " c ", SW_HIDE)}),
        g_created);
}

// clang-format off
#define NOT_USED(name, ...) STDMETHODIMP name(__VA_ARGS__) override { return E_NOTIMPL; }
// clang-format on

// The desktop shell's dispatch object stood in for: what its ShellExecute is asked, and its answer,
// given at once or after `hang` is set.
class CShellStandIn : public IShellDispatch2
{
public:
    LONG refs = 1;
    HRESULT answer = S_OK;
    HANDLE hang = nullptr;
    std::string asked;
    // The processes given the right to come to the front before the shell is asked.
    static inline std::vector<DWORD> granted;
    static BOOL WINAPI Grant(DWORD process) { return granted.push_back(process), TRUE; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IShellDispatch ||
                       iid == IID_IShellDispatch2
                   ? this
                   : nullptr;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override { return ::InterlockedDecrement(&refs); }
    STDMETHODIMP ShellExecute(BSTR file, VARIANT arguments, VARIANT folder, VARIANT operation,
                              VARIANT show) override
    {
        auto text = [](const VARIANT& v)
        { return v.vt == VT_BSTR ? Ansi(v.bstrVal) : "vt" + std::to_string(v.vt); };
        asked = text(operation) + "|" + Ansi(file) + "|" + text(arguments) + "|" + text(folder) +
                "|" + std::to_string(show.vt == VT_I4 ? show.lVal : -1);
        if (hang)
            ::WaitForSingleObject(hang, 60000);
        return answer;
    }
    static std::string Ansi(const wchar_t* text)
    {
        char ansi[MAX_PATH] = {};
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, MAX_PATH, nullptr, nullptr);
        return ansi;
    }

    // clang-format off
    NOT_USED(GetTypeInfoCount, UINT*) NOT_USED(GetTypeInfo, UINT, LCID, ITypeInfo**)
    NOT_USED(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    NOT_USED(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
    NOT_USED(get_Application, IDispatch**) NOT_USED(get_Parent, IDispatch**)
    NOT_USED(NameSpace, VARIANT, Folder**) NOT_USED(Windows, IDispatch**)
    NOT_USED(BrowseForFolder, LONG, BSTR, LONG, VARIANT, Folder**)
    NOT_USED(Open, VARIANT) NOT_USED(Explore, VARIANT)
    NOT_USED(MinimizeAll) NOT_USED(UndoMinimizeALL) NOT_USED(FileRun) NOT_USED(CascadeWindows)
    NOT_USED(TileVertically) NOT_USED(TileHorizontally) NOT_USED(ShutdownWindows) NOT_USED(Suspend)
    NOT_USED(EjectPC) NOT_USED(SetTime) NOT_USED(TrayProperties) NOT_USED(Help) NOT_USED(FindFiles)
    NOT_USED(FindComputer) NOT_USED(RefreshMenu) NOT_USED(ControlPanelItem, BSTR)
    NOT_USED(IsRestricted, BSTR, BSTR, LONG*) NOT_USED(FindPrinter, BSTR, BSTR, BSTR)
    NOT_USED(GetSystemInformation, BSTR, VARIANT*) NOT_USED(ServiceStart, BSTR, VARIANT, VARIANT*)
    NOT_USED(ServiceStop, BSTR, VARIANT, VARIANT*) NOT_USED(IsServiceRunning, BSTR, VARIANT*)
    NOT_USED(CanStartStopService, BSTR, VARIANT*) NOT_USED(ShowBrowserBar, BSTR, VARIANT, VARIANT*)
    // clang-format on
};

// What the launch finds: a shell desktop (S_OK: the stand-in) or none, the process's level and
// whether it runs as the shell's user.
CShellStandIn* g_shell = nullptr;
HRESULT g_found = S_OK;
bool g_elevatedByUac = false;
bool g_anotherUser = false;
DWORD g_shellProcess = 0;
bool g_otherTokenReadable = false;
decltype(LaunchCalls::readTokenUser) g_realReadTokenUser = g_launchCalls.readTokenUser;
HRESULT FindStandIn(IShellDispatch2** shell)
{
    if (g_found == S_OK)
        (*shell = g_shell)->AddRef();
    return g_found;
}
bool ElevatedByUac()
{
    return g_elevatedByUac;
}

TEST_F(LaunchTest, OnceTheShellIsAskedItsAnswerStandsAndWithoutItOnlyAnUnelevatedStartIsMade)
{
    const struct
    {
        const char* name; // also the parameters, to tell the direct starts apart
        HRESULT found, answer;
        bool hangs, elevatedByUac, anotherUser, startedDirectly, powerOptions;
        bool unsecured = false; // the program's COM security could not be fixed
    } cases[] = {
        {"opened", S_OK, S_OK, false, true, false, false, false},
        {"could-not-open", S_OK, S_FALSE, false, false, false, false, false},
        {"failed", S_OK, E_ACCESSDENIED, false, false, false, false, false},
        {"hangs", S_OK, S_OK, true, false, false, false, false},
        {"no-desktop", S_FALSE, S_OK, false, false, false, true, false},
        {"no-shell", E_FAIL, S_OK, false, false, false, true, false},
        {"no-desktop-uac", S_FALSE, S_OK, false, true, false, false, false},
        {"no-desktop-another-user", S_FALSE, S_OK, false, false, true, false, false},
        {"another-user", S_OK, S_OK, false, false, true, false, false},
        // The Power Options: created directly by the user at the user's level, else the shell's.
        {"power-user", S_OK, S_OK, false, false, false, true, true},
        {"power-uac", S_OK, S_OK, false, true, false, false, true},
        {"power-uac-no-desktop", S_FALSE, S_OK, false, true, false, false, true},
        {"power-another-user", S_OK, S_OK, false, false, true, false, true},
        {"power-another-user-no-desktop", S_FALSE, S_OK, false, false, true, false, true},
        // Without the program's COM security the shell is not asked: as without a desktop.
        {"unsecured", S_OK, S_OK, false, false, false, true, false, true},
        {"unsecured-uac", S_OK, S_OK, false, true, false, false, false, true},
        {"power-unsecured-uac", S_OK, S_OK, false, true, false, false, true, true},
    };
    // Wine's explorer names no shell window: the desktop window's process stands in for it.
    ::GetWindowThreadProcessId(::GetDesktopWindow(), &g_shellProcess);
    g_launchCalls.findDesktopShell = &FindStandIn;
    g_launchCalls.elevatedAboveTheUser = &ElevatedByUac;
    g_launchCalls.sameUserAs = [](DWORD process)
    { return process == g_shellProcess && !g_anotherUser; };
    g_launchCalls.shellWindow = &::GetDesktopWindow;
    g_launchCalls.allowSetForeground = &CShellStandIn::Grant;
    std::vector<std::string> startedDirectly;
    {
        CInstalledTool page(TempFolder(), "dadaror-page.exe");
        CInstalledTool control(SysWow64Folder(), "control.exe");
        ASSERT_TRUE(page.Installed() && control.Installed());
        for (const auto& c : cases)
        {
            SCOPED_TRACE(c.name);
            fw::CKernelHandle hang(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
            CShellStandIn shell;
            shell.answer = c.answer;
            shell.hang = c.hangs ? hang.Get() : nullptr;
            g_shell = &shell;
            g_found = c.found;
            g_elevatedByUac = c.elevatedByUac;
            g_anotherUser = c.anotherUser;
            g_unsecured = c.unsecured;
            CShellStandIn::granted.clear();
            const ULONGLONG begin = ::GetTickCount64();
            c.powerOptions ? OpenSystemTool("control.exe", c.name)
                           : OpenForUser("open", page.Path().c_str(), c.name);
            // A hung shell holds the dialog for a few seconds, no longer.
            EXPECT_LT(::GetTickCount64() - begin, 10000u);
            ::SetEvent(hang.Get());
            EXPECT_TRUE(WaitUntil([&] { return shell.refs == 1; }, 10000)) << "not let go";
            const std::string file =
                c.powerOptions ? SystemFolder() + "\\control.exe" : page.Path();
            const bool asked = !(c.powerOptions && c.startedDirectly) && !c.unsecured;
            EXPECT_EQ(asked && c.found == S_OK ? "open|" + file + "|" + c.name + "|vt0|1" : "",
                      shell.asked);
            EXPECT_EQ(asked ? std::vector<DWORD>{g_shellProcess} : std::vector<DWORD>{},
                      CShellStandIn::granted);
            if (c.startedDirectly)
                startedDirectly.push_back(c.name);
        }
    }
    // The copies are gone, so every start is logged by now.
    std::vector<std::string> logged;
    for (const RecordedStart& start : m_log.Read())
        logged.push_back(start.parameters);
    std::sort(logged.begin(), logged.end());
    std::sort(startedDirectly.begin(), startedDirectly.end());
    EXPECT_EQ(startedDirectly, logged);
    // The real comparison: this process is its own user; one it can't read is another user's.
    EXPECT_TRUE(m_real.sameUserAs(::GetCurrentProcessId()));
    EXPECT_FALSE(m_real.sameUserAs(0));
    EXPECT_FALSE(m_real.sameUserAs(0xFFFFFFF0));
    // Under Wine every process is one user: the other process's token is read as the system's
    // (S-1-5-18), then as one that can't be read, and neither is this process's user.
    for (bool readable : {true, false})
    {
        g_otherTokenReadable = readable;
        g_launchCalls.readTokenUser = [](HANDLE process, std::vector<BYTE>& user)
        {
            if (process == ::GetCurrentProcess())
                return g_realReadTokenUser(process, user);
            DWORD size = SECURITY_MAX_SID_SIZE;
            user.assign(sizeof(TOKEN_USER) + size, 0);
            auto* token = reinterpret_cast<TOKEN_USER*>(user.data());
            token->User.Sid = user.data() + sizeof(TOKEN_USER);
            return g_otherTokenReadable &&
                   ::CreateWellKnownSid(WinLocalSystemSid, nullptr, token->User.Sid, &size);
        };
        EXPECT_FALSE(m_real.sameUserAs(::GetCurrentProcessId())) << readable;
    }
}

TEST_F(LaunchTest, AMissingToolFailsSilently)
{
    const ULONGLONG begin = ::GetTickCount64();
    RunTool("dadaror-missing-tool", "x");
    OpenSystemTool("dadaror-missing-tool.exe", "x");
    EXPECT_LT(::GetTickCount64() - begin, 10000u);
    EXPECT_TRUE(m_log.Read().empty());
}

// Install imports the plan file, then a second later activates the plan; remove activates
// Balanced, then half a second later deletes the plan.
TEST_F(LaunchTest, ThePlanIsImportedThenActivatedOrBalancedActivatedThenThePlanDeleted)
{
    CInstalledTool powercfg(SysWow64Folder(), "powercfg.exe");
    ASSERT_TRUE(powercfg.Installed());
    COptimizer optimizer;
    const struct
    {
        bool install;
        ULONGLONG pause;
        const char *first, *then;
    } cases[] = {{true, 990,
                  "-IMPORT \"C:\\Program Files\\Pellix SSD\\velo-ssd.cfg\" "
                  "b152c1ee-6d00-4b8d-9324-e8edf86cf92b",
                  " -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b"},
                 {false, 490, " -S 381b4222-f694-41f0-9685-ff5bb260df2e",
                  " -D b152c1ee-6d00-4b8d-9324-e8edf86cf92b"}};
    for (const auto& c : cases)
    {
        const size_t before = m_log.Read().size();
        const ULONGLONG begin = ::GetTickCount64();
        c.install ? optimizer.InstallPowerPlan(L"C:\\Program Files\\Pellix SSD")
                  : optimizer.RemovePowerPlan();
        EXPECT_GE(::GetTickCount64() - begin, c.pause);
        auto starts = m_log.WaitFor(before + 2);
        ASSERT_EQ(before + 2, starts.size());
        ExpectStart(starts[before], powercfg.Path(), "powercfg.exe", SW_HIDE, c.first);
        ExpectStart(starts[before + 1], powercfg.Path(), "powercfg.exe", SW_HIDE, c.then);
    }

    // Without a folder given: the plan file beside the running program.
    optimizer.InstallPowerPlan();
    auto starts = m_log.WaitFor(6);
    ASSERT_EQ(6u, starts.size());
    wchar_t folder[MAX_PATH];
    COptimizer::GetProgramFolder(folder);
    EXPECT_EQ("-IMPORT \"" + fw::WideToAnsi(folder, fw::kTextCodePage) +
                  "\\velo-ssd.cfg\" b152c1ee-6d00-4b8d-9324-e8edf86cf92b",
              starts[4].parameters);
    EXPECT_EQ(" -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b", starts[5].parameters);
}

TEST_F(LaunchTest, InstallNeverImportsFromAFolderItCannotPassWhole)
{
    CInstalledTool powercfg(SysWow64Folder(), "powercfg.exe");
    ASSERT_TRUE(powercfg.Installed());
    COptimizer optimizer;

    // The longest folder whose import parameters fit 259 characters.
    const std::wstring longest = L"C:\\" + std::wstring(196, L'f');
    optimizer.InstallPowerPlan(longest.c_str());
    auto starts = m_log.WaitFor(2);
    ASSERT_EQ(2u, starts.size());
    EXPECT_EQ(259u, starts[0].parameters.size());
    EXPECT_NE(std::string::npos,
              starts[0].parameters.find(std::string(196, 'f') + "\\velo-ssd.cfg\""));

    // One more character, a quote, or no folder at all (empty or null): no import, only the
    // activation. (The pause after an import is measured by the apply run's own markers end to
    // end; a call that starts a process has no upper time bound on a loaded machine.)
    const std::wstring tooLong = longest + L"f";
    for (const wchar_t* folder :
         {tooLong.c_str(), L"C:\\x\"", L"", static_cast<const wchar_t*>(nullptr)})
    {
        const size_t before = m_log.Read().size();
        optimizer.InstallPowerPlan(folder);
        starts = m_log.WaitFor(before + 1);
        ASSERT_EQ(before + 1, starts.size());
        EXPECT_EQ(" -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b", starts.back().parameters);
    }
}

} // namespace
