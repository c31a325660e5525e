#include "AutoSelector.h"

AutoSelector::AutoSelector(CDC *pDC, CGdiObject *pObject) : m_pOldObject(pDC->SelectObject(pObject)), m_pDC(pDC)
{
    ASSERT(m_pOldObject != nullptr);
    ASSERT(!pObject->IsKindOf(RUNTIME_CLASS(CRgn)));
}

AutoSelector::~AutoSelector()
{
    m_pDC->SelectObject(m_pOldObject);
}

void FillSolid(CDC *pDC, int x, int y, int cx, int cy, COLORREF clr)
{
    CBrush brush(clr);
    // The selector ends before the brush, so the brush is no longer selected when it is deleted.
    AutoSelector selector(pDC, &brush);
    pDC->PatBlt(x, y, cx, cy, PATCOPY);
}
