#include "zentDoc.h"

#include "platform/Archive.h"
#include "platform/CommonDialogs.h"
#include "platform/WndDC.h"
#include "res/resource.h"

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
}

CZentDoc::~CZentDoc()
{
    // Released now, or by the last texture dialog that still shows it.
    RetireTexture();
}

BOOL CZentDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return FALSE;
    return TRUE;
}

BOOL CZentDoc::RemovePaper(CPaperFrame *pPaper)
{
    POSITION pos = m_papers.Find(pPaper);
    if (!pos)
        return FALSE;
    m_papers.RemoveAt(pos);
    --m_nPapers;
    return TRUE;
}

void CZentDoc::DeleteContents()
{
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
        // Set aside, not deleted: an open texture dialog may still show the pair.
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
    m_crBackground = dlg.GetColor();
    m_bPureColour = true;
    m_bTexture = false;
    SetModifiedFlag(TRUE);
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::OnTextureBackground()
{
    OpenTextureDialog();
    const bool changed = m_bPureColour || !m_bTexture;
    m_bPureColour = false;
    m_bTexture = true;
    // The mode flags are saved with the board.
    if (changed)
        SetModifiedFlag(TRUE);
}

void CZentDoc::OnNewPicture()
{
    CFileDialog dlg(TRUE, QString(), QString(), 0,
                    QStringLiteral("Picture Files (*.jpg, *.gif, *.bmp)|*.jpg;*.gif;*.bmp|All Files (*.*)|*.*|"),
                    nullptr);
    if (dlg.DoModal() != IDOK)
        return;
    // The name and placement change even when the file cannot be loaded, and both are saved with the board.
    const bool bPlacementChanged = m_strPicturePath != dlg.GetFileName() || m_nPictureLeft != 50 ||
                                   m_nPictureTop != 50 || m_nPictureWidth != 200 || m_nPictureHeight != 200;
    m_strPicturePath = dlg.GetFileName();
    m_nPictureLeft = 50;
    m_nPictureTop = 50;
    m_nPictureWidth = 200;
    m_nPictureHeight = 200;
    m_picture.LoadFromFile(m_strPicturePath);
    CSize size(0, 0);
    if (CWnd *pMain = AfxGetMainWnd()) {
        CClientDC dc(pMain);
        size = m_picture.GetPixelSize(&dc);
    }
    if (size.cx != 0 && size.cy != 0) {
        m_nPictureHeight = int((qint64(m_nPictureWidth) * size.cy) / size.cx);
        m_tracker.m_rect.SetRect(m_nPictureLeft, m_nPictureTop, m_nPictureLeft + m_nPictureWidth,
                                 m_nPictureTop + m_nPictureHeight);
        m_bPicture = true;
        m_bPictureSelected = true;
        SetModifiedFlag(TRUE);
        UpdateAllViews(nullptr, 0, nullptr);
    } else if (bPlacementChanged) {
        SetModifiedFlag(TRUE);
    }
}

void CZentDoc::OnSelectPicture()
{
    m_bPictureSelected = true;
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::OnUpdateSelectPicture(CCmdUI *pCmdUI) { pCmdUI->Enable(m_bPicture && !m_bPictureSelected); }

void CZentDoc::OnUnselectPicture()
{
    m_bPictureSelected = false;
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::OnUpdateDeletePicture(CCmdUI *pCmdUI) { pCmdUI->Enable(m_bPicture && m_bPictureSelected); }

void CZentDoc::OnDeletePicture()
{
    m_bPictureSelected = false;
    m_bPicture = false;
    SetModifiedFlag(TRUE);
    UpdateAllViews(nullptr, 0, nullptr);
}

void CZentDoc::AssertValid() const { CDocument::AssertValid(); }
void CZentDoc::Dump() const { CDocument::Dump(); }
