#include "PaperFrame.h"

#include "MakeCaptionDialog.h"
#include "NoteCommands.h"
#include "PaperEdit.h"
#include "board/zentDoc.h"
#include "platform/SysParams.h"
#include "view/zentView.h"

namespace {
const DWORD kPaperStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_THICKFRAME | MFS_SYNCACTIVE; // 0x44C40100
} // namespace

IMPLEMENT_DYNCREATE(CPaperFrame, CMiniFrameWnd)

quint64 CPaperFrame::s_nLayoutVersion = 0;

BEGIN_MESSAGE_MAP(CPaperFrame, CMiniFrameWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_MOVE()
ON_WM_NCLBUTTONDBLCLK()
ON_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivate)
ON_EN_CHANGE(0, OnTextChange)
ON_WM_NCDESTROY()
ON_MESSAGE(WM_ENTERSIZEMOVE, OnEnterSizeMove)
ON_MESSAGE(WM_EXITSIZEMOVE, OnExitSizeMove)
END_MESSAGE_MAP()

CPaperFrame::CPaperFrame()
    : m_bHidden(true), m_pBackground(nullptr), m_clrCaptionText(GetSysColor(COLOR_CAPTIONTEXT)),
      m_clrCaption(RGB(255, 0, 0)), m_bDestroyed(false)
{
    ++s_nLayoutVersion;
}

CPaperFrame::CPaperFrame(std::unique_ptr<CPaperEdit> pEdit, RECT &rect, bool bShow) : CPaperFrame()
{
    m_pEdit = std::move(pEdit);
    CWnd *pParent = m_pEdit->GetParent();
    Create(QString(), m_strCaption, kPaperStyle, rect, pParent, 0);
    // Without a window there is nothing to take the control into; the document drops such a note.
    if (!m_hWnd)
        return;
    // Hidden outright: a note made before the main window first shows (a board given on the command line) would
    // otherwise show with it, stored or not.
    ShowWindow(SW_HIDE);
    m_pEdit->SetParent(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    m_pEdit->MoveWindow(&rcClient, TRUE);
    m_pEdit->ShowWindow(SW_SHOW);
    UpdateRect();
    if (bShow)
        Show();
}

// The control's window ended with the note's, as its child; the object goes with m_pEdit.
CPaperFrame::~CPaperFrame() = default;

void CPaperFrame::Show()
{
    if (!m_bHidden)
        return;
    m_pEdit->ShowWindow(SW_SHOW);
    ShowWindow(SW_SHOW);
    m_bHidden = false;
    ++s_nLayoutVersion;
}

void CPaperFrame::Hide()
{
    if (m_bHidden)
        return;
    ShowWindow(SW_HIDE);
    m_bHidden = true;
    ++s_nLayoutVersion;
}

void CPaperFrame::Destroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    m_caption.Detach();
    DestroyWindow();
}

void CPaperFrame::RefreshCaptionBackground()
{
    if (!m_pBackground)
        return;
    HandCaptionBackground();
}

void CPaperFrame::HandCaptionBackground()
{
    auto pBackground = std::make_unique<CGradientCaptionBackground>();
    pBackground->SetColors(m_clrCaption, m_clrCaption);
    m_pBackground = pBackground.get();
    m_caption.SetBackground(std::move(pBackground));
}

int CPaperFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CMiniFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_caption.Attach(this);
    HandCaptionBackground();
    return 0;
}

void CPaperFrame::OnSize(UINT nType, int cx, int cy)
{
    CMiniFrameWnd::OnSize(nType, cx, cy);
    if (m_pEdit)
        m_pEdit->MoveWindow(0, 0, cx, cy, TRUE);
    const CRect rcBefore = m_rect;
    UpdateRect();
    PaperMoved(rcBefore);
}

void CPaperFrame::OnMove(int x, int y)
{
    (void)x;
    (void)y;
    Default();
    const CRect rcBefore = m_rect;
    UpdateRect();
    PaperMoved(rcBefore);
}

void CPaperFrame::OnNcLButtonDblClk(UINT nHitTest, CPoint point)
{
    (void)nHitTest;
    (void)point;
    CMakeCaptionDialog dlg(this);
    if (dlg.DoModal() == IDOK) {
        const CString strBefore = m_strCaption;
        const COLORREF clrBefore = m_clrCaption;
        m_strCaption = dlg.m_strText;
        m_clrCaption = dlg.m_clrCaption;
        if (m_pBackground) {
            HandCaptionBackground();
            SetWindowText(m_strCaption);
        }
        if (CZentDoc *pDoc = GetBoardDocument()) {
            pDoc->SetModifiedFlag(TRUE);
            if (m_nId && (strBefore != m_strCaption || clrBefore != m_clrCaption))
                pDoc->RecordUndo(
                    new CNoteCaptionCommand(pDoc, m_nId, strBefore, clrBefore, m_strCaption, m_clrCaption));
        }
    }
    // The dialog was opened for this note: typing goes on in its text.
    FocusText();
    Default();
}

LRESULT CPaperFrame::OnMouseActivate(WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    // The window system brings the note to the front and activates it; the caret goes into its text.
    const LRESULT lResult = Default();
    FocusText();
    return lResult;
}

void CPaperFrame::FocusText()
{
    if (!IsWindow(m_hWnd) || m_bHidden || !m_pEdit || !IsWindow(m_pEdit->GetSafeHwnd()))
        return;
    m_pEdit->SetFocus();
}

void CPaperFrame::OnTextChange()
{
    if (CZentDoc *pDoc = GetBoardDocument()) {
        pDoc->SetModifiedFlag(TRUE);
        // Typing is undone in the text control, not on the board.
        pDoc->ChangedOutsideUndo();
    }
}

LRESULT CPaperFrame::OnEnterSizeMove(WPARAM, LPARAM)
{
    static int s_nLastSizeMove = 0;
    m_nSizeMove = ++s_nLastSizeMove;
    return 0;
}

LRESULT CPaperFrame::OnExitSizeMove(WPARAM, LPARAM)
{
    m_nSizeMove = 0;
    return 0;
}

void CPaperFrame::OnNcDestroy()
{
    // Whichever way the window ends (Destroy, the board view's end, New, Open), the note leaves the board's list
    // now, before this object goes.
    if (CZentDoc *pDoc = GetBoardDocument())
        pDoc->RemovePaper(this);
    ++s_nLayoutVersion;
    CMiniFrameWnd::OnNcDestroy();
}

void CPaperFrame::UpdateRect()
{
    CRect rc;
    GetWindowRect(&rc);
    if (CWnd *pParent = GetParent())
        pParent->ScreenToClient(&rc);
    m_rect = rc;
    ++s_nLayoutVersion;
}

void CPaperFrame::PaperMoved(const CRect &rcBefore)
{
    if (CZentView *pView = GetBoardView())
        pView->PostMessage(WM_PAPER_MOVED, 0, 0);
    if (m_rect != rcBefore)
        if (CZentDoc *pDoc = GetBoardDocument()) {
            pDoc->SetModifiedFlag(TRUE);
            if (m_nId)
                pDoc->RecordUndo(
                    new CNoteRectCommand(pDoc, m_nId, rcBefore, m_rect, m_nSizeMove, pDoc->m_bFollowUpMove));
        }
}

CZentDoc *CPaperFrame::GetBoardDocument() const
{
    auto *pView = dynamic_cast<CView *>(GetParent());
    return pView ? dynamic_cast<CZentDoc *>(pView->GetDocument()) : nullptr;
}
