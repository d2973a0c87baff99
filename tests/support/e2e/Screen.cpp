// Pictures as the display shows them: the program draws its own frame and band, so tests read
// pixels from the screen rather than asking the program.
#include "e2e/E2e.h"
#include "common/Dib.h"

#include <algorithm>
#include <cstdio>

namespace e2e
{
std::string ToString(const Rgb& c)
{
    char buf[32];
    std::snprintf(buf, sizeof(buf), "RGB(%u,%u,%u)", c.r, c.g, c.b);
    return buf;
}

int Picture::Count(Rgb colour) const
{
    int n = 0;
    for (int y = 0; y < m_h; ++y)
        for (int x = 0; x < m_w; ++x)
            n += At(x, y) == colour;
    return n;
}

Rgb Picture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return {0, 0, 0};
    const uint8_t* p = &m_bgr[(static_cast<size_t>(y) * m_w + x) * 3];
    return {p[2], p[1], p[0]};
}

bool Picture::SaveBmp(const std::string& winPath) const
{
    const int stride = (m_w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof(ih);
    ih.biWidth = m_w;
    ih.biHeight = m_h; // bottom-up, as every viewer expects
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = stride * m_h;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    FILE* f = std::fopen(winPath.c_str(), "wb");
    if (!f)
        return false;
    std::fwrite(&fh, sizeof(fh), 1, f);
    std::fwrite(&ih, sizeof(ih), 1, f);
    std::vector<uint8_t> row(stride, 0);
    for (int y = m_h - 1; y >= 0; --y)
    {
        std::copy_n(&m_bgr[static_cast<size_t>(y) * m_w * 3], m_w * 3, row.begin());
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

Picture Capture(const RECT& r)
{
    Picture pic;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return pic;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits)
    {
        HGDIOBJ old = ::SelectObject(mem, dib);
        ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        const int stride = (w * 3 + 3) & ~3;
        pic.m_w = w;
        pic.m_h = h;
        pic.m_bgr.resize(static_cast<size_t>(w) * h * 3);
        for (int y = 0; y < h; ++y)
            std::copy_n(static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * stride, w * 3,
                        &pic.m_bgr[static_cast<size_t>(y) * w * 3]);
        ::SelectObject(mem, old);
    }
    if (dib)
        ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return pic;
}

Rgb PixelAt(HWND hwnd, int x, int y)
{
    POINT p = WindowPoint(hwnd, x, y);
    return Capture(RECT{p.x, p.y, p.x + 1, p.y + 1}).At(0, 0);
}

bool WaitForPixel(HWND hwnd, int x, int y, Rgb expected, DWORD timeoutMs)
{
    return WaitUntil([&] { return PixelAt(hwnd, x, y) == expected; }, timeoutMs, 30);
}

bool Painted(HWND hwnd)
{
    if (!::IsWindowVisible(hwnd) || ::GetUpdateRect(hwnd, nullptr, FALSE))
        return false;
    for (HWND child = ::GetWindow(hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE))
            return false;
    return true;
}

std::string SaveScreenshot(const std::string& name, HWND hwnd)
{
    RECT r = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (hwnd)
    {
        RECT w = WindowRect(hwnd);
        // Only the part on the screen can be read.
        ::IntersectRect(&r, &r, &w);
        // A window that has just been shown may not have drawn its contents yet: two reads of
        // an empty frame look alike too. Wait until it and its controls have nothing left to
        // paint; the screen follows a moment later, which the two reads below wait out.
        WaitUntil([&] { return Painted(hwnd); }, 5000);
    }
    // Let the painting settle: the picture must stay the same over two reads.
    Picture last = Capture(r);
    WaitUntil(
        [&]
        {
            Picture now = Capture(r);
            const bool same = now.SameAs(last);
            last = std::move(now);
            return same;
        },
        3000, 150);
    const std::string dir = BuildDir() + "\\screenshots";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string path = dir + "\\" + name + ".bmp";
    return last.SaveBmp(path) ? path : std::string();
}

// The picture of a standard icon drawn on `background`, for comparison with the screen.
namespace
{
std::vector<Rgb> IconPicture(LPCSTR icon, Rgb background, int size)
{
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = testsupport::CreateDib32(size, size, &bits);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    HBRUSH brush = ::CreateSolidBrush(RGB(background.r, background.g, background.b));
    RECT all = {0, 0, size, size};
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::DrawIconEx(dc, 0, 0, ::LoadIconA(nullptr, icon), size, size, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    std::vector<Rgb> picture;
    const auto* px = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < size * size; ++i)
        picture.push_back({px[i * 4 + 2], px[i * 4 + 1], px[i * 4]});
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return picture;
}

} // namespace

// Which standard icon the box shows: the one whose picture matches its icon control on the screen
// ("" when no icon control or none matches).
std::string StandardIconOf(HWND box)
{
    HWND iconControl = nullptr;
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == "Static" && (::GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            ::IsWindowVisible(c))
            iconControl = c;
    if (!iconControl)
        return "";
    const int size = ::GetSystemMetrics(SM_CXICON);
    RECT r = WindowRect(iconControl);
    r.right = r.left + size;
    r.bottom = r.top + size;
    const struct
    {
        const char* name;
        LPCSTR id;
    } icons[] = {{"information", IDI_INFORMATION},
                 {"question", IDI_QUESTION},
                 {"warning", IDI_WARNING},
                 {"error", IDI_ERROR}};
    std::string match;
    WaitUntil(
        [&]
        {
            // The box's own surface left of the icon, read with the picture: the box may still be
            // painting itself.
            const Rgb background =
                PixelAt(box, 3, WindowRect(iconControl).top - WindowRect(box).top);
            const Picture shown = Capture(r);
            for (const auto& icon : icons)
            {
                const std::vector<Rgb> expected = IconPicture(icon.id, background, size);
                bool same = shown.Width() == size && shown.Height() == size;
                for (int i = 0; same && i < size * size; ++i)
                    same = shown.At(i % size, i / size) == expected[i];
                if (same)
                {
                    match = icon.name;
                    return true;
                }
            }
            return false;
        },
        3000, 50);
    if (match.empty())
        SaveScreenshot("startup-box-without-known-icon", box);
    return match;
}
} // namespace e2e
