#include "SingleLineCaption.h"

#include "platform/Framework.h"
#include "platform/SysParams.h"

IMPLEMENT_DYNAMIC(CSingleLineCaption, CCaption)

CSingleLineCaption::CSingleLineCaption() : m_hIcon(nullptr) {}

CSingleLineCaption::~CSingleLineCaption() = default;

BOOL CSingleLineCaption::Attach(CFrameWnd *pFrameWnd)
{
    SetHookedWindow(pFrameWnd);
    return TRUE;
}

LRESULT CSingleLineCaption::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_NCACTIVATE)
        return OnNcActivate(BOOL(wParam));
    return CCaption::WindowProc(nMsg, wParam, lParam);
}

BOOL CSingleLineCaption::OnNcActivate(BOOL bActive)
{
    TRACE("CSingleLineCaption::OnNcActivate\n");
    // Any window will do; only a frame has other frames to pass the activation to.
    ASSERT(IsHookedWindowValid());

    if (m_pHookedWnd->m_nFlags & WF_STAYACTIVE)
        bActive = TRUE;
    if (!m_pHookedWnd->IsWindowEnabled())
        bActive = FALSE;
    if (bActive == m_bActive)
        return TRUE;

    if (CFrameWnd *pFrame = DYNAMIC_DOWNCAST(CFrameWnd, m_pHookedWnd)) {
        CFrameWnd *pActiveFrame = pFrame->GetActiveFrame();
        if (pActiveFrame && pActiveFrame != pFrame) {
            pActiveFrame->SendMessage(WM_NCACTIVATE, WPARAM(bActive), 0);
            pActiveFrame->SendMessage(WM_NCPAINT, 0, 0);
        }
    }

    AfxGetThreadState()->m_lastSentMsg.wParam = WPARAM(bActive);
    DefaultWithoutSystemCaption();

    m_bActive = bActive;
    m_pHookedWnd->SendMessage(WM_NCPAINT, 0, 0);
    return TRUE;
}

int CSingleLineCaption::DrawIcon(CDC *pDC)
{
    ASSERT(m_pHookedWnd != nullptr);
    if (!(m_pHookedWnd->GetStyle() & WS_SYSMENU))
        return 0;
    const int cxSize = ::GetSystemMetrics(SM_CXSIZE);
    const CRect rcIcon(2, 1, cxSize, ::GetSystemMetrics(SM_CYSIZE) - 1);
    if (pDC) {
        HICON hIcon = m_hIcon;
        if (!hIcon)
            hIcon = reinterpret_cast<HICON>(::GetClassLong(m_pHookedWnd->GetSafeHwnd(), GCL_HICONSM));
        pDC->DrawIconEx(rcIcon.left, rcIcon.top, hIcon, rcIcon.Width(), rcIcon.Height(), 0, nullptr, DI_NORMAL);
    }
    return cxSize;
}
