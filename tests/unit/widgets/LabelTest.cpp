// The label: its font and colour description, the colour notification that makes it draw its
// own way over the parent, repaints without remnants, the hover cursor and the click.
#include "WidgetHarness.h"
#include "common/Paths.h"
#include "framework/DialogLayout.h"
#include "recorder/RecorderLog.h"
#include "widgets/Label.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using widgettest::CTestParent;
using widgettest::PixelAt;
using widgettest::PumpUntil;
using widgettest::PumpUntilIdle;

namespace
{

const COLORREF kParentColour = RGB(0, 128, 64);
const int kLabelId = 1039;

LOGFONTW DescriptionOf(HFONT font)
{
    LOGFONTW lf = {};
    ::GetObjectW(font, sizeof(lf), &lf);
    return lf;
}

// The font object and the control's font are the label's description, after every setter.
void ExpectFontMatches(const CLabel& label)
{
    LOGFONTW actual = DescriptionOf(label.GetFont());
    const LOGFONTW& wanted = label.GetLogFont();
    EXPECT_EQ(wanted.lfHeight, actual.lfHeight);
    EXPECT_EQ(wanted.lfWeight, actual.lfWeight);
    EXPECT_EQ(wanted.lfUnderline, actual.lfUnderline);
    EXPECT_STREQ(wanted.lfFaceName, actual.lfFaceName);
    if (label.m_hWnd)
        EXPECT_EQ(reinterpret_cast<LRESULT>(label.GetFont()),
                  ::SendMessageA(label.m_hWnd, WM_GETFONT, 0, 0));
}

// Columns of a rectangle of the parent where some pixel differs from the parent's colour.
int ColumnsWithInk(HWND parent, const RECT& rc)
{
    widgettest::CSnapshot shot(parent);
    int columns = 0;
    for (int x = rc.left; x < rc.right; ++x)
    {
        for (int y = rc.top; y < rc.bottom; ++y)
        {
            if (shot.At(x, y) != kParentColour)
            {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

int RowsWithColour(HWND parent, const RECT& rc, COLORREF colour)
{
    widgettest::CSnapshot shot(parent);
    int rows = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
    {
        for (int x = rc.left; x < rc.right; ++x)
        {
            if (shot.At(x, y) == colour)
            {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

RECT ChildRect(HWND parent, HWND child)
{
    RECT rc;
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

} // namespace

TEST(Label, NewLabelHasTheDefaultGuiFontAndWindowTextColour)
{
    CLabel label;
    LOGFONTW gui = DescriptionOf(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(0, std::memcmp(&gui, &label.GetLogFont(), sizeof(gui)));
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), label.GetForeColor());
    ASSERT_NE(nullptr, label.GetFont());
    ExpectFontMatches(label);
    EXPECT_EQ(nullptr, label.GetHoverCursor());
    // At another DPI the GUI font keeps its 96-DPI height: Windows makes it from 8 points (-11 at
    // 96 DPI, -13 at 120), Wine scales -12.
    const LONG heights[][3] = {{-13, 120, -11}, {-16, 144, -11}, {-19, 168, -11},
                               {-15, 120, -12}, {-18, 144, -12}, {-12, 96, -12}};
    for (const auto& h : heights)
        EXPECT_EQ(h[2], fw::HeightAt96Dpi(h[0], int(h[1]))) << h[0] << " at " << h[1] << " DPI";
}

TEST(Label, SettersChangeTheDescriptionRebuildTheFontAndChain)
{
    CTestParent parent(kParentColour, 40, 40, 300, 120);
    CLabel label;
    ASSERT_TRUE(
        label.SubclassWindow(parent.AddChild("Static", "label", SS_LEFT, 10, 10, 200, 40, 1)));

    HFONT before = label.GetFont();
    EXPECT_EQ(&label, &label.SetBold(2));
    EXPECT_EQ(700, label.GetLogFont().lfWeight);
    EXPECT_NE(before, label.GetFont());
    ExpectFontMatches(label);
    label.SetBold(0);
    EXPECT_EQ(400, label.GetLogFont().lfWeight);
    ExpectFontMatches(label);

    EXPECT_EQ(&label, &label.SetCharHeight(20));
    EXPECT_EQ(-20, label.GetLogFont().lfHeight);
    ExpectFontMatches(label);

    EXPECT_EQ(&label, &label.SetFaceName("돋움"));
    EXPECT_STREQ(L"돋움", label.GetLogFont().lfFaceName);
    // A name longer than the field is cut, never written past it.
    std::string longName(40, 'A');
    label.SetFaceName(longName.c_str());
    EXPECT_EQ(std::wstring(31, L'A'), label.GetLogFont().lfFaceName);

    // The main dialog's link chain.
    HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    CLabel& chained = label.SetClickable(TRUE)
                          .SetForeColor(RGB(0, 0, 255))
                          .SetUnderline(TRUE)
                          .SetHoverCursor(hand);
    EXPECT_EQ(&label, &chained);
    EXPECT_EQ(RGB(0, 0, 255), label.GetForeColor());
    EXPECT_EQ(1, label.GetLogFont().lfUnderline);
    EXPECT_EQ(hand, label.GetHoverCursor());
    EXPECT_TRUE(label.GetStyle() & SS_NOTIFY);
    ExpectFontMatches(label);
    label.SetClickable(FALSE);
    EXPECT_FALSE(label.GetStyle() & SS_NOTIFY);
}

TEST(Label, ColourNotificationSelectsFontColourAndHollowBackground)
{
    CLabel label;
    label.SetForeColor(RGB(12, 34, 56)).SetBold(TRUE);
    fw::CMemoryDC dc(::CreateCompatibleDC(nullptr));
    ::SetBkMode(dc.Get(), OPAQUE);
    LRESULT result = 0;
    ASSERT_TRUE(
        label.OnChildNotify(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), 0, &result));
    EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), result);
    EXPECT_EQ(label.GetFont(), ::GetCurrentObject(dc.Get(), OBJ_FONT));
    EXPECT_EQ(RGB(12, 34, 56), ::GetTextColor(dc.Get()));
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc.Get()));
    ::SelectObject(dc.Get(), ::GetStockObject(SYSTEM_FONT));

    result = 0x5A5A;
    EXPECT_FALSE(
        label.OnChildNotify(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc.Get()), 0, &result));
    EXPECT_FALSE(label.OnChildNotify(WM_DRAWITEM, 0, 0, &result));
    EXPECT_EQ(0x5A5A, result);
}

// What reaches the screen: the label's own colour and font (even when the control was given
// another font, as a dialog gives every control its font), on the parent's background.
TEST(Label, DrawsItsOwnFontAndColourOverTheParent)
{
    CTestParent parent(kParentColour, 40, 200, 400, 120);
    HWND stat = parent.AddChild("Static", "Ag Pellix", SS_LEFT, 10, 10, 300, 60, 1);
    fw::CFontHandle small(
        ::CreateFontA(-8, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
    ::SendMessageA(stat, WM_SETFONT, reinterpret_cast<WPARAM>(small.Get()), FALSE);
    CLabel label;
    ASSERT_TRUE(label.SubclassWindow(stat));
    const COLORREF ink = RGB(200, 0, 200);
    label.SetForeColor(ink).SetCharHeight(36);
    widgettest::PaintNow(parent.m_hWnd);

    RECT rc = ChildRect(parent.m_hWnd, stat);
    // The background stays the parent's.
    EXPECT_EQ(kParentColour, PixelAt(parent.m_hWnd, rc.right - 2, rc.bottom - 2));
    // Text of 36 pixels spans far more rows than the control's 8-pixel font could.
    EXPECT_GT(RowsWithColour(parent.m_hWnd, rc, ink), 20);
    label.UnsubclassWindow();
}

TEST(Label, ShorterTextLeavesNoTraceOfTheLongerOne)
{
    CTestParent parent(kParentColour, 40, 360, 400, 80);
    HWND stat = parent.AddChild("Static", "WWWWWWWWWWWWWWWWWWWW", SS_LEFT, 10, 10, 360, 30, 1);
    CLabel label;
    ASSERT_TRUE(label.SubclassWindow(stat));
    label.SetForeColor(RGB(0, 0, 0)).SetCharHeight(20);
    widgettest::PaintNow(parent.m_hWnd);
    RECT rc = ChildRect(parent.m_hWnd, stat);
    RECT right = rc;
    right.left += 60;
    ASSERT_GT(ColumnsWithInk(parent.m_hWnd, right), 100) << "the long text was not drawn";

    ::SetWindowTextA(stat, "I");
    // The parent and the label have been repainted before SetWindowTextA returned.
    EXPECT_EQ(0, ColumnsWithInk(parent.m_hWnd, right));
    EXPECT_GT(ColumnsWithInk(parent.m_hWnd, rc), 0) << "the new text is missing";
    label.UnsubclassWindow();
}

TEST(Label, HoverCursorIsShownOnlyWhileSet)
{
    CTestParent parent(kParentColour, 500, 40, 200, 60);
    HWND stat = parent.AddChild("Static", "link", SS_LEFT | SS_NOTIFY, 10, 10, 100, 20, 1);
    CLabel label;
    ASSERT_TRUE(label.SubclassWindow(stat));
    HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    label.SetHoverCursor(hand);
    ::SetCursor(arrow);
    EXPECT_EQ(TRUE, ::SendMessageA(stat, WM_SETCURSOR, reinterpret_cast<WPARAM>(stat),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(hand, ::GetCursor());

    label.SetHoverCursor(nullptr);
    ::SetCursor(arrow);
    ::SendMessageA(stat, WM_SETCURSOR, reinterpret_cast<WPARAM>(stat),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(hand, ::GetCursor());
    label.UnsubclassWindow();
}

namespace
{

// A working folder holding programs named after the link label's text (.bat and .cmd scripts,
// the recorder as .exe and .com): whoever "opens" that text through the shell runs one of them,
// and it leaves a line in the folder's log.
class PlantedFolder
{
public:
    PlantedFolder() : m_log(m_folder / "ran.log")
    {
        ::GetCurrentDirectoryA(MAX_PATH, m_previous);
        ::SetCurrentDirectoryA(m_folder.Path().c_str());
        ::SetEnvironmentVariableA(recorder::kLogVariable, m_log.c_str());
        const std::string base = m_folder / "[추천 설정]";
        for (const char* ext : {".bat", ".cmd"})
            std::ofstream(base + ext) << "@echo ran>>\"" << m_log << "\"\r\n";
        for (const char* ext : {".exe", ".com"})
            ::CopyFileA(testsupport::WinePath(RECORDER_UNIX_PATH).c_str(), (base + ext).c_str(),
                        FALSE);
    }
    ~PlantedFolder()
    {
        ::SetEnvironmentVariableA(recorder::kLogVariable, nullptr);
        ::SetCurrentDirectoryA(m_previous);
    }
    bool Ran() const { return Runs() > 0; }
    int Runs() const
    {
        std::ifstream in(m_log);
        int n = 0;
        for (std::string line; std::getline(in, line);)
            n += line.empty() ? 0 : 1;
        return n;
    }

private:
    testsupport::CTempFolder m_folder{"label-click"};
    std::string m_log;
    char m_previous[MAX_PATH] = {};
};

void Click(HWND hwnd)
{
    ::PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

} // namespace

// A click on a link only tells the parent; the label never hands its text to the shell, where a
// program of that name in the working folder would run with our rights.
TEST(Label, ClickNotifiesTheParentAndNeverOpensTheText)
{
    PlantedFolder folder;
    CTestParent parent(kParentColour, 500, 140, 200, 60);
    HWND stat = parent.AddChild("Static", "[추천 설정]", SS_LEFT, 10, 10, 100, 20, kLabelId);
    CLabel label;
    ASSERT_TRUE(label.SubclassWindow(stat));
    label.SetClickable(TRUE).SetForeColor(RGB(0, 0, 255)).SetUnderline(TRUE);

    Click(stat);
    EXPECT_TRUE(PumpUntil([&] { return parent.CountCommands(kLabelId, STN_CLICKED) == 1; }));
    ASSERT_TRUE(PumpUntilIdle());
    EXPECT_EQ(1, parent.CountCommands(kLabelId, STN_CLICKED));

    // The plant is real: opening the text through the shell does run it. A run the label had
    // asked for was started inside the click's handling, before this one, and the plant records
    // itself before anything else: once ours has ended, a second line would be there.
    SHELLEXECUTEINFOA run = {sizeof(run)};
    run.fMask = SEE_MASK_NOCLOSEPROCESS;
    run.lpVerb = "open";
    run.lpFile = "[추천 설정]";
    run.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(::ShellExecuteExA(&run) && run.hProcess) << "the planted program cannot be reached";
    const DWORD ended = ::WaitForSingleObject(run.hProcess, 60000);
    ::CloseHandle(run.hProcess);
    ASSERT_EQ(WAIT_OBJECT_0, ended) << "the planted program did not end";
    ASSERT_TRUE(folder.Ran()) << "the planted program did not record itself";
    EXPECT_EQ(1, folder.Runs()) << "the label's text was handed to the shell";
    label.UnsubclassWindow();
}

TEST(Label, LabelWithoutNotifyStyleDoesNotNotify)
{
    CTestParent parent(kParentColour, 500, 240, 200, 60);
    HWND stat = parent.AddChild("Static", "caption", SS_LEFT | SS_NOTIFY, 10, 10, 100, 20, 1001);
    CLabel label;
    ASSERT_TRUE(label.SubclassWindow(stat));
    label.SetClickable(FALSE).SetBold(TRUE);
    Click(stat);
    ASSERT_TRUE(PumpUntilIdle());
    EXPECT_EQ(0, parent.CountCommands(1001, STN_CLICKED));
    // Without SS_NOTIFY the control is transparent to the pointer: clicks go to the parent.
    EXPECT_EQ(HTTRANSPARENT, ::SendMessageA(stat, WM_NCHITTEST, 0, 0));
    label.UnsubclassWindow();
}
