// The note's text control: a multi-line edit that fills its note and lets selected text be dragged out.
#pragma once

#include "app/DropTarget.h"
#include "platform/Controls.h"
#include "platform/OleDrag.h"

class CPaperEdit : public CEdit {
    DECLARE_SERIAL(CPaperEdit)
public:
    // Builds the members only; for the run-time class mechanism.
    CPaperEdit();
    // Creates the control, invisible, as a child of the board view; the rectangle is not used.
    explicit CPaperEdit(const RECT &rect);
    ~CPaperEdit() override;

    // The note's text is written and read by the document, not here.
    void Serialize(CArchive &ar) override;

    BOOL m_bDragging;
    CString m_strDragText;
    CDropTarget m_dropTarget;
    COleDataSource m_dataSource;

protected:
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    // Takes the dragged characters [nStart, nEnd) out after a move; strBefore is the text before the drag.
    void RemoveDraggedText(const CString &strBefore, int nStart, int nEnd);
};
