#include "Caption.h"

#include "AutoSelector.h"

#include "platform/Framework.h"
#include "platform/SysParams.h"
#include "platform/WndDC.h"

CSystemCaptionFont g_systemCaptionFont;

namespace {
// Clears a style bit of a window for a scope and writes the saved style back at its end, also when the scope
// is left by an exception.
class StyleBitRestorer {
public:
    StyleBitRestorer(HWND hWnd, DWORD dwMask)
        : m_hWnd(hWnd), m_dwMask(dwMask), m_dwStyle(DWORD(::GetWindowLong(hWnd, GWL_STYLE)))
    {
        if (m_dwStyle & m_dwMask)
            ::SetWindowLong(m_hWnd, GWL_STYLE, LONG_PTR(m_dwStyle & ~m_dwMask));
    }
    ~StyleBitRestorer()
    {
        if (m_dwStyle & m_dwMask)
            ::SetWindowLong(m_hWnd, GWL_STYLE, LONG_PTR(m_dwStyle));
    }
    StyleBitRestorer(const StyleBitRestorer &) = delete;
    StyleBitRestorer &operator=(const StyleBitRestorer &) = delete;

private:
    HWND m_hWnd;
    DWORD m_dwMask;
    DWORD m_dwStyle;
};

// WM_NCPAINT's wParam 0 or 1 stands for the whole window. Region handles here are addresses, so their low word
// can be 0 or 1 by chance: a live region is always taken as a region.
bool IsWholeWindowRegion(HRGN hRgn)
{
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(hRgn);
    if (LOWORD(value) > 1)
        return false;
    // Through the integer: 0 or 1 is no pointer to a region, so it must not be converted as one.
    return ::GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != OBJ_REGION;
}
} // namespace

// ---------------------------------------------------------------------------------------------------------------
// CCaptionTextStyle, CSystemCaptionFont

CCaptionTextStyle::CCaptionTextStyle() : m_clrActiveText(CLR_SYSCOLOR), m_clrInactiveText(CLR_SYSCOLOR) {}

CFont *CSystemCaptionFont::GetFont()
{
    if (!m_font.GetSafeHandle())
        CreateFont();
    return &m_font;
}

void CSystemCaptionFont::CreateFont()
{
    if (m_font.GetSafeHandle())
        m_font.DeleteObject();
    NONCLIENTMETRICS ncm{};
    ncm.cbSize = sizeof(NONCLIENTMETRICS);
    ::SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &ncm, 0);
    m_font.CreateFontIndirect(&ncm.lfCaptionFont);
}

// ---------------------------------------------------------------------------------------------------------------
// CCaption: construction, ownership

IMPLEMENT_DYNAMIC(CCaption, CSubclassWnd)

CCaption::CCaption() : m_bActive(kActiveUnknown) {}

CCaption::~CCaption()
{
    // The background, the text style and the bitmaps go with the members; CSubclassWnd checks that the painter
    // is unhooked.
}

BOOL CCaption::Detach()
{
    return SetHookedWindow(nullptr);
}

void CCaption::SetBackground(std::unique_ptr<CCaptionBackground> pBackground)
{
    ASSERT(m_pHookedWnd != nullptr);
    m_pBackground = std::move(pBackground);
    Refresh();
}

CCaptionBackground *CCaption::GetBackground()
{
    if (!m_pBackground)
        m_pBackground = std::make_unique<CCaptionBackground>();
    return m_pBackground.get();
}

CCaptionTextStyle *CCaption::GetTextStyle()
{
    if (!m_pTextStyle)
        m_pTextStyle = std::make_unique<CCaptionTextStyle>();
    return m_pTextStyle.get();
}

COLORREF CCaption::GetTextColor(BOOL bActive)
{
    const CCaptionTextStyle *pStyle = GetTextStyle();
    if (bActive)
        return pStyle->m_clrActiveText == CLR_SYSCOLOR ? ::GetSysColor(COLOR_CAPTIONTEXT) : pStyle->m_clrActiveText;
    return pStyle->m_clrInactiveText == CLR_SYSCOLOR ? ::GetSysColor(COLOR_INACTIVECAPTIONTEXT)
                                                     : pStyle->m_clrInactiveText;
}

BOOL CCaption::IsHookedWindowValid() const
{
    return m_pHookedWnd != nullptr && ::IsWindow(m_pHookedWnd->GetSafeHwnd());
}

LRESULT CCaption::DefaultWithoutSystemCaption()
{
    const StyleBitRestorer restorer(m_pHookedWnd->GetSafeHwnd(), WS_VISIBLE);
    return Default();
}

// ---------------------------------------------------------------------------------------------------------------
// Messages

LRESULT CCaption::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg) {
    case WM_SETTEXT:
        OnSetText(reinterpret_cast<LPCTSTR>(lParam));
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnSysSettingsChange();
        return 0;
    case WM_NCPAINT:
        OnNcPaint(reinterpret_cast<HRGN>(wParam));
        return 0;
    case WM_NCACTIVATE:
        return OnNcActivate(BOOL(wParam));
    default:
        return CSubclassWnd::WindowProc(nMsg, wParam, lParam);
    }
}

void CCaption::OnNcPaint(HRGN hRgn)
{
    ASSERT(IsHookedWindowValid());
    CRect rcWindow;
    m_pHookedWnd->GetWindowRect(&rcWindow);
    CRect rcCaption = GetCaptionRect();
    rcCaption.OffsetRect(rcWindow.left, rcWindow.top);

    const bool bWholeWindow = IsWholeWindowRegion(hRgn);
    if (!bWholeWindow && !::RectInRegion(hRgn, &rcCaption)) {
        Default();
        return;
    }

    // The usual processing paints everything but the caption, so the caption is never painted twice.
    CRgn rgnCaption, rgnRest;
    rgnCaption.CreateRectRgnIndirect(&rcCaption);
    rgnRest.CreateRectRgnIndirect(&rcCaption);
    if (bWholeWindow) {
        CRgn rgnWindow;
        rgnWindow.CreateRectRgnIndirect(&rcWindow);
        rgnRest.CombineRgn(&rgnWindow, &rgnCaption, RGN_DIFF);
        rgnWindow.DeleteObject();
    } else {
        ::CombineRgn(rgnRest, hRgn, rgnCaption, RGN_DIFF);
    }

    MSG &record = AfxGetThreadState()->m_lastSentMsg;
    const WPARAM wParamSaved = record.wParam;
    record.wParam = reinterpret_cast<WPARAM>(static_cast<HRGN>(rgnRest));
    Default();
    rgnCaption.DeleteObject();
    rgnRest.DeleteObject();
    record.wParam = wParamSaved;

    PaintCaption();
}

BOOL CCaption::OnNcActivate(BOOL bActive)
{
    ASSERT(IsHookedWindowValid());
    CFrameWnd *pFrame = DYNAMIC_DOWNCAST(CFrameWnd, m_pHookedWnd);
    ASSERT(pFrame != nullptr);

    if (m_pHookedWnd->m_nFlags & WF_STAYACTIVE)
        bActive = TRUE;
    if (!m_pHookedWnd->IsWindowEnabled())
        bActive = FALSE;
    if (bActive == m_bActive)
        return TRUE;

    if (pFrame) {
        CFrameWnd *pActiveFrame = pFrame->GetActiveFrame();
        if (pActiveFrame && pActiveFrame != pFrame) {
            pActiveFrame->SendMessage(WM_NCACTIVATE, WPARAM(bActive), 0);
            pActiveFrame->SendMessage(WM_NCPAINT, 0, 0);
        }
    }

    // The record is not put back here: SubclassProc restores it when the message ends.
    AfxGetThreadState()->m_lastSentMsg.wParam = WPARAM(bActive);
    DefaultWithoutSystemCaption();

    m_bActive = bActive;
    m_pHookedWnd->SendMessage(WM_NCPAINT, 0, 0);
    return TRUE;
}

void CCaption::OnSetText(LPCTSTR)
{
    ASSERT(IsHookedWindowValid());
    // The window keeps the text; DrawCaptionText reads it back.
    DefaultWithoutSystemCaption();
    Refresh();
}

void CCaption::OnSysSettingsChange()
{
    Default();
    // Colours and metrics are read at each painting; the caption font stays as it was made.
    Refresh();
}

// ---------------------------------------------------------------------------------------------------------------
// Painting

void CCaption::Refresh()
{
    m_szCaption = CSize(0, 0);
    PaintCaption();
}

void CCaption::PaintCaption()
{
    ASSERT(m_pHookedWnd != nullptr);
    // A window without area has no surface to copy to, and asking for one would only come back here.
    CRect rcWindow;
    m_pHookedWnd->GetWindowRect(&rcWindow);
    if (rcWindow.IsRectEmpty())
        return;
    // A window that does not show is painted when it shows; until then there is nothing to see.
    if (!m_pHookedWnd->IsWindowVisible())
        return;

    CWindowDC dc(m_pHookedWnd);
    const CRect rcCaption = GetCaptionRect();
    // Only the part of the caption the window's surface holds: a note reaching far beyond the board (a huge
    // rectangle from a file) must not cost a bitmap of its whole width.
    CRect rcSurface;
    dc.GetClipBox(&rcSurface);
    CRect rcPart;
    if (!rcPart.IntersectRect(rcCaption, rcSurface))
        return;
    rcPart.OffsetRect(-rcCaption.left, -rcCaption.top);

    if (rcCaption.Size() != m_szCaption || rcPart != m_rcCached) {
        m_bmCaption[0].DeleteObject();
        m_bmCaption[1].DeleteObject();
        m_szCaption = rcCaption.Size();
        m_rcCached = rcPart;
    }

    CDC dcMem;
    dcMem.CreateCompatibleDC(&dc);
    CBitmap &bmCaption = m_bmCaption[m_bActive ? 1 : 0];
    bool bNew = false;
    if (!bmCaption.GetSafeHandle()) {
        bmCaption.CreateCompatibleBitmap(&dc, rcPart.Width(), rcPart.Height());
        bNew = true;
    }

    CBitmap *pOldBitmap = dcMem.SelectObject(&bmCaption);
    if (bNew) {
        // Drawn in caption coordinates; what falls outside the part is clipped away.
        dcMem.SetViewportOrg(-rcPart.left, -rcPart.top);
        DrawCaption(&dcMem);
        dcMem.SetViewportOrg(0, 0);
    }
    dc.BitBlt(rcCaption.left + rcPart.left, rcCaption.top + rcPart.top, rcPart.Width(), rcPart.Height(), &dcMem, 0, 0,
              SRCCOPY);
    dcMem.SelectObject(pOldBitmap);
}

void CCaption::DrawCaption(CDC *pDC)
{
    DrawBackground(pDC);
    DrawIcon(pDC);
    DrawButtons(pDC);
    DrawBottomEdge(pDC);
    DrawCaptionText(pDC);
}

void CCaption::DrawBackground(CDC *pDC)
{
    GetBackground()->Paint(pDC, m_szCaption.cx, m_szCaption.cy, m_bActive);
}

int CCaption::DrawIcon(CDC *pDC)
{
    ASSERT(m_pHookedWnd != nullptr);
    if (!(m_pHookedWnd->GetStyle() & WS_SYSMENU))
        return 0;
    const int cxSize = ::GetSystemMetrics(SM_CXSIZE);
    const CRect rcIcon(2, 1, cxSize, ::GetSystemMetrics(SM_CYSIZE) - 1);
    if (pDC) {
        const HICON hIcon = reinterpret_cast<HICON>(::GetClassLong(m_pHookedWnd->GetSafeHwnd(), GCL_HICONSM));
        pDC->DrawIconEx(rcIcon.left, rcIcon.top, hIcon, rcIcon.Width(), rcIcon.Height(), 0, nullptr, DI_NORMAL);
    }
    return cxSize;
}

int CCaption::DrawButtons(CDC *pDC)
{
    ASSERT(m_pHookedWnd != nullptr);
    const DWORD dwStyle = m_pHookedWnd->GetStyle();
    if (!(dwStyle & WS_CAPTION))
        return 0;
    const int cx = ::GetSystemMetrics(SM_CXSIZE);
    const int cy = ::GetSystemMetrics(SM_CYSIZE);
    const int nWidth = GetCaptionRect().Width();

    // The rightmost slot stays free (no close button); the background shows there.
    CRect rcButton(nWidth - cx, 0, nWidth, cy);
    rcButton.DeflateRect(0, 2, 2, 2);

    if ((dwStyle & WS_MAXIMIZEBOX) || (m_pHookedWnd->GetExStyle() & WS_EX_CONTEXTHELP)) {
        rcButton.OffsetRect(-cx, 0);
        if (pDC) {
            UINT nState = DFCS_CAPTIONHELP;
            if (dwStyle & WS_MAXIMIZEBOX)
                nState = m_pHookedWnd->IsZoomed() ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX;
            pDC->DrawFrameControl(&rcButton, DFC_CAPTION, nState);
        }
    }
    if (dwStyle & WS_MINIMIZEBOX) {
        rcButton.OffsetRect(-(cx - 2), 0);
        if (pDC)
            pDC->DrawFrameControl(&rcButton, DFC_CAPTION,
                                  m_pHookedWnd->IsIconic() ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN);
    }
    return nWidth + 2 - rcButton.left;
}

void CCaption::DrawBottomEdge(CDC *pDC)
{
    // Only the last SM_CYBORDER rows of the fill lie inside the bitmap.
    FillSolid(pDC, 0, m_szCaption.cy - ::GetSystemMetrics(SM_CYBORDER), m_szCaption.cx, m_szCaption.cy,
              ::GetSysColor(COLOR_BTNFACE));
}

void CCaption::DrawCaptionText(CDC *pDC)
{
    ASSERT(m_pHookedWnd != nullptr);
    pDC->SetBkMode(TRANSPARENT);
    CString strText;
    m_pHookedWnd->GetWindowText(strText);
    pDC->SetTextColor(GetTextColor(m_bActive));
    const AutoSelector selector(pDC, GetCaptionFont(m_bActive));
    // Window coordinates used as they are in bitmap coordinates.
    CRect rcText = GetTextRect();
    pDC->DrawText(strText, &rcText, DT_END_ELLIPSIS);
}

// ---------------------------------------------------------------------------------------------------------------
// Geometry and fonts

CSize CCaption::GetFrameSize()
{
    ASSERT(m_pHookedWnd != nullptr);
    if (m_pHookedWnd->GetStyle() & WS_THICKFRAME)
        return CSize(::GetSystemMetrics(SM_CXFRAME), ::GetSystemMetrics(SM_CYFRAME));
    return CSize(::GetSystemMetrics(SM_CXDLGFRAME), ::GetSystemMetrics(SM_CYDLGFRAME));
}

CRect CCaption::GetCaptionRect()
{
    ASSERT(m_pHookedWnd != nullptr);
    CRect rc;
    m_pHookedWnd->GetWindowRect(&rc);
    rc.OffsetRect(-rc.left, -rc.top);
    const CSize szFrame = GetFrameSize();
    rc.DeflateRect(szFrame.cx, szFrame.cy);
    // The normal caption height, also on a tool window whose own caption is the small one.
    rc.bottom = rc.top + ::GetSystemMetrics(SM_CYCAPTION);
    if (m_pHookedWnd->IsIconic())
        rc.OffsetRect(0, -1);
    return rc;
}

CRect CCaption::GetTextRect()
{
    ASSERT(m_pHookedWnd != nullptr);
    const CRect rcCaption = GetCaptionRect();
    return CRect(rcCaption.left + DrawIcon(nullptr), rcCaption.top - 2, rcCaption.right - DrawButtons(nullptr) - 4,
                 rcCaption.bottom);
}

CFont *CCaption::GetCaptionFont(BOOL bActive)
{
    ASSERT(m_pHookedWnd != nullptr);
    if (m_pHookedWnd->IsIconic())
        return g_systemCaptionFont.GetFont();
    CCaptionTextStyle *pStyle = GetTextStyle();
    CFont &font = bActive ? pStyle->m_fontActive : pStyle->m_fontInactive;
    return font.GetSafeHandle() ? &font : g_systemCaptionFont.GetFont();
}
