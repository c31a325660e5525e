// Regions: rectangles combined into areas for clipping and hit tests, and CRgn.
#pragma once

#include "GdiObjects.h"

#include <QRegion>

// ---------------------------------------------------------------------------------------------------------------
// Constants, with their documented values.

// Region results and combination modes.
enum : int { ERROR = 0, RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

// ---------------------------------------------------------------------------------------------------------------
// The handle of a region.

struct HRGN__ final : HGDIOBJ__ {
    HRGN__() : HGDIOBJ__(OBJ_REGION) {}
    QRegion region;
};

// ---------------------------------------------------------------------------------------------------------------
// Regions (Win32 functions).

// Regions (right and bottom edges exclusive; inverted corners are put in order).
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT *pRect);
// hDst = hSrc1 <mode> hSrc2 (hSrc2 unused for RGN_COPY); returns the region type, ERROR on a bad handle or mode.
int CombineRgn(HRGN hDst, HRGN hSrc1, HRGN hSrc2, int nMode);
BOOL RectInRegion(HRGN hRgn, const RECT *pRect);
BOOL PtInRegion(HRGN hRgn, int x, int y);

// ---------------------------------------------------------------------------------------------------------------
// Platform extensions (not in the window system).

QRegion AfxRegionToQRegion(HRGN hRgn);

// ---------------------------------------------------------------------------------------------------------------
// The framework's region class.

class CRgn final : public CGdiObject {
    DECLARE_DYNAMIC(CRgn)
public:
    CRgn() = default;
    ~CRgn() override = default;
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }

    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRectRgnIndirect(LPCRECT pRect);
    int CombineRgn(const CRgn *pRgn1, const CRgn *pRgn2, int nCombineMode);
    int CopyRgn(const CRgn *pRgnSrc) { return CombineRgn(pRgnSrc, nullptr, RGN_COPY); }
};
