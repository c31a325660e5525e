// Caption backgrounds: a plain fill per activation state, and a gradient that fades the active colour to black.
#pragma once

#include "platform/Gdi.h"

// Colour value meaning "the current system colour", resolved at each use.
constexpr COLORREF CLR_SYSCOLOR = 0xFFFFFFFF;

// Fills the caption with the active or the inactive colour. Owned by the caption painter it is handed to.
class CCaptionBackground {
public:
    CCaptionBackground();
    virtual ~CCaptionBackground();
    CCaptionBackground(const CCaptionBackground &) = delete;
    CCaptionBackground &operator=(const CCaptionBackground &) = delete;

    // Paints the rectangle (0, 0, cx, cy) for the active (non-zero) or inactive (zero) state.
    virtual void Paint(CDC *pDC, int cx, int cy, BOOL bActive);
    // The colours to paint with; CLR_SYSCOLOR is resolved to the system caption colour at each call.
    virtual COLORREF GetActiveColor();
    virtual COLORREF GetInactiveColor();

    void SetColors(COLORREF clrActive, COLORREF clrInactive);
    void SetActiveColor(COLORREF clr);
    void SetInactiveColor(COLORREF clr);

    COLORREF m_clrActive;
    COLORREF m_clrInactive;
};

// Active: the right sixth in the active colour, the rest fading quadratically to black at the left edge in
// bands. Inactive: a solid fill.
class CGradientCaptionBackground final : public CCaptionBackground {
public:
    CGradientCaptionBackground();
    ~CGradientCaptionBackground() override;

    void Paint(CDC *pDC, int cx, int cy, BOOL bActive) override;
};
