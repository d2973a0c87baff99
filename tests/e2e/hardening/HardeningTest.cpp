// Hardening of the elevated program: no DLL planted beside it or in its working folder is ever
// loaded, and the running program keeps its handle, GDI object and window counts flat.
#include "Probe.h"
#include "TestSupport.h"
#include "ToolRecorder.h"
#include "common/ProgramFacts.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tlhelp32.h>
#include <vector>

using hardening::Counts;
using hardening::ToString;

// =============================================================================================
// Planted libraries. No DLL planted beside the program or in its working folder is ever loaded:
// it runs elevated from wherever it was downloaded. Wine prefers its own builtin DLLs, so a clean
// run proves nothing unless the planted names are set to "native, then builtin" for the program
// (HKCU\Software\Wine\AppDefaults\<exe>\DllOverrides; WINEDLLOVERRIDES from a Windows parent is
// not honoured by Wine 8): Wine then takes a file found on the search path first, as Windows
// does for any DLL that is not a KnownDLL; the controls show that this really runs a plant. A
// builtin loaded because a file of its name was found is reported with that file's path: a
// module from a planted folder is a plant only if it carries the plant's signature.

namespace
{
// Names the program loads at run time, or that the libraries it uses (WinINet, the browser
// control through COM, WMI for the disk query) may pull in by name.
//
// Two common names are left out because Wine's own system DLLs take them from the program's
// folder whatever the program does (with native first), before and beside the program's code:
// - version.dll: Wine's user32 imports it, so it is resolved before the program's first
//   instruction (and a plant without its exports ends the process there);
// - uxtheme.dll: Wine's comctl32 loads it while it initialises; the program therefore loads the
//   common controls itself, after the search restriction (CommonControlsComeAfterTheRestriction
//   below checks that a plant of it stays out).
const char* const kPlantNames[] = {"wininet.dll",  "atl.dll",      "dwmapi.dll", "winmm.dll",
                                   "wbemcomn.dll", "fastprox.dll", "urlmon.dll", "iertutil.dll",
                                   "propsys.dll",  "secur32.dll",  "mpr.dll",    "userenv.dll",
                                   "netapi32.dll"};

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(::tolower(c)); });
    return s;
}

// The planted names as "native, then builtin" for one program name while the object lives.
class NativeFirst
{
public:
    NativeFirst(const std::string& exeName, const std::vector<std::string>& dlls)
    {
        const std::string key = "Software\\Wine\\AppDefaults\\" + exeName + "\\DllOverrides";
        for (const std::string& n : dlls)
            m_values.push_back(std::make_unique<e2e::CScopedRegValue>(
                HKEY_CURRENT_USER, key, n.substr(0, n.find_last_of('.')), "native,builtin"));
    }
    bool Ok() const
    {
        for (const auto& v : m_values)
            if (!v->Ok())
                return false;
        return true;
    }

private:
    std::vector<std::unique_ptr<e2e::CScopedRegValue>> m_values;
};

const char kSignature[] = "DADAROR-PLANTED-DLL-7f3a";

// True when the module at `base` in the process carries the plant's signature.
bool IsPlant(HANDLE process, BYTE* base, DWORD size)
{
    std::vector<char> image(size);
    SIZE_T read = 0;
    ::ReadProcessMemory(process, base, image.data(), size, &read);
    if (read == 0)
    {
        // Read what can be read, page by page.
        for (DWORD off = 0; off < size; off += 4096)
        {
            SIZE_T got = 0;
            ::ReadProcessMemory(process, base + off, image.data() + off,
                                std::min<DWORD>(4096, size - off), &got);
        }
    }
    return std::search(image.begin(), image.end(), kSignature,
                       kSignature + sizeof(kSignature) - 1) != image.end();
}

std::vector<std::string> AllPlantNames()
{
    return std::vector<std::string>(std::begin(kPlantNames), std::end(kPlantNames));
}

// A scratch folder to plant in, removed with everything in it.
class TempFolder : public testsupport::CTempFolder
{
public:
    explicit TempFolder(const std::string& tag) : CTempFolder("dadaror-" + tag) {}

    std::string File(const std::string& name) const { return *this / name; }
    bool CopyIn(const std::string& from, const std::string& name) const
    {
        return ::CopyFileA(from.c_str(), File(name).c_str(), FALSE) != FALSE;
    }
    bool Plant(const std::vector<std::string>& names) const
    {
        bool all = true;
        for (const std::string& n : names)
            all = CopyIn(hardening::HelperPath("hardening_plant.dll"), n) && all;
        return all;
    }
    // The "<dll>.loaded" files the plants leave when they run.
    std::vector<std::string> LoadedPlants() const
    {
        std::vector<std::string> found;
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA(File("*.loaded").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return found;
        do
            found.push_back(fd.cFileName);
        while (::FindNextFileA(h, &fd));
        ::FindClose(h);
        return found;
    }
};

// Runs `exe` with `args` in `workDir` (no debugger) and returns its exit code, nothing on time-out.
std::optional<DWORD> RunProgram(const std::string& exe, const std::string& args,
                                const std::string& workDir)
{
    std::string cmd = "\"" + exe + "\" " + args;
    std::vector<char> cmdBuf(cmd.begin(), cmd.end());
    cmdBuf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(exe.c_str(), cmdBuf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workDir.c_str(), &si, &pi))
        return std::nullopt;
    std::optional<DWORD> code;
    if (::WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
    {
        DWORD c = 0;
        ::GetExitCodeProcess(pi.hProcess, &c);
        code = c;
    }
    else
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code;
}

struct Module
{
    std::string path; // lower case
    bool plant = false;
};

// The modules the process has loaded now.
std::vector<Module> ModulesOf(DWORD pid)
{
    std::vector<Module> modules;
    HANDLE process = ::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid);
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid);
    if (snap != INVALID_HANDLE_VALUE)
    {
        MODULEENTRY32 me = {};
        me.dwSize = sizeof(me);
        for (BOOL more = ::Module32First(snap, &me); more; more = ::Module32Next(snap, &me))
            modules.push_back(
                {Lower(me.szExePath), process && IsPlant(process, me.modBaseAddr, me.modBaseSize)});
        ::CloseHandle(snap);
    }
    if (process)
        ::CloseHandle(process);
    return modules;
}

std::vector<Module> ModulesFrom(const std::vector<Module>& modules, const std::string& folder)
{
    std::vector<Module> found;
    const std::string prefix = Lower(folder) + "\\";
    for (const Module& m : modules)
        if (m.path.rfind(prefix, 0) == 0)
            found.push_back(m);
    return found;
}

std::vector<std::string> PlantedMarkers(const e2e::ProgramRun& run)
{
    return run.MarkersStartingWith("PLANTED ");
}

std::string Join(const std::vector<std::string>& v)
{
    std::string s;
    for (const std::string& x : v)
        s += (s.empty() ? "" : ", ") + x;
    return s.empty() ? "(none)" : s;
}

// The plant mechanism itself, and what Wine does with a plant of a name it implements: without
// these controls a clean run of the program would not mean anything.
TEST(PlantControl, WineRunsAPlantFromTheProgramFolderOnlyWhenNativeComesFirst)
{
    TempFolder folder("loader");
    ASSERT_TRUE(folder.Ok());
    ASSERT_TRUE(folder.CopyIn(hardening::HelperPath("hardening_loader.exe"), "plant_loader.exe"));
    ASSERT_TRUE(folder.Plant({"dadaror_plantcheck.dll", "wininet.dll"}));
    const std::string loader = folder.File("plant_loader.exe");

    // A name Wine has no builtin for: loaded from the program's folder, and the plant says so.
    EXPECT_EQ(std::optional<DWORD>(0), RunProgram(loader, "dadaror_plantcheck.dll", folder.Path()));
    EXPECT_EQ(std::vector<std::string>{"dadaror_plantcheck.dll.loaded"}, folder.LoadedPlants());

    // wininet.dll by bare name with Wine's default order: Wine's builtin wins over the plant
    // (it is reported under the plant's path, but the plant's code never runs).
    EXPECT_EQ(std::optional<DWORD>(0), RunProgram(loader, "wininet.dll", folder.Path()));
    EXPECT_EQ(std::vector<std::string>{"dadaror_plantcheck.dll.loaded"}, folder.LoadedPlants())
        << "Wine ran a planted wininet.dll without being told to prefer native DLLs";

    // Native first, as on Windows: the plant beside the program runs.
    NativeFirst order("plant_loader.exe", {"wininet.dll"});
    ASSERT_TRUE(order.Ok());
    EXPECT_EQ(std::optional<DWORD>(0), RunProgram(loader, "wininet.dll", folder.Path()));
    std::vector<std::string> loaded = folder.LoadedPlants();
    EXPECT_NE(loaded.end(), std::find(loaded.begin(), loaded.end(), "wininet.dll.loaded"))
        << Join(loaded);
}

class Planting : public ::testing::Test
{
protected:
    // Starts the copy of `exe` in the program folder, from the working folder, with plants in
    // both and the planted names native first, and lets it run through start-up: the no-SSD
    // question answered No, the update check and the advertisement panel's page requested from
    // the local server.
    HWND StartPlanted(const std::string& exe)
    {
        if (!server.IsListening() || !program.Ok() || !work.Ok() || !order.Ok() ||
            !program.CopyIn(exe, "DADAROR.exe") || !program.Plant(AllPlantNames()) ||
            !work.Plant(AllPlantNames()))
            return nullptr;
        run =
            std::make_unique<e2e::ProgramRun>(e2e::Env{}, program.File("DADAROR.exe"), work.Path());
        if (!run->Started())
            return nullptr;
        HWND dlg = e2e::StartToMainWindow(*run, 30000);
        if (dlg)
        {
            server.WaitForRequest("version.asp", 10000);
            server.WaitForRequest("advertisement", 10000);
        }
        return dlg;
    }

    // Every sign of a plant that ran or is mapped: debugger texts, marker files, modules carrying
    // the plant's signature. `builtins` receives the Wine builtins reported under a planted path.
    std::vector<std::string> PlantsSeen(std::vector<std::string>* builtins = nullptr)
    {
        std::vector<std::string> seen = PlantedMarkers(*run);
        for (const std::string& f : program.LoadedPlants())
            seen.push_back("program folder: " + f);
        for (const std::string& f : work.LoadedPlants())
            seen.push_back("working folder: " + f);
        if (!run->Exited())
        {
            const std::vector<Module> modules = ModulesOf(run->Pid());
            std::vector<Module> planted = ModulesFrom(modules, program.Path());
            for (const Module& m : ModulesFrom(modules, work.Path()))
                planted.push_back(m);
            for (const Module& m : planted)
            {
                if (m.plant)
                    seen.push_back("module: " + m.path);
                else if (builtins && m.path != Lower(program.File("DADAROR.exe")))
                    builtins->push_back(m.path);
            }
        }
        return seen;
    }

    e2e::ProgramServer server;
    TempFolder program{"program"};
    TempFolder work{"work"};
    NativeFirst order{"DADAROR.exe", AllPlantNames()};
    std::unique_ptr<e2e::ProgramRun> run;
};

TEST_F(Planting, TheProgramRunsNoPlantThroughStartUp)
{
    HWND dlg = StartPlanted(e2e::WinePath(E2E_UNIX_PATH));
    ASSERT_TRUE(dlg) << "the program did not reach its main window with the plants around it";
    EXPECT_GE(server.Count("version.asp"), 1u) << "the update check (WinINet) must have run";
    EXPECT_GE(server.Count("advertisement"), 1u) << "the panel (browser control) must have loaded";
    const std::vector<Module> modules = ModulesOf(run->Pid());
    ASSERT_FALSE(modules.empty()) << "the module list could not be read";
    for (const Module& m : modules) // the search confined (Wine), tapi32 is not loaded ahead
        EXPECT_EQ(std::string::npos, m.path.find("\\tapi32.dll")) << "loaded ahead";
    std::vector<std::string> builtins;
    EXPECT_EQ("(none)", Join(PlantsSeen(&builtins)));
    std::printf("[ plants   ] builtins found under a planted path: %s\n", Join(builtins).c_str());
    EXPECT_EQ(0, run->UnhandledExceptions());
}

// The common controls bring uxtheme.dll in by name while they initialise. Imported, they would
// do so before the program's first line, where no restriction reaches (a plant then ran); the
// program loads them itself once the search is confined to the system folder.
TEST_F(Planting, CommonControlsComeAfterTheRestriction)
{
    NativeFirst uxtheme("DADAROR.exe", {"uxtheme.dll"});
    ASSERT_TRUE(uxtheme.Ok() && program.Ok() && work.Ok());
    ASSERT_TRUE(program.CopyIn(e2e::WinePath(E2E_UNIX_PATH), "DADAROR.exe"));
    ASSERT_TRUE(program.Plant({"uxtheme.dll"}));
    ASSERT_TRUE(work.Plant({"uxtheme.dll"}));
    run = std::make_unique<e2e::ProgramRun>(e2e::Env{}, program.File("DADAROR.exe"), work.Path());
    ASSERT_TRUE(run->Started());
    HWND dlg = e2e::StartToMainWindow(*run);
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(run->HasMarker("PLANTED " + program.File("uxtheme.dll"))) << Join(run->Markers());
    EXPECT_EQ("(none)", Join(PlantsSeen()));
    run->Terminate();
}

// The loads the program makes itself name the system folder on their own (WinINet, ATL, the
// service API), so even without the search restriction at start no plant runs: the restriction
// is the second line, not the only one. Catches a run-time load that falls back to a bare name.
TEST_F(Planting, RunTimeLoadsStaySafeWithoutTheStartRestriction)
{
    HWND dlg = StartPlanted(e2e::WinePath(UNHARDENED_UNIX_PATH));
    ASSERT_TRUE(dlg);
    EXPECT_GE(server.Count("version.asp"), 1u);
    EXPECT_GE(server.Count("advertisement"), 1u);
    EXPECT_EQ("(none)", Join(PlantsSeen()));
}
} // namespace

// =============================================================================================
// Leaks. Handle, GDI object and window counts stay flat while the program is used, counted
// inside it by the injected probe (Probe.h; Wine's GetGuiResources and GetProcessHandleCount
// answer 0). "Flat": after a warm-up round (fonts, DC cache, COM, the tools' first start) no
// settled count after the series is above the one after the warm-up; one lower is allowed (the
// warm-up's reading can still hold a handle the system lets go later); a leak per round shows as
// growth by the number of rounds.

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
    const int buttons[] = {IDC_APPLY, IDC_MINIMIZE, IDC_CLOSE};
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
    HWND label = ::GetDlgItem(dlg, IDC_AHCI_STATE);
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
        ASSERT_EQ(ERROR_SUCCESS, SetPagingFiles("C:\\pagefile.sys 16 32\0"));
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
        HWND question = e2e::WaitForBox(run->Pid(), facts::kRestartQuestion, 30000);
        ASSERT_TRUE(question) << "no restart question";
        ASSERT_TRUE(e2e::AnswerBox(question, IDCANCEL));
        ASSERT_TRUE(e2e::WaitUntil(
            [&] {
                return !::IsWindow(question) && ::IsWindowEnabled(dlg) &&
                       !e2e::ProgressWindow(run->Pid());
            },
            10000));
    };
    ExpectFlat(dlg, "apply", 1, 20, round);
    EXPECT_FALSE(run->HasMarker(facts::kRestartRequested));
}
} // namespace
