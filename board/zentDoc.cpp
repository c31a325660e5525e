#include "zentDoc.h"

#include "BoardCommands.h"
#include "Recovery.h"

#include "platform/Archive.h"
#include "platform/CommonDialogs.h"
#include "platform/WndDC.h"
#include "res/resource.h"

#include <utility>

IMPLEMENT_DYNCREATE(CZentDoc, CDocument)

BEGIN_MESSAGE_MAP(CZentDoc, CDocument)
ON_COMMAND(ID_PURE_BACKGROUND, OnPureBackground)
ON_COMMAND(ID_TEXTURE_BACKGROUND, OnTextureBackground)
ON_COMMAND(ID_NEW_PICTURE, OnNewPicture)
ON_COMMAND(ID_SELECT_PICTURE, OnSelectPicture)
ON_UPDATE_COMMAND_UI(ID_SELECT_PICTURE, OnUpdateSelectPicture)
ON_COMMAND(ID_UNSELECT_PICTURE, OnUnselectPicture)
ON_UPDATE_COMMAND_UI(ID_UNSELECT_PICTURE, OnUpdateDeletePicture)
ON_COMMAND(ID_DELETE_PICTURE, OnDeletePicture)
ON_UPDATE_COMMAND_UI(ID_DELETE_PICTURE, OnUpdateDeletePicture)
ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, OnUpdateEditUndo)
ON_COMMAND(ID_EDIT_REDO, OnEditRedo)
ON_UPDATE_COMMAND_UI(ID_EDIT_REDO, OnUpdateEditRedo)
ON_COMMAND(ID_EXPORT_BOARD, OnExportBoard)
ON_UPDATE_COMMAND_UI(ID_EXPORT_BOARD, OnUpdateExportBoard)
END_MESSAGE_MAP()

CZentDoc::CZentDoc()
{
    m_icons.Create(32, 32, ILC_MASK, 1, 1);
    if (CWinApp *pApp = AfxGetApp()) {
        m_icons.Add(pApp->LoadIcon(IDI_TRASH));
        m_icons.Add(pApp->LoadIcon(IDI_STORAGE));
    }
    const CRect rc(10, 10, 150, 150);
    m_tracker.m_rect = rc;
    m_tracker.m_nStyle = CRectTracker::hatchedBorder | CRectTracker::resizeOutside;
    // Back at the state of the last Save or Open the board is unmodified again; away from it, modified.
    QObject::connect(&m_undo, &QUndoStack::cleanChanged, &m_undo, [this](bool bClean) { SetModifiedFlag(!bClean); });
    m_pRecovery = std::make_unique<CRecovery>(this);
}

CZentDoc::~CZentDoc() = default;

BOOL CZentDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return FALSE;
    return TRUE;
}

void CZentDoc::SetModifiedFlag(BOOL bModified)
{
    CDocument::SetModifiedFlag(bModified);
    if (m_pRecovery)
        m_pRecovery->OnModifiedFlag(bModified);
}

BOOL CZentDoc::SaveModified()
{
    const BOOL bWasModified = IsModified();
    if (!CDocument::SaveModified())
        return FALSE;
    // Yes has saved the board and cleared the flag; a flag still set means No.
    if (bWasModified && IsModified() && m_pRecovery)
        m_pRecovery->OnChangesDiscarded();
    return TRUE;
}

BOOL CZentDoc::RemovePaper(CPaperFrame *pPaper)
{
    // Notes end in the order their windows were made, which is from the tail of the list: looked for there first,
    // so that ending every note is not a search of the whole list for each.
    if (!m_papers.IsEmpty() && m_papers.GetTail() == pPaper) {
        m_papers.RemoveTail();
        --m_nPapers;
        return TRUE;
    }
    POSITION pos = m_papers.Find(pPaper);
    if (!pos)
        return FALSE;
    m_papers.RemoveAt(pos);
    --m_nPapers;
    return TRUE;
}

void CZentDoc::DeleteContents()
{
    // The steps refer to this board's notes and pictures; a new or opened board starts without any.
    m_undo.clear();
    DeleteNotes();
    m_bPictureSelected = false;
    if (m_bPicture) {
        m_bPicture = false;
        m_strPicturePath = CString();
        m_nPictureLeft = m_nPictureTop = 100;
        m_nPictureWidth = m_nPictureHeight = 200;
    }
    if (m_bTexture) {
        m_bTexture = false;
        // Let go of, not deleted: an open texture dialog may still show the pair.
        RetireTexture();
        m_nTextureID = 0;
    }
    if (m_bPureColour) {
        m_bPureColour = false;
        m_crBackground = RGB(255, 255, 255);
    }
    CDocument::DeleteContents();
}

void CZentDoc::OnPureBackground()
{
    CColorDialog dlg(0, 0, nullptr);
    if (dlg.DoModal() != IDOK)
        return;
    const CBoardLook before = CaptureLook();
    m_crBackground = dlg.GetColor();
    m_bPureColour = true;
    m_bTexture = false;
    SetModifiedFlag(TRUE);
    RecordLookChange(QStringLiteral("Pure Background"), before);
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::OnTextureBackground()
{
    OpenTextureDialog();
    const bool changed = m_bPureColour || !m_bTexture;
    const CBoardLook before = CaptureLook();
    m_bPureColour = false;
    m_bTexture = true;
    // The mode flags are saved with the board.
    if (changed) {
        SetModifiedFlag(TRUE);
        RecordLookChange(QStringLiteral("Texture Background"), before);
    }
}

void CZentDoc::OnNewPicture()
{
    CFileDialog dlg(TRUE, QString(), QString(), 0,
                    QStringLiteral("Picture Files (*.jpg, *.gif, *.bmp)|*.jpg;*.gif;*.bmp|All Files (*.*)|*.*|"),
                    nullptr);
    if (dlg.DoModal() != IDOK)
        return;
    // Decoded apart first: a file that is not a picture leaves the board's picture, its name and its placement as
    // they were.
    const CBoardLook before = CaptureLook();
    const CString strPath = dlg.GetFileName();
    CPicture picture;
    CSize size(0, 0);
    if (picture.LoadFromFile(strPath))
        if (CWnd *pMain = AfxGetMainWnd()) {
            CClientDC dc(pMain);
            size = picture.GetPixelSize(&dc);
        }
    if (size.cx <= 0 || size.cy <= 0) {
        AfxMessageBox(QStringLiteral("Can't load picture file!"), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::swap(m_picture.m_pPicture, picture.m_pPicture);
    m_strPicturePath = strPath;
    m_nPictureLeft = 50;
    m_nPictureTop = 50;
    m_nPictureWidth = 200;
    m_nPictureHeight = int((qint64(m_nPictureWidth) * size.cy) / size.cx);
    m_tracker.m_rect.SetRect(m_nPictureLeft, m_nPictureTop, m_nPictureLeft + m_nPictureWidth,
                             m_nPictureTop + m_nPictureHeight);
    m_bPicture = true;
    m_bPictureSelected = true;
    SetModifiedFlag(TRUE);
    RecordLookChange(QStringLiteral("New Picture"), before);
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::OnSelectPicture()
{
    m_bPictureSelected = true;
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::OnUpdateSelectPicture(CCmdUI *pCmdUI)
{
    pCmdUI->Enable(m_bPicture && !m_bPictureSelected);
}

void CZentDoc::OnUnselectPicture()
{
    m_bPictureSelected = false;
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::OnUpdateDeletePicture(CCmdUI *pCmdUI)
{
    pCmdUI->Enable(m_bPicture && m_bPictureSelected);
}

void CZentDoc::OnDeletePicture()
{
    const CBoardLook before = CaptureLook();
    m_bPictureSelected = false;
    m_bPicture = false;
    SetModifiedFlag(TRUE);
    RecordLookChange(QStringLiteral("Delete Picture"), before);
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::AssertValid() const
{
    CDocument::AssertValid();
}
void CZentDoc::Dump() const
{
    CDocument::Dump();
}
