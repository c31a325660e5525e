// The rectangle tracker: draws a selection frame with handles, and runs the modal loops that move or size a
// rectangle or draw a rubber band with the mouse.
#pragma once

#include "Wnd.h"

class CDC;

class CRectTracker {
public:
    enum StyleFlags {
        solidLine = 1,
        dottedLine = 2,
        hatchedBorder = 4,
        resizeInside = 8,
        resizeOutside = 16,
        hatchInside = 32,
    };
    enum TrackerHit {
        hitNothing = -1,
        hitTopLeft = 0,
        hitTopRight = 1,
        hitBottomRight = 2,
        hitBottomLeft = 3,
        hitTop = 4,
        hitRight = 5,
        hitBottom = 6,
        hitLeft = 7,
        hitMiddle = 8,
    };

    CRectTracker();
    virtual ~CRectTracker() = default;

    CRect m_rect;
    UINT m_nStyle = 0;
    // Side of the square handles and width of the hatched border, pixels.
    int m_nHandleSize = 7;
    // Sizing without inversion never makes the rectangle smaller than this: the dragged edge stops there.
    CSize m_sizeMin{1, 1};

    // Draws the frame (a hatched border around the rectangle, or a solid or dotted line on its edge) and, with a
    // resize style, the eight handles: outside the rectangle with resizeOutside, inside with resizeInside.
    void Draw(CDC *pDC) const;
    // What lies under the point: a handle (tested first, corners before sides), then the rectangle or its hatched
    // border (hitMiddle); hitNothing elsewhere.
    int HitTest(CPoint point) const;
    // Modal, from a button-down at point (client coordinates of pWnd): nothing and FALSE when the point misses
    // the tracker. Otherwise the mouse is captured and the rectangle follows it until the left button is
    // released: dragging inside moves it, dragging a handle moves that handle's edges (without bAllowInvert an
    // edge stops m_sizeMin short of the opposite one). With pWndClipTo the rectangle stays inside that window's
    // client area. A dotted frame shows the rectangle while it moves. Escape, the right button, the window
    // losing activation or ending cancel and restore the rectangle. TRUE only when m_rect changed.
    BOOL Track(CWnd *pWnd, CPoint point, BOOL bAllowInvert = FALSE, CWnd *pWndClipTo = nullptr);
    // Modal: m_rect becomes the rectangle from point to the mouse until the left button is released. Without
    // bAllowInvert it only grows to the right of and below point. FALSE for a release without a move away from
    // point, and for a cancel (as in Track), which leaves m_rect empty at point.
    BOOL TrackRubberBand(CWnd *pWnd, CPoint point, BOOL bAllowInvert = TRUE);
    // Bit i set: handle i (TrackerHit order) is shown; 0 without a resize style.
    UINT GetHandleMask() const;

private:
    CRect HandleRect(int nHandle) const;
    BOOL TrackHandle(int nHandle, CWnd *pWnd, CPoint point, BOOL bAllowInvert, CWnd *pWndClipTo);
};
