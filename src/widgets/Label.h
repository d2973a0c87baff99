// A static text with its own colour and font, drawn transparently over the parent's background,
// optionally looking and acting like a link.
#pragma once

#include "framework/Wnd.h"
#include "framework/Handles.h"

class CLabel : public fw::CWnd
{
public:
    CLabel();

    CLabel& SetForeColor(COLORREF color);
    CLabel& SetBold(BOOL bold);
    CLabel& SetUnderline(BOOL underline);
    CLabel& SetCharHeight(int height);
    CLabel& SetFaceName(const char* face);
    CLabel& SetClickable(BOOL clickable);
    CLabel& SetHoverCursor(HCURSOR cursor);

    COLORREF GetForeColor() const { return m_crText; }
    const LOGFONTA& GetLogFont() const { return m_lf; }
    HFONT GetFont() const { return m_font.Get(); }

    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void RebuildFont();
    void Repaint();

    COLORREF m_crText;
    LOGFONTA m_lf{};
    fw::CFontHandle m_font;
    HCURSOR m_hCursor = nullptr;
};
