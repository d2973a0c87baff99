// The main dialog as the user sees it: label colours, the title on the band, the logo, and the
// faces of the three skinned buttons at rest, under the pointer and held down, all read back from
// the screen while the real pointer moves (SendInput).
#include "e2e/Checks.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using namespace e2e;

namespace
{
// How long a wrong change of face would take to show up, when we check that none comes.

const Rgb kBand = kFrame;
const Rgb kApplyGrey = {153, 153, 153};
const Rgb kApplyBlue = {0, 113, 188};
const Rgb kAhciRed = {250, 0, 0};
const Rgb kLinkBlue = {0, 0, 255};

// Placement of the skinned buttons and the logo in the window (client origin = window origin).
struct Place
{
    int id, x, y, w, h, normalBitmap, hoverBitmap;
};
const Place kApply = {IDC_APPLY, 330, 592, 180, 40, IDB_APPLY_NORMAL, IDB_APPLY_HOVER};
const Place kMinimise = {IDC_MINIMIZE, 605, 15, 20, 20, IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_HOVER};
const Place kClose = {IDC_CLOSE, 630, 15, 20, 20, IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER};

// A bitmap of the program's resources (linked into this test), read as plain pixels.
struct Face
{
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Rgb At(int x, int y) const { return px[size_t(y) * w + x]; }
};

Face LoadFace(int bitmapId)
{
    Face face;
    HBITMAP bmp =
        static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp)
        return face;
    BITMAP info{};
    ::GetObjectA(bmp, sizeof info, &info);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bgra(size_t(info.bmWidth) * info.bmHeight * 4);
    HDC dc = ::GetDC(nullptr);
    const int rows = ::GetDIBits(dc, bmp, 0, info.bmHeight, bgra.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(bmp);
    if (rows != info.bmHeight)
        return face;
    face.w = info.bmWidth;
    face.h = info.bmHeight;
    for (size_t i = 0; i < bgra.size(); i += 4)
        face.px.push_back(Rgb{bgra[i + 2], bgra[i + 1], bgra[i]});
    return face;
}

// The screen picture of a rectangle given in window coordinates.
Picture CaptureWindowRect(HWND hwnd, int x, int y, int w, int h)
{
    const POINT tl = WindowPoint(hwnd, x, y);
    return Capture(RECT{tl.x, tl.y, tl.x + w, tl.y + h});
}

// Compares `shot` with `face` drawn at (dx, dy) inside it; only the overlapping part counts.
// Empty when alike, else the number of differing pixels and the first one.
std::string Differences(const Picture& shot, const Face& face, int dx = 0, int dy = 0)
{
    int count = 0;
    std::ostringstream first;
    for (int y = 0; y < face.h; ++y)
        for (int x = 0; x < face.w; ++x)
        {
            const int sx = x + dx, sy = y + dy;
            if (sx < 0 || sy < 0 || sx >= shot.Width() || sy >= shot.Height())
                continue;
            if (shot.At(sx, sy) != face.At(x, y) && count++ == 0)
                first << "first at (" << sx << "," << sy << "): " << ToString(shot.At(sx, sy))
                      << " instead of " << ToString(face.At(x, y));
        }
    if (count == 0)
        return {};
    return std::to_string(count) + " pixels differ, " + first.str();
}

// Waits until the button's rectangle on the screen shows `face` (shifted by dx, dy); the last
// difference on time-out.
std::string WaitForFace(HWND dlg, const Place& p, const Face& face, DWORD timeoutMs, int dx = 0,
                        int dy = 0)
{
    std::string diff = "never captured";
    WaitUntil(
        [&]
        {
            diff = Differences(CaptureWindowRect(dlg, p.x, p.y, p.w, p.h), face, dx, dy);
            return diff.empty();
        },
        timeoutMs);
    return diff;
}

// A control's rectangle in window coordinates of the dialog.
RECT ControlRect(HWND dlg, int id)
{
    RECT r = WindowRect(::GetDlgItem(dlg, id));
    const RECT d = WindowRect(dlg);
    ::OffsetRect(&r, -d.left, -d.top);
    return r;
}

// Waits until the rectangle (window coordinates) shows at least `atLeast` pixels of `colour`;
// the count last seen.
int WaitForCount(HWND dlg, const RECT& r, Rgb colour, int atLeast, DWORD timeoutMs)
{
    int n = 0;
    WaitUntil(
        [&]
        {
            n = CaptureWindowRect(dlg, r.left, r.top, r.right - r.left, r.bottom - r.top)
                    .Count(colour);
            return n >= atLeast;
        },
        timeoutMs);
    return n;
}

// The pixels of a cursor's mask and colour bitmaps and its hot spot, to tell two cursor handles of
// the same picture; empty when the handle cannot be read from this process.
std::vector<uint8_t> CursorImage(HCURSOR cursor)
{
    ICONINFO info{};
    if (!cursor || !::GetIconInfo(cursor, &info))
        return {};
    std::vector<uint8_t> image = {uint8_t(info.xHotspot), uint8_t(info.yHotspot)};
    for (HBITMAP bmp : {info.hbmMask, info.hbmColor})
    {
        if (!bmp)
            continue;
        BITMAP b{};
        ::GetObjectA(bmp, sizeof b, &b);
        std::vector<uint8_t> bits(size_t(b.bmWidthBytes) * b.bmHeight);
        ::GetBitmapBits(bmp, LONG(bits.size()), bits.data());
        image.insert(image.end(), bits.begin(), bits.end());
        ::DeleteObject(bmp);
    }
    return image;
}

// A spot on the screen away from the dialog, where the pointer rests between and after the tests.
POINT AwayFrom(HWND dlg)
{
    const RECT r = WindowRect(dlg);
    return r.left > 40 ? POINT{r.left / 2, r.top + 300} : POINT{r.right + 20, r.top + 300};
}

// An apply that got started: its first step's marker, or a second window of the program.
bool ApplyStarted(ProgramRun& run)
{
    return run.HasMarker("VMem") || TopWindowsOf(run.Pid(), true).size() != 1;
}

class Pictures : public MainDialogTest
{
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        if (HasFatalFailure())
            return;
        ::SetForegroundWindow(dlg);
        away = AwayFrom(dlg);
        MoveTo(away);
    }

    void TearDown() override
    {
        if (dlg)
            MoveTo(AwayFrom(dlg));
        // A test that stopped with the button held lets it go away from the window, so the
        // release clicks nothing and the next test starts with the button up.
        if (::GetAsyncKeyState(VK_LBUTTON) & 0x8000)
            MouseUp();
    }

    POINT away{};
};
} // namespace

TEST_F(Pictures, LabelsShowTheirColours)
{
    // The AHCI line: the controller under Wine is not in AHCI mode, so the text is red, never blue.
    {
        SCOPED_TRACE("AHCI label 1000");
        const RECT r = ControlRect(dlg, IDC_AHCI_STATE);
        // Controls paint after the band and the frame: wait for the text.
        ASSERT_GE(WaitForCount(dlg, r, kAhciRed, 30, 5000), 30) << "too few pixels of RGB(250,0,0)";
        const Picture pic =
            CaptureWindowRect(dlg, r.left, r.top, r.right - r.left, r.bottom - r.top);
        EXPECT_EQ(pic.Count(Rgb{0, 0, 250}), 0) << "drawn in the enabled state's blue";
        EXPECT_EQ(pic.Count(kLinkBlue), 0);
    }

    // Links in pure blue. Their underline is not looked for: in the test prefix's font the
    // lettering fills the 12 and 13 pixel high labels to the last row, and the underline falls
    // below them.
    for (int id : {IDC_LINK_BLOG, IDC_LINK_AHCI_SEARCH, IDC_LINK_RECOMMENDED})
    {
        SCOPED_TRACE("link " + std::to_string(id));
        const RECT r = ControlRect(dlg, id);
        EXPECT_GE(WaitForCount(dlg, r, kLinkBlue, 30, 5000), 30)
            << "too few pixels of RGB(0,0,255)";
        const Picture pic =
            CaptureWindowRect(dlg, r.left, r.top, r.right - r.left, r.bottom - r.top);
        EXPECT_EQ(pic.Count(kAhciRed), 0);
    }
}

TEST_F(Pictures, TitleIsWhiteOnTheBandAndTheLogoSitsAtItsPlace)
{
    // Title label 1044: white lettering straight on the band, nothing but band grey, white and the
    // greys of the smoothing between them.
    const RECT r = ControlRect(dlg, IDC_TITLE);
    ASSERT_EQ(r.left, 50);
    ASSERT_EQ(r.top, 15);
    const RECT inBand = {r.left, r.top, r.right, std::min<LONG>(r.bottom, 51)};
    EXPECT_GE(WaitForCount(dlg, inBand, kWhite, 80, 5000), 80)
        << "the title has too few white pixels";
    const Picture title =
        CaptureWindowRect(dlg, r.left, r.top, r.right - r.left, inBand.bottom - r.top);
    int foreign = 0;
    std::string firstForeign;
    for (int y = 0; y < title.Height(); ++y)
        for (int x = 0; x < title.Width(); ++x)
        {
            const Rgb c = title.At(x, y);
            // Between band and white, and as grey as the band itself (a coloured fringe would not
            // be).
            const bool between = c.r >= kBand.r && c.g >= kBand.g && c.b >= kBand.b;
            const bool grey =
                std::abs(int(c.r) - int(c.b)) <= 6 && std::abs(int(c.g) - int(c.b)) <= 6;
            if (!(between && grey) && foreign++ == 0)
                firstForeign = "(" + std::to_string(x + r.left) + "," + std::to_string(y + r.top) +
                               ") " + ToString(c);
        }
    EXPECT_EQ(foreign, 0) << "pixels of other colours in the title, first " << firstForeign;

    // The logo: bitmap 149 exactly at 5,7.
    const Face logo = LoadFace(IDB_LOGO);
    ASSERT_EQ(logo.w, 36);
    ASSERT_EQ(logo.h, 36);
    std::string diff;
    WaitUntil(
        [&]
        {
            diff = Differences(CaptureWindowRect(dlg, 5, 7, 36, 36), logo);
            return diff.empty();
        },
        5000);
    EXPECT_TRUE(diff.empty()) << "logo at 5,7: " << diff;
    SaveScreenshot("pictures-main-at-rest", dlg);
}

TEST_F(Pictures, ApplyButtonLightsUnderThePointerAndShiftsWhileHeld)
{
    const Face normal = LoadFace(kApply.normalBitmap), hover = LoadFace(kApply.hoverBitmap);
    ASSERT_EQ(normal.w, 180);
    ASSERT_EQ(hover.w, 180);
    ASSERT_TRUE(WaitForPixel(dlg, 335, 597, kApplyGrey, 5000)) << ToString(PixelAt(dlg, 335, 597));
    std::string diff = WaitForFace(dlg, kApply, normal, 5000);
    ASSERT_TRUE(diff.empty()) << "at rest: " << diff;

    const POINT centre = ControlCenter(dlg, kApply.id);
    // Two steps onto the button: a move that ends where the pointer already is reports nothing.
    MoveTo({centre.x - 4, centre.y - 2});
    MoveTo(centre);
    ASSERT_TRUE(WaitForPixel(dlg, 335, 597, kApplyBlue, 5000))
        << "the pointer over it did not light it";
    diff = WaitForFace(dlg, kApply, hover, 5000);
    EXPECT_TRUE(diff.empty()) << "hovered: " << diff;
    SaveScreenshot("pictures-apply-hovered", dlg);

    MoveTo(away);
    EXPECT_TRUE(WaitForPixel(dlg, 335, 597, kApplyGrey, 5000))
        << "still lit after the pointer left";
    diff = WaitForFace(dlg, kApply, normal, 5000);
    EXPECT_TRUE(diff.empty()) << "after leaving: " << diff;

    // Held down: the lit face one pixel right and one down.
    MoveTo(centre);
    ASSERT_TRUE(WaitForPixel(dlg, 335, 597, kApplyBlue, 5000));
    MouseDown();
    diff = WaitForFace(dlg, kApply, hover, 5000, 1, 1);
    EXPECT_TRUE(diff.empty()) << "held: " << diff;
    SaveScreenshot("pictures-apply-held", dlg);

    // Leaving with the button held takes the press back: released outside, nothing is applied.
    MoveTo(POINT{centre.x, centre.y - 120});
    MoveTo(away);
    diff = WaitForFace(dlg, kApply, normal, 5000);
    EXPECT_TRUE(diff.empty()) << "held and dragged off: " << diff;
    MouseUp();
    // An apply starts in the release's own handling: once later input is handled, it shows.
    ASSERT_TRUE(InputHandled(dlg)) << "the dialog no longer takes input";
    EXPECT_FALSE(ApplyStarted(run)) << "a release outside started an apply";
    diff = WaitForFace(dlg, kApply, normal, 5000);
    EXPECT_TRUE(diff.empty()) << "after the release outside: " << diff;
}

TEST_F(Pictures, PressingElsewhereAndDraggingOntoTheApplyButtonDoesNotLightIt)
{
    const Face normal = LoadFace(kApply.normalBitmap), hover = LoadFace(kApply.hoverBitmap);
    ASSERT_TRUE(WaitForFace(dlg, kApply, normal, 5000).empty());
    const POINT centre = ControlCenter(dlg, kApply.id);

    // Pressed outside the window (the desktop), then onto the button with the button held.
    MouseDown();
    for (int i = 1; i <= 8; ++i)
        MoveTo(POINT{away.x + (centre.x - away.x) * i / 8, away.y + (centre.y - away.y) * i / 8});
    // The press really is held over the button and nothing else took the pointer (no window drag).
    const RECT start = WindowRect(dlg);
    ASSERT_EQ(::WindowFromPoint(centre), ::GetDlgItem(dlg, kApply.id));
    ASSERT_TRUE(::GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    // While the press is held nothing the program does shows that the moves were handled, so the
    // face is watched for as long as the other checks here allow a face to show (5 s): a button
    // that lights for the move repaints long before that.
    EXPECT_FALSE(WaitUntil(
        [&]
        {
            return !Differences(CaptureWindowRect(dlg, kApply.x, kApply.y, kApply.w, kApply.h),
                                normal)
                        .empty();
        },
        5000))
        << "lit by a press that began elsewhere";

    // Released there, the next move lights it; the release alone is no click.
    MouseUp();
    EXPECT_EQ(WindowRect(dlg).left, start.left);
    EXPECT_EQ(WindowRect(dlg).top, start.top);
    MoveTo(POINT{centre.x + 3, centre.y + 2});
    const std::string diff = WaitForFace(dlg, kApply, hover, 5000);
    EXPECT_TRUE(diff.empty()) << "not lit by a move after the release: " << diff;
    // That move came after the release: an apply the release had started would show now.
    EXPECT_FALSE(ApplyStarted(run)) << "a release without a press applied";
}

TEST_F(Pictures, MinimiseAndCloseButtonsLightUnderThePointer)
{
    const Face minNormal = LoadFace(kMinimise.normalBitmap),
               minHover = LoadFace(kMinimise.hoverBitmap);
    const Face closeNormal = LoadFace(kClose.normalBitmap),
               closeHover = LoadFace(kClose.hoverBitmap);
    ASSERT_EQ(minNormal.w, 20);
    ASSERT_EQ(closeHover.w, 20);
    std::string diff = WaitForFace(dlg, kMinimise, minNormal, 5000);
    EXPECT_TRUE(diff.empty()) << "minimise at rest: " << diff;
    diff = WaitForFace(dlg, kClose, closeNormal, 5000);
    EXPECT_TRUE(diff.empty()) << "close at rest: " << diff;

    MoveTo(ControlCenter(dlg, kMinimise.id));
    diff = WaitForFace(dlg, kMinimise, minHover, 5000);
    EXPECT_TRUE(diff.empty()) << "minimise hovered: " << diff;
    EXPECT_TRUE(
        Differences(CaptureWindowRect(dlg, kClose.x, kClose.y, kClose.w, kClose.h), closeNormal)
            .empty());

    // Straight from one to its neighbour: the one left goes out, the one entered lights.
    MoveTo(ControlCenter(dlg, kClose.id));
    diff = WaitForFace(dlg, kClose, closeHover, 5000);
    EXPECT_TRUE(diff.empty()) << "close hovered: " << diff;
    diff = WaitForFace(dlg, kMinimise, minNormal, 5000);
    EXPECT_TRUE(diff.empty()) << "minimise after the pointer went to close: " << diff;
    SaveScreenshot("pictures-close-hovered", dlg);

    MoveTo(away);
    diff = WaitForFace(dlg, kClose, closeNormal, 5000);
    EXPECT_TRUE(diff.empty()) << "close after the pointer left: " << diff;
    EXPECT_FALSE(run.Exited());
    EXPECT_FALSE(::IsIconic(dlg));
}

// The cursor the user sees. Under Wine every process loads its own copy of a system cursor (other
// handle values, and the picture cannot be read from here), so the hand is recognised as the one
// cursor that both links show and that neither the free surface nor a plain caption shows.
TEST_F(Pictures, LinksShowTheirOwnCursorAndPlainTextDoesNot)
{
    auto current = []
    {
        CURSORINFO ci{sizeof ci};
        return ::GetCursorInfo(&ci) ? ci.hCursor : HCURSOR(nullptr);
    };
    // Waits until the cursor has settled on one handle at `spot` (two reads alike, a move apart).
    auto cursorAt = [&](POINT spot)
    {
        MoveTo(POINT{spot.x + 1, spot.y});
        MoveTo(spot);
        HCURSOR seen = nullptr;
        WaitUntil(
            [&]
            {
                HCURSOR before = seen;
                seen = current();
                return seen && seen == before;
            },
            2000, 100);
        return seen;
    };

    const HCURSOR surface = cursorAt(WindowPoint(dlg, 300, 62));
    ASSERT_TRUE(surface);
    const auto blog = ClickablePointOf(dlg, IDC_LINK_BLOG),
               search = ClickablePointOf(dlg, IDC_LINK_AHCI_SEARCH),
               caption = ClickablePointOf(dlg, IDC_AHCI_STATE);
    ASSERT_TRUE(blog && search && caption) << "a label is covered";

    HCURSOR onBlog = nullptr;
    MoveTo(*blog);
    EXPECT_TRUE(WaitUntil([&] { return (onBlog = current()) != surface && onBlog; }, 5000))
        << "the blog link shows the surface's cursor " << surface;
    EXPECT_EQ(cursorAt(*search), onBlog) << "the two links show different cursors";
    EXPECT_EQ(cursorAt(*caption), surface) << "the AHCI caption shows a cursor of its own";
    EXPECT_EQ(cursorAt(WindowPoint(dlg, 300, 62)), surface)
        << "the link's cursor stayed on the surface";
}
