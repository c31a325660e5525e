#include "PaperEdit.h"

#include "platform/Archive.h"
#include "platform/CodePage.h"
#include "platform/Framework.h"
#include "platform/Memory.h"
#include "view/zentView.h"

#include <cstring>

namespace {
const DWORD kEditStyle = WS_CHILD | ES_WANTRETURN | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE; // 0x400010C4
} // namespace

IMPLEMENT_SERIAL(CPaperEdit, CEdit, 1)

BEGIN_MESSAGE_MAP(CPaperEdit, CEdit)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CPaperEdit::CPaperEdit() : m_bDragging(FALSE) {}

CPaperEdit::CPaperEdit(const RECT &rect) : m_bDragging(FALSE)
{
    (void)rect;
    Create(kEditStyle, CRect(0, 0, 0, 0), GetBoardView(), 0);
    m_dropTarget.Register(this);
}

CPaperEdit::~CPaperEdit() = default;

void CPaperEdit::Serialize(CArchive &ar)
{
    (void)ar;
}

void CPaperEdit::OnLButtonDown(UINT nFlags, CPoint point)
{
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    if (nEnd - nStart != 0) {
        // CharIndexFromPos, not CharFromPos: the low 16 bits of CharFromPos put the drag start wrong in texts
        // longer than 65,535 characters.
        const int nIndex = CharIndexFromPos(point);
        if (nStart <= nIndex && nIndex <= nEnd) {
            CString strText;
            GetWindowText(strText);
            m_strDragText = strText.Mid(nStart, nEnd - nStart);
            m_bDragging = TRUE;

            const QByteArray ansi = AfxToAnsi(m_strDragText);
            if (HGLOBAL hText = GlobalAlloc(GMEM_ZEROINIT, SIZE_T(ansi.size()) + 1)) {
                std::memcpy(GlobalLock(hText), ansi.constData(), std::size_t(ansi.size()) + 1);
                GlobalUnlock(hText);
                m_dataSource.CacheGlobalData(CF_TEXT, hText);
            }

            CRect rcStartDrag;
            GetClientRect(&rcStartDrag);
            const HWND hWnd = m_hWnd;
            const DROPEFFECT dropEffect =
                m_dataSource.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE, &rcStartDrag, nullptr);
            // The drag runs a loop of its own; the note may have ended meanwhile, and this object with it.
            if (!IsWindow(hWnd) || CWnd::FromHandlePermanent(hWnd) != this)
                return;
            if (dropEffect & DROPEFFECT_MOVE)
                RemoveDraggedText(strText, nStart, nEnd);
            m_dataSource.Empty();
            // The press that follows puts the caret here, as the window system's control does; a Qt control
            // pressed inside a selection would keep it for a drag of its own instead.
            const int nCaret = CharIndexFromPos(point);
            SetSel(nCaret, nCaret, TRUE);
        }
    }
    (void)nFlags;
    Default();
}

void CPaperEdit::RemoveDraggedText(const CString &strBefore, int nStart, int nEnd)
{
    CString strAfter;
    GetWindowText(strAfter);
    if (strAfter == strBefore) {
        SetSel(nStart, nEnd, TRUE);
        Clear();
        return;
    }
    // The text went into this same control: find where, so that exactly the old characters go.
    const int nGrown = strAfter.GetLength() - strBefore.GetLength();
    int nAt = 0;
    if (nGrown > 0)
        while (nAt < strBefore.GetLength() && strBefore.at(nAt) == strAfter.at(nAt))
            ++nAt;
    if (nGrown <= 0 || strAfter.mid(nAt + nGrown) != strBefore.mid(nAt)) {
        // Not a plain insertion: the drop side has put the old selection back, and that is what goes.
        Clear();
        return;
    }
    if (nAt <= nStart) {
        SetSel(nStart + nGrown, nEnd + nGrown, TRUE);
        Clear();
    } else if (nAt >= nEnd) {
        SetSel(nStart, nEnd, TRUE);
        Clear();
    } else {
        // Dropped inside itself: the old characters lie on both sides of the new ones, and the text stays as it was.
        SetSel(nAt + nGrown, nEnd + nGrown, TRUE);
        Clear();
        SetSel(nStart, nAt, TRUE);
        Clear();
    }
}

void CPaperEdit::OnLButtonUp(UINT nFlags, CPoint point)
{
    if (m_bDragging) {
        ReleaseCapture();
        // Full-width index, as in OnLButtonDown.
        const int nIndex = CharIndexFromPos(point);
        SetSel(nIndex, nIndex, FALSE);
        m_bDragging = FALSE;
    }
    (void)nFlags;
    Default();
}

void CPaperEdit::OnMouseMove(UINT nFlags, CPoint point)
{
    if (m_bDragging) {
        ReleaseCapture();
        m_bDragging = FALSE;
    }
    (void)nFlags;
    (void)point;
    Default();
}
