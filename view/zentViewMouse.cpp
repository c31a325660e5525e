#include "zentView.h"

#include "notes/PaperFrame.h"

namespace {
CRect iconRect(CPoint topLeft) { return CRect(topLeft.x, topLeft.y, topLeft.x + 32, topLeft.y + 32); }
} // namespace

void CZentView::OnLButtonDown(UINT, CPoint point)
{
    CZentDoc *pDoc = GetDocument();
    bool bIconDrag = false;
    if (iconRect(pDoc->m_ptTrash).PtInRect(point)) {
        pDoc->m_bDragTrash = true;
        bIconDrag = true;
    } else {
        pDoc->m_bDragTrash = false;
        if (iconRect(pDoc->m_ptStorage).PtInRect(point)) {
            pDoc->m_bDragStorage = true;
            bIconDrag = true;
        } else {
            pDoc->m_bDragStorage = false;
        }
    }

    if (bIconDrag) {
        // The cursor stays inside the board while an icon is dragged.
        CRect rcClient;
        GetClientRect(&rcClient);
        ClientToScreen(&rcClient);
        ClipCursor(&rcClient);
        m_ptLastMouse = point;
        Default();
        return;
    }

    if (pDoc->m_bPictureSelected) {
        if (pDoc->m_tracker.Track(this, point, FALSE, nullptr)) {
            const CRect &r = pDoc->m_tracker.m_rect;
            pDoc->m_nPictureLeft = r.left;
            pDoc->m_nPictureTop = r.top;
            pDoc->m_nPictureWidth = r.right - r.left;
            pDoc->m_nPictureHeight = r.bottom - r.top;
            pDoc->SetModifiedFlag(TRUE);
            pDoc->UpdateAllViews(nullptr, 0, nullptr);
        }
        return;
    }

    if (IsFreePoint(point)) {
        CRectTracker tracker;
        if (tracker.TrackRubberBand(this, point, FALSE)) {
            CRect r = tracker.m_rect;
            if (r.Width() < 50)
                r.right = r.left + 50;
            if (r.Height() < 50)
                r.bottom = r.top + 50;
            AddPaper(r, true);
            // A new note changes the board; the icon drags above do not.
            pDoc->SetModifiedFlag(TRUE);
            // What the person types next goes into the note just drawn.
            if (!pDoc->m_papers.IsEmpty())
                pDoc->m_papers.GetHead()->FocusText();
            Default();
            return;
        }
    }
    Default();
}

void CZentView::OnMouseMove(UINT, CPoint point)
{
    CZentDoc *pDoc = GetDocument();
    CPoint *pIcon = nullptr;
    if (pDoc->m_bDragTrash)
        pIcon = &pDoc->m_ptTrash;
    else if (pDoc->m_bDragStorage)
        pIcon = &pDoc->m_ptStorage;
    if (!pIcon) {
        Default();
        return;
    }
    m_rcIconOld = iconRect(*pIcon);
    *pIcon += point - m_ptLastMouse;
    m_rcIconNew = iconRect(*pIcon);
    InvalidateRect(&m_rcIconOld, TRUE);
    InvalidateRect(&m_rcIconNew, TRUE);
    m_ptLastMouse = point;
    Default();
}

void CZentView::OnLButtonUp(UINT, CPoint)
{
    CZentDoc *pDoc = GetDocument();
    if (pDoc->m_bDragTrash) {
        m_rcIconNew = iconRect(pDoc->m_ptTrash);
        InvalidateRect(&m_rcIconNew, TRUE);
        UpdateWindow();
        ClipCursor(nullptr);
        pDoc->m_bDragTrash = false;
    } else if (pDoc->m_bDragStorage) {
        m_rcIconNew = iconRect(pDoc->m_ptStorage);
        InvalidateRect(&m_rcIconNew, TRUE);
        UpdateWindow();
        ClipCursor(nullptr);
        pDoc->m_bDragStorage = false;
    }
    Default();
}

void CZentView::OnLButtonDblClk(UINT, CPoint point)
{
    if (iconRect(GetDocument()->m_ptStorage).PtInRect(point))
        OpenRestoreDialog();
    Default();
}
