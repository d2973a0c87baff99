// The program's bitmaps and icon as linked into the executable: sizes, 24-bit colour, the face
// colours the skinned buttons rely on, and no pixel of the transparent red anywhere.
#include "resource.h"

#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <set>

#include <vector>

namespace
{

struct Face
{
    UINT id;
    int width, height;
    COLORREF background;
};

// Reads a bitmap resource as it is stored (a DIB section keeps the file's depth and colours).
std::vector<COLORREF> LoadPixels(UINT id, BITMAP& info)
{
    fw::CBitmapHandle bmp(
        static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    std::vector<COLORREF> pixels;
    if (!bmp || ::GetObjectA(bmp.Get(), sizeof(info), &info) == 0 || !info.bmBits)
        return pixels;
    const BYTE* bits = static_cast<const BYTE*>(info.bmBits);
    for (int y = 0; y < info.bmHeight; ++y)
    {
        const BYTE* row = bits + (info.bmHeight - 1 - y) * info.bmWidthBytes;
        for (int x = 0; x < info.bmWidth; ++x)
            pixels.push_back(RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]));
    }
    return pixels;
}

} // namespace

TEST(Artwork, BitmapsHaveTheirSizeDepthFaceColourAndNoTransparentRed)
{
    const COLORREF band = RGB(88, 89, 91);
    const Face faces[] = {
        {IDB_CLOSE_NORMAL, 20, 20, band},
        {IDB_CLOSE_HOVER, 20, 20, band},
        {IDB_MINIMIZE_NORMAL, 20, 20, band},
        {IDB_MINIMIZE_HOVER, 20, 20, band},
        {IDB_APPLY_NORMAL, 180, 40, RGB(153, 153, 153)},
        {IDB_APPLY_HOVER, 180, 40, RGB(0, 113, 188)},
        {IDB_LOGO, 36, 36, band},
    };
    for (const Face& f : faces)
    {
        SCOPED_TRACE(f.id);
        BITMAP info = {};
        std::vector<COLORREF> px = LoadPixels(f.id, info);
        ASSERT_FALSE(px.empty());
        EXPECT_EQ(f.width, info.bmWidth);
        EXPECT_EQ(f.height, info.bmHeight);
        EXPECT_EQ(24, info.bmBitsPixel);
        // The face colour fills the corners' neighbourhood (the apply faces have a thin rim).
        int inset = f.width == 180 ? 2 : 0;
        EXPECT_EQ(f.background, px[inset * f.width + inset]);
        EXPECT_EQ(f.background, px[(f.height - 1 - inset) * f.width + (f.width - 1 - inset)]);
        int red = 0;
        for (COLORREF c : px)
            red += c == RGB(255, 0, 0) ? 1 : 0;
        EXPECT_EQ(0, red);
    }
}

TEST(Artwork, IconGroupHasTenImages)
{
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC res = ::FindResourceA(self, MAKEINTRESOURCEA(IDR_MAINFRAME),
                                MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    ASSERT_NE(nullptr, res);
    const BYTE* dir = static_cast<const BYTE*>(::LockResource(::LoadResource(self, res)));
    ASSERT_NE(nullptr, dir);
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    EXPECT_EQ(10, count);
    // The sizes the shell shows are drawn, not scaled: each has an image of its own in the group
    // (the loader would scale any other size it is asked for, so loading proves nothing).
    // Entries of 14 bytes follow the 6-byte header: width first, 0 meaning 256.
    std::set<int> widths;
    for (WORD i = 0; i < count; ++i)
    {
        const BYTE* entry = dir + 6 + i * 14;
        widths.insert(entry[0] == 0 ? 256 : entry[0]);
        EXPECT_EQ(entry[0], entry[1]) << "image " << i << " is not square";
    }
    for (int size : {16, 32, 48, 256})
        EXPECT_EQ(1u, widths.count(size)) << "no " << size << " x " << size << " image";
}
