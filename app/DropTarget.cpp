#include "DropTarget.h"

#include "platform/CodePage.h"
#include "platform/Controls.h"

IMPLEMENT_DYNAMIC(CDropTarget, COleDropTarget)

CDropTarget::CDropTarget() = default;

CDropTarget::~CDropTarget() = default;

DROPEFFECT CDropTarget::DragAnswer(COleDataObject *pDataObject, DWORD dwKeyState)
{
    if (!pDataObject->IsDataAvailable(CF_TEXT))
        return DROPEFFECT_NONE;
    return (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

DROPEFFECT CDropTarget::OnDragEnter(CWnd *pWnd, COleDataObject *pDataObject, DWORD dwKeyState, CPoint point)
{
    (void)pWnd;
    (void)point;
    return DragAnswer(pDataObject, dwKeyState);
}

DROPEFFECT CDropTarget::OnDragOver(CWnd *pWnd, COleDataObject *pDataObject, DWORD dwKeyState, CPoint point)
{
    (void)pWnd;
    (void)point;
    return DragAnswer(pDataObject, dwKeyState);
}

void CDropTarget::OnDragLeave(CWnd *pWnd)
{
    COleDropTarget::OnDragLeave(pWnd);
}

// Positions are full character indexes: 16-bit ones would misplace the text in a note over 65,535 characters. The
// old selection comes back by its old numbers; after a move within the note the drag side removes the dragged text.
// Data without text is refused while dragging; reached anyway, nothing goes in and FALSE tells the source so.
BOOL CDropTarget::OnDrop(CWnd *pWnd, COleDataObject *pDataObject, DROPEFFECT dropEffect, CPoint point)
{
    (void)dropEffect;
    auto *pEdit = dynamic_cast<CEdit *>(pWnd);
    if (!pEdit)
        return FALSE;
    // GetGlobalData makes a block for this drop alone: it is freed here.
    HGLOBAL hText = pDataObject->GetGlobalData(CF_TEXT);
    if (!hText)
        return FALSE;
    const auto *pText = static_cast<const char *>(GlobalLock(hText));
    ASSERT(pText != nullptr);
    if (!pText) {
        GlobalFree(hText);
        return FALSE;
    }
    const int nIndex = pEdit->CharIndexFromPos(point);
    int nStart = 0, nEnd = 0;
    pEdit->GetSel(nStart, nEnd);
    pEdit->SetSel(nIndex, nIndex, FALSE);
    pEdit->ReplaceSel(AfxFromAnsi(pText, qsizetype(qstrnlen(pText, uint(GlobalSize(hText))))), FALSE);
    pEdit->SetSel(nStart, nEnd, FALSE);
    GlobalUnlock(hText);
    GlobalFree(hText);
    return TRUE;
}
