#include "MainFrm.h"

#include "res/resource.h"

namespace {
const UINT indicators[] = {
    ID_SEPARATOR, // message pane
};
}

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_NCLBUTTONDBLCLK()
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

CMainFrame::CMainFrame() = default;
CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;

    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, 0x50402834, CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        TRACE("Failed to create toolbar\n");
        return -1;
    }
    if (!m_wndStatusBar.Create(this, 0x50008200, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(indicators, sizeof(indicators) / sizeof(UINT))) {
        TRACE("Failed to create status bar\n");
        return -1;
    }

    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    return 0;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT &cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.x = 100;
    cs.y = 100;
    cs.cx = 600;
    cs.cy = 400;
    return TRUE;
}

void CMainFrame::OnNcLButtonDblClk(UINT nHitTest, CPoint point)
{
    CFrameWnd::OnNcLButtonDblClk(nHitTest, point);
}
void CMainFrame::OnNcDestroy()
{
    CFrameWnd::OnNcDestroy();
}

void CMainFrame::AssertValid() const
{
    CFrameWnd::AssertValid();
}
void CMainFrame::Dump() const
{
    CFrameWnd::Dump();
}
