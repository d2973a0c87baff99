// An owner-drawn push button showing one image under the pointer or while held and another
// otherwise, drawn transparently over the parent's pixels.
#pragma once

#include "framework/Wnd.h"
#include "framework/Handles.h"

class CButtonST : public fw::CWnd
{
public:
    CButtonST();
    ~CButtonST() override;

    // 0 done, 1 a bitmap cannot be measured, 2 a mask cannot be made. normalImageId 0: the hover
    // image is shown in every state.
    int SetImages(UINT hoverImageId, COLORREF hoverTransparent, UINT normalImageId,
                  COLORREF normalTransparent);
    void UseParentBackground(BOOL redraw);
    CButtonST& SetPressedLook(BOOL enable);
    // Style 0 moves a held image by (1, 1), style 1 by (0, 2); any other style gives no shift
    // and 6.
    int SetPressedShift(BYTE style, BOOL redraw);
    int ResetColors(BOOL redraw);
    // In high-contrast mode the button is drawn in the system's colours instead of its pictures:
    // with its text, or (for a button too small for one) the system's caption glyph
    // (DFCS_CAPTIONMIN, DFCS_CAPTIONCLOSE...) given here.
    CButtonST& SetHighContrastGlyph(UINT captionGlyph);

    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // State a test or a caller may look at.
    BOOL IsHover() const { return m_bHover; }
    BOOL IsDefault() const { return m_bDefault; }
    POINT GetPressedShift() const { return m_ptPressedShift; }
    bool HasImage(int index) const { return m_images[index].bitmap.Get() != nullptr; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PreSubclassWindow() override;

    // Drawing steps a derived button may replace.
    virtual void DrawBackground(HDC dc, const RECT& item);
    virtual void DrawImage(HDC dc, const RECT& item, BOOL pressed);

    virtual void DrawItem(const DRAWITEMSTRUCT& item);

private:
    struct ImageRecord
    {
        fw::CBitmapHandle bitmap;
        LONG width = 0;
        LONG height = 0;
        fw::CBitmapHandle mask;
        COLORREF transparent = 0;
    };

    void OnMouseMove(WPARAM flags, LPARAM position);
    void DrawHighContrastFace(HDC dc, const RECT& item);
    void DrawFocus(HDC dc, const DRAWITEMSTRUCT& item);
    void CancelHover();
    void CaptureParentBackground(HDC target);
    void FreeImages();
    void FreeBackgroundCache();
    // Fills one record from a loaded bitmap; 0, or the SetImages failure code.
    static int MakeImageRecord(ImageRecord& record, fw::CBitmapHandle bitmap, COLORREF transparent);
    static HBITMAP CreateMask(HBITMAP bitmap, LONG width, LONG height, COLORREF transparent);

    BOOL m_bHover = FALSE;
    BOOL m_bUseParentBackground = FALSE;
    BOOL m_bPressed = FALSE;
    BOOL m_bFocused = FALSE;
    BOOL m_bDefault = FALSE;
    POINT m_ptPressedShift{0, 0};

    // The face behind the images in each state. The button draws no caption of its own, so it
    // keeps no text colours.
    COLORREF m_crHoverBack = 0;
    COLORREF m_crNormalBack = 0;
    COLORREF m_crFocusBack = 0;

    fw::CMemoryDC m_cacheDC;
    fw::CBitmapHandle m_cacheBitmap;
    HGDIOBJ m_hOldCacheBitmap = nullptr;

    ImageRecord m_images[2];
    BOOL m_bPressedLook = FALSE;
    UINT m_nHighContrastGlyph = 0;
};
