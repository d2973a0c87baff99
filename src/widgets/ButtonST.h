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

    int SetImages(UINT hoverImageId, COLORREF hoverTransparent, UINT normalImageId,
                  COLORREF normalTransparent);
    void UseParentBackground(BOOL redraw);
    CButtonST& SetPressedLook(BOOL enable);
    int SetPressedShift(BYTE style, BOOL redraw);
    int ResetColors(BOOL redraw);

    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PreSubclassWindow() override;
};
