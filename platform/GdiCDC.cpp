// The framework's device context class: a thin layer over the context functions.
#include "GdiImpl.h"

IMPLEMENT_DYNAMIC(CDC, CObject)

namespace {
template <class T> T *wrapperOf(HGDIOBJ h)
{
    return static_cast<T *>(CGdiObject::FromHandle(h));
}
} // namespace

CDC::~CDC()
{
    if (m_hDC)
        ::DeleteDC(Detach());
}

CDC *CDC::FromHandle(HDC hDC)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc)
        return nullptr;
    if (dc->permanent)
        return dc->permanent;
    if (!dc->temporary) {
        dc->temporary = std::make_unique<CDC>();
        dc->temporary->m_hDC = hDC;
        dc->temporary->m_hAttribDC = hDC;
        dc->temporary->m_bPrinting = dc->kind == HDC__::Kind::Printer;
    }
    return dc->temporary.get();
}

BOOL CDC::Attach(HDC hDC)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || m_hDC)
        return FALSE;
    m_hDC = m_hAttribDC = hDC;
    m_bPrinting = dc->kind == HDC__::Kind::Printer;
    dc->permanent = this;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    if (HDC__ *dc = afx::dcFromHandle(h); dc && dc->permanent == this)
        dc->permanent = nullptr;
    m_hDC = m_hAttribDC = nullptr;
    return h;
}

BOOL CDC::CreateCompatibleDC(CDC *pDC)
{
    if (m_hDC)
        return FALSE;
    return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    return ::DeleteDC(Detach());
}

int CDC::GetDeviceCaps(int nIndex) const
{
    return ::GetDeviceCaps(m_hAttribDC, nIndex);
}

CBrush *CDC::SelectObject(CBrush *pBrush)
{
    return pBrush ? wrapperOf<CBrush>(::SelectObject(m_hDC, pBrush->m_hObject)) : nullptr;
}
CFont *CDC::SelectObject(CFont *pFont)
{
    return pFont ? wrapperOf<CFont>(::SelectObject(m_hDC, pFont->m_hObject)) : nullptr;
}
CBitmap *CDC::SelectObject(CBitmap *pBitmap)
{
    return pBitmap ? wrapperOf<CBitmap>(::SelectObject(m_hDC, pBitmap->m_hObject)) : nullptr;
}
int CDC::SelectObject(CRgn *pRgn)
{
    return ::SelectClipRgn(m_hDC, pRgn ? static_cast<HRGN>(pRgn->m_hObject) : nullptr);
}

CGdiObject *CDC::SelectObject(CGdiObject *pObject)
{
    if (!pObject)
        return nullptr;
    if (::GetObjectType(pObject->m_hObject) == OBJ_REGION) {
        ::SelectClipRgn(m_hDC, static_cast<HRGN>(pObject->m_hObject));
        return nullptr; // a region gives no previous object
    }
    return CGdiObject::FromHandle(::SelectObject(m_hDC, pObject->m_hObject));
}

CBrush *CDC::GetCurrentBrush() const
{
    const HDC__ *dc = afx::dcFromHandle(m_hDC);
    return dc ? wrapperOf<CBrush>(dc->brush) : nullptr;
}

// Attributes are set on both contexts when they differ and read from the attribute context.
int CDC::SetBkMode(int nBkMode)
{
    int old = 0;
    if (m_hDC && m_hDC != m_hAttribDC)
        old = ::SetBkMode(m_hDC, nBkMode);
    return m_hAttribDC ? ::SetBkMode(m_hAttribDC, nBkMode) : old;
}
COLORREF CDC::SetBkColor(COLORREF color)
{
    COLORREF old = 0xFFFFFFFF;
    if (m_hDC && m_hDC != m_hAttribDC)
        old = ::SetBkColor(m_hDC, color);
    return m_hAttribDC ? ::SetBkColor(m_hAttribDC, color) : old;
}
COLORREF CDC::GetBkColor() const
{
    return ::GetBkColor(m_hAttribDC);
}
COLORREF CDC::SetTextColor(COLORREF color)
{
    COLORREF old = 0xFFFFFFFF;
    if (m_hDC && m_hDC != m_hAttribDC)
        old = ::SetTextColor(m_hDC, color);
    return m_hAttribDC ? ::SetTextColor(m_hAttribDC, color) : old;
}
COLORREF CDC::GetTextColor() const
{
    return ::GetTextColor(m_hAttribDC);
}
int CDC::SetMapMode(int nMapMode)
{
    int old = 0;
    if (m_hDC && m_hDC != m_hAttribDC)
        old = ::SetMapMode(m_hDC, nMapMode);
    return m_hAttribDC ? ::SetMapMode(m_hAttribDC, nMapMode) : old;
}
int CDC::GetMapMode() const
{
    return ::GetMapMode(m_hAttribDC);
}

CPoint CDC::SetWindowOrg(int x, int y)
{
    CPoint old;
    if (m_hDC && m_hDC != m_hAttribDC)
        ::SetWindowOrgEx(m_hDC, x, y, &old);
    if (m_hAttribDC)
        ::SetWindowOrgEx(m_hAttribDC, x, y, &old);
    return old;
}
CPoint CDC::SetViewportOrg(int x, int y)
{
    CPoint old;
    if (m_hDC && m_hDC != m_hAttribDC)
        ::SetViewportOrgEx(m_hDC, x, y, &old);
    if (m_hAttribDC)
        ::SetViewportOrgEx(m_hAttribDC, x, y, &old);
    return old;
}
void CDC::LPtoDP(LPRECT pRect) const
{
    ::LPtoDP(m_hAttribDC, reinterpret_cast<LPPOINT>(pRect), 2);
}
void CDC::DPtoLP(LPRECT pRect) const
{
    ::DPtoLP(m_hAttribDC, reinterpret_cast<LPPOINT>(pRect), 2);
}

int CDC::GetClipBox(LPRECT pRect) const
{
    return ::GetClipBox(m_hDC, pRect);
}

void CDC::FillSolidRect(LPCRECT pRect, COLORREF color)
{
    ::SetBkColor(m_hDC, color);
    ::ExtTextOut(m_hDC, 0, 0, ETO_OPAQUE, pRect, nullptr, 0, nullptr);
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    const CRect r(x, y, x + cx, y + cy);
    FillSolidRect(&r, color);
}
void CDC::FillRect(LPCRECT pRect, CBrush *pBrush)
{
    ::FillRect(m_hDC, pRect, pBrush ? static_cast<HBRUSH>(pBrush->m_hObject) : nullptr);
}
BOOL CDC::PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop)
{
    return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop);
}
BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC *pSrcDC, int xSrc, int ySrc, DWORD dwRop)
{
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}

int CDC::DrawText(const CString &str, LPRECT pRect, UINT nFormat)
{
    return ::DrawText(m_hDC, str, int(str.size()), pRect, nFormat);
}

BOOL CDC::DrawIconEx(int x, int y, HICON hIcon, int cx, int cy, UINT istepIfAniCur, HBRUSH hbrFlickerFreeDraw,
                     UINT diFlags)
{
    return ::DrawIconEx(m_hDC, x, y, hIcon, cx, cy, istepIfAniCur, hbrFlickerFreeDraw, diFlags);
}
BOOL CDC::DrawFrameControl(LPRECT pRect, UINT nType, UINT nState)
{
    return ::DrawFrameControl(m_hDC, pRect, nType, nState);
}
