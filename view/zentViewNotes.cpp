#include "zentView.h"

#include "notes/NoteCommands.h"
#include "notes/PaperFrame.h"
#include "notes/RestoreObjectsDialog.h"
#include "platform/CommonDialogs.h"

#include <algorithm>

namespace {
CRect iconRect(CPoint topLeft)
{
    return CRect(topLeft.x, topLeft.y, topLeft.x + 32, topLeft.y + 32);
}

// New top-left corner of a note of size cx x cy that was refused deletion, so that it no longer meets the waste
// bin at ptTrash on a board of cxBoard x cyBoard. The note goes to the side of the bin that faces the board's
// centre; a bin lying exactly on a midline counts as lying in the upper or the left half (note below or right of
// it), which takes the note off the bin like every other case.
CPoint PlaceOffTrash(CPoint ptTrash, int cx, int cy, int cxBoard, int cyBoard)
{
    const int tx = ptTrash.x, ty = ptTrash.y;
    const int hw = cxBoard / 2, hh = cyBoard / 2;
    const bool bUpper = ty <= hh;
    const bool bLeft = tx <= hw;
    if (bUpper && bLeft)
        return CPoint(tx + 37, ty + 37);
    if (bUpper)
        return CPoint(tx - cx - 5, ty + 37);
    if (!bLeft)
        return CPoint(tx - cx - 5, ty - cy - 5);
    return CPoint(tx + 37, ty - cy + 5);
}
} // namespace

BOOL CZentView::IsFreePoint(CPoint point)
{
    CZentDoc *pDoc = GetDocument();
    for (POSITION pos = pDoc->m_papers.GetHeadPosition(); pos;) {
        const CPaperFrame *pPaper = pDoc->m_papers.GetNext(pos);
        if (!pPaper->m_bHidden && pPaper->m_rect.PtInRect(point))
            return FALSE;
    }
    return TRUE;
}

void CZentView::AddPaper(RECT &rect, bool bShow)
{
    GetDocument()->AddPaper(rect, bShow);
}

LRESULT CZentView::OnPaperMoved(WPARAM, LPARAM)
{
    CZentDoc *pDoc = GetDocument();
    if (pDoc->m_nPapers <= 0)
        return 0;
    if (m_bAsking) {
        m_bMovedWhileAsking = true;
        return 0;
    }
    const IconTestState state{CPaperFrame::LayoutVersion(), pDoc->m_nPapers, pDoc->m_ptTrash, pDoc->m_ptStorage};
    if (m_bIdleIconTest && state == m_idleIconTest)
        return 0;
    m_bIdleIconTest = false;

    // Waste bin: every note, stored or not; the newest first, one per message. The same walk notes the first note
    // on the board that meets the drawer, for the storage test that follows when no note meets the bin.
    const CRect rcTrash = iconRect(pDoc->m_ptTrash);
    const CRect rcStorage = iconRect(pDoc->m_ptStorage);
    CPaperFrame *pOnStorage = nullptr;
    for (POSITION pos = pDoc->m_papers.GetHeadPosition(); pos;) {
        CPaperFrame *pPaper = pDoc->m_papers.GetNext(pos);
        CRect rcHit;
        if (!rcHit.IntersectRect(pPaper->m_rect, rcTrash)) {
            if (!pOnStorage && !pPaper->m_bHidden && rcHit.IntersectRect(pPaper->m_rect, rcStorage))
                pOnStorage = pPaper;
            continue;
        }
        m_bAsking = true;
        const int nAnswer =
            AfxMessageBox(QStringLiteral("Are you sure to delete this object?"), MB_YESNO | MB_ICONQUESTION);
        m_bAsking = false;
        if (m_bMovedWhileAsking) {
            m_bMovedWhileAsking = false;
            PostMessage(WM_PAPER_MOVED, 0, 0);
        }
        // The note may have ended while the question was open.
        const POSITION posPaper = pDoc->m_papers.Find(pPaper);
        if (!posPaper)
            return 0;
        if (nAnswer == IDYES) {
            // Kept as data, so that undo can make it again.
            const CPaperState kept = pDoc->CapturePaper(pPaper);
            // Out of the list first: its window's end must not find it there.
            pDoc->m_papers.RemoveAt(posPaper);
            --pDoc->m_nPapers;
            pPaper->Destroy();
            pDoc->SetModifiedFlag(TRUE);
            pDoc->RecordUndo(new CNoteLifeCommand(pDoc, false, kept));
            InvalidateRect(&rcHit, TRUE);
            UpdateWindow();
            return 0;
        }
        CRect rcClient;
        GetClientRect(&rcClient);
        const int cx = pPaper->m_rect.Width(), cy = pPaper->m_rect.Height();
        const CPoint ptNew = PlaceOffTrash(pDoc->m_ptTrash, cx, cy, rcClient.Width(), rcClient.Height());
        // Taking the note off the bin belongs to the drag that put it there.
        const bool bFollowUp = pDoc->m_bFollowUpMove;
        pDoc->m_bFollowUpMove = true;
        pPaper->MoveWindow(ptNew.x, ptNew.y, cx, cy, TRUE);
        pDoc->m_bFollowUpMove = bFollowUp;
        return 0;
    }

    // Storage: the first note on the board, from the head, that meets the drawer.
    if (pOnStorage) {
        pOnStorage->Hide();
        pDoc->SetModifiedFlag(TRUE);
        pDoc->RecordUndo(new CNoteStorageCommand(pDoc, pOnStorage->m_nId, true));
        return 0;
    }
    m_bIdleIconTest = true;
    m_idleIconTest = state;
    return 0;
}

LRESULT CZentView::OnPaperShow(WPARAM wParam, LPARAM)
{
    auto *pPaper = reinterpret_cast<CPaperFrame *>(wParam);
    CZentDoc *pDoc = GetDocument();
    // Only a note of this board: a pointer kept from a note that has ended is never followed.
    if (!pPaper || !pDoc->m_papers.Find(pPaper))
        return 0;
    if (pPaper->m_bHidden) {
        pPaper->Show();
        pDoc->SetModifiedFlag(TRUE);
        pDoc->RecordUndo(new CNoteStorageCommand(pDoc, pPaper->m_nId, false));
    }
    return 0;
}

void CZentView::OpenRestoreDialog()
{
    // Every double-click on the storage drawer opens one more; each deletes itself when it is closed.
    m_pRestoreDialog = new CRestoreObjectsDialog(this);
    m_pRestoreDialog->Create();
}

QList<CZentView::CPaperPlacement> CZentView::NotesOutOfView()
{
    QList<CPaperPlacement> placements;
    CRect rcClient;
    GetClientRect(&rcClient);
    if (rcClient.IsRectEmpty())
        return placements;
    CZentDoc *pDoc = GetDocument();
    for (POSITION pos = pDoc->m_papers.GetHeadPosition(); pos;) {
        CPaperFrame *pPaper = pDoc->m_papers.GetNext(pos);
        CRect rcHit;
        if (pPaper->m_bHidden || rcHit.IntersectRect(pPaper->m_rect, rcClient))
            continue;
        // In 64 bits: a board file may place a note anywhere.
        const qint64 cx = pPaper->m_rect.Width(), cy = pPaper->m_rect.Height();
        const qint64 left = std::clamp<qint64>(pPaper->m_rect.left, 0, std::max<qint64>(0, rcClient.right - cx));
        const qint64 top = std::clamp<qint64>(pPaper->m_rect.top, 0, std::max<qint64>(0, rcClient.bottom - cy));
        placements.append({pPaper, CRect(int(left), int(top), int(left + cx), int(top + cy))});
    }
    return placements;
}

void CZentView::MovePapers(const QList<CPaperPlacement> &placements)
{
    if (placements.isEmpty())
        return;
    CZentDoc *pDoc = GetDocument();
    bool bMoved = false;
    // One undo step for all of them.
    pDoc->m_undo.beginMacro(QStringLiteral("Bring Notes into View"));
    for (const CPaperPlacement &placement : placements) {
        // A note may have ended since the list was made.
        if (!pDoc->m_papers.Find(placement.pPaper))
            continue;
        placement.pPaper->MoveWindow(&placement.rect, TRUE);
        bMoved = true;
    }
    pDoc->m_undo.endMacro();
    if (bMoved)
        pDoc->SetModifiedFlag(TRUE);
}

void CZentView::OnBringNotesIntoView()
{
    MovePapers(NotesOutOfView());
}

void CZentView::OnUpdateBringNotesIntoView(CCmdUI *pCmdUI)
{
    pCmdUI->Enable(!NotesOutOfView().isEmpty());
}

void CZentView::SettleIconTest()
{
    CZentDoc *pDoc = GetDocument();
    m_idleIconTest = IconTestState{CPaperFrame::LayoutVersion(), pDoc->m_nPapers, pDoc->m_ptTrash, pDoc->m_ptStorage};
    m_bIdleIconTest = true;
}
