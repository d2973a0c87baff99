// What the program finds out at start-up and what it asks the user about it, before the main
// window ever shows: the SSD question or notice, the update check, the AHCI state line.
#include "e2e/E2e.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace e2e;

namespace
{
const DWORD kWait = 20000;
const char kVersionPath[] = "/prodline/version/version.asp";
const char kVersionRequestLine[] = "GET /prodline/version/version.asp?pname=ssd HTTP/1.1";
const std::string kBlogUrl = ProgramUrl("/blog/ssd-optimizer");

const char kUpdateText[] = "Pellix SSD 최적화 새 버전이 있습니다.\n현재 실행을 중단하고 다운로드 "
                           "페이지로 이동하려면 확인을 누르십시요. ";
const char kAhciOn[] = "AHCI 모드 활성화 상태입니다.";
const char kAhciOff[] = "AHCI 모드 비활성화 상태입니다.";

std::string Found(const std::string& model)
{
    return "디스크 " + model + "를 발견하였습니다.";
}

double SecondsSince(ULONGLONG startTick)
{
    return static_cast<double>(::GetTickCount64() - startTick) / 1000.0;
}

// ---------------------------------------------------------------------------------------------
// A message box as the user sees it.
struct BoxLook
{
    std::string caption, text;
    std::set<int> buttons; // the visible buttons' ids
    HWND owner = nullptr;
};

BoxLook Look(HWND box)
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
bool MainDialogShown(ProgramRun& run)
{
    HWND dlg = FindMainDialog(run.Pid());
    return dlg && ::IsWindowVisible(dlg);
}

// Waits for the first box of the start; the main dialog must stay hidden while it is open.
HWND FirstBox(ProgramRun& run)
{
    HWND box = FindMessageBox(run.Pid(), kWait);
    if (box)
        EXPECT_FALSE(MainDialogShown(run))
            << "the main dialog shows before the start-up box is answered";
    return box;
}

// Answers a box and waits until it has gone, so that nobody answers it twice.
bool Answer(HWND box, int id)
{
    return AnswerBox(box, id) && WaitUntil([&] { return !::IsWindow(box); }, kWait);
}

// Answers the no-SSD question (every start on Wine's own disks asks it) with No.
bool GoPastNoSsdQuestion(ProgramRun& run)
{
    HWND box = FirstBox(run);
    if (!box || MessageBoxText(box) != facts::kNoSsdQuestion)
        return false;
    return Answer(box, IDNO);
}

// The update check only runs where the system reports a connection; ask it the same way.
bool SystemSaysOnline()
{
    DWORD flags = 0;
    return ::InternetGetConnectedState(&flags, 0) != FALSE;
}

#define SKIP_UNLESS_ONLINE()                                                                       \
    if (!SystemSaysOnline())                                                                       \
    GTEST_SKIP() << "InternetGetConnectedState reports no connection here: the program skips its " \
                    "update check, so there is nothing to observe"

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
              "", ToWinePath(TESTWMI_UNIX_PATH), KEY_WOW64_32KEY)
    {
    }
    bool Ok() const { return m_registration.Ok(); }
    static Env Disks(const std::string& models) { return {{"DADAROR_TEST_DISK_MODELS", models}}; }

private:
    ScopedRegString m_registration;
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

TEST(StartupSsd, NoSsdQuestionIsTheExactTextWithTheInformationIconAndNoGoesOn)
{
    const auto server = std::make_unique<ProgramServer>();
    ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
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
    HWND dlg = FindMainDialog(run.Pid());
    ASSERT_TRUE(dlg) << "the question comes before the main dialog exists";
    EXPECT_EQ(look.owner, dlg);

    const ULONGLONG answered = ::GetTickCount64();
    ASSERT_TRUE(Answer(box, IDNO));
    std::vector<StartupBox> more;
    ASSERT_TRUE(StartToMainWindow(run, kWait, &more));
    EXPECT_TRUE(more.empty()) << "another box after No: " << more.front().text;
    std::cout << "[ figures ] no-SSD question after " << toQuestion << " s; main window "
              << SecondsSince(answered) << " s after No (update answer 1.4)\n";
}

// ---------------------------------------------------------------------------------------------
// Disks from the stand-in WMI, through the program's real COM path.

TEST(StartupSsd, FoundDiskIsAnnouncedUpperCasedBeforeTheMainWindow)
{
    StandInDisks wmi;
    ASSERT_TRUE(wmi.Ok()) << "cannot register the stand-in WMI";
    const auto server = std::make_unique<ProgramServer>();
    ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
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
    ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
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
// The update check.

TEST(StartupUpdate, AnythingButOwnVersionOrErrorOffersTheDownload)
{
    SKIP_UNLESS_ONLINE();
    LaunchRecorder launches;
    ASSERT_TRUE(launches.Installed());
    const struct
    {
        const char* name;
        std::string body;
        int answer;
    } cases[] = {
        {"newer version", "1.5", IDCANCEL},
        // Any other text counts, an older version with blanks around it too.
        {"older version with blanks", "  1.3\r\n", IDCANCEL},
        {"empty body", "", IDCANCEL},
        {"a page of markup", "<html><head><title>503</title></head><body>busy</body></html>", IDOK},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto server = std::make_unique<ProgramServer>();
        ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
        server->Answer(kVersionPath, 200, c.body);
        ProgramRun run(launches.Environment());
        ASSERT_TRUE(GoPastNoSsdQuestion(run));
        HWND update = FindTopWindow(run.Pid(), kUpdateCaption, "#32770", kWait);
        ASSERT_TRUE(update) << "no update question";
        const BoxLook look = Look(update);
        EXPECT_EQ(look.text, kUpdateText);
        EXPECT_EQ(look.buttons, (std::set<int>{IDOK, IDCANCEL}));
        EXPECT_EQ(StandardIconOf(update), "information");
        HWND dlg = FindMainDialog(run.Pid());
        EXPECT_TRUE(dlg && look.owner == dlg) << "the question does not belong to the main dialog";
        EXPECT_FALSE(MainDialogShown(run));

        ASSERT_TRUE(Answer(update, c.answer));
        if (c.answer == IDCANCEL)
        {
            EXPECT_TRUE(StartToMainWindow(run, kWait))
                << "Cancel does not go on to the main window";
            continue;
        }
        EXPECT_TRUE(EndsWithoutMainWindow(run, kWait)) << "the main window showed after OK";
        EXPECT_TRUE(launches.WaitForLine(kBlogUrl, kWait));
        // The shell hands the address over as one quoted argument.
        EXPECT_EQ(launches.Lines(), std::vector<std::string>{"\"" + kBlogUrl + "\""})
            << "the download page, once, as it is";
    }
    EXPECT_EQ(launches.Lines().size(), 1u) << "Cancel opened something";
}

TEST(StartupUpdate, OwnVersionErrorOrFailedRequestShowNothing)
{
    SKIP_UNLESS_ONLINE();
    const struct
    {
        const char* name;
        int status;
        std::string body;
    } cases[] = {
        {"own version with blanks and a line break", 200, " 1.4\r\n"},
        {"ERROR in capitals", 200, "ERROR"},
        {"404", 404, "1.5"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto server = std::make_unique<ProgramServer>();
        ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
        server->Answer(kVersionPath, c.status, c.body);
        ProgramRun run;
        ASSERT_TRUE(GoPastNoSsdQuestion(run));
        std::vector<StartupBox> more;
        EXPECT_TRUE(StartToMainWindow(run, kWait, &more));
        EXPECT_TRUE(more.empty()) << "a box: " << more.front().caption << " / "
                                  << more.front().text;
        // Nothing shown because the answer was judged, not because no request went out. (At least
        // one: programs of other build folders on this machine may reach the same port.)
        EXPECT_GE(server->Count(std::string(kVersionRequestLine)), 1u);
    }
}

TEST(StartupUpdate, SilentServerDelaysTheMainWindowByTheBoundOnly)
{
    SKIP_UNLESS_ONLINE();
    const auto server = std::make_unique<ProgramServer>();
    ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
    server->Hold(kVersionPath);
    ProgramRun run;
    HWND box = FirstBox(run);
    ASSERT_TRUE(box);
    const ULONGLONG answered = ::GetTickCount64();
    ASSERT_TRUE(Answer(box, IDNO));
    ASSERT_TRUE(server->WaitForRequests(1, kWait)) << "the update request never arrived";
    std::vector<StartupBox> more;
    HWND dlg = StartToMainWindow(run, kWait, &more);
    const double waited = SecondsSince(answered);
    ASSERT_TRUE(dlg) << "no main window while the server keeps silent";
    EXPECT_TRUE(more.empty()) << "a box: " << more.front().text;
    // From the request's arrival, the server's own evidence: how late the program got round to
    // sending it on a busy machine is not part of the bound.
    const double sinceRequest = SecondsSince(server->RequestTimes().front());
    std::cout << "[ figures ] silent update server: main window " << waited
              << " s after the SSD answer, " << sinceRequest << " s after the request\n";
    ::testing::Test::RecordProperty("silent_server_seconds", std::to_string(waited));
    EXPECT_LT(sinceRequest, 5.0 + 3.0) << "the 5 s bound plus a margin";
    EXPECT_GE(waited, 4.5) << "gave up on the server before the bound";

    // The answer that comes too late is dropped: no question once the window is up, no crash.
    server->Answer(kVersionPath, 200, "1.5");
    server->Release();
    // Watched from the answer's delivery until the program has ended: a question asked for it
    // would stand in the way of the end.
    ASSERT_TRUE(server->WaitForFinished(1, kWait)) << "the late answer was never delivered";
    EXPECT_FALSE(run.Exited());
    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    bool asked = false;
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            asked = asked || FindTopWindow(run.Pid(), kUpdateCaption, nullptr, 0);
            return asked || run.Exited();
        },
        kWait));
    EXPECT_FALSE(asked) << "a late answer still asked";
    EXPECT_TRUE(run.WaitForExit(kWait).has_value());
    EXPECT_EQ(run.UnhandledExceptions(), 0);
}

TEST(StartupUpdate, SilentServerStillLetsYesQuitPromptly)
{
    SKIP_UNLESS_ONLINE();
    const auto server = std::make_unique<ProgramServer>();
    ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
    server->Hold(kVersionPath);
    ProgramRun run;
    HWND box = FirstBox(run);
    ASSERT_TRUE(box);
    const ULONGLONG answered = ::GetTickCount64();
    ASSERT_TRUE(AnswerBox(box, IDYES));
    // The download thread is still blocked on the server when the program ends.
    EXPECT_TRUE(EndsWithoutMainWindow(run, kWait));
    const double took = SecondsSince(answered);
    std::cout << "[ figures ] silent update server, Yes: ended " << took << " s after the answer\n";
    EXPECT_LT(took, 5.0 + 3.0);
    EXPECT_EQ(run.UnhandledExceptions(), 0);
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
    ASSERT_TRUE(server->IsListening()) << "port " << server->Port() << " stays taken";
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const auto ahci = ScopedDword(msahci, "Start", c.ahciStart);
        const auto ide = ScopedDword(pciide, "Start", c.ideStart);
        ASSERT_TRUE(ahci->Ok() && ide->Ok()) << "cannot set the driver start types";
        ProgramRun run;
        HWND dlg = StartToMainWindow(run, kWait);
        ASSERT_TRUE(dlg);
        HWND label = ::GetDlgItem(dlg, 1000);
        ASSERT_TRUE(label);
        EXPECT_EQ(WindowText(label), c.text);

        // The text's colour: some of its pixels in exactly that colour, none in the other.
        const Rgb other = c.colour == blue ? red : blue;
        int inColour = 0, inOther = 0;
        WaitUntil(
            [&]
            {
                const Picture shown = Capture(WindowRect(label));
                inColour = inOther = 0;
                for (int y = 0; y < shown.Height(); ++y)
                    for (int x = 0; x < shown.Width(); ++x)
                    {
                        inColour += shown.At(x, y) == c.colour;
                        inOther += shown.At(x, y) == other;
                    }
                return inColour > 20;
            },
            5000, 50);
        EXPECT_GT(inColour, 20) << "the state line is not drawn in " << ToString(c.colour);
        EXPECT_EQ(inOther, 0);
    }
}
