// The fonts the dialog templates name: the size and face each was drawn with, and the default
// character set, so that Korean text gets a font that has its characters.
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

struct TemplateFont
{
    WORD points = 0;
    BYTE charset = 0xFF;
    std::wstring face;
};

// Skips a menu or class field: none, an ordinal, or a string.
const WORD* SkipNameOrOrdinal(const WORD* p)
{
    if (*p == 0)
        return p + 1;
    if (*p == 0xFFFF)
        return p + 2;
    while (*p)
        ++p;
    return p + 1;
}

bool ReadFont(UINT id, TemplateFont& font)
{
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    const WORD* p =
        info ? static_cast<const WORD*>(::LockResource(::LoadResource(instance, info))) : nullptr;
    if (!p || p[0] != 1 || p[1] != 0xFFFF)
        return false; // not an extended template
    DWORD style;
    std::memcpy(&style, p + 6, sizeof(style));
    if (!(style & DS_SETFONT))
        return false;
    p += 13;                  // version, signature, help id, extended style, style, count, rect
    p = SkipNameOrOrdinal(p); // menu
    p = SkipNameOrOrdinal(p); // class
    while (*p)                // title
        ++p;
    ++p;
    font.points = p[0];
    font.charset = reinterpret_cast<const BYTE*>(p + 2)[1];
    font.face = reinterpret_cast<const wchar_t*>(p + 3);
    return true;
}

TEST(TemplateFont, EveryTemplateUsesTheDefaultCharacterSet)
{
    const struct
    {
        UINT id;
        WORD points;
        const wchar_t* face;
    } templates[] = {{IDD_ABOUTBOX, 9, L"MS Shell Dlg"},
                     {IDD_SSD_DIALOG, 10, L"\xB3CB\xC6C0"}, // 돋움
                     {IDD_PROGRESS, 8, L"MS Shell Dlg"}};
    for (const auto& t : templates)
    {
        TemplateFont font;
        ASSERT_TRUE(ReadFont(t.id, font)) << "template " << t.id;
        EXPECT_EQ(t.points, font.points) << "template " << t.id;
        EXPECT_TRUE(font.face == t.face) << "template " << t.id;
        EXPECT_EQ(DEFAULT_CHARSET, font.charset) << "template " << t.id;
    }
}

} // namespace
