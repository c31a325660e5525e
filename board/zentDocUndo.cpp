#include "zentDoc.h"

#include "BoardCommands.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/OlePicture.h"
#include "view/zentView.h"

void CZentDoc::RecordUndo(QUndoCommand *pCommand)
{
    if (!IsRecording()) {
        delete pCommand;
        return;
    }
    m_undo.push(pCommand);
}

void CZentDoc::ChangedOutsideUndo()
{
    if (IsRecording())
        m_undo.resetClean();
}

CPaperFrame *CZentDoc::FindPaper(int nId) const
{
    if (nId == 0)
        return nullptr;
    for (POSITION pos = m_papers.GetHeadPosition(); pos;) {
        CPaperFrame *pPaper = const_cast<CZentDoc *>(this)->m_papers.GetNext(pos);
        if (pPaper->m_nId == nId)
            return pPaper;
    }
    return nullptr;
}

CPaperState CZentDoc::CapturePaper(const CPaperFrame *pPaper) const
{
    CPaperState state;
    state.nId = pPaper->m_nId;
    state.rect = pPaper->m_rect;
    state.bHidden = pPaper->m_bHidden;
    state.strCaption = pPaper->m_strCaption;
    state.clrCaption = pPaper->m_clrCaption;
    if (pPaper->m_pEdit)
        pPaper->m_pEdit->GetWindowText(state.strText);
    int nIndex = 0;
    for (POSITION pos = m_papers.GetHeadPosition(); pos; ++nIndex)
        if (const_cast<CZentDoc *>(this)->m_papers.GetNext(pos) == pPaper)
            break;
    state.nIndex = nIndex;
    return state;
}

CPaperFrame *CZentDoc::RestorePaper(const CPaperState &state)
{
    const int nBefore = m_nPapers;
    RECT rc = state.rect;
    AddPaper(rc, !state.bHidden);
    if (m_nPapers == nBefore)
        return nullptr;
    CPaperFrame *pPaper = m_papers.RemoveHead();
    pPaper->m_nId = state.nId;
    pPaper->m_pEdit->SetWindowText(state.strText);
    pPaper->m_strCaption = state.strCaption;
    pPaper->m_clrCaption = state.clrCaption;
    pPaper->RefreshCaptionBackground();
    pPaper->SetWindowText(state.strCaption);
    // Back at its place in the list, which is the order of the file.
    if (POSITION pos = m_papers.FindIndex(state.nIndex))
        m_papers.InsertBefore(pos, pPaper);
    else
        m_papers.AddTail(pPaper);
    return pPaper;
}

void CZentDoc::ErasePaper(int nId)
{
    CPaperFrame *pPaper = FindPaper(nId);
    if (!pPaper)
        return;
    // Out of the list first, as the waste bin does: its window's end must not find it there.
    RemovePaper(pPaper);
    pPaper->Destroy();
}

CBoardLook CZentDoc::CaptureLook() const
{
    CBoardLook look;
    look.bPureColour = m_bPureColour;
    look.bTexture = m_bTexture;
    look.bPicture = m_bPicture;
    look.bPictureSelected = m_bPictureSelected;
    look.crBackground = m_crBackground;
    look.nTextureID = m_nTextureID;
    look.strPicturePath = m_strPicturePath;
    look.nPictureLeft = m_nPictureLeft;
    look.nPictureTop = m_nPictureTop;
    look.nPictureWidth = m_nPictureWidth;
    look.nPictureHeight = m_nPictureHeight;
    look.rcTracker = m_tracker.m_rect;
    look.picture = CPictureRef(m_picture.m_pPicture);
    return look;
}

void CZentDoc::ApplyLook(const CBoardLook &look)
{
    // Textures are built in: the number is enough to make the bitmap again.
    if (look.nTextureID != m_nTextureID || (look.nTextureID && !m_hTexture)) {
        if (look.nTextureID == 0 || !LoadTexture(UINT(look.nTextureID)))
            RetireTexture();
    }
    m_nTextureID = look.nTextureID;
    m_bTexture = look.bTexture;
    m_bPureColour = look.bPureColour;
    m_crBackground = look.crBackground;
    if (m_picture.m_pPicture != look.picture.Get()) {
        m_picture.Free();
        m_picture.m_pPicture = look.picture.Get();
        if (m_picture.m_pPicture)
            m_picture.m_pPicture->AddRef();
    }
    m_bPicture = look.bPicture;
    m_bPictureSelected = look.bPicture && look.bPictureSelected;
    m_strPicturePath = look.strPicturePath;
    m_nPictureLeft = look.nPictureLeft;
    m_nPictureTop = look.nPictureTop;
    m_nPictureWidth = look.nPictureWidth;
    m_nPictureHeight = look.nPictureHeight;
    m_tracker.m_rect = look.rcTracker;
}

void CZentDoc::RecordLookChange(const QString &strText, const CBoardLook &before)
{
    if (!IsRecording())
        return;
    CBoardLook after = CaptureLook();
    if (after.SameBoard(before))
        return;
    RecordUndo(new CBoardLookCommand(this, strText, before, after));
}

void CZentDoc::AfterReplay()
{
    UpdateAllViews(nullptr, 0, nullptr);
    for (POSITION pos = GetFirstViewPosition(); pos;)
        if (auto *pView = dynamic_cast<CZentView *>(GetNextView(pos)))
            pView->SettleIconTest();
}

BOOL CZentDoc::OnSaveDocument(const QString &path)
{
    if (!CDocument::OnSaveDocument(path))
        return FALSE;
    m_undo.setClean();
    return TRUE;
}

namespace {
// The note's text control with the keyboard focus, if any.
CPaperEdit *FocusedPaperEdit()
{
    return dynamic_cast<CPaperEdit *>(CWnd::GetFocus());
}
} // namespace

void CZentDoc::OnEditUndo()
{
    // Typing in a note is taken back there first.
    if (CPaperEdit *pEdit = FocusedPaperEdit())
        if (pEdit->CanUndo()) {
            pEdit->Undo();
            return;
        }
    m_undo.undo();
}

void CZentDoc::OnUpdateEditUndo(CCmdUI *pCmdUI)
{
    const CPaperEdit *pEdit = FocusedPaperEdit();
    pCmdUI->Enable(m_undo.canUndo() || (pEdit && pEdit->CanUndo()));
}

void CZentDoc::OnEditRedo()
{
    m_undo.redo();
}

void CZentDoc::OnUpdateEditRedo(CCmdUI *pCmdUI)
{
    pCmdUI->Enable(m_undo.canRedo());
}
