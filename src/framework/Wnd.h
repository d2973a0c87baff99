// The window object of our toolkit: a C++ object attached to an existing window by subclassing,
// with virtual message handling, the pre-translation hook of the modal loop and the reflection
// of a parent's notifications back to the child that caused them.
#pragma once

#include <windows.h>

namespace fw
{

// Where a window of the given size goes when centred over the rectangle `over`: the top-left
// corner, moved as little as needed to keep the window inside `workArea`. A window larger than
// the work area keeps its top-left corner there, so its caption and its left edge can be reached.
POINT CentredPosition(SIZE window, const RECT& over, const RECT& workArea);

class CWnd
{
public:
    CWnd() noexcept = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;

    operator HWND() const noexcept { return m_hWnd; }

    // Attaches this object to a window by replacing its window procedure.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // The object attached to a window, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Called by the modal loop for the target window and each of its parents, innermost first,
    // before the dialog manager sees the message. TRUE means handled: it goes no further.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // A notification the parent received from this control, offered back to the control.
    // Returns true when the control fully handled it; *result is then the parent's answer.
    // WM_COMMAND notifications are offered too: a control that returns false lets the parent
    // handle the command as well.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
    void MoveWindow(int x, int y, int cx, int cy, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, cx, cy, repaint);
    }
    // Nothing without a window: a null window would stand for the whole screen.
    void Invalidate(BOOL erase = TRUE)
    {
        if (m_hWnd)
            ::InvalidateRect(m_hWnd, nullptr, erase);
    }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    // Centres a top-level window on its owner, or on the work area of its monitor when it has none,
    // and keeps it inside that work area.
    void CenterWindow();
    // Sends a message to every descendant window (children, their children, and so on).
    void SendMessageToDescendants(UINT msg, WPARAM wParam, LPARAM lParam) const;

protected:
    // The message handler of this window; the default passes the message on.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called before the window procedure is replaced.
    virtual void PreSubclassWindow() {}
    // Called after the last message the window receives (WM_NCDESTROY).
    virtual void PostNcDestroy() {}

    // The window's original processing of a message.
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The original processing of the message being handled now.
    LRESULT Default();

    // Offers a parent's notification to the control that sent it.
    static bool ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;
    MSG m_current{};
    // Messages being handled right now; the object's clean-up after the last message waits
    // until the outermost handler has returned, so a handler may destroy its own window.
    int m_nDepth = 0;
    bool m_bPendingNcDestroy = false;
};

// The keyboard cues (UISF_*) of the dialog a control sits in: the same as the control's own where
// the system keeps them, and the dialog's answer where it does not.
LRESULT KeyboardCuesOf(HWND control);

} // namespace fw
