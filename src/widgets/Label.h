// A static text with its own colour and font, drawn transparently over the parent's background,
// optionally looking and acting like a link.
#pragma once

#include "framework/Wnd.h"
#include "framework/Handles.h"

class CLabel : public fw::CWnd
{
public:
    CLabel();
    ~CLabel() override;

    CLabel& SetForeColor(COLORREF color);
    CLabel& SetBold(BOOL bold);
    CLabel& SetUnderline(BOOL underline);
    CLabel& SetCharHeight(int height);
    // The name (our code page's text) must fit the face field's 32 characters with its
    // terminator; a longer one is cut.
    CLabel& SetFaceName(const char* face);
    CLabel& SetClickable(BOOL clickable);
    // The cursor is borrowed, not owned; NULL gives the pointer back to the default handling.
    CLabel& SetHoverCursor(HCURSOR cursor);
    // The system colour (COLOR_...) the text takes in high-contrast mode instead of its own:
    // the window text colour, or the link colour once the label is clickable.
    CLabel& SetHighContrastColor(int sysColor);

    COLORREF GetForeColor() const { return m_crText; }
    const LOGFONTW& GetLogFont() const { return m_lf; }
    HFONT GetFont() const { return m_font.Get(); }
    HCURSOR GetHoverCursor() const { return m_hCursor; }

    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // A clickable label that has the focus takes Space and Enter as a click.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PreSubclassWindow() override;

private:
    void RebuildFont();
    void HandFontToControl();
    void Repaint();
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    bool IsClickable() const { return (GetStyle() & SS_NOTIFY) != 0; }
    // Our rectangle painted by the parent (and the siblings there too, when asked), then our text
    // on top: what a hollow label needs to lose an old text or a focus rectangle.
    void RepaintOverParent(bool withSiblings);
    void DrawFocus();

    COLORREF m_crText;
    LOGFONTW m_lf{};
    fw::CFontHandle m_font;
    HCURSOR m_hCursor = nullptr;
    int m_nHighContrastColor = COLOR_WINDOWTEXT;
};
