// The caption painter: a hook that draws a frame window's caption itself, off-screen, one cached bitmap per
// activation state, over an exchangeable background.
#pragma once

#include "CaptionBackground.h"
#include "Subclass.h"

#include "platform/Gdi.h"

#include <memory>

// How caption text is drawn. The fonts stay empty and the colours CLR_SYSCOLOR unless someone sets them, so the
// system caption font and caption text colours are used.
class CCaptionTextStyle {
public:
    CCaptionTextStyle();

    CFont m_fontActive;
    CFont m_fontInactive;
    COLORREF m_clrActiveText;
    COLORREF m_clrInactiveText;
};

// The system's caption font, made once per process on first use.
class CSystemCaptionFont {
public:
    CSystemCaptionFont() = default;
    CSystemCaptionFont(const CSystemCaptionFont &) = delete;
    CSystemCaptionFont &operator=(const CSystemCaptionFont &) = delete;

    CFont *GetFont();

    CFont m_font;

private:
    void CreateFont();
};

extern CSystemCaptionFont g_systemCaptionFont;

class CCaption : public CSubclassWnd {
    DECLARE_DYNAMIC(CCaption)
public:
    // m_bActive before the first WM_NCACTIVATE: neither TRUE nor FALSE, so that message is always processed.
    // Being non-zero, a painting before it shows the active caption.
    static constexpr BOOL kActiveUnknown = -1;

    CCaption();
    // The painter must be unhooked already.
    ~CCaption() override;

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;

    // Forgets both cached bitmaps and paints the caption now.
    virtual void Refresh();
    // Copies the caption bitmap of the present state to the window, building it first when needed.
    virtual void PaintCaption();
    virtual void DrawCaption(CDC *pDC);
    virtual void DrawBackground(CDC *pDC);
    // With NULL only measure; each returns the width its element takes.
    virtual int DrawIcon(CDC *pDC);
    virtual int DrawButtons(CDC *pDC);
    virtual void DrawCaptionText(CDC *pDC);
    virtual void DrawBottomEdge(CDC *pDC);
    // The caption rectangle in window coordinates.
    virtual CRect GetCaptionRect();
    virtual CFont *GetCaptionFont(BOOL bActive);
    virtual CRect GetTextRect();
    virtual void OnNcPaint(HRGN hRgn);
    virtual BOOL OnNcActivate(BOOL bActive);
    virtual void OnSetText(LPCTSTR lpszText);
    virtual void OnSysSettingsChange();

    // Unhooks the painter.
    BOOL Detach();
    // Takes pBackground (null: a plain background in the system colours is made when needed) in place of the
    // previous one and repaints. The painter must be hooked.
    void SetBackground(std::unique_ptr<CCaptionBackground> pBackground);
    CCaptionBackground *GetBackground();
    CCaptionTextStyle *GetTextStyle();
    COLORREF GetTextColor(BOOL bActive);
    CSize GetFrameSize();

    CBitmap m_bmCaption[2]; // [0] inactive, [1] active
    CSize m_szCaption;
    // The part of the caption (caption coordinates) the bitmaps hold: all of it, unless the window reaches far
    // beyond what its parent shows.
    CRect m_rcCached;
    BOOL m_bActive;
    std::unique_ptr<CCaptionBackground> m_pBackground;
    std::unique_ptr<CCaptionTextStyle> m_pTextStyle;

protected:
    // The window's usual processing of the current message with WS_VISIBLE cleared meanwhile, so that it does
    // not draw its own caption over this one.
    LRESULT DefaultWithoutSystemCaption();
    BOOL IsHookedWindowValid() const;
};
