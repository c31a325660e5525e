#include "CaptionBackground.h"

#include "AutoSelector.h"

#include "platform/SysParams.h"

#include <cstdint>

// ---------------------------------------------------------------------------------------------------------------
// CCaptionBackground

CCaptionBackground::CCaptionBackground() : m_clrActive(CLR_SYSCOLOR), m_clrInactive(CLR_SYSCOLOR) {}

CCaptionBackground::~CCaptionBackground() = default;

void CCaptionBackground::SetColors(COLORREF clrActive, COLORREF clrInactive)
{
    SetActiveColor(clrActive);
    SetInactiveColor(clrInactive);
}

void CCaptionBackground::SetActiveColor(COLORREF clr)
{
    m_clrActive = clr;
}

void CCaptionBackground::SetInactiveColor(COLORREF clr)
{
    m_clrInactive = clr;
}

COLORREF CCaptionBackground::GetActiveColor()
{
    return m_clrActive == CLR_SYSCOLOR ? ::GetSysColor(COLOR_ACTIVECAPTION) : m_clrActive;
}

COLORREF CCaptionBackground::GetInactiveColor()
{
    return m_clrInactive == CLR_SYSCOLOR ? ::GetSysColor(COLOR_INACTIVECAPTION) : m_clrInactive;
}

void CCaptionBackground::Paint(CDC *pDC, int cx, int cy, BOOL bActive)
{
    FillSolid(pDC, 0, 0, cx, cy, bActive ? GetActiveColor() : GetInactiveColor());
}

// ---------------------------------------------------------------------------------------------------------------
// CGradientCaptionBackground

CGradientCaptionBackground::CGradientCaptionBackground() = default;

CGradientCaptionBackground::~CGradientCaptionBackground() = default;

void CGradientCaptionBackground::Paint(CDC *pDC, int cx, int cy, BOOL bActive)
{
    if (!bActive) {
        FillSolid(pDC, 0, 0, cx, cy, GetInactiveColor());
        return;
    }
    const COLORREF clr = GetActiveColor();
    const int nRed = GetRValue(clr);
    const int nGreen = GetGValue(clr);
    const int nBlue = GetBValue(clr);

    const int nSplit = (cx * 5) / 6;
    int nBand = nSplit / 64;
    if (nBand < 1)
        nBand = 1;

    FillSolid(pDC, nSplit, 0, cx - nSplit, cy, clr);

    // l * l * k passes 2^31 from a caption width of 3512 on: the products are formed in 64 bits.
    const std::int64_t nSquare = std::int64_t(nSplit) * nSplit;
    const auto fade = [nSquare](std::int64_t l, int k) { return int(BYTE(k - (l * l * k) / nSquare)); };
    int x = nSplit;
    int l = 0;
    while (x > nBand) {
        l += nBand;
        x -= nBand;
        FillSolid(pDC, x, 0, nBand, cy, RGB(fade(l, nRed), fade(l, nGreen), fade(l, nBlue)));
    }
    FillSolid(pDC, 0, 0, x, cy, RGB(0, 0, 0));
}
