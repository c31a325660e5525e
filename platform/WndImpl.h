// Internal: the window system's record of one window, and the widgets that show it.
#pragma once

#include "Wnd.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <climits>
#include <functional>
#include <map>

class QPaintEvent;
class QPainter;

struct HWND__ {
    quint64 serial = 0;
    WNDPROC proc = nullptr;
    const WNDCLASSINFO *cls = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT id = 0;
    QString text;
    HWND parent = nullptr;
    HWND owner = nullptr;
    // Live child and owned windows by creation serial, so that walking a window's family never visits the
    // whole window table.
    std::map<quint64, HWND> children;
    std::map<quint64, HWND> owned;
    CWnd *permanent = nullptr;
    CWnd *temporary = nullptr; // wrapper made by FromHandle for a window without a CWnd of its own
    QPointer<QWidget> widget;  // the whole window
    // A child frame or multi-line edit made hidden gets its widgets only when it first shows within its parent's
    // client area, or when something needs them (afx::ensureWidgets). Until then the record stands alone: its
    // rectangle in the parent's client coordinates is kept here, and an edit's text in `text`.
    bool deferred = false;
    QRect deferredRect;
    // Stacking among siblings, higher above: set when the window is made and when it is raised, so that widgets
    // made late go where the window lies.
    quint64 zStamp = 0;
    // The highest zStamp among children that have widgets.
    quint64 topChildZ = 0;
    // Its child frames are to be looked over for ones without widgets that now show (afx::revealChildFrames).
    bool revealPending = false;
    // Its child frames without widgets, by creation serial.
    std::map<quint64, HWND> waitingFrames;
    // Called once the widgets exist (a drop target registered before).
    std::function<void()> onWidgetsMade;
    const void *onWidgetsMadeBy = nullptr;
    QPointer<QWidget> client; // the client area: children live here, client coordinates start here
    bool destroying = false;
    bool created = false;
    bool enabled = true;
    bool ncActive = false;
    int lockUpdate = 0;
    // Non-client area of frames drawn by the window system: frame sizes and caption height.
    bool hasNonClient = false;
    // The window's surface, kept only while the window shows and only for ncRect (window coordinates): the part
    // that its parent's client area can show, with a margin. A window of any size costs at most a surface the size
    // of its parent. ncWindowSize is the window's size when the surface was last painted in full.
    QImage ncSurface;
    QRect ncRect;
    QSize ncWindowSize;
    // Device pixel ratio the non-client area was last painted for; 0 before its first painting.
    qreal ncRatio = 0;
    // Last geometry reported with WM_MOVE and WM_SIZE, so Qt's own move and resize events report only news.
    QPoint lastMovePos{INT_MIN, INT_MIN};
    QSize lastClientSize{-1, -1};
    // Paint in progress.
    QPaintEvent *paintEvent = nullptr;
    QRegion invalid;
    bool eraseNeeded = false;
    // Set while AfxRenderChildWindows paints the child windows alone: the window skips its own WM_PAINT.
    bool renderingChildren = false;
    // Set when default processing reached the Qt control's own handling of the event being translated.
    bool defaultReached = false;
    void *userData = nullptr;
    // Outer rectangle asked for at creation of a top-level window; applied, frame included, when first shown.
    QRect requestedOuter;
    // Drawn over the client area after each WM_PAINT (the tracker's moving frame); empty when unused.
    std::function<void(QPainter &)> overlay;
};

namespace afx {
HWND hwndFromWidget(const QWidget *w);
void bindWidget(HWND hWnd, QWidget *outer, QWidget *client);
// Makes the widgets of a window whose widgets were put off (its parent's first); false when it has none.
bool ensureWidgets(HWND hWnd);
// Looks over the parent's child frames before the next paint, and makes widgets for those without them that show
// some part: shown, in view and not wholly covered by shown frames above them.
void scheduleReveal(HWND hParent);
// Does what scheduleReveal put off, now.
void runPendingReveals();
bool revealsPending();
// A stacking stamp above every one given before.
quint64 nextZStamp();
// The window's rectangle: in its parent's client coordinates for a child, on the screen for a top-level window.
QRect windowGeometry(HWND hWnd);
// Where the window's client area starts on the screen.
QPoint clientOriginOnScreen(HWND hWnd);
QWidget *parentWidgetFor(HWND hWndParent);
// Client-area rectangle inside the window, in window coordinates (the non-client frame excluded).
QRect clientRectInWindow(HWND hWnd);
// Sends WM_MOVE and WM_SIZE when the geometry differs from what was last reported.
void reportGeometry(HWND hWnd);
// Translates a Qt event on a window's widget into window messages; true when it was consumed.
bool translateEvent(HWND hWnd, QWidget *w, QEvent *e);
// Frames with a window-system non-client area (sizing frame and caption).
bool styleHasNonClient(DWORD style, DWORD exStyle);
QMargins nonClientMargins(HWND hWnd);
LRESULT ncDefWindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, bool *pHandled);
void createNonClientWidgets(HWND hWnd, QWidget *parentWidget);
// The widget a new child frame's widget goes into under a parent's client widget: the client itself, or, once it
// holds many, a transparent band in it (ChildBands.cpp). Bands lie at the client's origin.
QWidget *childFrameParent(QWidget *client);
// A window widget's parent as the window system sees it: a band is looked through.
QWidget *realParentWidget(const QWidget *w);
// Brings the window above its siblings (HWND_TOP), in whatever band they lie.
void raiseWindowWidget(HWND hWnd);
// True when the window's surface no longer matches its size or does not cover the part of it that can show;
// painting the non-client area (WM_NCPAINT) makes it current. Never true for a window that does not show.
bool ncSurfaceStale(HWND hWnd);
// Notices a change of the window's device pixel ratio (another screen, another scale): the window is told its
// non-client metrics changed (WM_SETTINGCHANGE), once per change, so that what it caches is drawn again.
void followPixelRatio(HWND hWnd);
quint32 keyStateFromQt(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods);
// The text a WM_SETTEXT (or a control message with a string) carries: the whole string when lParam is the one that
// CWnd::SetWindowText is sending, NULs included, otherwise the NUL-terminated text at lParam.
QString textArg(LPARAM lParam);
} // namespace afx

// The child frame whose caption shows active; null when the top-level window itself is active.
HWND AfxGetActiveChildFrame();
void AfxSetActiveChildFrame(HWND hWnd);
