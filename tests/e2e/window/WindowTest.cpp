// The borderless main window: its own painting, minimising, dragging, the key filter and the
// close button through real pointer and key input; where it and the About box are placed, on a
// normal and on a small screen; which common controls it runs with.
#include "ToolRecorder.h"
#include "common/ProgramFacts.h"
#include "e2e/Checks.h"
#include "framework/Handles.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <oleacc.h>
#include <set>
#include <tlhelp32.h>

using namespace e2e;

namespace
{

class MainWindow : public MainDialogTest
{
protected:
    // Frame, header band and surface as the background painting leaves them.
    void ExpectPainted(const char* when)
    {
        SCOPED_TRACE(when);
        const struct
        {
            int x, y;
            Rgb colour;
        } points[] = {{0, 0, kFrame},     {0, 300, kFrame},  {659, 300, kFrame},
                      {300, 651, kFrame}, {300, 5, kFrame},  {450, 50, kFrame},
                      {2, 300, kWhite},   {300, 52, kWhite}, {657, 649 - 0, kWhite}};
        for (const auto& p : points)
            EXPECT_TRUE(WaitForPixel(dlg, p.x, p.y, p.colour, 5000))
                << "(" << p.x << "," << p.y << ") is " << ToString(PixelAt(dlg, p.x, p.y))
                << ", expected " << ToString(p.colour);
    }

    bool MovedTo(LONG left, LONG top, LONG slack = 2)
    {
        return WaitUntil(
            [&]
            {
                RECT r = WindowRect(dlg);
                return std::abs(r.left - left) <= slack && std::abs(r.top - top) <= slack;
            },
            5000);
    }
};
} // namespace

TEST_F(MainWindow, PaintsFrameBandAndSurfaceAgainAfterMinimiseAndRestore)
{
    ExpectPainted("after start");

    ASSERT_TRUE(ClickControl(dlg, IDC_MINIMIZE));
    ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(dlg) != FALSE; }, kWait))
        << "the minimise button did nothing";
    SaveScreenshot("main-dialog-minimised");

    // What the task bar does to restore a window.
    ::PostMessageA(dlg, WM_SYSCOMMAND, SC_RESTORE, 0);
    // Shown again a moment before it has its size back (Wine's minimised size is 160 x 24).
    RECT r = {};
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            r = WindowRect(dlg);
            return !::IsIconic(dlg) && ::IsWindowVisible(dlg) && r.right - r.left == 660 &&
                   r.bottom - r.top == 652;
        },
        kWait))
        << "restored at " << r.right - r.left << " x " << r.bottom - r.top;
    ExpectPainted("after restore");
    SaveScreenshot("main-dialog-restored", dlg);
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
}

TEST_F(MainWindow, DraggingAFreeSpotMovesTheWindowAlsoPartlyOffTheScreen)
{
    // An empty white spot between the header band and the first text line.
    ASSERT_EQ(PixelAt(dlg, 300, 62), kWhite);
    const RECT start = WindowRect(dlg);
    Drag(WindowPoint(dlg, 300, 62), WindowPoint(dlg, 300 - 120, 62 + 90));
    EXPECT_TRUE(MovedTo(start.left - 120, start.top + 90))
        << "the window is at " << WindowRect(dlg).left << "," << WindowRect(dlg).top;

    // Grab the same spot and take it near the left screen edge: the window's left part leaves it.
    const RECT mid = WindowRect(dlg);
    Drag(WindowPoint(dlg, 300, 62), POINT{100, mid.top + 62});
    EXPECT_TRUE(MovedTo(-200, mid.top))
        << "the window is at " << WindowRect(dlg).left << "," << WindowRect(dlg).top;
    SaveScreenshot("main-dialog-dragged-off-screen");
    // Still painted where it shows.
    EXPECT_TRUE(WaitForPixel(dlg, 300, 5, kFrame, 5000));
    EXPECT_TRUE(WaitForPixel(dlg, 300, 52, kWhite, 5000));
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
}

TEST_F(MainWindow, PressingOnARadioButtonAndMovingLeavesTheWindowWhereItIs)
{
    const RECT start = WindowRect(dlg);
    const auto spot = ClickablePointOf(dlg, IDC_VMEM_REDUCED);
    ASSERT_TRUE(spot);
    const POINT radio = *spot;
    Drag(radio, POINT{radio.x + 100, radio.y + 80});
    // A wrong move happens with the drag itself: once later input is handled, the window stands
    // where it stood, lowered only by that later drag.
    ASSERT_TRUE(InputHandled(dlg));
    EXPECT_EQ(WindowRect(dlg).left, start.left);
    EXPECT_EQ(WindowRect(dlg).top, start.top + kSettleDrop);
}

TEST_F(MainWindow, EnterEscapeAndF1DoNothingWhateverHasTheFocus)
{
    const int controls[] = {IDC_APPLY, IDC_CLOSE, IDC_MINIMIZE, IDC_VMEM_REDUCED};
    const struct
    {
        WORD vk;
        bool alt;
        const char* name;
    } keys[] = {{VK_RETURN, false, "Enter"},
                {VK_ESCAPE, false, "Esc"},
                {VK_F1, false, "F1"},
                {VK_F1, true, "Alt+F1"}};
    for (int id : controls)
    {
        HWND control = ::GetDlgItem(dlg, id);
        ASSERT_TRUE(control) << id;
        ::PostMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        ASSERT_TRUE(WaitUntil([&] { return FocusedWindowOf(dlg) == control; }, 5000))
            << "no focus on " << id;
        for (const auto& key : keys)
        {
            SCOPED_TRACE(std::string(key.name) + " on " + std::to_string(id));
            PostKey(control, key.vk, key.alt);
        }
    }
    // And real keys on the apply button, through the system's keyboard input.
    HWND apply = ::GetDlgItem(dlg, IDC_APPLY);
    ::PostMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(apply), TRUE);
    ::SetForegroundWindow(dlg);
    ASSERT_TRUE(WaitUntil(
        [&] { return ::GetForegroundWindow() == dlg && FocusedWindowOf(dlg) == apply; }, 5000));
    for (const auto& key : keys)
        SendKey(key.vk, key.alt);

    // A key that got through would have closed the dialog, started an apply or opened help, in
    // its own handling: once the posted keys and the later input are handled, that shows.
    EXPECT_TRUE(PostedMessagesHandled(dlg));
    EXPECT_TRUE(InputHandled(dlg)) << "the dialog no longer takes input";
    EXPECT_FALSE(run.Exited()) << "a key closed the dialog";
    EXPECT_FALSE(ProgressWindow(run.Pid())) << "Enter started an apply";
    EXPECT_FALSE(run.HasMarker("VMem")) << "Enter started an apply";
    EXPECT_EQ(TopWindowsOf(run.Pid(), true).size(), 1u) << "a key opened a window";
    EXPECT_TRUE(::IsWindowVisible(dlg) && ::IsWindowEnabled(dlg));
}

TEST_F(MainWindow, CloseButtonEndsTheProgram)
{
    ASSERT_TRUE(ClickControl(dlg, IDC_CLOSE)) << "the pointer never reached the close button";
    // Two steps, so that a failure tells a click not taken from an exit that hangs.
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dlg) || !::IsWindowVisible(dlg); }, kWait))
        << "a click on the close button left the window open";
    EXPECT_TRUE(run.WaitForExit(kWait).has_value()) << "the window closed, the program stayed";
    EXPECT_EQ(run.UnhandledExceptions(), 0);
}

// =============================================================================================
// Placement: where the program puts its windows, and which common controls it runs with.

namespace
{

std::string Lower(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// The full paths of every module of a process that is named `name`.
std::vector<std::string> ModulePaths(DWORD pid, const std::string& name)
{
    std::vector<std::string> paths;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid);
    if (snapshot == INVALID_HANDLE_VALUE)
        return paths;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Module32First(snapshot, &entry); more;
         more = ::Module32Next(snapshot, &entry))
    {
        if (Lower(entry.szModule) == name)
            paths.push_back(Lower(entry.szExePath));
    }
    ::CloseHandle(snapshot);
    return paths;
}
} // namespace

TEST(Placement, AboutBoxOpensModalCentredOverTheDialogAndReturnsToIt)
{
    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);
    HWND about = OpenAboutBox(run, dlg, kWait);
    ASSERT_TRUE(about) << "no About box";
    const RECT main = WindowRect(dlg);
    const RECT box = WindowRect(about);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    std::cout << "[measured] main dialog at " << main.left << "," << main.top << "; About box "
              << width << "x" << height << " at " << box.left << "," << box.top << std::endl;
    EXPECT_EQ(main.left + (660 - width) / 2, box.left);
    EXPECT_EQ(main.top + (652 - height) / 2, box.top);
    // Modal to the main dialog: owned by it, and the dialog takes no input meanwhile.
    EXPECT_EQ(::GetWindow(about, GW_OWNER), dlg);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(dlg); }, 5000))
        << "the About box is not modal";
    // What the user sees: the box with its contents drawn, its OK button among them. The screen
    // shows a window's painting a moment after the window has done it: waited for, on the screen.
    ASSERT_TRUE(WaitUntil([&] { return Painted(about); }, 5000)) << "the About box never painted";
    HWND ok = ::GetDlgItem(about, IDOK);
    ASSERT_TRUE(ok);
    const auto buttonColours = [&]
    {
        const Picture button = Capture(WindowRect(ok));
        std::set<uint32_t> colours;
        for (int y = 0; y < button.Height(); ++y)
            for (int x = 0; x < button.Width(); ++x)
            {
                const Rgb c = button.At(x, y);
                colours.insert((uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b);
            }
        return colours.size();
    };
    EXPECT_TRUE(WaitUntil([&] { return buttonColours() > 2; }, 5000, 50))
        << "the OK button is not drawn";
    SaveScreenshot("about-box", about);

    ASSERT_TRUE(AnswerBox(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, kWait)) << "the About box stays";
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 5000));
    EXPECT_FALSE(run.Exited());
    EXPECT_TRUE(::IsWindowVisible(dlg));
    EXPECT_EQ(CheckedRadios(dlg), kRecommended);
    EXPECT_TRUE(WaitForPixel(dlg, 300, 5, kFrame, 5000)) << "the header band is not repainted";
    EXPECT_TRUE(WaitForPixel(dlg, 2, 300, kWhite, 5000));
}

TEST(Placement, CommonControlsAreTheClassicOnesFromTheSystemFolder)
{
    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);

    char system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string expected = Lower(std::string(system, length)) + "\\comctl32.dll";
    const std::vector<std::string> paths = ModulePaths(run.Pid(), "comctl32.dll");
    ASSERT_FALSE(paths.empty()) << "the program has no common controls loaded";
    for (const std::string& path : paths)
        std::cout << "[measured] comctl32.dll of the program: " << path << std::endl;
    for (const std::string& path : paths)
        EXPECT_EQ(expected, path) << "a side-by-side copy instead of the system folder's";

    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(10000).has_value());
}

// =============================================================================================
// A screen shorter than the window (1024 x 600, common on small notebooks): the dialog stays
// inside the work area, top first, so the band it is dragged by can be reached. Run on a display
// and prefix of that size by run_small_screen.sh (CTest: e2e_window.SmallScreen).

TEST(SmallScreen, MainDialogKeepsItsTopBandOnTheScreen)
{
    if (::GetSystemMetrics(SM_CYSCREEN) != 600)
        GTEST_SKIP() << "runs on its own small screen (run_small_screen.sh)";
    RECT work = {};
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));

    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, 60000);
    ASSERT_TRUE(dlg) << "the main dialog did not appear";
    const RECT rc = WindowRect(dlg);
    std::cout << "[measured] work area " << work.left << "," << work.top << "-" << work.right << ","
              << work.bottom << "; main dialog at " << rc.left << "," << rc.top << ", "
              << rc.right - rc.left << "x" << rc.bottom - rc.top << std::endl;

    // Taller than the work area: the top edge at the work area's top, centred across.
    EXPECT_EQ(work.top, rc.top) << "the band the window is dragged by is off the screen";
    EXPECT_EQ(work.left + ((work.right - work.left) - 660) / 2, rc.left);

    // The band answers a real drag: the window follows the pointer.
    const POINT from = WindowPoint(dlg, 400, 25);
    Drag(from, POINT{from.x - 100, from.y + 40});
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            const RECT moved = WindowRect(dlg);
            return moved.left == rc.left - 100 && moved.top == rc.top + 40;
        },
        5000))
        << "the window did not follow a drag of its band";

    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(10000).has_value());
}

// =============================================================================================
// Display scale: Wine hands a program the prefix's DPI when it starts and does not stretch it, as
// XP at 120 DPI and Vista to 8 at 125 % do. The window and the About box keep their 96-DPI look.

namespace
{
// Controls' and client rectangles. The system draws icons and radio marks at its DPI's size (a
// radio button may grow by as much): their ends are left out; `radios` gets the radio buttons'
// rectangles.
std::vector<RECT> ShapeOf(HWND hwnd, std::vector<RECT>* radios = nullptr)
{
    std::vector<RECT> shape;
    for (HWND c = ::GetWindow(hwnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
    {
        RECT r = WindowRect(c);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        const LONG style = ::GetWindowLongA(c, GWL_STYLE);
        if (radios && ClassOf(c) == "Button" && (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            radios->push_back(r), r.right = r.left;
        if (ClassOf(c) == "Static" && (style & SS_TYPEMASK) == SS_ICON)
            r.right = r.bottom = 0;
        shape.push_back(r);
    }
    shape.emplace_back();
    ::GetClientRect(hwnd, &shape.back());
    return shape;
}

// What a screen reader is told of a control: its name, or another of its texts.
std::wstring Heard(HWND control,
                   HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT,
                                                                 BSTR*) = &IAccessible::get_accName)
{
    fw::CComPtr<IAccessible> accessible;
    VARIANT self = {};
    self.vt = VT_I4; // CHILDID_SELF
    BSTR text = nullptr;
    std::wstring result;
    if (SUCCEEDED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                               IID_IAccessible, accessible.ReceiveVoid())) &&
        (accessible.Get()->*get)(self, &text) == S_OK && text)
        result = text;
    ::SysFreeString(text);
    return result;
}
} // namespace

TEST(DisplayScale, WindowAboutBoxAndProgressKeepTheir96DpiLayoutAndTheButtonsTheirNames)
{
    fw::CApartment com;
    // The apply run that shows the progress window, with the machine it touches stood in for.
    sysconfig_test::CApplyStandIns standIns;
    ASSERT_TRUE(standIns.Ready());
    std::vector<RECT> main96, about96, progress96, radios96;
    Picture picture96;
    for (int dpi : {96, 120, 144})
    {
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        // Read by the program when it starts; put back however the row ends:
        CScopedRegValue logPixels(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels",
                                  testsupport::RegData::Dword(DWORD(dpi)));
        ASSERT_TRUE(logPixels.Ok());
        ProgramServer server;
        ProgramRun run;
        // No face lit by the pointer: an earlier test may have left it where a button appears,
        // and the system tells a button that the pointer has left only on its next hover tick.
        MoveTo(POINT{0, 0});
        HWND dlg = StartToMainWindow(run, kWait);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(L"최적화 하기", Heard(::GetDlgItem(dlg, IDC_APPLY)));
        EXPECT_EQ(L"최소화", Heard(::GetDlgItem(dlg, IDC_MINIMIZE)));
        EXPECT_EQ(L"닫기", Heard(::GetDlgItem(dlg, IDC_CLOSE)));

        std::vector<RECT> radios;
        const std::vector<RECT> main = ShapeOf(dlg, &radios);
        SaveScreenshot("display-scale-" + std::to_string(dpi), dlg);
        const Picture picture = Capture(WindowRect(dlg));
        HWND about = OpenAboutBox(run, dlg, kWait);
        ASSERT_TRUE(about && WaitUntil([&] { return Painted(about); }, 5000)) << "no About box";
        const std::vector<RECT> aboutShape = ShapeOf(about);
        ASSERT_TRUE(AnswerBox(about, IDOK) && WaitUntil([&] { return !::IsWindow(about); }, kWait));
        ASSERT_EQ(ERROR_SUCCESS, standIns.SetPagingFiles("C:\\pagefile.sys 16 32\0"));
        HWND progress = nullptr;
        ASSERT_TRUE(
            ClickApply(run, dlg) &&
            WaitUntil([&] { return (progress = ProgressWindow(run.Pid())) != nullptr; }, kWait) &&
            WaitUntil([&] { return Painted(progress); }, 5000))
            << "no progress window";
        const std::vector<RECT> progressShape = ShapeOf(progress);
        EXPECT_EQ(0u, Heard(progress).find(L"최적화 중입니다. 잠시만 기다려주세요."));
        ASSERT_TRUE(AnswerBox(WaitForBox(run.Pid(), facts::kRestartQuestion, 30000), IDCANCEL));
        ASSERT_TRUE(CloseWhenIdle(dlg));
        EXPECT_TRUE(run.WaitForExit(kWait).has_value());
        if (dpi == 96)
        {
            main96 = main, about96 = aboutShape, progress96 = progressShape, radios96 = radios;
            picture96 = picture;
            continue;
        }
        const auto same = [](const RECT& x, const RECT& y) { return ::EqualRect(&x, &y) != 0; };
        EXPECT_TRUE(std::equal(main96.begin(), main96.end(), main.begin(), main.end(), same));
        EXPECT_TRUE(
            std::equal(about96.begin(), about96.end(), aboutShape.begin(), aboutShape.end(), same));
        EXPECT_TRUE(std::equal(progress96.begin(), progress96.end(), progressShape.begin(),
                               progressShape.end(), same));
        EXPECT_EQ(radios96.back().right + ::MulDiv(12, dpi, 96) - 12, radios.back().right)
            << "the last radio button has no room for its grown mark";
        // Pixel for pixel as at 96 DPI, but for the radio buttons.
        int elsewhere = 0;
        RECT where = {};
        for (int y = 0; y < std::min(picture.Height(), picture96.Height()); ++y)
            for (int x = 0; x < std::min(picture.Width(), picture96.Width()); ++x)
            {
                bool radio = false;
                for (const RECT& r : radios)
                    radio = radio || ::PtInRect(&r, POINT{x, y});
                if (!radio && picture.At(x, y) != picture96.At(x, y))
                {
                    const RECT pixel = {x, y, x + 1, y + 1};
                    ::UnionRect(&where, &where, &pixel), ++elsewhere;
                }
            }
        std::cout << "[measured] " << dpi << " DPI: " << elsewhere
                  << " pixels differ from 96 DPI outside the radio buttons, within (" << where.left
                  << "," << where.top << ")-(" << where.right << "," << where.bottom << ")\n";
        EXPECT_EQ(0, elsewhere) << "the window does not look as at 96 DPI";
    }
}

// =============================================================================================
// The keyboard alone: Tab through everything in the order of the screen, Space and Enter on the
// links, the arrows inside one row; and what a screen reader is told.

namespace
{
// Keys as typed into the focused control; the focus it leads to, once it has moved.
HWND KeyToFocus(HWND dlg, WORD vk)
{
    HWND before = FocusedWindowOf(dlg);
    PostKey(before, vk);
    WaitUntil([&] { return FocusedWindowOf(dlg) != before; }, 2000);
    return FocusedWindowOf(dlg);
}

void FocusOn(HWND dlg, int id)
{
    HWND control = ::GetDlgItem(dlg, id);
    ::PostMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindowOf(dlg) == control; }, 5000)) << id;
}
} // namespace

TEST_F(MainWindow, KeyboardAloneReachesEveryCommandAndTheArrowsStayInTheirRow)
{
    fw::CApartment com;
    HWND apply = ::GetDlgItem(dlg, IDC_APPLY);
    ASSERT_EQ(apply, FocusedWindowOf(dlg)) << "the focus does not start on the apply button";
    const Picture unfocusedLook = Capture(WindowRect(apply));

    // Tab once round, as the test saw it.
    std::vector<int> walk;
    for (HWND at = apply; walk.size() < 30;)
    {
        at = KeyToFocus(dlg, VK_TAB);
        walk.push_back(::GetDlgCtrlID(at));
        if (at == apply)
            break;
    }
    std::cout << "[measured] Tab from the apply button: " << ::testing::PrintToString(walk) << "\n";
    const std::vector<int> screenOrder = {
        IDC_MINIMIZE,       IDC_CLOSE,         IDC_LINK_RECOMMENDED, IDC_LINK_AHCI_SEARCH,
        IDC_VMEM_SYSTEM,    IDC_WSEARCH_OFF,   IDC_SYSMAIN_OFF,      IDC_TRIM_ON,
        IDC_LASTACCESS_OFF, IDC_HIBERNATE_OFF, IDC_DEFRAG_OFF,       IDC_LINK_POWER,
        IDC_POWER_ON,       IDC_GUIBOOT_OFF,   IDC_LINK_BLOG,        IDC_APPLY};
    EXPECT_EQ(screenOrder, walk);
    // The keyboard was used: the button with the focus shows it.
    EXPECT_TRUE(WaitUntil([&] { return !Capture(WindowRect(apply)).SameAs(unfocusedLook); }, 5000))
        << "no focus to be seen on the apply button";

    // The arrows move inside a row, wherever they start: a radio button, the close button.
    std::set<int> expected = kRecommended;
    FocusOn(dlg, IDC_VMEM_SYSTEM);
    EXPECT_EQ(IDC_VMEM_OFF, ::GetDlgCtrlID(KeyToFocus(dlg, VK_UP)));
    FocusOn(dlg, IDC_GUIBOOT_OFF);
    EXPECT_EQ(IDC_GUIBOOT_ON, ::GetDlgCtrlID(KeyToFocus(dlg, VK_DOWN)));
    expected.erase(IDC_VMEM_SYSTEM), expected.insert(IDC_VMEM_OFF);
    expected.erase(IDC_GUIBOOT_OFF), expected.insert(IDC_GUIBOOT_ON);
    FocusOn(dlg, IDC_CLOSE);
    for (WORD vk : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_UP})
        PostKey(::GetDlgItem(dlg, IDC_CLOSE), vk);
    ASSERT_TRUE(PostedMessagesHandled(dlg));
    EXPECT_EQ(expected, CheckedRadios(dlg));

    // Space, then Enter, on "[추천 설정]" restore the recommendation.
    for (WORD vk : {VK_SPACE, VK_RETURN})
    {
        FocusOn(dlg, IDC_LINK_RECOMMENDED);
        PostKey(::GetDlgItem(dlg, IDC_LINK_RECOMMENDED), vk);
        EXPECT_TRUE(WaitUntil([&] { return CheckedRadios(dlg) == kRecommended; }, 5000)) << vk;
        FocusOn(dlg, IDC_TRIM_ON);
        KeyToFocus(dlg, VK_RIGHT);
        ASSERT_NE(kRecommended, CheckedRadios(dlg));
    }
    EXPECT_FALSE(run.Exited()) << "Enter closed the dialog";

    // Heard with its row; a link as a link that is followed.
    EXPECT_EQ(L"Windows Search: 사용 안함", Heard(::GetDlgItem(dlg, IDC_WSEARCH_OFF)));
    HWND link = ::GetDlgItem(dlg, IDC_LINK_RECOMMENDED);
    EXPECT_EQ(L"[추천 설정]", Heard(link));
    EXPECT_EQ(L"이동", Heard(link, &IAccessible::get_accDefaultAction));
    EXPECT_EQ(L"Pellix SSD 최적화 로고", Heard(::GetDlgItem(dlg, IDC_LOGO)));
}

// Wine cannot switch high-contrast mode on: the test build takes a registry value for it (see
// tests/support/e2eexe). The colours are a black high-contrast scheme, which Wine reads when a
// program starts. The window follows the mode both ways while it runs.
TEST(HighContrast, TheWindowDrawsInTheSchemesColoursAndFollowsTheMode)
{
    const char* const colours[][2] = {
        {"Window", "0 0 0"},          {"WindowText", "255 255 255"},     {"ActiveTitle", "0 0 128"},
        {"TitleText", "255 255 255"}, {"HotTrackingColor", "255 255 0"}, {"ButtonFace", "0 0 0"},
        {"ButtonText", "255 255 255"}};
    std::vector<std::unique_ptr<CScopedRegValue>> scheme;
    for (const auto& c : colours)
        scheme.push_back(std::make_unique<CScopedRegValue>(HKEY_CURRENT_USER,
                                                           "Control Panel\\Colors", c[0], c[1]));
    ProgramServer server;
    ProgramRun run;
    MoveTo(POINT{0, 0}); // no button lit by a pointer an earlier test left there
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);
    const auto count = [&](int id, Rgb colour)
    { return Capture(WindowRect(::GetDlgItem(dlg, id))).Count(colour); };
    const Rgb black = {0, 0, 0}, white = {255, 255, 255}, yellow = {255, 255, 0};
    for (bool on : {true, false})
    {
        SCOPED_TRACE(on ? "mode on" : "mode off");
        CScopedRegValue mode(HKEY_CURRENT_USER, "Software\\DADAROR test", "HighContrast",
                             testsupport::RegData::Dword(on ? 1 : 0));
        // As the system tells every window (a pointer message: it cannot be posted).
        ASSERT_TRUE(::SendMessageTimeoutA(dlg, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0,
                                          SMTO_ABORTIFHUNG, 5000, nullptr));
        EXPECT_TRUE(WaitForPixel(dlg, 2, 300, on ? black : kWhite, 5000));
        EXPECT_TRUE(WaitForPixel(dlg, 300, 5, on ? Rgb{0, 0, 128} : kFrame, 5000));
        // The texts the scheme's white hides on the program's own white surface (off: it does,
        // as the program is at default settings): a caption, a radio button's text, a
        // description; the links in the scheme's link colour.
        for (int id : {IDC_CAPTION_VMEM, IDC_WSEARCH_OFF, IDC_TEXT_SYSMAIN})
            EXPECT_TRUE(!on || WaitUntil([&] { return count(id, white) > 20; }, 5000)) << id;
        const Rgb link = on ? yellow : Rgb{0, 0, 255};
        EXPECT_TRUE(WaitUntil([&] { return count(IDC_LINK_RECOMMENDED, link) > 20; }, 5000));
        EXPECT_TRUE(WaitUntil(
            [&] {
                return (count(IDC_APPLY, Rgb{153, 153, 153}) == 0) == on;
            },
            5000))
            << "the apply button's picture";
        SaveScreenshot(on ? "high-contrast-on" : "high-contrast-off", dlg);
    }
    ExpectClosesCleanly(run, dlg);
}
