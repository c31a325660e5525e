#include "Tracker.h"

#include "Gdi.h"

#include <QPainter>

CRectTracker::CRectTracker() = default;

CRectTracker::CRectTracker(LPCRECT lpSrcRect, UINT nStyle) : m_rect(*lpSrcRect), m_nStyle(nStyle) {}

UINT CRectTracker::GetHandleMask() const
{
    return (m_nStyle & (resizeInside | resizeOutside)) ? 0xFF : 0;
}

void CRectTracker::GetTrueRect(LPRECT lpTrueRect) const
{
    CRect r = m_rect;
    r.NormalizeRect();
    if (m_nStyle & resizeOutside)
        r.InflateRect(m_nHandleSize, m_nHandleSize);
    *lpTrueRect = r;
}

void CRectTracker::Draw(CDC *pDC) const
{
    QPainter *p = AfxGetPainter(pDC->GetSafeHdc());
    if (!p)
        return;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    CRect r = m_rect;
    r.NormalizeRect();
    const QRect q = r.toQRect();
    if (m_nStyle & hatchedBorder) {
        const int w = m_nHandleSize;
        const QRect outer = q.adjusted(-w, -w, w, w);
        const QRegion band = QRegion(outer) - QRegion(q);
        p->setClipRegion(band, Qt::IntersectClip);
        p->fillRect(outer, QBrush(Qt::black, Qt::BDiagPattern));
        p->setClipping(false);
    } else if (m_nStyle & (solidLine | dottedLine)) {
        p->setPen(QPen(Qt::black, 1, (m_nStyle & dottedLine) ? Qt::DotLine : Qt::SolidLine));
        p->drawRect(q.adjusted(0, 0, -1, -1));
    }
    if (GetHandleMask()) {
        const int s = m_nHandleSize;
        const bool outside = m_nStyle & resizeOutside;
        const int l = outside ? q.left() - s : q.left();
        const int t = outside ? q.top() - s : q.top();
        const int rr = outside ? q.right() + 1 : q.right() + 1 - s;
        const int b = outside ? q.bottom() + 1 : q.bottom() + 1 - s;
        const int cx = q.left() + (q.width() - s) / 2;
        const int cy = q.top() + (q.height() - s) / 2;
        const QPoint pts[8] = {{l, t}, {rr, t}, {rr, b}, {l, b}, {cx, t}, {rr, cy}, {cx, b}, {l, cy}};
        for (const QPoint &pt : pts)
            p->fillRect(QRect(pt, QSize(s, s)), Qt::black);
    }
    p->restore();
}

int CRectTracker::HitTest(CPoint point) const
{
    CRect r = m_rect;
    r.NormalizeRect();
    if (r.PtInRect(point))
        return hitMiddle;
    return hitNothing;
}

BOOL CRectTracker::Track(CWnd *, CPoint, BOOL, CWnd *) { return FALSE; }

BOOL CRectTracker::TrackRubberBand(CWnd *, CPoint, BOOL) { return FALSE; }
