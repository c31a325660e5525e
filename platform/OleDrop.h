// The target side of drag and drop: a window's registered drop target, fed by the widget's drag events, and the
// data object that shows it the dragged data.
#pragma once

#include "CmdTarget.h"
#include "Memory.h"

#include <QtCore/qnamespace.h>

#include <memory>

class CWnd;
class QMimeData;

// Key-state bit of the Alt key in drag notifications (the mouse-message bits are in WinTypes.h).
constexpr DWORD MK_ALT = 0x0020;
// Set in an answer of OnDragScroll when the target scrolls instead of answering OnDragOver.
constexpr DROPEFFECT DROPEFFECT_SCROLL = 0x80000000;

// The dragged data as a drop target sees it, during one notification. CF_TEXT is the program's text: NUL-terminated
// Windows-1252 bytes with CR LF line breaks; other programs' text (text/plain in UTF-8 or any charset Qt reads) is
// converted to it, characters the code page lacks becoming '?'. A drag of local files offers no CF_TEXT, even when
// the file manager adds their names as text: for the program files are not text.
class COleDataObject {
public:
    COleDataObject() = default;
    explicit COleDataObject(const QMimeData *pData) : m_pData(pData) {}
    COleDataObject(const COleDataObject &) = delete;
    COleDataObject &operator=(const COleDataObject &) = delete;

    // Looks at pData (not owned; it must outlive the attachment) instead of what was attached before.
    void Attach(const QMimeData *pData) { m_pData = pData; }
    void Release() { m_pData = nullptr; }

    BOOL IsDataAvailable(UINT cfFormat) const;
    // A new global block with the data in cfFormat; the caller frees it with GlobalFree. NULL when the data is not
    // offered in that format (only CF_TEXT is known) or the memory cannot be had. lpFormatEtc must be null.
    HGLOBAL GetGlobalData(UINT cfFormat, const void *lpFormatEtc = nullptr) const;

    // The Qt drag data behind the object (platform code and tests); null when nothing is attached.
    const QMimeData *GetMimeData() const { return m_pData; }

private:
    const QMimeData *m_pData = nullptr;
};

// A window's drop target. Register turns the drag events of the window's client area into the virtual
// notifications below, with the key state (MK_ bits of buttons and Shift, Ctrl, Alt) and the point in client
// coordinates. The target's answer is matched with the effects the drag source allows before the desktop sees it:
// an allowed answer goes through unchanged; otherwise a copy becomes a move when the source allows a move, a move
// becomes a copy when it allows a copy, and failing that either becomes a link when the source allows linking, else
// DROPEFFECT_NONE. On the release the target is asked OnDragOver once more with the key state of that moment and the
// matched answer decides: OnDropEx first, and when it declines (answers (DROPEFFECT)-1) OnDrop with that answer,
// whose FALSE reports DROPEFFECT_NONE to the source; a DROPEFFECT_NONE answer ends in OnDragLeave instead. A drag
// refused by the target stays refused: it is not handed on to the windows beneath, as the desktop's drop targets do
// not pass drags on either.
class COleDropTarget : public CCmdTarget {
    DECLARE_DYNAMIC(COleDropTarget)
public:
    COleDropTarget();
    ~COleDropTarget() override;
    COleDropTarget(const COleDropTarget &) = delete;
    COleDropTarget &operator=(const COleDropTarget &) = delete;

    // Makes this the drop target of pWnd's client area until Revoke or the window's end. Drag and drop needs no
    // initialisation on this desktop, so a window registered before AfxOleInit (the notes of a board named on the
    // command line) takes drops too. FALSE when pWnd has no window; a registration held before is given up first.
    BOOL Register(CWnd *pWnd);

    // Gives up the registration: the window takes no drops any more. Nothing happens when none is held.
    virtual void Revoke();
    // The drag entered the window. Default: DROPEFFECT_NONE.
    virtual DROPEFFECT OnDragEnter(CWnd *pWnd, COleDataObject *pDataObject, DWORD dwKeyState, CPoint point);
    // The drag moved over the window (also right after entering, and once more on the release). Default: none.
    virtual DROPEFFECT OnDragOver(CWnd *pWnd, COleDataObject *pDataObject, DWORD dwKeyState, CPoint point);
    // The data was dropped with dropEffect (never DROPEFFECT_NONE); TRUE when the target took it. Default: FALSE.
    virtual BOOL OnDrop(CWnd *pWnd, COleDataObject *pDataObject, DROPEFFECT dropEffect, CPoint point);
    // Asked before OnDrop with the matched answer and the allowed effects; its answer other than (DROPEFFECT)-1 is
    // the result and OnDrop is not called. Default: (DROPEFFECT)-1.
    virtual DROPEFFECT OnDropEx(CWnd *pWnd, COleDataObject *pDataObject, DROPEFFECT dropDefault, DROPEFFECT dropList,
                                CPoint point);
    // The drag left the window, was cancelled, or was released with no effect. Default: nothing.
    virtual void OnDragLeave(CWnd *pWnd);
    // Asked before each OnDragOver; an answer with DROPEFFECT_SCROLL replaces OnDragOver's. Default: no scrolling,
    // DROPEFFECT_NONE.
    virtual DROPEFFECT OnDragScroll(CWnd *pWnd, DWORD dwKeyState, CPoint point);

    // The matching of a target's answer with the effects the source allows (see the class comment).
    static DROPEFFECT FilterDropEffect(DROPEFFECT dropEffect, DROPEFFECT dwEffects);

private:
    class Filter;
    std::unique_ptr<Filter> m_pFilter;
};

// Drives the drop target registered for a window as a drag from the desktop does, through the same Qt drag events
// on the window's client widget (the offscreen platform has no real drag). Each call returns what the drag source
// would be told. Tests and in-process drags use it.
class COleDropSimulation {
public:
    // A drag of pData (not owned; it must outlive the simulation) allowing dwAllowed, not yet over pWnd.
    COleDropSimulation(CWnd *pWnd, const QMimeData *pData, DROPEFFECT dwAllowed);
    // Leaves the window when the drag is still over it.
    ~COleDropSimulation();
    COleDropSimulation(const COleDropSimulation &) = delete;
    COleDropSimulation &operator=(const COleDropSimulation &) = delete;

    // The drag enters at point (client coordinates) and, as on the desktop, moves there at once; the effect shown.
    DROPEFFECT DragEnter(DWORD dwKeyState, CPoint point);
    // A move to point with dwKeyState; the effect shown. Enters first when not over the window yet.
    DROPEFFECT DragOver(DWORD dwKeyState, CPoint point);
    void DragLeave();
    // The release at point with dwKeyState (the key state of that moment: usually without MK_LBUTTON); the effect
    // reported to the source, DROPEFFECT_NONE when the drop was refused or the drag never got in.
    DROPEFFECT Drop(DWORD dwKeyState, CPoint point);

private:
    DROPEFFECT Send(int eventType, DWORD dwKeyState, CPoint point);

    HWND m_hWnd;
    const QMimeData *m_pData;
    DROPEFFECT m_dwAllowed;
    bool m_bInside = false;
    // The answer last given, with which the desktop starts the next move.
    Qt::DropAction m_lastAction = Qt::IgnoreAction;
};

// Enter and move at point with dwKeyState, then the release there with the same key state without its mouse
// buttons: the effect reported to the source.
DROPEFFECT AfxSimulateDrop(CWnd *pWnd, const QMimeData *pData, DWORD dwKeyState, CPoint point, DROPEFFECT dwAllowed);
