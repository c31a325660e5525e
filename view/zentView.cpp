#include "zentView.h"

#include "Texture.h"
#include "memdc.h"
#include "res/resource.h"

IMPLEMENT_DYNCREATE(CZentView, CView)

BEGIN_MESSAGE_MAP(CZentView, CView)
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDBLCLK()
ON_MESSAGE(WM_PAPER_MOVED, OnPaperMoved)
ON_MESSAGE(WM_PAPER_SHOW, OnPaperShow)
ON_COMMAND(ID_BRING_NOTES_INTO_VIEW, OnBringNotesIntoView)
ON_UPDATE_COMMAND_UI(ID_BRING_NOTES_INTO_VIEW, OnUpdateBringNotesIntoView)
ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

CZentView::CZentView() = default;
CZentView::~CZentView() = default;

CZentView *GetBoardView()
{
    auto *pFrame = dynamic_cast<CFrameWnd *>(AfxGetMainWnd());
    return pFrame ? dynamic_cast<CZentView *>(pFrame->GetActiveView()) : nullptr;
}

CZentDoc *CZentView::GetDocument() const
{
    ASSERT(m_pDocument && m_pDocument->IsKindOf(RUNTIME_CLASS(CZentDoc)));
    return static_cast<CZentDoc *>(m_pDocument);
}

BOOL CZentView::PreCreateWindow(CREATESTRUCT &cs)
{
    return CView::PreCreateWindow(cs);
}

void CZentView::OnDraw(CDC *pDC)
{
    CZentDoc *pDoc = GetDocument();
    {
        CMemDC dc(pDC);
        CRect rcClient;
        GetClientRect(&rcClient);
        if (pDoc->m_bPureColour && !pDoc->m_bTexture) {
            CBrush brush(pDoc->m_crBackground);
            dc.FillRect(&rcClient, &brush);
        }
        if (pDoc->m_bTexture && pDoc->m_hTexture)
            PaintTexture(&dc, rcClient, pDoc->m_hTexture, pDoc->m_hTexturePalette, pDoc->m_nTextureWidth,
                         pDoc->m_nTextureHeight);
        if (pDoc->m_bPicture)
            pDoc->m_picture.Draw(&dc, pDoc->m_nPictureLeft, pDoc->m_nPictureTop, pDoc->m_nPictureWidth,
                                 pDoc->m_nPictureHeight);
        pDoc->m_icons.Draw(&dc, 0, pDoc->m_ptTrash, ILD_NORMAL);
        pDoc->m_icons.Draw(&dc, 1, pDoc->m_ptStorage, ILD_NORMAL);
    }
    // The tracker goes on top of the copied board, straight onto the target.
    if (pDoc->m_bPictureSelected)
        pDoc->m_tracker.Draw(pDC);
}

BOOL CZentView::OnEraseBkgnd(CDC *)
{
    return FALSE;
}

void CZentView::AssertValid() const
{
    CView::AssertValid();
}
void CZentView::Dump() const
{
    CView::Dump();
}
