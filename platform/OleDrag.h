// The source side of drag and drop: a data object that offers cached data blocks, and the modal drag over QDrag.
#pragma once

#include <QtCore/qnamespace.h>

#include "CmdTarget.h"

#include <functional>
#include <map>

class QMimeData;
class COleDataSource;
// The drag feedback and start rule; this platform has only the framework's default one (pass null).
class COleDropSource;

// Offers data to a drag: blocks cached by clipboard format, owned by the source until Empty. CF_TEXT holds
// NUL-terminated Windows-1252 text and is offered to other programs as text/plain.
class COleDataSource : public CCmdTarget {
    DECLARE_DYNAMIC(COleDataSource)
public:
    COleDataSource();
    ~COleDataSource() override;
    COleDataSource(const COleDataSource &) = delete;
    COleDataSource &operator=(const COleDataSource &) = delete;

    // Takes the block over (freed by Empty or the destructor); a block cached before in the same format is freed.
    // A null block is ignored.
    void CacheGlobalData(UINT cfFormat, HGLOBAL hGlobal);
    // Frees every cached block.
    void Empty();

    // Runs the drag modally and returns the effect the drop target chose, limited to dwEffects; DROPEFFECT_NONE
    // when the drag was cancelled, refused or never began. The drag begins by the desktop's rule: once the pointer
    // has moved QApplication::startDragDistance() away from where the current mouse message happened, with the
    // left button held. A release (or Escape, or another press) before that ends the call with DROPEFFECT_NONE and
    // the release is delivered afterwards to the window it was meant for. lpRectStartDrag is accepted for the
    // framework's signature only: its rule (a rectangle in screen coordinates) has no meaning on this desktop.
    // With a hook installed (AfxSetDragDropHook) the hook decides the result at once instead.
    DROPEFFECT DoDragDrop(DWORD dwEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                          LPCRECT lpRectStartDrag = nullptr, COleDropSource *pDropSource = nullptr);

    // Whether a block is cached in the format.
    BOOL IsDataAvailable(UINT cfFormat) const;
    // A copy of the cached block (the caller frees it with GlobalFree); NULL when none is cached.
    HGLOBAL GetGlobalData(UINT cfFormat) const;
    // The cached data as Qt drag data (CF_TEXT as text/plain); the caller owns it.
    QMimeData *CreateMimeData() const;

private:
    std::map<UINT, HGLOBAL> m_cache;
};

// Decides the result of every drag instead of the desktop: called with the source and the allowed effects, its
// answer (limited to the allowed effects) is what DoDragDrop returns. Tests and in-process drops use it, since a
// headless desktop has no drag support. An empty function removes the hook. Returns the hook it replaces.
using AfxDragDropHook = std::function<DROPEFFECT(COleDataSource *pSource, DROPEFFECT dwAllowed)>;
AfxDragDropHook AfxSetDragDropHook(AfxDragDropHook hook);

// Drop effects and Qt's drop actions, both ways.
Qt::DropActions AfxDropActionsFromEffects(DROPEFFECT effects);
DROPEFFECT AfxDropEffectsFromActions(Qt::DropActions actions);
