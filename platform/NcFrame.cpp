// Child frame windows with a non-client area drawn by the window system: sizing frame, caption, hit testing,
// moving by the caption and sizing by the frame, activation and non-client painting.
#include "Gdi.h"
#include "SysParams.h"
#include "WndImpl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace {

HWND g_activeChildFrame = nullptr;

// A move or size of a frame in progress, driven by the mouse.
struct FrameDrag {
    HWND hWnd = nullptr;
    int hit = HTNOWHERE;
    QPoint startGlobal;
    QRect startGeometry; // in the parent's client coordinates
};
FrameDrag g_drag;

QColor toQColor(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

int captionHeight(HWND hWnd)
{
    if ((hWnd->style & WS_CAPTION) != WS_CAPTION)
        return 0;
    return GetSystemMetrics((hWnd->exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

QSize frameSize(HWND hWnd)
{
    if (hWnd->style & WS_THICKFRAME)
        return QSize(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
    if (hWnd->style & WS_DLGFRAME)
        return QSize(GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME));
    if (hWnd->style & WS_BORDER)
        return QSize(GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
    return QSize(0, 0);
}

// Beyond what the parent shows, the surface reaches this far, so that small moves near the parent's edge do not
// repaint the frame each time.
constexpr int kSurfaceMargin = 256;

// The part of the window (window coordinates) that its parent's client area shows; the whole window for a window
// without a parent widget. Empty while the window does not show.
QRect shownRect(HWND hWnd, int margin)
{
    QWidget *w = hWnd->widget;
    if (!w || !w->isVisible() || w->size().isEmpty())
        return QRect();
    const QWidget *area = afx::realParentWidget(w);
    if (w->isWindow() || !area)
        return QRect(QPoint(0, 0), w->size());
    // In 64 bits: a window far from its parent's area must not overflow the arithmetic.
    const QSize parent = area->size();
    const qint64 left = std::max<qint64>(0, -qint64(w->x()) - margin);
    const qint64 top = std::max<qint64>(0, -qint64(w->y()) - margin);
    const qint64 right = std::min<qint64>(w->width(), qint64(parent.width()) - w->x() + margin);
    const qint64 bottom = std::min<qint64>(w->height(), qint64(parent.height()) - w->y() + margin);
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

void dropSurface(HWND hWnd)
{
    AfxEndPainting(&hWnd->ncSurface);
    hWnd->ncSurface = QImage();
    hWnd->ncRect = QRect();
}

// Paints the frame, and the plain caption when asked, into the window surface, clipped to clip (window coords).
void paintNonClient(HWND hWnd, const QRegion &clipAsked, bool withCaption)
{
    if (!hWnd->widget)
        return;
    const QSize size = hWnd->widget->size();
    const QRect wanted = shownRect(hWnd, kSurfaceMargin);
    if (wanted.isEmpty()) {
        // Nothing shows: nothing to keep. The window is painted again when it shows.
        dropSurface(hWnd);
        return;
    }
    QRegion clip = clipAsked;
    if (hWnd->ncSurface.isNull() || afx::ncSurfaceStale(hWnd)) {
        AfxEndPainting(&hWnd->ncSurface);
        // As many device pixels as the screen shows, so that what is drawn on it is as sharp as Qt's own.
        const qreal ratio = hWnd->widget->devicePixelRatio();
        QImage fresh(ratio == 1.0 ? wanted.size()
                                  : QSize(qCeil(wanted.width() * ratio), qCeil(wanted.height() * ratio)),
                     QImage::Format_RGB32);
        fresh.setDevicePixelRatio(ratio);
        fresh.fill(toQColor(GetSysColor(COLOR_BTNFACE)));
        hWnd->ncSurface = fresh;
        hWnd->ncRect = wanted;
        hWnd->ncWindowSize = size;
        clip = QRegion(); // a fresh surface is painted whole
    }
    // A window context may still hold a painter open on the surface.
    AfxEndPainting(&hWnd->ncSurface);
    QPainter p(&hWnd->ncSurface);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(-hWnd->ncRect.topLeft());
    if (!clip.isEmpty())
        p.setClipRegion(clip);
    const QSize fs = frameSize(hWnd);
    const QRect all(QPoint(0, 0), size);
    const QRect client = afx::clientRectInWindow(hWnd);
    // Frame: button face with a raised outer edge.
    const QRegion frame = QRegion(all) - QRegion(client) -
                          QRegion(QRect(fs.width(), fs.height(), size.width() - 2 * fs.width(), captionHeight(hWnd)));
    p.save();
    p.setClipRegion(clip.isEmpty() ? frame : (frame & clip));
    p.fillRect(all, toQColor(GetSysColor(COLOR_BTNFACE)));
    // One-pixel lines as filled rectangles: at any density they cover whole logical pixels.
    const int w = size.width(), h = size.height();
    auto line = [&p](int x, int y, int cx, int cy, int color) {
        if (cx > 0 && cy > 0)
            p.fillRect(QRect(x, y, cx, cy), toQColor(GetSysColor(color)));
    };
    line(0, 0, w - 1, 1, COLOR_3DLIGHT);
    line(0, 0, 1, h - 1, COLOR_3DLIGHT);
    line(1, 1, w - 3, 1, COLOR_BTNHIGHLIGHT);
    line(1, 1, 1, h - 3, COLOR_BTNHIGHLIGHT);
    line(0, h - 1, w, 1, COLOR_3DDKSHADOW);
    line(w - 1, 0, 1, h, COLOR_3DDKSHADOW);
    line(1, h - 2, w - 2, 1, COLOR_BTNSHADOW);
    line(w - 2, 1, 1, h - 2, COLOR_BTNSHADOW);
    p.restore();
    const int cap = captionHeight(hWnd);
    const QRect capRect(fs.width(), fs.height(), size.width() - 2 * fs.width(), cap - 1);
    // A region that leaves the caption out means its owner paints it: not drawn on a fresh surface either.
    if (withCaption && cap > 0 && (clipAsked.isEmpty() || clipAsked.intersects(capRect))) {
        const bool active = hWnd->ncActive;
        p.fillRect(capRect, toQColor(GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION)));
        p.fillRect(QRect(capRect.left(), capRect.bottom() + 1, capRect.width(), 1),
                   toQColor(GetSysColor(COLOR_BTNFACE)));
        p.setPen(toQColor(GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT)));
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(std::max(8, cap - 5));
        p.setFont(f);
        const QRect textRect = capRect.adjusted(3, 0, -3, 0);
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                   QFontMetrics(f).elidedText(hWnd->text, Qt::ElideRight, textRect.width()));
    }
    p.end();
    hWnd->widget->update(QRegion(hWnd->widget->rect()) - QRegion(afx::clientRectInWindow(hWnd)));
}

int hitTest(HWND hWnd, QPoint windowPoint)
{
    if (!hWnd->widget)
        return HTNOWHERE;
    const QSize size = hWnd->widget->size();
    const QRect all(QPoint(0, 0), size);
    if (!all.contains(windowPoint))
        return HTNOWHERE;
    const QRect client = afx::clientRectInWindow(hWnd);
    if (client.contains(windowPoint))
        return HTCLIENT;
    const QSize fs = frameSize(hWnd);
    const int x = windowPoint.x(), y = windowPoint.y();
    if (hWnd->style & WS_THICKFRAME) {
        // Corners reach along the edges as far as a caption button is wide.
        const int corner = GetSystemMetrics(SM_CXSIZE);
        const bool left = x < fs.width(), right = x >= size.width() - fs.width();
        const bool top = y < fs.height(), bottom = y >= size.height() - fs.height();
        const bool nearLeft = x < corner, nearRight = x >= size.width() - corner;
        const bool nearTop = y < corner, nearBottom = y >= size.height() - corner;
        if ((top && nearLeft) || (left && nearTop))
            return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop))
            return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom))
            return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom))
            return HTBOTTOMRIGHT;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
        if (top)
            return HTTOP;
        if (bottom)
            return HTBOTTOM;
    } else if (x < fs.width() || x >= size.width() - fs.width() || y < fs.height() ||
               y >= size.height() - fs.height()) {
        return HTBORDER;
    }
    const int cap = captionHeight(hWnd);
    if (cap > 0 && y < fs.height() + cap)
        return HTCAPTION;
    return HTBORDER;
}

void setActiveChildFrame(HWND hWnd)
{
    if (g_activeChildFrame == hWnd)
        return;
    HWND old = IsWindow(g_activeChildFrame) ? g_activeChildFrame : nullptr;
    g_activeChildFrame = hWnd;
    if (old)
        ::SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    if (IsWindow(hWnd))
        ::SendMessage(hWnd, WM_NCACTIVATE, TRUE, 0);
}

// While a child frame is moved or sized the pointer stays inside its parent's client area, as the window system
// confines it for child windows: the point that was grabbed never leaves what the parent shows.
QPoint confineToParent(HWND h, QPoint global)
{
    if (!(h->style & WS_CHILD) || !IsWindow(h->parent) || !h->parent->client)
        return global;
    QWidget *area = h->parent->client;
    const QRect rc(area->mapToGlobal(QPoint(0, 0)), area->size());
    if (rc.isEmpty())
        return global;
    return QPoint(std::clamp(global.x(), rc.left(), rc.right()), std::clamp(global.y(), rc.top(), rc.bottom()));
}

// The child frame a widget belongs to: the nearest window up its chain that is a child frame, within one top-level
// window.
HWND childFrameOf(QWidget *w)
{
    for (; w; w = w->parentWidget()) {
        HWND h = afx::hwndFromWidget(w);
        if (IsWindow(h) && h->hasNonClient && (h->style & WS_CHILD))
            return h;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

// Activation follows the keyboard focus: the child frame that holds it is the active one, and none is while the
// focus is elsewhere in the same window. Focus in another window (a dialog) leaves the state alone.
void followFocus(QWidget *, QWidget *now)
{
    if (!now)
        return;
    HWND frame = childFrameOf(now);
    if (!frame) {
        HWND active = IsWindow(g_activeChildFrame) ? g_activeChildFrame : nullptr;
        if (!active || !active->widget || active->widget->window() != now->window())
            return;
    }
    setActiveChildFrame(frame);
}

void dragTo(QPoint globalAsked)
{
    HWND h = g_drag.hWnd;
    if (!IsWindow(h) || !h->widget)
        return;
    const QPoint global = confineToParent(h, globalAsked);
    const QPoint d = global - g_drag.startGlobal;
    QRect g = g_drag.startGeometry;
    const int minW = 2 * frameSize(h).width() + 2 * GetSystemMetrics(SM_CXSIZE);
    const int minH = 2 * frameSize(h).height() + captionHeight(h) + 2;
    switch (g_drag.hit) {
    case HTCAPTION:
        g.translate(d);
        break;
    default: {
        const int hit = g_drag.hit;
        if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT)
            g.setLeft(std::min(g.left() + d.x(), g.right() + 1 - minW));
        if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT)
            g.setRight(std::max(g.right() + d.x(), g.left() + minW - 1));
        if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT)
            g.setTop(std::min(g.top() + d.y(), g.bottom() + 1 - minH));
        if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT)
            g.setBottom(std::max(g.bottom() + d.y(), g.top() + minH - 1));
        break;
    }
    }
    if (g == h->widget->geometry())
        return;
    if (CWnd *pWnd = CWnd::FromHandle(h))
        pWnd->MoveWindow(g.x(), g.y(), g.width(), g.height(), TRUE);
}

// The outer widget of a child frame: shows the window surface and turns clicks on the frame into messages.
class NonClientWidget : public QWidget {
public:
    explicit NonClientWidget(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
    }

protected:
    bool event(QEvent *e) override
    {
        // Another screen or another scale: paint again at the new resolution.
        bool ratioChange = e->type() == QEvent::ScreenChangeInternal;
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        ratioChange = ratioChange || e->type() == QEvent::DevicePixelRatioChange;
#endif
        if (ratioChange) {
            if (HWND h = afx::hwndFromWidget(this))
                afx::followPixelRatio(h);
            update();
        }
        return QWidget::event(e);
    }

    void hideEvent(QHideEvent *e) override
    {
        // A stored or closed window keeps no surface; it is painted again when it shows.
        if (HWND h = afx::hwndFromWidget(this))
            dropSurface(h);
        QWidget::hideEvent(e);
    }

    void paintEvent(QPaintEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        if (!h)
            return;
        afx::followPixelRatio(h);
        if (!IsWindow(h))
            return;
        if (afx::ncSurfaceStale(h))
            ::SendMessage(h, WM_NCPAINT, 1, 0);
        AfxEndPainting(&h->ncSurface);
        QPainter p(this);
        p.setClipRegion(e->region() - QRegion(afx::clientRectInWindow(h)));
        p.drawImage(h->ncRect.topLeft(), h->ncSurface);
    }

    void mousePressEvent(QMouseEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        if (!h || e->button() != Qt::LeftButton)
            return;
        const QPoint g = e->globalPosition().toPoint();
        const LPARAM lp = MAKELPARAM(g.x(), g.y());
        const int hit = int(::SendMessage(h, WM_NCHITTEST, 0, lp));
        ::SendMessage(h, WM_MOUSEACTIVATE, 0, 0);
        if (IsWindow(h))
            ::SendMessage(h, WM_NCLBUTTONDOWN, WPARAM(hit), lp);
    }

    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        if (!h || e->button() != Qt::LeftButton)
            return;
        const QPoint g = e->globalPosition().toPoint();
        const LPARAM lp = MAKELPARAM(g.x(), g.y());
        const int hit = int(::SendMessage(h, WM_NCHITTEST, 0, lp));
        const bool dbl = h->cls && (h->cls->style & CS_DBLCLKS);
        ::SendMessage(h, dbl ? WM_NCLBUTTONDBLCLK : WM_NCLBUTTONDOWN, WPARAM(hit), lp);
    }

    void mouseMoveEvent(QMouseEvent *e) override
    {
        HWND h = afx::hwndFromWidget(this);
        if (!h)
            return;
        if (g_drag.hWnd == h && (e->buttons() & Qt::LeftButton)) {
            dragTo(e->globalPosition().toPoint());
            return;
        }
        updateCursor(h, e->globalPosition().toPoint());
    }

    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton && g_drag.hWnd == afx::hwndFromWidget(this)) {
            dragTo(e->globalPosition().toPoint());
            const HWND h = g_drag.hWnd;
            g_drag = FrameDrag();
            if (IsWindow(h))
                ::SendMessage(h, WM_EXITSIZEMOVE, 0, 0);
        }
    }

private:
    void updateCursor(HWND h, QPoint global)
    {
        switch (hitTest(h, mapFromGlobal(global))) {
        case HTLEFT:
        case HTRIGHT:
            setCursor(Qt::SizeHorCursor);
            break;
        case HTTOP:
        case HTBOTTOM:
            setCursor(Qt::SizeVerCursor);
            break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
            setCursor(Qt::SizeBDiagCursor);
            break;
        default:
            setCursor(Qt::ArrowCursor);
            break;
        }
    }
};

// The client area of a child frame.
class FrameClientWidget : public QWidget {
public:
    explicit FrameClientWidget(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
    }

protected:
    bool event(QEvent *e) override
    {
        if (HWND h = afx::hwndFromWidget(this))
            if (afx::translateEvent(h, this, e))
                return true;
        return QWidget::event(e);
    }
};

} // namespace

namespace afx {

bool ncSurfaceStale(HWND hWnd)
{
    if (!IsWindow(hWnd) || !hWnd->hasNonClient)
        return false;
    const QRect shown = shownRect(hWnd, 0);
    if (shown.isEmpty())
        return false;
    return hWnd->ncSurface.isNull() || hWnd->ncWindowSize != hWnd->widget->size() || !hWnd->ncRect.contains(shown) ||
           hWnd->ncSurface.devicePixelRatio() != hWnd->widget->devicePixelRatio();
}

void followPixelRatio(HWND hWnd)
{
    if (!IsWindow(hWnd) || !hWnd->hasNonClient || !hWnd->widget)
        return;
    const qreal ratio = hWnd->widget->devicePixelRatio();
    if (hWnd->ncRatio == ratio)
        return;
    const bool changed = hWnd->ncRatio != 0;
    hWnd->ncRatio = ratio;
    if (changed)
        ::SendMessage(hWnd, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
}

bool styleHasNonClient(DWORD style, DWORD)
{
    return (style & (WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER)) != 0;
}

QMargins nonClientMargins(HWND hWnd)
{
    const QSize fs = frameSize(hWnd);
    return QMargins(fs.width(), fs.height() + captionHeight(hWnd), fs.width(), fs.height());
}

void createNonClientWidgets(HWND hWnd, QWidget *parentWidget)
{
    static bool s_bFollowingFocus = false;
    if (!s_bFollowingFocus && qApp) {
        s_bFollowingFocus = true;
        QObject::connect(qApp, &QApplication::focusChanged, qApp, &followFocus);
    }
    auto *outer = new NonClientWidget((hWnd->style & WS_CHILD) ? childFrameParent(parentWidget) : parentWidget);
    auto *client = new FrameClientWidget(outer);
    hWnd->hasNonClient = true;
    bindWidget(hWnd, outer, client);
}

LRESULT ncDefWindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, bool *pHandled)
{
    *pHandled = true;
    switch (nMsg) {
    case WM_NCHITTEST: {
        const QPoint screen(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return hWnd->widget ? hitTest(hWnd, hWnd->widget->mapFromGlobal(screen)) : HTNOWHERE;
    }
    case WM_NCPAINT: {
        QRegion clip;
        if (wParam > 1 && ::GetObjectType(reinterpret_cast<HGDIOBJ>(wParam)) == OBJ_REGION) {
            // A region in screen coordinates: paint only there.
            const QRegion screen = AfxRegionToQRegion(reinterpret_cast<HRGN>(wParam));
            const QPoint origin = hWnd->widget ? hWnd->widget->mapToGlobal(QPoint(0, 0)) : QPoint();
            clip = screen.translated(-origin);
            if (clip.isEmpty())
                return 0;
        }
        paintNonClient(hWnd, clip, (hWnd->style & WS_VISIBLE) != 0);
        return 0;
    }
    case WM_NCACTIVATE:
        hWnd->ncActive = wParam != 0;
        paintNonClient(hWnd, QRegion(), (hWnd->style & WS_VISIBLE) != 0);
        return TRUE;
    case WM_SETTEXT:
        hWnd->text = afx::textArg(lParam);
        if (hWnd->style & WS_VISIBLE) {
            const QSize fs = frameSize(hWnd);
            paintNonClient(
                hWnd, QRegion(fs.width(), fs.height(), hWnd->widget ? hWnd->widget->width() : 0, captionHeight(hWnd)),
                true);
        }
        return TRUE;
    case WM_MOUSEACTIVATE:
        if (hWnd->style & WS_CHILD) {
            setActiveChildFrame(hWnd);
            raiseWindowWidget(hWnd);
            return 1; // MA_ACTIVATE
        }
        *pHandled = false;
        return 0;
    case WM_NCLBUTTONDOWN: {
        const int hit = int(wParam);
        if (hit == HTCAPTION || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT)) {
            g_drag.hWnd = hWnd;
            g_drag.hit = hit;
            g_drag.startGlobal = QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            g_drag.startGeometry = hWnd->widget ? hWnd->widget->geometry() : QRect();
            // The move or size runs until the button is released; the window hears of both ends.
            ::SendMessage(hWnd, WM_ENTERSIZEMOVE, 0, 0);
        }
        return 0;
    }
    case WM_NCDESTROY:
        if (g_activeChildFrame == hWnd)
            g_activeChildFrame = nullptr;
        if (g_drag.hWnd == hWnd)
            g_drag = FrameDrag();
        *pHandled = false;
        return 0;
    default:
        *pHandled = false;
        return 0;
    }
}

} // namespace afx

HWND AfxGetActiveChildFrame()
{
    return IsWindow(g_activeChildFrame) ? g_activeChildFrame : nullptr;
}
void AfxSetActiveChildFrame(HWND hWnd)
{
    setActiveChildFrame(hWnd);
}
