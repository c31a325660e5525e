#include "zentView.h"

#include "board/BoardCommands.h"
#include "notes/PaperFrame.h"
#include "platform/Menu.h"
#include "res/resource.h"

namespace {
CRect iconRect(CPoint topLeft)
{
    return CRect(topLeft.x, topLeft.y, topLeft.x + 32, topLeft.y + 32);
}
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
        const CBoardLook before = pDoc->CaptureLook();
        if (pDoc->m_tracker.Track(this, point, FALSE, nullptr)) {
            const CRect &r = pDoc->m_tracker.m_rect;
            pDoc->m_nPictureLeft = r.left;
            pDoc->m_nPictureTop = r.top;
            pDoc->m_nPictureWidth = r.right - r.left;
            pDoc->m_nPictureHeight = r.bottom - r.top;
            pDoc->SetModifiedFlag(TRUE);
            const bool bSized =
                before.nPictureWidth != pDoc->m_nPictureWidth || before.nPictureHeight != pDoc->m_nPictureHeight;
            pDoc->RecordLookChange(bSized ? QStringLiteral("Resize Picture") : QStringLiteral("Move Picture"), before);
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
            const int nBefore = pDoc->m_nPapers;
            AddPaper(r, true);
            if (pDoc->m_nPapers == nBefore) {
                Default();
                return;
            }
            // A new note changes the board; the icon drags above do not.
            pDoc->SetModifiedFlag(TRUE);
            pDoc->RecordUndo(new CNoteLifeCommand(pDoc, true, pDoc->CapturePaper(pDoc->m_papers.GetHead())));
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

void CZentView::OnContextMenu(CWnd *pWnd, CPoint point)
{
    // Only the free board: notes, icons and the picture's tracker are left alone.
    if (pWnd != this)
        return;
    // From the keyboard: nothing lies under a key, so the menu opens at the board's corner.
    if (point.x == -1 && point.y == -1) {
        CPoint ptCorner(0, 0);
        ClientToScreen(&ptCorner);
        ShowBoardMenu(ptCorner);
        return;
    }
    CZentDoc *pDoc = GetDocument();
    CPoint ptClient = point;
    ScreenToClient(&ptClient);
    if (iconRect(pDoc->m_ptTrash).PtInRect(ptClient) || iconRect(pDoc->m_ptStorage).PtInRect(ptClient))
        return;
    if (pDoc->m_bPictureSelected && pDoc->m_tracker.HitTest(ptClient) >= 0)
        return;
    if (!IsFreePoint(ptClient))
        return;
    ShowBoardMenu(point);
}

void CZentView::ShowBoardMenu(CPoint ptScreen)
{
    CZentDoc *pDoc = GetDocument();
    // The menu's Undo and Redo are the board's, whatever text control had the keyboard focus.
    SetFocus();
    QUndoStack &undo = pDoc->m_undo;
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING | (undo.canUndo() ? MF_ENABLED : MF_GRAYED), ID_EDIT_UNDO,
                    undo.canUndo() ? QStringLiteral("Undo %1").arg(undo.undoText()) : QStringLiteral("Undo"));
    menu.AppendMenu(MF_STRING | (undo.canRedo() ? MF_ENABLED : MF_GRAYED), ID_EDIT_REDO,
                    undo.canRedo() ? QStringLiteral("Redo %1").arg(undo.redoText()) : QStringLiteral("Redo"));
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, ID_BRING_NOTES_INTO_VIEW, QStringLiteral("Bring Notes into View"));
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, ID_EXPORT_BOARD, QStringLiteral("Export Board..."));
    // The commands take the normal way, through the main frame, which also enables them.
    CWnd *pOwner = AfxGetMainWnd() ? AfxGetMainWnd() : this;
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, ptScreen.x, ptScreen.y, pOwner);
}
