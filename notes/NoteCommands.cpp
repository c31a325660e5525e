#include "NoteCommands.h"

#include "PaperFrame.h"
#include "board/zentDoc.h"

CNoteRectCommand::CNoteRectCommand(CZentDoc *pDoc, int nId, const CRect &before, const CRect &after, int nDrag,
                                   bool bFollowUp)
    : CBoardCommand(pDoc, QString()), m_nId(nId), m_before(before), m_after(after), m_nDrag(nDrag),
      m_bFollowUp(bFollowUp)
{
    UpdateText();
}

void CNoteRectCommand::UpdateText()
{
    const bool bSized = m_before.Width() != m_after.Width() || m_before.Height() != m_after.Height();
    setText(bSized ? QStringLiteral("Resize Note") : QStringLiteral("Move Note"));
}

bool CNoteRectCommand::mergeWith(const QUndoCommand *pOther)
{
    const auto *p = static_cast<const CNoteRectCommand *>(pOther);
    if (p->m_nId != m_nId)
        return false;
    // Every step of one drag, and the move that takes a note off the waste bin after it.
    if (!p->m_bFollowUp && (m_nDrag == 0 || p->m_nDrag != m_nDrag))
        return false;
    m_after = p->m_after;
    UpdateText();
    // A drag that ends where it began leaves nothing to undo.
    setObsolete(m_after == m_before);
    return true;
}

void CNoteRectCommand::Apply(bool bForward)
{
    if (CPaperFrame *pPaper = m_pDoc->FindPaper(m_nId)) {
        const CRect &rc = bForward ? m_after : m_before;
        pPaper->MoveWindow(rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
    }
}

CNoteStorageCommand::CNoteStorageCommand(CZentDoc *pDoc, int nId, bool bHidden)
    : CBoardCommand(pDoc, bHidden ? QStringLiteral("Put Note into Storage") : QStringLiteral("Restore Note")),
      m_nId(nId), m_bHidden(bHidden)
{
}

void CNoteStorageCommand::Apply(bool bForward)
{
    CPaperFrame *pPaper = m_pDoc->FindPaper(m_nId);
    if (!pPaper)
        return;
    if (bForward == m_bHidden)
        pPaper->Hide();
    else
        pPaper->Show();
}

CNoteCaptionCommand::CNoteCaptionCommand(CZentDoc *pDoc, int nId, const CString &strBefore, COLORREF clrBefore,
                                         const CString &strAfter, COLORREF clrAfter)
    : CBoardCommand(pDoc, QStringLiteral("Change Caption")), m_nId(nId), m_strBefore(strBefore), m_clrBefore(clrBefore),
      m_strAfter(strAfter), m_clrAfter(clrAfter)
{
}

void CNoteCaptionCommand::Apply(bool bForward)
{
    CPaperFrame *pPaper = m_pDoc->FindPaper(m_nId);
    if (!pPaper)
        return;
    pPaper->m_strCaption = bForward ? m_strAfter : m_strBefore;
    pPaper->m_clrCaption = bForward ? m_clrAfter : m_clrBefore;
    pPaper->RefreshCaptionBackground();
    pPaper->SetWindowText(pPaper->m_strCaption);
}
