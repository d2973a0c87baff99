// A 32-bit top-down DIB section: pictures the tests draw or copy and read pixel by pixel.
#pragma once

#include <windows.h>

namespace testsupport
{

// cx x cy pixels at *bits, one DWORD (0x00RRGGBB) each, the top row first.
inline HBITMAP CreateDib32(int cx, int cy, void** bits)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    return ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

} // namespace testsupport
