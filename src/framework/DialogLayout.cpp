#include "DialogLayout.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace fw
{

namespace
{

// What the layout needs of an extended dialog template (DLGTEMPLATEEX and its items).
struct TemplateItem
{
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
};

struct DialogTemplate
{
    DWORD style = 0;
    short cx = 0, cy = 0;
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

// Reads the template's fields in order; any read past its end fails the whole reading.
class CTemplateReader
{
public:
    CTemplateReader(const void* data, size_t size)
        : m_data(static_cast<const BYTE*>(data)), m_size(data ? size : 0)
    {
    }

    bool Ok() const { return m_ok; }

    template <typename T> T Read()
    {
        T value{};
        if (m_pos + sizeof(T) > m_size)
        {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }

    // A text of UTF-16 units up to its terminator.
    void SkipText()
    {
        while (m_ok && Read<WORD>() != 0)
        {
        }
    }

    // A menu, class or title: none (0), an ordinal (0xFFFF and a number) or a text.
    void SkipTextOrOrdinal()
    {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF)
            Read<WORD>();
        else if (first != 0)
            SkipText();
    }

    void AlignToDword() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

bool ReadTemplate(const void* data, size_t size, DialogTemplate& out)
{
    CTemplateReader in(data, size);
    if (in.Read<WORD>() != 1 || in.Read<WORD>() != 0xFFFF)
        return false; // not an extended template
    in.Read<DWORD>(); // help id
    in.Read<DWORD>(); // extended style
    out.style = in.Read<DWORD>();
    const WORD count = in.Read<WORD>();
    in.Read<short>(); // x
    in.Read<short>(); // y
    out.cx = in.Read<short>();
    out.cy = in.Read<short>();
    in.SkipTextOrOrdinal(); // menu
    in.SkipTextOrOrdinal(); // window class
    in.SkipText();          // title
    if (!(out.style & DS_SETFONT))
        return false; // the system font: nothing of ours grows
    out.pointSize = in.Read<WORD>();
    in.Read<WORD>(); // weight
    in.Read<WORD>(); // italic and character set
    in.SkipText();   // face
    for (WORD i = 0; i < count && in.Ok(); ++i)
    {
        in.AlignToDword();
        TemplateItem item;
        in.Read<DWORD>(); // help id
        in.Read<DWORD>(); // extended style
        in.Read<DWORD>(); // style
        item.x = in.Read<short>();
        item.y = in.Read<short>();
        item.cx = in.Read<short>();
        item.cy = in.Read<short>();
        item.id = in.Read<DWORD>();
        in.SkipTextOrOrdinal(); // class
        in.SkipTextOrOrdinal(); // title
        const WORD extra = in.Read<WORD>();
        for (WORD b = 0; b < extra; ++b)
            in.Read<BYTE>();
        out.items.push_back(item);
    }
    // 0x7FFF stands for the system's message font, which is the system's to size.
    return in.Ok() && out.pointSize != 0 && out.pointSize != 0x7FFF;
}

// The dialog manager's units of a font: the average width of the Latin letters, and the height.
SIZE BaseUnits(HFONT font)
{
    CClientDC screen(nullptr);
    CSelectObject select(screen.Get(), font);
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(screen.Get(), &metrics);
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent = {};
    ::GetTextExtentPoint32W(screen.Get(), kLetters, 52, &extent);
    return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

bool IsClass(HWND control, const char* name)
{
    char cls[16] = {};
    ::GetClassNameA(control, cls, sizeof(cls));
    return lstrcmpiA(cls, name) == 0;
}

// Controls that size themselves to their picture, as the dialog manager leaves them.
bool SizesItself(HWND control)
{
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    const LONG type = style & SS_TYPEMASK;
    return IsClass(control, "Static") && (type == SS_ICON || type == SS_BITMAP) &&
           !(style & SS_REALSIZECONTROL);
}

} // namespace

int ScreenDpi()
{
    CClientDC screen(nullptr);
    return screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
}

LONG HeightAt96Dpi(LONG height, int dpi)
{
    if (dpi <= 0 || dpi == 96)
        return height;
    // Fonts are made from whole point sizes; the point size is what the two heights share.
    const int points = ::MulDiv(height < 0 ? -height : height, 72, dpi);
    const LONG pixels = ::MulDiv(points, 96, 72);
    return height < 0 ? -pixels : pixels;
}

CFontHandle LayOutAt96Dpi(HWND dlg, const void* tmpl, size_t size)
{
    DialogTemplate layout;
    if (!::IsWindow(dlg) || !ReadTemplate(tmpl, size, layout))
        return CFontHandle();

    // The controls in template order, which is the order the dialog manager made them in.
    std::vector<HWND> controls;
    for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    if (controls.size() != layout.items.size())
        return CFontHandle();
    for (size_t i = 0; i < controls.size(); ++i)
        if (static_cast<WORD>(::GetDlgCtrlID(controls[i])) != LOWORD(layout.items[i].id))
            return CFontHandle();

    // The dialog manager's own font with the height it has at 96 DPI, so that face, weight,
    // character set and quality stay what the system chose.
    LOGFONTW face = {};
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(dlg, WM_GETFONT, 0, 0));
    if (!dialogFont || !::GetObjectW(dialogFont, sizeof(face), &face))
        return CFontHandle();
    face.lfHeight = -::MulDiv(layout.pointSize, 96, 72);
    face.lfWidth = 0;
    CFontHandle font(::CreateFontIndirectW(&face));
    if (!font)
        return font;
    const SIZE units = BaseUnits(font.Get());
    if (units.cx <= 0 || units.cy <= 0)
        return CFontHandle();

    std::vector<RECT> places;
    for (const TemplateItem& item : layout.items)
    {
        const int left = ::MulDiv(item.x, units.cx, 4), top = ::MulDiv(item.y, units.cy, 8);
        places.push_back(RECT{left, top, left + ::MulDiv(item.cx, units.cx, 4),
                              top + ::MulDiv(item.cy, units.cy, 8)});
    }
    // The round or square mark of a radio button or check box is the system's drawing and grows
    // with the DPI (about 12 pixels at 96), pushing the text right by as much: the control gets
    // that much more room where its row leaves it free, so the text's end is not cut.
    const int markGrowth = ::MulDiv(12, ScreenDpi(), 96) - 12;
    for (size_t i = 0; i < controls.size() && markGrowth > 0; ++i)
    {
        const LONG type = ::GetWindowLongA(controls[i], GWL_STYLE) & BS_TYPEMASK;
        if (!IsClass(controls[i], "Button") || type < BS_CHECKBOX || type > BS_AUTORADIOBUTTON ||
            type == BS_GROUPBOX || type == BS_USERBUTTON)
            continue;
        RECT& r = places[i];
        LONG right = r.right + markGrowth;
        for (size_t j = 0; j < places.size(); ++j)
        {
            const RECT& o = places[j];
            if (j != i && o.top < r.bottom && o.bottom > r.top && o.left >= r.right)
                right = std::min(right, o.left);
        }
        r.right = std::max(r.right, right);
    }

    for (size_t i = 0; i < controls.size(); ++i)
    {
        const RECT& r = places[i];
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (SizesItself(controls[i]))
            flags |= SWP_NOSIZE;
        ::SetWindowPos(controls[i], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       flags);
        ::SendMessageW(controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    }

    // The frame stays what the system makes it; the client area gets its 96-DPI size. A
    // centred dialog stays centred where it was.
    RECT window = {}, client = {};
    ::GetWindowRect(dlg, &window);
    ::GetClientRect(dlg, &client);
    const int width =
        (window.right - window.left) - client.right + ::MulDiv(layout.cx, units.cx, 4);
    const int height =
        (window.bottom - window.top) - client.bottom + ::MulDiv(layout.cy, units.cy, 8);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE;
    int x = 0, y = 0;
    if ((layout.style & DS_CENTER) && !(::GetWindowLongA(dlg, GWL_STYLE) & WS_CHILD))
    {
        flags &= ~static_cast<UINT>(SWP_NOMOVE);
        x = window.left + ((window.right - window.left) - width) / 2;
        y = window.top + ((window.bottom - window.top) - height) / 2;
    }
    ::SetWindowPos(dlg, nullptr, x, y, width, height, flags);
    ::InvalidateRect(dlg, nullptr, TRUE);
    return font;
}

} // namespace fw
