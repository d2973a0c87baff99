// What the widget tests share: a top-level parent window of our toolkit that paints a plain
// colour and reflects its children's notifications the way our dialogs do, a message pump that
// waits on a condition, pixel reads and a count of the process's live GDI objects.
#pragma once

#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/Wnd.h"

#include "common/Dib.h"
#include "common/Wait.h"

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

namespace widgettest
{

// Handles messages until done() holds or timeoutMs passes; true when done() held. Messages pass
// our modal loop's pre-translation, as in the program.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000)
{
    return testsupport::PumpUntil(done, timeoutMs,
                                  [](MSG* msg) { return fw::WalkPreTranslateTree(msg) != FALSE; });
}

// Handles everything given to this thread so far: real input lands in the queue of the window's
// thread as SendInput returns, so once nothing is queued (input, posted, sent, paint) every
// earlier press, move and message has been handled. A "nothing happened" check follows this.
inline bool PumpUntilIdle(DWORD timeoutMs = 20000)
{
    return PumpUntil(
        [] {
            return HIWORD(::GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE |
                                           QS_PAINT)) == 0;
        },
        timeoutMs);
}

class CTestParent : public fw::CWnd
{
public:
    CTestParent(COLORREF background, int x, int y, int cx, int cy) : m_background(background)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.lpszClassName = "WidgetTestParent";
        ::RegisterClassA(&wc);
        HWND hwnd = ::CreateWindowExA(WS_EX_TOPMOST, "WidgetTestParent", "widget test",
                                      WS_POPUP | WS_VISIBLE, x, y, cx, cy, nullptr, nullptr,
                                      wc.hInstance, nullptr);
        SubclassWindow(hwnd);
        ::UpdateWindow(hwnd);
    }
    ~CTestParent() override
    {
        if (HWND hwnd = UnsubclassWindow())
            ::DestroyWindow(hwnd);
    }

    // A child control of the parent: a static, a button...
    HWND AddChild(const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy,
                  int id)
    {
        return ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ::GetModuleHandleA(nullptr), nullptr);
    }

    // Control notifications received, as (id, code), after the control saw them.
    std::vector<std::pair<int, int>> m_commands;
    COLORREF m_background;

    int CountCommands(int id, int code) const
    {
        int n = 0;
        for (const auto& c : m_commands)
            n += (c.first == id && c.second == code) ? 1 : 0;
        return n;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        LRESULT result = 0;
        switch (msg)
        {
        case WM_ERASEBKGND:
        {
            RECT rc;
            ::GetClientRect(m_hWnd, &rc);
            HDC dc = reinterpret_cast<HDC>(wParam);
            COLORREF old = ::SetBkColor(dc, m_background);
            ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
            ::SetBkColor(dc, old);
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, &result))
                return result;
            break;
        case WM_DRAWITEM:
            if (ReflectToChild(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem, msg,
                               wParam, lParam, &result))
                return TRUE;
            break;
        case WM_COMMAND:
            if (lParam &&
                ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, &result))
                return result;
            m_commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
            return 0;
        default:
            break;
        }
        return fw::CWnd::WindowProc(msg, wParam, lParam);
    }
};

// The colour shown at a point of a window's client area (read from the window's own surface).
inline COLORREF PixelAt(HWND hwnd, int x, int y)
{
    fw::CClientDC dc(hwnd);
    return ::GetPixel(dc.Get(), x, y);
}

// A copy of a window's client area, read pixel by pixel without a DC per pixel.
class CSnapshot
{
public:
    explicit CSnapshot(HWND hwnd)
    {
        RECT rc;
        ::GetClientRect(hwnd, &rc);
        m_cx = rc.right;
        m_cy = rc.bottom;
        void* bits = nullptr;
        m_bitmap.Reset(testsupport::CreateDib32(m_cx, m_cy, &bits));
        m_bits = static_cast<const DWORD*>(bits);
        fw::CMemoryDC mem(::CreateCompatibleDC(nullptr));
        fw::CClientDC dc(hwnd);
        fw::CSelectObject select(mem.Get(), m_bitmap.Get());
        ::BitBlt(mem.Get(), 0, 0, m_cx, m_cy, dc.Get(), 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    COLORREF At(int x, int y) const
    {
        if (!m_bits || x < 0 || y < 0 || x >= m_cx || y >= m_cy)
            return CLR_INVALID;
        DWORD p = m_bits[y * m_cx + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    fw::CBitmapHandle m_bitmap;
    const DWORD* m_bits = nullptr;
    int m_cx = 0;
    int m_cy = 0;
};

// Paints a window and its children now.
inline void PaintNow(HWND hwnd)
{
    ::RedrawWindow(hwnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpUntilIdle();
}

// The number of live GDI objects (fonts, bitmaps, brushes, DCs...) of this process.
// GetGuiResources answers 0 under Wine, so we walk Wine's handle table instead: Wine resolves a
// handle whose upper word is zero to whatever object lives in the slot of that index, so
// GetObjectType on each of the 65536 slot indices tells which slots hold a live object.
inline int CountGdiObjects()
{
    int n = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        n += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0 ? 1 : 0;
    return n;
}

} // namespace widgettest
