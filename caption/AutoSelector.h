// Drawing helpers of the caption painting: a scoped selection of a drawing object and a solid rectangle fill.
#pragma once

#include "platform/Gdi.h"

// Selects a drawing object into a device context for the lifetime of the selector, then selects back the
// object that was there before. Not for regions: selecting a region sets the clip and has nothing to undo.
class AutoSelector {
public:
    AutoSelector(CDC *pDC, CGdiObject *pObject);
    ~AutoSelector();
    AutoSelector(const AutoSelector &) = delete;
    AutoSelector &operator=(const AutoSelector &) = delete;

    CGdiObject *m_pOldObject;
    CDC *m_pDC;
};

// Fills width x height pixels at (x, y) with a solid colour; a width or height of 0 fills nothing.
// Throws CResourceException when the brush cannot be made (nothing is selected then).
void FillSolid(CDC *pDC, int x, int y, int cx, int cy, COLORREF clr);
