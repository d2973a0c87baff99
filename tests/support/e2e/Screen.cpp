// Pictures as the display shows them: the program draws its own frame and band, so tests read
// pixels from the screen rather than asking the program.
#include "e2e/E2e.h"

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

std::string SaveScreenshot(const std::string& name, HWND hwnd)
{
    RECT r = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (hwnd)
    {
        RECT w = WindowRect(hwnd);
        // Only the part on the screen can be read.
        ::IntersectRect(&r, &r, &w);
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
} // namespace e2e
