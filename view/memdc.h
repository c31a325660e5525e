// Off-screen drawing context: everything drawn during one paint lands in a bitmap the size of the clip box and
// reaches the target in one block transfer when the context ends; on a printer it draws straight through.
#pragma once

#include "platform/Gdi.h"

class CMemDC : public CDC {
public:
    explicit CMemDC(CDC *pDC) : m_pDC(pDC)
    {
        ASSERT(m_pDC != nullptr);
        m_bMemDC = !pDC->IsPrinting();
        pDC->GetClipBox(&m_rect);
        if (m_bMemDC) {
            CreateCompatibleDC(pDC);
            pDC->LPtoDP(&m_rect);
            m_bitmap.CreateCompatibleBitmap(pDC, m_rect.Width(), m_rect.Height());
            m_oldBitmap = SelectObject(&m_bitmap);
            SetMapMode(pDC->GetMapMode());
            pDC->DPtoLP(&m_rect);
            SetWindowOrg(m_rect.left, m_rect.top);
        } else {
            m_bPrinting = pDC->m_bPrinting;
            m_hDC = pDC->m_hDC;
            m_hAttribDC = pDC->m_hAttribDC;
        }
        FillSolidRect(m_rect, pDC->GetBkColor());
    }

    ~CMemDC() override
    {
        if (m_bMemDC) {
            m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top,
                          SRCCOPY);
            SelectObject(m_oldBitmap);
        } else {
            // The handles belong to the target.
            m_hDC = m_hAttribDC = nullptr;
        }
    }

    CMemDC(const CMemDC &) = delete;
    CMemDC &operator=(const CMemDC &) = delete;

    CMemDC *operator->() { return this; }
    operator CMemDC *() { return this; }

private:
    CBitmap m_bitmap;
    CBitmap *m_oldBitmap = nullptr;
    CDC *m_pDC;
    CRect m_rect;
    BOOL m_bMemDC = FALSE;
};
