// Start-up: what the program finds out and asks before its main window shows (the SSD question
// or notice, with the disks of the stand-in WMI registered in the test prefix; the AHCI state
// line), its single-instance guard and the ways it ends. The About box is the window area's
// (tests/e2e/window/).
#include "e2e/Checks.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace e2e;

// =============================================================================================
// The start and its end.

TEST(Startup, NoSsdQuestionThenNoShowsTheMainDialogWithTheRecommendedSelection)
{
    ProgramServer server;
    const ULONGLONG started = ::GetTickCount64();
    ProgramRun run;
    ASSERT_TRUE(run.Started()) << "CreateProcess failed: " << run.LastError();
    HWND box = FirstBox(run);
    ASSERT_TRUE(box) << "no start-up question";
    const double toQuestion = SecondsSince(started);
    const BoxLook look = Look(box);
    EXPECT_EQ(look.caption, kMainTitle);
    EXPECT_EQ(look.text, facts::kNoSsdQuestion);
    EXPECT_EQ(look.buttons, (std::set<int>{IDYES, IDNO}));
    EXPECT_EQ(StandardIconOf(box), "information");
    ASSERT_TRUE(FindMainDialog(run.Pid())) << "the question comes before the main dialog exists";
    EXPECT_EQ(look.owner, FindMainDialog(run.Pid())) << "the question belongs to the main dialog";
    SaveScreenshot("startup-question", box);

    const ULONGLONG answered = ::GetTickCount64();
    ASSERT_TRUE(Answer(box, IDNO));
    std::vector<StartupBox> more;
    HWND dlg = StartToMainWindow(run, kWait, &more);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(more.empty()) << "another box after No: " << more.front().text;
    std::cout << "[ figures ] no-SSD question after " << toQuestion << " s; main window "
              << SecondsSince(answered) << " s after No (update answer 1.4)\n";
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
    EXPECT_TRUE(IsControlEnabled(dlg, IDC_GUIBOOT_ON));
    EXPECT_TRUE(IsControlEnabled(dlg, IDC_GUIBOOT_OFF));
    SaveScreenshot("main-dialog", dlg);
}

TEST(Startup, OnWindowsXpTheGuiBootRowIsDisabledAndEmpty)
{
    CScopedRegValue xp(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\DADAROR.exe", "Version",
                       "winxp");
    ASSERT_TRUE(xp.Ok());
    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);
    EXPECT_FALSE(IsControlEnabled(dlg, IDC_GUIBOOT_ON));
    EXPECT_FALSE(IsControlEnabled(dlg, IDC_GUIBOOT_OFF));
    std::set<int> expected = kRecommended;
    expected.erase(IDC_GUIBOOT_OFF);
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
         [](HWND dlg) { ::PostMessageA(::GetDlgItem(dlg, IDC_CLOSE), BM_CLICK, 0, 0); }},
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
    HWND box = FirstBox(run);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), facts::kNoSsdQuestion);
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
    HWND box = FirstBox(run);
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), facts::kNoSsdQuestion);
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

// =============================================================================================
// What the start-up finds out and asks, before the main window ever shows.

namespace
{
const char kAhciOn[] = "AHCI 모드 활성화 상태입니다.";
const char kAhciOff[] = "AHCI 모드 비활성화 상태입니다.";

std::string Found(const std::string& model)
{
    return "디스크 " + model + "를 발견하였습니다.";
}

// ---------------------------------------------------------------------------------------------
// The stand-in WMI of tests/support in place of the system's locator for a scope; the disks it
// delivers are named by DADAROR_TEST_DISK_MODELS in the program's environment.
class StandInDisks
{
public:
    StandInDisks()
        : m_registration(
              HKEY_LOCAL_MACHINE,
              "Software\\Classes\\CLSID\\{4590F811-1D3A-11D0-891F-00AA004B2E24}\\InprocServer32",
              "", WinePath(TESTWMI_UNIX_PATH), KEY_WOW64_32KEY)
    {
    }
    bool Ok() const { return m_registration.Ok(); }
    static Env Disks(const std::string& models) { return {{"DADAROR_TEST_DISK_MODELS", models}}; }

private:
    CScopedRegValue m_registration;
};

// A DWORD value of HKLM for a scope (nothing: the value absent); what was there comes back.
std::unique_ptr<testsupport::CScopedRegValue> ScopedDword(const std::string& subkey,
                                                          const std::string& name,
                                                          std::optional<DWORD> value)
{
    std::optional<testsupport::RegData> data;
    if (value)
        data = testsupport::RegData::Dword(*value);
    return std::make_unique<testsupport::CScopedRegValue>(HKEY_LOCAL_MACHINE, subkey, name, data);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// No SSD among the disks.

// ---------------------------------------------------------------------------------------------
// Disks from the stand-in WMI, through the program's real COM path.

TEST(StartupSsd, FoundDiskIsAnnouncedUpperCasedBeforeTheMainWindow)
{
    StandInDisks wmi;
    ASSERT_TRUE(wmi.Ok()) << "cannot register the stand-in WMI";
    const auto server = std::make_unique<ProgramServer>();
    ASSERT_TRUE(server->IsListening());
    const struct
    {
        const char* models;
        std::string expected;
    } cases[] = {
        {"Acme Ssd 120G", Found("ACME SSD 120G")},
        // The last matching disk wins; a non-matching disk after it changes nothing.
        {"Alpha SSD 64|<null>|beta ssd 2|Wine Disk Drive", Found("BETA SSD 2")},
        // The model is data: never read as a format.
        {"Evil ssd %s%n%%", Found("EVIL SSD %S%N%%")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.models);
        ProgramRun run(StandInDisks::Disks(c.models));
        ASSERT_TRUE(run.Started());
        HWND box = FirstBox(run);
        ASSERT_TRUE(box) << "no start-up notice";
        const BoxLook look = Look(box);
        EXPECT_EQ(look.caption, kMainTitle);
        EXPECT_EQ(look.text, c.expected);
        EXPECT_EQ(look.buttons, std::set<int>{IDOK});
        EXPECT_EQ(StandardIconOf(box), "information");
        HWND dlg = FindMainDialog(run.Pid());
        EXPECT_TRUE(dlg && look.owner == dlg) << "the notice does not belong to the main dialog";

        ASSERT_TRUE(Answer(box, IDOK));
        std::vector<StartupBox> more;
        EXPECT_TRUE(StartToMainWindow(run, kWait, &more)) << "no main window after the notice";
        EXPECT_TRUE(more.empty()) << "another box after the notice: " << more.front().text;
        EXPECT_EQ(run.UnhandledExceptions(), 0);
    }
}

TEST(StartupSsd, DisksWithoutSsdInTheirNamesBringTheQuestion)
{
    StandInDisks wmi;
    ASSERT_TRUE(wmi.Ok()) << "cannot register the stand-in WMI";
    const auto server = std::make_unique<ProgramServer>();
    ASSERT_TRUE(server->IsListening());
    // Only the three letters count: a solid-state disk named otherwise is not recognised.
    for (const char* models : {"Acme HDD 1T", "<null>|Solid State Disk"})
    {
        SCOPED_TRACE(models);
        ProgramRun run(StandInDisks::Disks(models));
        HWND box = FirstBox(run);
        ASSERT_TRUE(box);
        EXPECT_EQ(MessageBoxText(box), facts::kNoSsdQuestion);
        EXPECT_EQ(Look(box).buttons, (std::set<int>{IDYES, IDNO}));
        ASSERT_TRUE(AnswerBox(box, IDYES));
        EXPECT_TRUE(EndsWithoutMainWindow(run, kWait)) << "the main window showed after Yes";
    }
}

// ---------------------------------------------------------------------------------------------
// The AHCI state line (label 1000), as the prefix's driver settings say.

TEST(StartupAhci, StateLineFollowsTheDriverStartTypes)
{
    const std::string msahci = "SYSTEM\\CurrentControlSet\\services\\msahci";
    const std::string pciide = "SYSTEM\\CurrentControlSet\\services\\pciide";
    const Rgb blue = {0, 0, 250}, red = {250, 0, 0};
    const struct
    {
        const char* name;
        std::optional<DWORD> ahciStart, ideStart;
        const char* text;
        Rgb colour;
    } cases[] = {
        {"AHCI at boot, IDE on demand", 0, 3, kAhciOn, blue},
        {"both at boot", 0, 0, kAhciOff, red},
        {"AHCI on demand", 3, 3, kAhciOff, red},
        {"no AHCI start type", std::nullopt, 3, kAhciOff, red},
    };
    const auto server = std::make_unique<ProgramServer>();
    ASSERT_TRUE(server->IsListening());
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto ahci = ScopedDword(msahci, "Start", c.ahciStart);
        const auto ide = ScopedDword(pciide, "Start", c.ideStart);
        ASSERT_TRUE(ahci->Ok() && ide->Ok()) << "cannot set the driver start types";
        ProgramRun run;
        HWND dlg = StartToMainWindow(run, kWait);
        ASSERT_TRUE(dlg);
        HWND label = ::GetDlgItem(dlg, IDC_AHCI_STATE);
        ASSERT_TRUE(label);
        EXPECT_EQ(WindowText(label), c.text);

        // The text's colour: some of its pixels in exactly that colour, none in the other.
        const Rgb other = c.colour == blue ? red : blue;
        int inColour = 0, inOther = 0;
        WaitUntil(
            [&]
            {
                const Picture shown = Capture(WindowRect(label));
                inColour = shown.Count(c.colour), inOther = shown.Count(other);
                return inColour > 20;
            },
            5000, 50);
        EXPECT_GT(inColour, 20) << "the state line is not drawn in " << ToString(c.colour);
        EXPECT_EQ(inOther, 0);
    }
}
