#include "Tracker.h"

#include "Gdi.h"
#include "WndImpl.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <functional>

namespace {

// One modal tracking loop on a window. While it runs it takes every mouse and key event of the application,
// so nothing else reacts to the drag; the points reach the caller in the window's client coordinates.
class TrackLoop final : public QObject {
public:
    enum class End { Running, Released, Cancelled };

    TrackLoop(HWND hWnd, std::function<void(CPoint)> onMove)
        : m_hWnd(hWnd), m_client(hWnd->client), m_onMove(std::move(onMove))
    {
    }

    // Runs until the left button is released (Released) or the drag is given up (Cancelled).
    End Run(std::function<void(QPainter &)> drawFrame, Qt::CursorShape cursor)
    {
        if (!m_client)
            return End::Cancelled;
        m_hWnd->overlay = std::move(drawFrame);
        CWnd::FromHandle(m_hWnd)->SetCapture();
        QGuiApplication::setOverrideCursor(QCursor(cursor));
        qApp->installEventFilter(this);
        connect(m_client, &QObject::destroyed, this, [this] { Finish(End::Cancelled); });
        m_loop.exec();
        qApp->removeEventFilter(this);
        QGuiApplication::restoreOverrideCursor();
        if (IsWindow(m_hWnd)) {
            m_hWnd->overlay = nullptr;
            if (GetCapture() == m_hWnd)
                ReleaseCapture();
        } else if (!GetCapture()) {
            ReleaseCapture();
        }
        return m_end;
    }

    bool Alive() const { return IsWindow(m_hWnd) && m_client; }
    QWidget *Client() const { return m_client; }

protected:
    bool eventFilter(QObject *obj, QEvent *e) override
    {
        if (m_end != End::Running)
            return false;
        if (!Alive()) {
            Finish(End::Cancelled);
            return false;
        }
        // A modal window that opens meanwhile (a message box) gets the input: the drag is given up.
        if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != m_client->window()) {
            Finish(End::Cancelled);
            return false;
        }
        // The window showing the widgets passes input on to them and keeps its own track of buttons: let it.
        if (obj->isWindowType())
            return false;
        switch (e->type()) {
        case QEvent::MouseMove:
            m_onMove(ClientPoint(obj, static_cast<QMouseEvent *>(e)));
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent *>(e)->button() == Qt::RightButton)
                Finish(End::Cancelled);
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
                m_onMove(ClientPoint(obj, static_cast<QMouseEvent *>(e)));
                Finish(End::Released);
            }
            return true;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape)
                Finish(End::Cancelled);
            return true;
        case QEvent::ShortcutOverride:
            // Taken as a key for the loop, so that no shortcut fires and the key press comes here.
            e->accept();
            return true;
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::Wheel:
            return true;
        case QEvent::ApplicationDeactivate:
            Finish(End::Cancelled);
            return false;
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
            if (obj == m_client || obj == m_client->window())
                Finish(End::Cancelled);
            return false;
        case QEvent::FocusOut:
            if (obj == m_client && static_cast<QFocusEvent *>(e)->reason() != Qt::PopupFocusReason)
                Finish(End::Cancelled);
            return false;
        default:
            return false;
        }
    }

private:
    // The event's position is relative to the widget receiving it.
    CPoint ClientPoint(QObject *receiver, const QMouseEvent *me) const
    {
        const QPoint pos = me->position().toPoint();
        if (receiver == m_client)
            return CPoint(pos);
        const auto *w = qobject_cast<QWidget *>(receiver);
        const QPoint global = w ? w->mapToGlobal(pos) : me->globalPosition().toPoint();
        return CPoint(m_client->mapFromGlobal(global));
    }

    void Finish(End end)
    {
        if (m_end != End::Running)
            return;
        m_end = end;
        m_loop.exit(0);
    }

    HWND m_hWnd;
    QPointer<QWidget> m_client;
    std::function<void(CPoint)> m_onMove;
    QEventLoop m_loop;
    End m_end = End::Running;
};

// The thin frame a rectangle shows while it is dragged: a dotted line on its edge pixels.
void drawDragFrame(QPainter &p, const CRect &rect)
{
    CRect r = rect;
    r.NormalizeRect();
    if (r.Width() <= 0 && r.Height() <= 0)
        return;
    const QRect q(r.left, r.top, std::max(1, int(r.Width())), std::max(1, int(r.Height())));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(q.adjusted(0, 0, -1, -1));
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(q.adjusted(0, 0, -1, -1));
}

// The pixels the drag frame of a rectangle covers, to repaint when it moves.
QRegion dragFrameRegion(const CRect &rect)
{
    CRect r = rect;
    r.NormalizeRect();
    const QRect q(r.left, r.top, std::max(1, int(r.Width())), std::max(1, int(r.Height())));
    QRegion band(q.adjusted(-1, -1, 1, 1));
    if (q.width() > 4 && q.height() > 4)
        band -= QRegion(q.adjusted(2, 2, -2, -2));
    return band;
}

Qt::CursorShape cursorForHit(int nHit)
{
    switch (nHit) {
    case CRectTracker::hitTopLeft:
    case CRectTracker::hitBottomRight:
        return Qt::SizeFDiagCursor;
    case CRectTracker::hitTopRight:
    case CRectTracker::hitBottomLeft:
        return Qt::SizeBDiagCursor;
    case CRectTracker::hitTop:
    case CRectTracker::hitBottom:
        return Qt::SizeVerCursor;
    case CRectTracker::hitLeft:
    case CRectTracker::hitRight:
        return Qt::SizeHorCursor;
    default:
        return Qt::SizeAllCursor;
    }
}

bool sameRect(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Which edges a handle moves.
struct Edges {
    bool left, top, right, bottom;
};
Edges edgesOf(int nHandle)
{
    switch (nHandle) {
    case CRectTracker::hitTopLeft:
        return {true, true, false, false};
    case CRectTracker::hitTopRight:
        return {false, true, true, false};
    case CRectTracker::hitBottomRight:
        return {false, false, true, true};
    case CRectTracker::hitBottomLeft:
        return {true, false, false, true};
    case CRectTracker::hitTop:
        return {false, true, false, false};
    case CRectTracker::hitRight:
        return {false, false, true, false};
    case CRectTracker::hitBottom:
        return {false, false, false, true};
    case CRectTracker::hitLeft:
        return {true, false, false, false};
    default:
        return {true, true, true, true};
    }
}

} // namespace

CRectTracker::CRectTracker() = default;

UINT CRectTracker::GetHandleMask() const
{
    return (m_nStyle & (resizeInside | resizeOutside)) ? 0xFF : 0;
}

CRect CRectTracker::HandleRect(int nHandle) const
{
    CRect r = m_rect;
    r.NormalizeRect();
    const int s = m_nHandleSize;
    const bool outside = (m_nStyle & resizeOutside) != 0;
    const int l = outside ? r.left - s : r.left;
    const int t = outside ? r.top - s : r.top;
    const int rr = outside ? r.right : r.right - s;
    const int b = outside ? r.bottom : r.bottom - s;
    const int cx = r.left + (r.Width() - s) / 2;
    const int cy = r.top + (r.Height() - s) / 2;
    const POINT corners[8] = {{l, t}, {rr, t}, {rr, b}, {l, b}, {cx, t}, {rr, cy}, {cx, b}, {l, cy}};
    const POINT &p = corners[nHandle];
    return CRect(p.x, p.y, p.x + s, p.y + s);
}

void CRectTracker::Draw(CDC *pDC) const
{
    QPainter *p = pDC ? AfxGetPainter(pDC->GetSafeHdc()) : nullptr;
    if (!p)
        return;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    CRect r = m_rect;
    r.NormalizeRect();
    const QRect q = r.toQRect();
    if (m_nStyle & hatchedBorder) {
        const int w = m_nHandleSize;
        const QRect outer = q.adjusted(-w, -w, w, w);
        p->setClipRegion(QRegion(outer) - QRegion(q), Qt::IntersectClip);
        p->fillRect(outer, QBrush(Qt::black, Qt::BDiagPattern));
        p->setClipping(false);
    } else if (m_nStyle & (solidLine | dottedLine)) {
        p->setBrush(Qt::NoBrush);
        p->setPen(QPen(Qt::black, 1, (m_nStyle & dottedLine) ? Qt::DotLine : Qt::SolidLine));
        p->drawRect(q.adjusted(0, 0, -1, -1));
    }
    if (m_nStyle & hatchInside) {
        p->setClipRect(q, Qt::IntersectClip);
        p->fillRect(q, QBrush(Qt::black, Qt::BDiagPattern));
        p->setClipping(false);
    }
    const UINT mask = GetHandleMask();
    for (int i = 0; i < 8; ++i)
        if (mask & (1u << i))
            p->fillRect(HandleRect(i).toQRect(), Qt::black);
    p->restore();
}

int CRectTracker::HitTest(CPoint point) const
{
    const UINT mask = GetHandleMask();
    for (int i = 0; i < 8; ++i)
        if ((mask & (1u << i)) && HandleRect(i).PtInRect(point))
            return i;
    CRect r = m_rect;
    r.NormalizeRect();
    if (r.PtInRect(point))
        return hitMiddle;
    if (m_nStyle & hatchedBorder) {
        r.InflateRect(m_nHandleSize, m_nHandleSize);
        if (r.PtInRect(point))
            return hitMiddle;
    }
    return hitNothing;
}

BOOL CRectTracker::Track(CWnd *pWnd, CPoint point, BOOL bAllowInvert, CWnd *pWndClipTo)
{
    if (!pWnd || !IsWindow(pWnd->GetSafeHwnd()))
        return FALSE;
    const int nHit = HitTest(point);
    if (nHit == hitNothing)
        return FALSE;
    return TrackHandle(nHit, pWnd, point, bAllowInvert, pWndClipTo);
}

BOOL CRectTracker::TrackHandle(int nHandle, CWnd *pWnd, CPoint point, BOOL bAllowInvert, CWnd *pWndClipTo)
{
    CRect start = m_rect;
    if (!bAllowInvert)
        start.NormalizeRect();
    CRect clip;
    const bool bClip = pWndClipTo && IsWindow(pWndClipTo->GetSafeHwnd());
    if (bClip) {
        pWndClipTo->GetClientRect(&clip);
        pWndClipTo->ClientToScreen(&clip);
        pWnd->ScreenToClient(&clip);
    }
    const Edges edges = edgesOf(nHandle);
    const int minW = std::max(0, int(m_sizeMin.cx));
    const int minH = std::max(0, int(m_sizeMin.cy));
    CRect current = start;

    HWND hWnd = pWnd->GetSafeHwnd();
    TrackLoop *pLoop = nullptr;
    auto moveTo = [&](CPoint p) {
        int dx = p.x - point.x;
        int dy = p.y - point.y;
        CRect r = start;
        if (nHandle == hitMiddle) {
            if (bClip) {
                // The whole rectangle stays inside the clip area (as far as it fits).
                dx = std::clamp(dx, int(clip.left - start.left),
                                std::max(int(clip.left - start.left), int(clip.right - start.right)));
                dy = std::clamp(dy, int(clip.top - start.top),
                                std::max(int(clip.top - start.top), int(clip.bottom - start.bottom)));
            }
            r.OffsetRect(dx, dy);
        } else {
            if (edges.left)
                r.left += dx;
            if (edges.right)
                r.right += dx;
            if (edges.top)
                r.top += dy;
            if (edges.bottom)
                r.bottom += dy;
            if (bClip) {
                if (edges.left)
                    r.left = std::clamp(r.left, clip.left, std::max(clip.left, clip.right));
                if (edges.right)
                    r.right = std::clamp(r.right, clip.left, std::max(clip.left, clip.right));
                if (edges.top)
                    r.top = std::clamp(r.top, clip.top, std::max(clip.top, clip.bottom));
                if (edges.bottom)
                    r.bottom = std::clamp(r.bottom, clip.top, std::max(clip.top, clip.bottom));
            }
            if (!bAllowInvert) {
                if (edges.left)
                    r.left = std::min<LONG>(r.left, r.right - minW);
                if (edges.right)
                    r.right = std::max<LONG>(r.right, r.left + minW);
                if (edges.top)
                    r.top = std::min<LONG>(r.top, r.bottom - minH);
                if (edges.bottom)
                    r.bottom = std::max<LONG>(r.bottom, r.top + minH);
            }
        }
        if (sameRect(r, current) || !pLoop || !pLoop->Alive())
            return;
        pLoop->Client()->update(dragFrameRegion(current) + dragFrameRegion(r));
        current = r;
    };
    TrackLoop loop(hWnd, moveTo);
    pLoop = &loop;
    const TrackLoop::End end = loop.Run([&](QPainter &p) { drawDragFrame(p, current); }, cursorForHit(nHandle));
    if (loop.Alive())
        loop.Client()->update(dragFrameRegion(current));
    if (end != TrackLoop::End::Released)
        return FALSE;
    const CRect before = m_rect;
    m_rect = current;
    return !sameRect(before, m_rect);
}

BOOL CRectTracker::TrackRubberBand(CWnd *pWnd, CPoint point, BOOL bAllowInvert)
{
    m_rect = CRect(point.x, point.y, point.x, point.y);
    if (!pWnd || !IsWindow(pWnd->GetSafeHwnd()))
        return FALSE;
    const CRect start = m_rect;
    CRect current = start;
    TrackLoop *pLoop = nullptr;
    auto moveTo = [&](CPoint p) {
        CRect r = start;
        r.right = bAllowInvert ? p.x : std::max(p.x, start.left);
        r.bottom = bAllowInvert ? p.y : std::max(p.y, start.top);
        if (sameRect(r, current) || !pLoop || !pLoop->Alive())
            return;
        pLoop->Client()->update(dragFrameRegion(current) + dragFrameRegion(r));
        current = r;
    };
    TrackLoop loop(pWnd->GetSafeHwnd(), moveTo);
    pLoop = &loop;
    const TrackLoop::End end = loop.Run([&](QPainter &p) { drawDragFrame(p, current); }, Qt::CrossCursor);
    if (loop.Alive())
        loop.Client()->update(dragFrameRegion(current));
    if (end != TrackLoop::End::Released)
        return FALSE;
    m_rect = current;
    return !sameRect(start, m_rect);
}
