// The drop target of a note's text field: dropped text goes in at the character under the drop point.
#pragma once

#include "platform/OleDrop.h"

class CDropTarget : public COleDropTarget {
    DECLARE_DYNAMIC(CDropTarget)
public:
    CDropTarget();
    ~CDropTarget() override;

    // Move, or copy while Ctrl is held. A drag without text is refused (DROPEFFECT_NONE): nothing can be dropped,
    // so no source is told to give anything up.
    DROPEFFECT OnDragEnter(CWnd *pWnd, COleDataObject *pDataObject, DWORD dwKeyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd *pWnd, COleDataObject *pDataObject, DWORD dwKeyState, CPoint point) override;
    // Inserts the text at the character nearest to point and then selects the characters that were selected
    // before, by their old numbers. Copy and move insert alike; the source of a move removes its text itself.
    // FALSE, with nothing inserted, when the data holds no text or the window is no text field.
    BOOL OnDrop(CWnd *pWnd, COleDataObject *pDataObject, DROPEFFECT dropEffect, CPoint point) override;
    void OnDragLeave(CWnd *pWnd) override;

private:
    static DROPEFFECT DragAnswer(COleDataObject *pDataObject, DWORD dwKeyState);
};
