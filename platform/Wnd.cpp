#include "WndImpl.h"

#include "Controls.h"
#include "CtlImpl.h"
#include "SysParams.h"
#include "WndDC.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSet>

#include <algorithm>
#include <deque>
#include <limits>
#include <map>
#include <memory>

const char *const AfxWndClassName = "AfxWnd";
const char *const AfxMiniFrameClassName = "AfxMiniFrame";

namespace {

quint64 g_nextSerial = 1;
// Stacking stamps: each window made or raised lies above those stamped before it.
quint64 g_nextZ = 1;
QHash<HWND, quint64> &liveWindows()
{
    static QHash<HWND, quint64> windows;
    return windows;
}

std::map<QString, std::unique_ptr<WNDCLASSINFO>> &windowClasses()
{
    static std::map<QString, std::unique_ptr<WNDCLASSINFO>> classes;
    return classes;
}

AFX_THREAD_STATE g_threadState;
HWND g_capture = nullptr;
bool g_clipCursor = false;

// The string CWnd::SetWindowText is sending with WM_SETTEXT, with its length.
struct SentText {
    const char16_t *p = nullptr;
    qsizetype n = 0;
};
SentText g_sentText;
RECT g_clipRect{0, 0, 0, 0};

// Posted messages wait in a queue of their own, and Qt's event queue holds at most one wake-up for all of them:
// thousands of messages queued by a board's notes would otherwise sit in Qt's list, which Qt walks on every
// layout and update request it posts.
struct PostedMessage {
    HWND hWnd;
    quint64 serial;
    UINT nMsg;
    WPARAM wParam;
    LPARAM lParam;
};

const QEvent::Type PostedMessagesWakeUp = QEvent::Type(QEvent::User + 0x80A);

struct WakeUpEvent;
WakeUpEvent *g_pendingWakeUp = nullptr;

struct WakeUpEvent : QEvent {
    WakeUpEvent() : QEvent(PostedMessagesWakeUp) {}
    // Qt drops posted events when the application ends; a new application must then be woken again.
    ~WakeUpEvent() override
    {
        if (g_pendingWakeUp == this)
            g_pendingWakeUp = nullptr;
    }
};

// Delivers posted messages in the order they were posted; messages for windows that ended are dropped.
class PostedMessageQueue : public QObject {
public:
    void post(const PostedMessage &message)
    {
        m_messages.push_back(message);
        wakeUp();
    }

    // Delivers the messages queued now; later ones wait for the next wake-up, so input and painting still get
    // their turn while handlers keep posting.
    void deliver()
    {
        for (size_t nBudget = m_messages.size(); nBudget > 0 && !m_messages.empty(); --nBudget) {
            const PostedMessage pm = m_messages.front();
            m_messages.pop_front();
            // A handler may run a loop of its own (a message box): it must find the rest still coming.
            if (!m_messages.empty())
                wakeUp();
            const auto it = liveWindows().constFind(pm.hWnd);
            if (it != liveWindows().constEnd() && it.value() == pm.serial)
                ::SendMessage(pm.hWnd, pm.nMsg, pm.wParam, pm.lParam);
        }
        if (!m_messages.empty())
            wakeUp();
    }

    bool event(QEvent *e) override
    {
        if (e->type() != PostedMessagesWakeUp)
            return QObject::event(e);
        if (g_pendingWakeUp == e)
            g_pendingWakeUp = nullptr;
        deliver();
        return true;
    }

    bool hasMessages() const { return !m_messages.empty(); }

private:
    void wakeUp()
    {
        if (g_pendingWakeUp)
            return;
        g_pendingWakeUp = new WakeUpEvent;
        QCoreApplication::postEvent(this, g_pendingWakeUp);
    }

    std::deque<PostedMessage> m_messages;
};

PostedMessageQueue *postedQueue()
{
    static QPointer<PostedMessageQueue> queue;
    if (!queue)
        queue = new PostedMessageQueue;
    return queue;
}

// A window of the framework's generic classes: paints and clicks become messages.
class GenericWindowWidget : public QWidget {
public:
    explicit GenericWindowWidget(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
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

void makeGenericWidgets(HWND hWnd, QWidget *parentWidget)
{
    if (afx::styleHasNonClient(hWnd->style, hWnd->exStyle) && (hWnd->style & WS_CHILD)) {
        afx::createNonClientWidgets(hWnd, parentWidget);
        return;
    }
    auto *w = new GenericWindowWidget(parentWidget);
    afx::bindWidget(hWnd, w, w);
}

void registerBuiltinClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    AfxInstallWindowDCProvider();
    AfxRegisterControlClasses();
    for (const char *name : {AfxWndClassName, AfxMiniFrameClassName}) {
        WNDCLASSINFO info;
        info.lpszClassName = QString::fromLatin1(name);
        info.style = CS_DBLCLKS;
        info.lpfnWndProc = &AfxWndProc;
        info.pfnMakeWidgets = &makeGenericWidgets;
        AfxRegisterWindowClass(info);
    }
}

// Window handle used as a widget property so events find their window.
const char *const kHwndProperty = "zb_hwnd";

void destroyWindowTree(HWND hWnd);
bool isChildFrameWindow(HWND h);

// Window positions and sizes are kept within Qt's widget size limit, whatever a caller (or a file) asks for, so
// that no sum of a window's coordinates can overflow.
constexpr qint64 kMaxWindowCoord = QWIDGETSIZE_MAX;

QRect boundedWindowRect(qint64 x, qint64 y, qint64 cx, qint64 cy)
{
    return QRect(int(std::clamp(x, -kMaxWindowCoord, kMaxWindowCoord)),
                 int(std::clamp(y, -kMaxWindowCoord, kMaxWindowCoord)), int(std::clamp<qint64>(cx, 0, kMaxWindowCoord)),
                 int(std::clamp<qint64>(cy, 0, kMaxWindowCoord)));
}

QList<HWND> childWindows(HWND hWnd)
{
    QList<HWND> children;
    if (!IsWindow(hWnd))
        return children;
    children.reserve(int(hWnd->children.size()));
    for (const auto &entry : hWnd->children) // creation order
        children.append(entry.second);
    return children;
}

// Widgets of ended windows, deleted together when the event loop next runs, as deleteLater would. One posted event
// for all of them: thousands of posted events make every event Qt posts meanwhile slower (it looks through them to
// merge its own). A widget whose ancestor goes too is left to that ancestor, which deletes its children at once.
class WidgetGraveyard final : public QObject {
public:
    ~WidgetGraveyard() override
    {
        if (s_pOpen == this)
            s_pOpen = nullptr;
        QSet<const QWidget *> all;
        all.reserve(m_widgets.size());
        for (const QPointer<QWidget> &w : m_widgets)
            if (w)
                all.insert(w);
        for (const QPointer<QWidget> &w : m_widgets) {
            if (!w)
                continue; // gone with an ancestor deleted before it
            bool bAncestorGoes = false;
            for (const QWidget *p = w->parentWidget(); p && !bAncestorGoes; p = p->parentWidget())
                bAncestorGoes = all.contains(p);
            if (!bAncestorGoes)
                delete w.data();
        }
    }

    static void add(QWidget *w)
    {
        if (!s_pOpen) {
            s_pOpen = new WidgetGraveyard;
            s_pOpen->deleteLater();
        }
        s_pOpen->m_widgets.push_back(w);
    }

private:
    static inline WidgetGraveyard *s_pOpen = nullptr;
    std::vector<QPointer<QWidget>> m_widgets;
};

void deleteWidgetLater(QWidget *w)
{
    WidgetGraveyard::add(w);
}

void destroyWindowTree(HWND hWnd)
{
    if (!IsWindow(hWnd) || hWnd->destroying)
        return;
    hWnd->destroying = true;
    if (g_capture == hWnd)
        g_capture = nullptr;
    if (isChildFrameWindow(hWnd) && (hWnd->style & WS_VISIBLE))
        afx::scheduleReveal(hWnd->parent);
    QPointer<QWidget> widget = hWnd->widget;
    if (widget)
        widget->hide();
    ::SendMessage(hWnd, WM_DESTROY, 0, 0);
    for (HWND child : childWindows(hWnd))
        destroyWindowTree(child);
    // Owned popups go with their owner; each destruction changes the list, so look again after each.
    for (bool bFound = true; bFound;) {
        bFound = false;
        for (const auto &entry : hWnd->owned)
            if (!entry.second->destroying) {
                destroyWindowTree(entry.second);
                bFound = true;
                break;
            }
    }
    ::SendMessage(hWnd, WM_NCDESTROY, 0, 0);
    liveWindows().remove(hWnd);
    if (IsWindow(hWnd->parent)) {
        hWnd->parent->children.erase(hWnd->serial);
        hWnd->parent->waitingFrames.erase(hWnd->serial);
    }
    if (IsWindow(hWnd->owner))
        hWnd->owner->owned.erase(hWnd->serial);
    if (widget) {
        widget->setProperty(kHwndProperty, QVariant());
        if (hWnd->client && hWnd->client != widget)
            hWnd->client->setProperty(kHwndProperty, QVariant());
        deleteWidgetLater(widget);
    }
    delete hWnd->temporary;
    delete hWnd;
}

// Windows whose widgets can wait until they show: child frames of the generic classes and multi-line edits, the
// two that boards hold by the thousand. Other controls keep widgets from the start.
bool isDeferrable(const WNDCLASSINFO *cls, DWORD style, DWORD exStyle)
{
    if (!(style & WS_CHILD))
        return false;
    if (cls->lpfnWndProc == &afx::editWndProc)
        return (style & ES_MULTILINE) != 0;
    return (!cls->pfnMakeWidgets || cls->pfnMakeWidgets == &makeGenericWidgets) &&
           afx::styleHasNonClient(style, exStyle);
}

// A window that lies wholly outside its parent's client area shows nothing of itself.
bool liesInParentView(HWND h)
{
    if (!IsWindow(h->parent))
        return true;
    const QRect area(QPoint(0, 0), afx::clientRectInWindow(h->parent).size());
    return h->deferredRect.intersects(area);
}

// Shown, under a parent with widgets, within its view: the window's widgets are due.
bool widgetsDue(HWND h)
{
    return h->deferred && (h->style & WS_VISIBLE) &&
           (!IsWindow(h->parent) || (!h->parent->deferred && h->parent->client)) && liesInParentView(h);
}

bool isChildFrameWindow(HWND h)
{
    return h->hasNonClient && (h->style & WS_CHILD);
}

// A window without widgets has come due: a child frame once nothing covers it all (looked at before the next
// paint, when the frames above it are known), anything else at once.
void widgetsCameDue(HWND h)
{
    if (isChildFrameWindow(h))
        afx::scheduleReveal(h->parent);
    else
        afx::ensureWidgets(h);
}

// Makes the widgets of the parent's children that have come due, bottom to top.
void makeDueChildren(HWND hParent)
{
    if (!IsWindow(hParent) || hParent->deferred || !hParent->client)
        return;
    std::vector<HWND> due;
    bool bFrames = false;
    for (const auto &entry : hParent->children)
        if (widgetsDue(entry.second)) {
            if (isChildFrameWindow(entry.second))
                bFrames = true;
            else
                due.push_back(entry.second);
        }
    std::sort(due.begin(), due.end(), [](HWND a, HWND b) { return a->zStamp < b->zStamp; });
    for (HWND h : due)
        if (IsWindow(h) && widgetsDue(h))
            afx::ensureWidgets(h);
    if (bFrames)
        afx::scheduleReveal(hParent);
}

// The child frames of hParent that show some part and have no widgets get them, bottom to top. Frames are opaque
// (Qt paints nothing under them), so one wholly covered by shown frames above it shows nothing.
void revealChildFrames(HWND hParent)
{
    if (!IsWindow(hParent) || hParent->deferred || !hParent->client || hParent->destroying)
        return;
    const QRect view(QPoint(0, 0), afx::clientRectInWindow(hParent).size());
    auto showsInView = [&view](HWND c) {
        return (c->style & WS_VISIBLE) && isChildFrameWindow(c) && !c->destroying &&
               afx::windowGeometry(c).intersects(view);
    };
    // Only frames from the lowest waiting one up can cover a waiting one: a note just made on top costs one look.
    quint64 lowestWaiting = std::numeric_limits<quint64>::max();
    int nWaiting = 0;
    for (const auto &entry : hParent->waitingFrames)
        if (showsInView(entry.second)) {
            lowestWaiting = std::min(lowestWaiting, entry.second->zStamp);
            ++nWaiting;
        }
    if (nWaiting == 0)
        return;
    // Waiting frames above every frame with widgets can only cover each other.
    const auto &candidates = lowestWaiting > hParent->topChildZ ? hParent->waitingFrames : hParent->children;
    std::vector<HWND> above;
    for (const auto &entry : candidates)
        if (entry.second->zStamp >= lowestWaiting && showsInView(entry.second))
            above.push_back(entry.second);
    std::sort(above.begin(), above.end(), [](HWND a, HWND b) { return a->zStamp > b->zStamp; });
    QRegion covered;
    std::vector<HWND> due;
    for (HWND c : above) {
        const QRect r = afx::windowGeometry(c) & view;
        if (c->deferred) {
            if (!(QRegion(r) - covered).isEmpty())
                due.push_back(c);
            if (--nWaiting == 0)
                break;
        }
        covered += r;
        // Everything below lies under the frames seen so far.
        if (covered.rectCount() == 1 && covered.boundingRect() == view)
            break;
    }
    for (auto it = due.rbegin(); it != due.rend(); ++it)
        if (IsWindow(*it) && (*it)->deferred)
            afx::ensureWidgets(*it);
}

// Parents whose frames wait to be looked over, by serial so that an ended one is skipped.
std::vector<std::pair<HWND, quint64>> &pendingReveals()
{
    static std::vector<std::pair<HWND, quint64>> pending;
    return pending;
}

// Runs the pending reveals before the window that holds them paints, and when the event loop next runs.
class RevealRunner final : public QObject {
public:
    static RevealRunner *instance()
    {
        static QPointer<RevealRunner> runner;
        if (!runner)
            runner = new RevealRunner;
        return runner;
    }

    void watch(QWidget *window)
    {
        if (window && !window->property(kWatchedProperty).toBool()) {
            window->setProperty(kWatchedProperty, true);
            window->installEventFilter(this);
        }
        if (!m_bPosted) {
            m_bPosted = true;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        }
    }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        m_bPosted = false;
        afx::runPendingReveals();
        return true;
    }

    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::UpdateRequest)
            afx::runPendingReveals();
        return false;
    }

private:
    static constexpr const char *kWatchedProperty = "zb_reveal_watched";
    bool m_bPosted = false;
};

// A widget made late goes below the siblings that lie above its window; one made for the topmost stays on top.
void stackAmongSiblings(HWND h)
{
    HWND p = h->parent;
    if (!IsWindow(p) || !h->widget || h->widget->isWindow())
        return;
    if (h->zStamp > p->topChildZ) {
        p->topChildZ = h->zStamp;
        return;
    }
    HWND above = nullptr;
    for (const auto &entry : p->children) {
        HWND s = entry.second;
        if (s != h && s->widget && !s->widget->isWindow() && s->zStamp > h->zStamp &&
            (!above || s->zStamp < above->zStamp))
            above = s;
    }
    if (!above)
        return;
    QWidget *w = h->widget;
    QWidget *host = above->widget->parentWidget();
    if (w->parentWidget() != host) {
        const QRect g = w->geometry();
        w->setParent(host);
        w->setGeometry(g);
    }
    w->stackUnder(above->widget);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Window classes and handles

BOOL AfxRegisterWindowClass(const WNDCLASSINFO &info)
{
    windowClasses()[info.lpszClassName.toUpper()] = std::make_unique<WNDCLASSINFO>(info);
    return TRUE;
}

const WNDCLASSINFO *AfxFindWindowClass(const QString &name)
{
    registerBuiltinClasses();
    const auto it =
        windowClasses().find(name.isEmpty() ? QString::fromLatin1(AfxWndClassName).toUpper() : name.toUpper());
    return it == windowClasses().end() ? nullptr : it->second.get();
}

BOOL IsWindow(HWND hWnd)
{
    return hWnd && liveWindows().contains(hWnd);
}

AFX_THREAD_STATE *AfxGetThreadState()
{
    return &g_threadState;
}

namespace afx {

QString textArg(LPARAM lParam)
{
    if (!lParam)
        return QString();
    const auto *p = reinterpret_cast<const char16_t *>(lParam);
    if (p == g_sentText.p)
        return QString(reinterpret_cast<const QChar *>(p), g_sentText.n);
    return QString(reinterpret_cast<const QChar *>(p));
}

HWND hwndFromWidget(const QWidget *w)
{
    if (!w)
        return nullptr;
    const QVariant v = w->property(kHwndProperty);
    if (!v.isValid())
        return nullptr;
    HWND h = reinterpret_cast<HWND>(v.value<quintptr>());
    return IsWindow(h) ? h : nullptr;
}

void bindWidget(HWND hWnd, QWidget *outer, QWidget *client)
{
    hWnd->widget = outer;
    hWnd->client = client;
    outer->setProperty(kHwndProperty, QVariant::fromValue(quintptr(hWnd)));
    if (client != outer)
        client->setProperty(kHwndProperty, QVariant::fromValue(quintptr(hWnd)));
}

bool ensureWidgets(HWND hWnd)
{
    if (!IsWindow(hWnd))
        return false;
    if (!hWnd->deferred)
        return hWnd->widget != nullptr;
    if (IsWindow(hWnd->parent) && !ensureWidgets(hWnd->parent))
        return false;
    // Making the parent's may have made this window's too.
    if (!IsWindow(hWnd) || !hWnd->deferred)
        return IsWindow(hWnd) && hWnd->widget;
    hWnd->deferred = false;
    if (IsWindow(hWnd->parent))
        hWnd->parent->waitingFrames.erase(hWnd->serial);
    // Made hidden, placed, then shown, so that nothing shows before it is where it belongs.
    const DWORD visible = hWnd->style & WS_VISIBLE;
    hWnd->style &= ~DWORD(WS_VISIBLE);
    QWidget *parentWidget = afx::parentWidgetFor(hWnd->parent);
    if (hWnd->cls->pfnMakeWidgets)
        hWnd->cls->pfnMakeWidgets(hWnd, parentWidget);
    else
        makeGenericWidgets(hWnd, parentWidget);
    hWnd->style |= visible;
    QWidget *w = hWnd->widget;
    if (!w)
        return false;
    w->setEnabled(!(hWnd->style & WS_DISABLED));
    w->setGeometry(hWnd->deferredRect);
    if (hWnd->hasNonClient && hWnd->client && hWnd->client != w)
        hWnd->client->setGeometry(clientRectInWindow(hWnd));
    if (hWnd->exStyle & WS_EX_ACCEPTFILES)
        w->setAcceptDrops(true);
    if (hWnd->lockUpdate > 0)
        w->setUpdatesEnabled(false);
    stackAmongSiblings(hWnd);
    if (hWnd->onWidgetsMade) {
        const std::function<void()> made = std::move(hWnd->onWidgetsMade);
        hWnd->onWidgetsMade = nullptr;
        hWnd->onWidgetsMadeBy = nullptr;
        made();
    }
    if (!IsWindow(hWnd))
        return false;
    makeDueChildren(hWnd);
    if (visible) {
        w->show();
        if (hWnd->hasNonClient)
            ::SendMessage(hWnd, WM_NCPAINT, 1, 0);
    } else {
        w->hide();
    }
    return IsWindow(hWnd) && hWnd->widget;
}

quint64 nextZStamp()
{
    return g_nextZ++;
}

void scheduleReveal(HWND hParent)
{
    if (!IsWindow(hParent) || hParent->revealPending || hParent->destroying)
        return;
    hParent->revealPending = true;
    pendingReveals().emplace_back(hParent, hParent->serial);
    RevealRunner::instance()->watch(hParent->client ? hParent->client->window() : nullptr);
}

void runPendingReveals()
{
    // Making widgets may move windows and so ask again; each round handles what the one before asked for.
    for (int nRound = 0; nRound < 16 && !pendingReveals().empty(); ++nRound) {
        const std::vector<std::pair<HWND, quint64>> rounds = std::move(pendingReveals());
        pendingReveals().clear();
        for (const auto &[h, serial] : rounds) {
            const auto it = liveWindows().constFind(h);
            if (it == liveWindows().constEnd() || it.value() != serial)
                continue;
            h->revealPending = false;
            revealChildFrames(h);
        }
    }
}

bool revealsPending()
{
    return !pendingReveals().empty();
}

QRect windowGeometry(HWND hWnd)
{
    if (!IsWindow(hWnd))
        return QRect();
    if (hWnd->deferred)
        return hWnd->deferredRect;
    return hWnd->widget ? hWnd->widget->geometry() : QRect();
}

QPoint clientOriginOnScreen(HWND hWnd)
{
    if (!IsWindow(hWnd))
        return QPoint();
    if (!hWnd->deferred)
        return hWnd->client ? hWnd->client->mapToGlobal(QPoint(0, 0)) : QPoint();
    const QPoint parentOrigin = IsWindow(hWnd->parent) ? clientOriginOnScreen(hWnd->parent) : QPoint();
    return parentOrigin + hWnd->deferredRect.topLeft() + clientRectInWindow(hWnd).topLeft();
}

QWidget *parentWidgetFor(HWND hWndParent)
{
    return IsWindow(hWndParent) ? hWndParent->client.data() : nullptr;
}

QRect clientRectInWindow(HWND hWnd)
{
    if (!hWnd->widget && !hWnd->deferred)
        return QRect();
    const QSize size = hWnd->deferred ? hWnd->deferredRect.size() : hWnd->widget->size();
    if (hWnd->hasNonClient) {
        const QMargins m = nonClientMargins(hWnd);
        return QRect(QPoint(m.left(), m.top()), QSize(std::max(0, size.width() - m.left() - m.right()),
                                                      std::max(0, size.height() - m.top() - m.bottom())));
    }
    return QRect(QPoint(0, 0), size);
}

void reportGeometry(HWND hWnd)
{
    if (!IsWindow(hWnd) || (!hWnd->widget && !hWnd->deferred) || !hWnd->created || hWnd->destroying)
        return;
    const QRect client = clientRectInWindow(hWnd);
    if (hWnd->hasNonClient && hWnd->client && hWnd->client->geometry() != client)
        hWnd->client->setGeometry(client);
    // WM_MOVE carries the client area's origin in the parent's client coordinates.
    QPoint pos = windowGeometry(hWnd).topLeft() + client.topLeft();
    if (hWnd->widget && hWnd->widget->isWindow())
        pos = hWnd->widget->geometry().topLeft() + client.topLeft();
    const QSize size = client.size();
    const bool moved = pos != hWnd->lastMovePos;
    const bool sized = size != hWnd->lastClientSize;
    hWnd->lastMovePos = pos;
    hWnd->lastClientSize = size;
    if (moved)
        ::SendMessage(hWnd, WM_MOVE, 0, MAKELPARAM(pos.x(), pos.y()));
    if (sized && IsWindow(hWnd))
        ::SendMessage(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.width(), size.height()));
    if (IsWindow(hWnd) && hWnd->widget && afx::ncSurfaceStale(hWnd))
        ::SendMessage(hWnd, WM_NCPAINT, 1, 0);
    // A larger client area may bring children into view; a frame that moves may uncover others.
    if (sized && IsWindow(hWnd))
        makeDueChildren(hWnd);
    if ((moved || sized) && IsWindow(hWnd) && hWnd->widget && isChildFrameWindow(hWnd))
        scheduleReveal(hWnd->parent);
}

quint32 keyStateFromQt(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    quint32 k = 0;
    if (buttons & Qt::LeftButton)
        k |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        k |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        k |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier)
        k |= MK_SHIFT;
    if (mods & Qt::ControlModifier)
        k |= MK_CONTROL;
    return k;
}

// Applies the cursor confinement to a point in global coordinates.
static QPoint confine(QPoint global)
{
    if (!g_clipCursor)
        return global;
    return QPoint(std::clamp(global.x(), int(g_clipRect.left), int(g_clipRect.right) - 1),
                  std::clamp(global.y(), int(g_clipRect.top), int(g_clipRect.bottom) - 1));
}

bool translateEvent(HWND hWnd, QWidget *w, QEvent *e)
{
    if (hWnd->destroying)
        return false;
    // Only the client widget turns clicks and paints into client messages.
    if (w != hWnd->client)
        return false;
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(e);
        const QPoint global = confine(me->globalPosition().toPoint());
        const QPoint local = w->mapFromGlobal(global);
        const LPARAM lp = MAKELPARAM(local.x(), local.y());
        Qt::MouseButtons buttons = me->buttons();
        UINT nMsg = WM_NULL;
        if (e->type() == QEvent::MouseMove) {
            nMsg = WM_MOUSEMOVE;
        } else if (me->button() == Qt::LeftButton) {
            if (e->type() == QEvent::MouseButtonPress)
                nMsg = WM_LBUTTONDOWN;
            else if (e->type() == QEvent::MouseButtonRelease)
                nMsg = WM_LBUTTONUP;
            else
                nMsg = (hWnd->cls && (hWnd->cls->style & CS_DBLCLKS)) ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
        } else if (me->button() == Qt::RightButton) {
            if (e->type() == QEvent::MouseButtonPress)
                nMsg = WM_RBUTTONDOWN;
            else if (e->type() == QEvent::MouseButtonRelease)
                nMsg = WM_RBUTTONUP;
        }
        if (nMsg == WM_NULL)
            return false;
        if (nMsg == WM_LBUTTONDOWN || nMsg == WM_LBUTTONDBLCLK || nMsg == WM_RBUTTONDOWN) {
            // A click in a child window activates its frame first.
            ::SendMessage(hWnd, WM_MOUSEACTIVATE, 0, 0);
            if (!IsWindow(hWnd))
                return true;
        }
        AFX_THREAD_STATE *ts = AfxGetThreadState();
        ts->m_lastSentMsg.pt = POINT{global.x(), global.y()};
        hWnd->defaultReached = false;
        ::SendMessage(hWnd, nMsg, keyStateFromQt(buttons, me->modifiers()), lp);
        return true;
    }
    case QEvent::KeyPress: {
        // The keyboard's way to the context menu: the Menu key or Shift+F10. The point is (-1, -1), as the window
        // system gives it for the keyboard; the window picks the place itself.
        const auto *ke = static_cast<QKeyEvent *>(e);
        const Qt::KeyboardModifiers mods = ke->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
        const bool bMenuKey = ke->key() == Qt::Key_Menu && mods == Qt::NoModifier;
        const bool bShiftF10 = ke->key() == Qt::Key_F10 && mods == Qt::ShiftModifier;
        if (!bMenuKey && !bShiftF10)
            return false;
        ::SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd), MAKELPARAM(-1, -1));
        return true;
    }
    case QEvent::Paint: {
        if (hWnd->renderingChildren)
            return true;
        auto *pe = static_cast<QPaintEvent *>(e);
        hWnd->paintEvent = pe;
        hWnd->invalid = QRegion();
        ::SendMessage(hWnd, WM_PAINT, 0, 0);
        if (IsWindow(hWnd))
            hWnd->paintEvent = nullptr;
        if (IsWindow(hWnd) && hWnd->overlay) {
            AfxEndPainting(w);
            QPainter painter(w);
            hWnd->overlay(painter);
        }
        return true;
    }
    case QEvent::Resize:
    case QEvent::Move:
        // Geometry changed by Qt (a layout or the desktop): report it like any other move or size.
        if (hWnd->widget && hWnd->widget != w)
            return false;
        reportGeometry(hWnd);
        return false;
    default:
        return false;
    }
}

} // namespace afx

LRESULT CallWindowProc(WNDPROC lpPrevWndFunc, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (!lpPrevWndFunc)
        return ::DefWindowProc(hWnd, nMsg, wParam, lParam);
    return lpPrevWndFunc(hWnd, nMsg, wParam, lParam);
}

LRESULT SendMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindow(hWnd) || !hWnd->proc)
        return 0;
    return hWnd->proc(hWnd, nMsg, wParam, lParam);
}

BOOL PostMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindow(hWnd))
        return FALSE;
    postedQueue()->post(PostedMessage{hWnd, hWnd->serial, nMsg, wParam, lParam});
    return TRUE;
}

void AfxPumpPostedMessages()
{
    postedQueue()->deliver();
    afx::runPendingReveals();
}

void AfxRenderChildWindows(HWND hWndParent, QPainter *pPainter, const QPoint &ptOffset, const QRegion &rgnClient)
{
    QWidget *pClient = IsWindow(hWndParent) ? hWndParent->client.data() : nullptr;
    if (!pClient || rgnClient.isEmpty())
        return;
    afx::runPendingReveals();
    // One pass over the whole tree: Qt settles pending geometry of the entire window per render call, so
    // rendering the children one by one would cost the square of their number.
    hWndParent->renderingChildren = true;
    pClient->render(pPainter, ptOffset, rgnClient, QWidget::DrawChildren);
    if (IsWindow(hWndParent))
        hWndParent->renderingChildren = false;
}

quint64 AfxWindowsMade()
{
    return g_nextSerial - 1;
}

BOOL AfxHasWidgets(HWND hWnd)
{
    return IsWindow(hWnd) && hWnd->widget;
}

BOOL AfxHasPostedMessages()
{
    return postedQueue()->hasMessages() || afx::revealsPending();
}

LONG_PTR GetWindowLong(HWND hWnd, int nIndex)
{
    if (!IsWindow(hWnd))
        return 0;
    switch (nIndex) {
    case GWL_WNDPROC:
        return reinterpret_cast<LONG_PTR>(hWnd->proc);
    case GWL_STYLE:
        return LONG_PTR(hWnd->style);
    case GWL_EXSTYLE:
        return LONG_PTR(hWnd->exStyle);
    case GWL_ID:
        return LONG_PTR(hWnd->id);
    default:
        return 0;
    }
}

LONG_PTR SetWindowLong(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    if (!IsWindow(hWnd))
        return 0;
    const LONG_PTR old = GetWindowLong(hWnd, nIndex);
    switch (nIndex) {
    case GWL_WNDPROC:
        hWnd->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        break;
    case GWL_STYLE: {
        const DWORD newStyle = DWORD(dwNewLong);
        // Writing the style only records it: visibility changes go through ShowWindow, as on the desktop.
        hWnd->style = newStyle;
        if (hWnd->widget)
            hWnd->widget->setEnabled(!(newStyle & WS_DISABLED));
        break;
    }
    case GWL_EXSTYLE:
        hWnd->exStyle = DWORD(dwNewLong);
        break;
    case GWL_ID:
        hWnd->id = UINT(dwNewLong);
        break;
    default:
        return 0;
    }
    return old;
}

std::uintptr_t GetClassLong(HWND hWnd, int nIndex)
{
    if (!IsWindow(hWnd) || !hWnd->cls)
        return 0;
    if (nIndex == GCL_HICONSM || nIndex == GCL_HICON)
        return reinterpret_cast<std::uintptr_t>(hWnd->cls->hIconSm);
    return 0;
}

BOOL ClipCursor(const RECT *lpRect)
{
    // Qt cannot confine the pointer; the positions windows see are clamped instead.
    g_clipCursor = lpRect != nullptr;
    if (lpRect)
        g_clipRect = *lpRect;
    return TRUE;
}

BOOL GetClipCursor(RECT *lpRect)
{
    if (!lpRect)
        return FALSE;
    if (g_clipCursor) {
        *lpRect = g_clipRect;
    } else {
        const QRect s =
            QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->virtualGeometry() : QRect(0, 0, 0, 0);
        *lpRect = CRect(s);
    }
    return TRUE;
}

HWND GetCapture()
{
    return IsWindow(g_capture) ? g_capture : nullptr;
}

BOOL ReleaseCapture()
{
    HWND old = GetCapture();
    g_capture = nullptr;
    if (old && old->client)
        old->client->releaseMouse();
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------------
// The framework's window procedure

LRESULT AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd *pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProc(hWnd, nMsg, wParam, lParam);
    AFX_THREAD_STATE *ts = AfxGetThreadState();
    const MSG saved = ts->m_lastSentMsg;
    ts->m_lastSentMsg.hwnd = hWnd;
    ts->m_lastSentMsg.message = nMsg;
    ts->m_lastSentMsg.wParam = wParam;
    ts->m_lastSentMsg.lParam = lParam;
    const LRESULT result = pWnd->WindowProc(nMsg, wParam, lParam);
    ts->m_lastSentMsg = saved;
    return result;
}

LRESULT DefWindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindow(hWnd))
        return 0;
    if (hWnd->hasNonClient) {
        bool handled = false;
        const LRESULT r = afx::ncDefWindowProc(hWnd, nMsg, wParam, lParam, &handled);
        if (handled)
            return r;
    }
    switch (nMsg) {
    case WM_SETTEXT:
        hWnd->text = afx::textArg(lParam);
        if (hWnd->widget && hWnd->widget->isWindow())
            hWnd->widget->setWindowTitle(hWnd->text);
        return TRUE;
    case WM_GETTEXTLENGTH:
        return hWnd->text.size();
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam)
            return 0;
        QChar *buf = reinterpret_cast<QChar *>(lParam);
        const int n = int(std::min<qsizetype>(hWnd->text.size(), qsizetype(wParam) - 1));
        for (int i = 0; i < n; ++i)
            buf[i] = hWnd->text.at(i);
        buf[n] = QChar();
        return n;
    }
    case WM_CLOSE:
        destroyWindowTree(hWnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_MOUSEACTIVATE:
        // A click activates the nearest frame: child frames take it, otherwise the top-level window does.
        if (IsWindow(hWnd->parent))
            return ::SendMessage(hWnd->parent, WM_MOUSEACTIVATE, wParam, lParam);
        AfxSetActiveChildFrame(nullptr);
        return 1;
    case WM_NCACTIVATE:
        hWnd->ncActive = wParam != 0;
        return TRUE;
    case WM_RBUTTONUP: {
        // Releasing the right button asks for the window's context menu, at the point on the screen.
        QPoint global(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (hWnd->client)
            global = hWnd->client->mapToGlobal(global);
        ::SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd), MAKELPARAM(global.x(), global.y()));
        return 0;
    }
    case WM_CONTEXTMENU:
        // A child without a menu of its own leaves it to its parent.
        if ((hWnd->style & WS_CHILD) && IsWindow(hWnd->parent))
            return ::SendMessage(hWnd->parent, WM_CONTEXTMENU, wParam, lParam);
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // Children hear of it too.
        for (HWND child : childWindows(hWnd))
            ::SendMessage(child, nMsg, wParam, lParam);
        return 0;
    default:
        return 0;
    }
}

void AfxChangeSysColor(int nIndex, COLORREF clr)
{
    AfxSetSysColor(nIndex, clr);
    const QList<HWND> all = liveWindows().keys();
    for (HWND h : all)
        if (IsWindow(h) && !IsWindow(h->parent))
            ::SendMessage(h, WM_SYSCOLORCHANGE, 0, 0);
}

// ---------------------------------------------------------------------------------------------------------------
// CWnd

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    if (IsWindow(m_hWnd) && m_hWnd->permanent == this) {
        // A window must not outlive its object.
        HWND h = m_hWnd;
        destroyWindowTree(h);
    }
}

CWnd *CWnd::FromHandlePermanent(HWND hWnd)
{
    return IsWindow(hWnd) ? hWnd->permanent : nullptr;
}

CWnd *CWnd::FromHandle(HWND hWnd)
{
    if (!IsWindow(hWnd))
        return nullptr;
    if (hWnd->permanent)
        return hWnd->permanent;
    if (!hWnd->temporary) {
        hWnd->temporary = new CWnd;
        hWnd->temporary->m_hWnd = hWnd;
    }
    return hWnd->temporary;
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!IsWindow(hWnd) || hWnd->permanent)
        return FALSE;
    m_hWnd = hWnd;
    hWnd->permanent = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND h = m_hWnd;
    if (IsWindow(h) && h->permanent == this)
        h->permanent = nullptr;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT &)
{
    return TRUE;
}

BOOL CWnd::Create(const QString &className, const QString &windowName, DWORD dwStyle, const RECT &rect,
                  CWnd *pParentWnd, UINT nID, void *pContext)
{
    return CreateEx(0, className, windowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const QString &className, const QString &windowName, DWORD dwStyle,
                    const RECT &rect, CWnd *pParentWnd, UINT nID, void *lpParam)
{
    CREATESTRUCT cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = LONG(dwStyle);
    cs.x = rect.left;
    cs.y = rect.top;
    // Rectangles may come from a file: the extents are taken without overflow, and a window is never negative.
    cs.cx = int(std::clamp<qint64>(qint64(rect.right) - rect.left, 0, INT_MAX));
    cs.cy = int(std::clamp<qint64>(qint64(rect.bottom) - rect.top, 0, INT_MAX));
    cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
        return FALSE;

    const WNDCLASSINFO *cls = AfxFindWindowClass(cs.lpszClass);
    if (!cls)
        return FALSE;
    auto *h = new HWND__;
    h->serial = g_nextSerial++;
    h->cls = cls;
    h->style = DWORD(cs.style);
    h->exStyle = cs.dwExStyle;
    h->id = nID;
    h->text = cs.lpszName;
    HWND parentHwnd = IsWindow(cs.hwndParent) ? cs.hwndParent : nullptr;
    if (h->style & WS_CHILD)
        h->parent = parentHwnd;
    else
        h->owner = parentHwnd;
    h->permanent = this;
    h->proc = &AfxWndProc;
    if (cls->lpfnWndProc && cls->lpfnWndProc != &AfxWndProc)
        m_pfnSuper = cls->lpfnWndProc;
    m_hWnd = h;
    liveWindows().insert(h, h->serial);
    if (h->parent)
        h->parent->children.emplace(h->serial, h);
    if (h->owner)
        h->owner->owned.emplace(h->serial, h);

    h->zStamp = g_nextZ++;
    const QRect asked = boundedWindowRect(cs.x, cs.y, cs.cx, cs.cy);
    h->deferredRect = asked;
    // Hidden, under a parent without widgets, or out of its parent's view: the widgets wait until it shows.
    if (h->parent && isDeferrable(cls, h->style, h->exStyle) &&
        (!(h->style & WS_VISIBLE) || h->parent->deferred || !liesInParentView(h))) {
        h->deferred = true;
        h->hasNonClient = afx::styleHasNonClient(h->style, h->exStyle);
        if (isChildFrameWindow(h))
            h->parent->waitingFrames.emplace(h->serial, h);
    } else {
        if (h->parent && h->parent->deferred)
            afx::ensureWidgets(h->parent);
        QWidget *parentWidget = (h->style & WS_CHILD) ? afx::parentWidgetFor(h->parent) : nullptr;
        if (cls->pfnMakeWidgets)
            cls->pfnMakeWidgets(h, parentWidget);
        else
            makeGenericWidgets(h, parentWidget);
        if (h->parent && h->widget && !h->widget->isWindow())
            h->parent->topChildZ = h->zStamp;
    }
    if (h->widget) {
        h->widget->setEnabled(!(h->style & WS_DISABLED));
        if (h->widget->isWindow()) {
            h->widget->setWindowTitle(h->text);
            if (cs.cx > 0 && cs.cy > 0) {
                h->requestedOuter = boundedWindowRect(cs.x, cs.y, cs.cx, cs.cy);
                h->widget->setGeometry(h->requestedOuter);
            }
        } else {
            h->widget->setGeometry(boundedWindowRect(cs.x, cs.y, cs.cx, cs.cy));
        }
    }

    cs.hwndParent = parentHwnd;
    if (::SendMessage(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        if (IsWindow(h))
            destroyWindowTree(h);
        m_hWnd = nullptr;
        return FALSE;
    }
    if (!IsWindow(h))
        return FALSE;
    h->created = true;
    // Creation reports the first size and position, as the desktop does.
    const QRect client = afx::clientRectInWindow(h);
    if (h->hasNonClient && h->client)
        h->client->setGeometry(client);
    QPoint pos = h->widget ? h->widget->pos() + client.topLeft()
                           : (h->deferred ? h->deferredRect.topLeft() + client.topLeft() : QPoint());
    h->lastClientSize = client.size();
    h->lastMovePos = pos;
    ::SendMessage(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.width(), client.height()));
    if (IsWindow(h))
        ::SendMessage(h, WM_MOVE, 0, MAKELPARAM(pos.x(), pos.y()));
    // A new child frame starts inactive: only the one that is activated later is drawn active.
    if (IsWindow(h) && h->hasNonClient && (h->style & WS_CHILD) && AfxGetActiveChildFrame() != h)
        ::SendMessage(h, WM_NCACTIVATE, FALSE, 0);
    if (IsWindow(h) && (h->style & WS_VISIBLE) && h->widget) {
        h->widget->show();
        if (h->hasNonClient)
            ::SendMessage(h, WM_NCPAINT, 1, 0);
    } else if (IsWindow(h) && h->widget && !h->widget->isWindow()) {
        // Hidden until shown: otherwise Qt shows it with its parent.
        h->widget->hide();
    }
    return IsWindow(h);
}

BOOL CWnd::DestroyWindow()
{
    if (!IsWindow(m_hWnd))
        return FALSE;
    destroyWindowTree(m_hWnd);
    return TRUE;
}

void CWnd::PostNcDestroy() {}

void CWnd::OnNcDestroy()
{
    Default();
    HWND h = m_hWnd;
    if (IsWindow(h) && h->permanent == this)
        h->permanent = nullptr;
    m_hWnd = nullptr;
    PostNcDestroy();
}

LRESULT CWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(nMsg, wParam, lParam, &lResult))
        lResult = DefWindowProc(nMsg, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT *pResult)
{
    if (nMsg == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) {
            *pResult = 1;
            return TRUE;
        }
        return FALSE;
    }
    const AFX_MSGMAP_ENTRY *e = FindMessageEntry(GetMessageMap(), nMsg, 0, 0);
    if (!e)
        return FALSE;
    LRESULT r = 0;
    void *pExtra = nullptr;
    if (nMsg == WM_CTLCOLOREDIT)
        pExtra = reinterpret_cast<void *>(std::uintptr_t(1)); // CTLCOLOR_EDIT
    const BOOL handled = e->pfn(this, nMsg, wParam, lParam, &r, pExtra);
    *pResult = r;
    return handled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    const int nCode = short(HIWORD(wParam));
    if (lParam) {
        // A control's notification goes to the control first (reflection), then to this window's map.
        LRESULT r = 0;
        if (CWnd *pCtl = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(lParam)))
            if (pCtl->OnChildNotify(WM_COMMAND, wParam, lParam, &r))
                return TRUE;
    }
    return OnCmdMsg(nID, nCode, nullptr);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT *)
{
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProc(m_pfnSuper, m_hWnd, nMsg, wParam, lParam);
    return ::DefWindowProc(m_hWnd, nMsg, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG &m = AfxGetThreadState()->m_lastSentMsg;
    return DefWindowProc(m.message, m.wParam, m.lParam);
}

LRESULT CWnd::SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessage(m_hWnd, nMsg, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessage(m_hWnd, nMsg, wParam, lParam);
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    if (!IsWindow(m_hWnd))
        return FALSE;
    const BOOL wasVisible = (m_hWnd->style & WS_VISIBLE) != 0;
    const bool show = nCmdShow != SW_HIDE;
    if (show)
        m_hWnd->style |= WS_VISIBLE;
    else
        m_hWnd->style &= ~DWORD(WS_VISIBLE);
    if (m_hWnd->deferred) {
        if (widgetsDue(m_hWnd))
            widgetsCameDue(m_hWnd);
        return wasVisible;
    }
    // Hiding a frame may uncover others.
    if (!show && wasVisible && isChildFrameWindow(m_hWnd))
        afx::scheduleReveal(m_hWnd->parent);
    if (m_hWnd->widget) {
        QWidget *w = m_hWnd->widget;
        w->setVisible(show);
        if (show && w->isWindow() && m_hWnd->requestedOuter.isValid()) {
            // The size asked for is the outer one, the desktop's frame included.
            const QRect outer = m_hWnd->requestedOuter;
            m_hWnd->requestedOuter = QRect();
            const QRect frame = w->frameGeometry();
            const QRect inner = w->geometry();
            const int dw = frame.width() - inner.width(), dh = frame.height() - inner.height();
            w->resize(std::max(1, outer.width() - dw), std::max(1, outer.height() - dh));
            w->move(outer.topLeft());
        }
        if (show && m_hWnd->hasNonClient && !wasVisible)
            ::SendMessage(m_hWnd, WM_NCPAINT, 1, 0);
    }
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const
{
    if (!IsWindow(m_hWnd))
        return FALSE;
    for (HWND h = m_hWnd; h; h = h->parent)
        if (!(h->style & WS_VISIBLE))
            return FALSE;
    return TRUE;
}

void CWnd::UpdateWindow()
{
    // Painting now: frames that have come to show need their widgets first.
    afx::runPendingReveals();
    if (!IsWindow(m_hWnd) || !m_hWnd->client)
        return;
    if (!m_hWnd->invalid.isEmpty() && m_hWnd->client->isVisible()) {
        const QRegion r = m_hWnd->invalid;
        m_hWnd->client->repaint(r);
    }
}

void CWnd::Invalidate(BOOL bErase)
{
    InvalidateRect(nullptr, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase)
{
    if (!IsWindow(m_hWnd) || !m_hWnd->client || m_hWnd->lockUpdate > 0)
        return;
    const QRect r = lpRect ? CRect(*lpRect).toQRect() : m_hWnd->client->rect();
    m_hWnd->invalid += r;
    m_hWnd->eraseNeeded = m_hWnd->eraseNeeded || bErase;
    m_hWnd->client->update(r);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    SetWindowPos(nullptr, x, y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0u : UINT(SWP_NOREDRAW)));
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    const QRect g = boundedWindowRect(lpRect->left, lpRect->top, qint64(lpRect->right) - lpRect->left,
                                      qint64(lpRect->bottom) - lpRect->top);
    MoveWindow(g.x(), g.y(), g.width(), g.height(), bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd *pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    if (!IsWindow(m_hWnd) || (!m_hWnd->widget && !m_hWnd->deferred))
        return FALSE;
    const QRect asked = boundedWindowRect(x, y, cx, cy);
    auto place = [&](QRect g) {
        if (!(nFlags & SWP_NOMOVE))
            g.moveTopLeft(asked.topLeft());
        if (!(nFlags & SWP_NOSIZE))
            g.setSize(asked.size());
        return g;
    };
    const bool bDeferred = m_hWnd->deferred;
    if (bDeferred) {
        m_hWnd->deferredRect = place(m_hWnd->deferredRect);
    } else if (QWidget *w = m_hWnd->widget; w->isWindow()) {
        const QRect g = place(w->frameGeometry().isValid() ? QRect(w->pos(), w->size()) : w->geometry());
        if (!(nFlags & SWP_NOMOVE))
            w->move(g.topLeft());
        if (!(nFlags & SWP_NOSIZE))
            w->resize(g.size());
    } else {
        w->setGeometry(place(w->geometry()));
    }
    if (!(nFlags & SWP_NOZORDER) && pWndInsertAfter == nullptr)
        afx::raiseWindowWidget(m_hWnd);
    if (nFlags & SWP_SHOWWINDOW)
        ShowWindow(SW_SHOW);
    if (nFlags & SWP_HIDEWINDOW)
        ShowWindow(SW_HIDE);
    afx::reportGeometry(m_hWnd);
    // Moved into view.
    if (IsWindow(m_hWnd) && widgetsDue(m_hWnd))
        widgetsCameDue(m_hWnd);
    return TRUE;
}

void CWnd::BringWindowToTop()
{
    afx::raiseWindowWidget(m_hWnd);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    if (!IsWindow(m_hWnd) || (!m_hWnd->client && !m_hWnd->deferred)) {
        *lpRect = RECT{0, 0, 0, 0};
        return;
    }
    const QSize s = afx::clientRectInWindow(m_hWnd).size();
    *lpRect = RECT{0, 0, s.width(), s.height()};
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    if (IsWindow(m_hWnd) && m_hWnd->deferred) {
        const QPoint origin = IsWindow(m_hWnd->parent) ? afx::clientOriginOnScreen(m_hWnd->parent) : QPoint();
        *lpRect = CRect(m_hWnd->deferredRect.translated(origin));
        return;
    }
    if (!IsWindow(m_hWnd) || !m_hWnd->widget) {
        *lpRect = RECT{0, 0, 0, 0};
        return;
    }
    QWidget *w = m_hWnd->widget;
    if (w->isWindow()) {
        *lpRect = CRect(w->frameGeometry());
        return;
    }
    const QPoint tl = w->mapToGlobal(QPoint(0, 0));
    *lpRect = CRect(QRect(tl, w->size()));
}

// Widgets are never transformed: screen and client coordinates differ by the client area's origin.
void CWnd::ClientToScreen(LPPOINT lpPoint) const
{
    const QPoint origin = afx::clientOriginOnScreen(m_hWnd);
    lpPoint->x += origin.x();
    lpPoint->y += origin.y();
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    POINT tl{lpRect->left, lpRect->top}, br{lpRect->right, lpRect->bottom};
    ClientToScreen(&tl);
    ClientToScreen(&br);
    *lpRect = RECT{tl.x, tl.y, br.x, br.y};
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const
{
    const QPoint origin = afx::clientOriginOnScreen(m_hWnd);
    lpPoint->x -= origin.x();
    lpPoint->y -= origin.y();
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    POINT tl{lpRect->left, lpRect->top}, br{lpRect->right, lpRect->bottom};
    ScreenToClient(&tl);
    ScreenToClient(&br);
    *lpRect = RECT{tl.x, tl.y, br.x, br.y};
}

CWnd *CWnd::GetParent() const
{
    return IsWindow(m_hWnd) ? CWnd::FromHandle(m_hWnd->parent ? m_hWnd->parent : m_hWnd->owner) : nullptr;
}

CWnd *CWnd::SetParent(CWnd *pWndNewParent)
{
    if (!IsWindow(m_hWnd))
        return nullptr;
    CWnd *old = GetParent();
    HWND newParent = pWndNewParent && IsWindow(pWndNewParent->m_hWnd) ? pWndNewParent->m_hWnd : nullptr;
    // A window with widgets needs a parent with widgets.
    if (!m_hWnd->deferred && newParent && newParent->deferred)
        afx::ensureWidgets(newParent);
    if (IsWindow(m_hWnd->parent)) {
        m_hWnd->parent->children.erase(m_hWnd->serial);
        m_hWnd->parent->waitingFrames.erase(m_hWnd->serial);
    }
    m_hWnd->parent = newParent;
    if (newParent) {
        newParent->children.emplace(m_hWnd->serial, m_hWnd);
        if (m_hWnd->deferred && isChildFrameWindow(m_hWnd))
            newParent->waitingFrames.emplace(m_hWnd->serial, m_hWnd);
    }
    // Qt puts a widget given a new parent above its new siblings.
    m_hWnd->zStamp = g_nextZ++;
    if (m_hWnd->deferred) {
        if (widgetsDue(m_hWnd))
            widgetsCameDue(m_hWnd);
        return old;
    }
    if (newParent && m_hWnd->widget && !m_hWnd->widget->isWindow())
        newParent->topChildZ = m_hWnd->zStamp;
    if (m_hWnd->widget && !m_hWnd->widget->isWindow()) {
        QWidget *w = m_hWnd->widget;
        const QRect g = w->geometry();
        const bool visible = (m_hWnd->style & WS_VISIBLE) != 0;
        QWidget *area = afx::parentWidgetFor(newParent);
        w->setParent(m_hWnd->hasNonClient && (m_hWnd->style & WS_CHILD) ? afx::childFrameParent(area) : area);
        w->setGeometry(g);
        w->setVisible(visible);
    }
    return old;
}

void CWnd::SetWindowText(const QString &text)
{
    // The length goes along with the pointer, so that a text read from a file keeps what follows a NUL.
    const QScopedValueRollback<SentText> sending(
        g_sentText, SentText{reinterpret_cast<const char16_t *>(text.utf16()), text.size()});
    ::SendMessage(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.utf16()));
}

void CWnd::GetWindowText(CString &rString) const
{
    const int n = GetWindowTextLength();
    QString buf(n + 1, QChar());
    const int got = int(::SendMessage(m_hWnd, WM_GETTEXT, WPARAM(n + 1), reinterpret_cast<LPARAM>(buf.data())));
    rString = buf.left(got);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    return int(::SendMessage(m_hWnd, WM_GETTEXT, WPARAM(nMaxCount), reinterpret_cast<LPARAM>(lpszStringBuf)));
}

int CWnd::GetWindowTextLength() const
{
    return int(::SendMessage(m_hWnd, WM_GETTEXTLENGTH, 0, 0));
}

DWORD CWnd::GetStyle() const
{
    return DWORD(GetWindowLong(m_hWnd, GWL_STYLE));
}
DWORD CWnd::GetExStyle() const
{
    return DWORD(GetWindowLong(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::IsIconic() const
{
    return (GetStyle() & WS_MINIMIZE) != 0;
}
BOOL CWnd::IsZoomed() const
{
    return (GetStyle() & WS_MAXIMIZE) != 0;
}
BOOL CWnd::IsWindowEnabled() const
{
    return IsWindow(m_hWnd) && !(m_hWnd->style & WS_DISABLED);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    if (!IsWindow(m_hWnd))
        return FALSE;
    const BOOL wasDisabled = (m_hWnd->style & WS_DISABLED) != 0;
    if (bEnable)
        m_hWnd->style &= ~DWORD(WS_DISABLED);
    else
        m_hWnd->style |= WS_DISABLED;
    if (m_hWnd->widget)
        m_hWnd->widget->setEnabled(bEnable);
    ::SendMessage(m_hWnd, WM_ENABLE, WPARAM(bEnable), 0);
    return wasDisabled;
}

CWnd *CWnd::SetFocus()
{
    CWnd *old = GetFocus();
    afx::ensureWidgets(m_hWnd);
    if (IsWindow(m_hWnd) && m_hWnd->client)
        m_hWnd->client->setFocus(Qt::OtherFocusReason);
    return old;
}

CWnd *CWnd::GetFocus()
{
    for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (HWND h = afx::hwndFromWidget(w))
            return CWnd::FromHandle(h);
    return nullptr;
}

CWnd *CWnd::SetCapture()
{
    CWnd *old = CWnd::FromHandle(GetCapture());
    g_capture = m_hWnd;
    if (IsWindow(m_hWnd) && m_hWnd->client && m_hWnd->client->isVisible())
        m_hWnd->client->grabMouse();
    return old;
}

int CWnd::GetDlgCtrlID() const
{
    return IsWindow(m_hWnd) ? int(m_hWnd->id) : 0;
}

CWnd *CWnd::GetDlgItem(int nID) const
{
    if (!IsWindow(m_hWnd))
        return nullptr;
    for (HWND child : childWindows(m_hWnd))
        if (int(child->id) == nID)
            return CWnd::FromHandle(child);
    return nullptr;
}

void CWnd::CenterWindow(CWnd *pAlternateOwner)
{
    if (!afx::ensureWidgets(m_hWnd))
        return;
    CWnd *pOwner = pAlternateOwner ? pAlternateOwner : GetParent();
    // A popup window is centred on its owner.
    if (!pOwner && IsWindow(m_hWnd->owner))
        pOwner = CWnd::FromHandle(m_hWnd->owner);
    QRect area;
    if (pOwner && IsWindow(pOwner->m_hWnd) && pOwner->m_hWnd->widget) {
        CRect r;
        pOwner->GetWindowRect(&r);
        area = r.toQRect();
    } else if (QScreen *s = QGuiApplication::primaryScreen()) {
        area = s->availableGeometry();
    }
    CRect mine;
    GetWindowRect(&mine);
    const QPoint tl = area.center() - QPoint(mine.Width() / 2, mine.Height() / 2);
    if (m_hWnd->widget->isWindow()) {
        m_hWnd->widget->move(tl);
        // A window not shown yet takes its place when it first shows.
        if (m_hWnd->requestedOuter.isValid())
            m_hWnd->requestedOuter.moveTopLeft(tl);
    } else if (QWidget *pArea = afx::realParentWidget(m_hWnd->widget)) {
        m_hWnd->widget->move(pArea->mapFromGlobal(tl));
    }
    afx::reportGeometry(m_hWnd);
}

BOOL CWnd::LockWindowUpdate()
{
    if (!IsWindow(m_hWnd))
        return FALSE;
    ++m_hWnd->lockUpdate;
    if (m_hWnd->widget)
        m_hWnd->widget->setUpdatesEnabled(false);
    return TRUE;
}

void CWnd::UnlockWindowUpdate()
{
    if (!IsWindow(m_hWnd) || m_hWnd->lockUpdate == 0)
        return;
    if (--m_hWnd->lockUpdate == 0 && m_hWnd->widget)
        m_hWnd->widget->setUpdatesEnabled(true);
}

void CWnd::DragAcceptFiles(BOOL bAccept)
{
    if (!IsWindow(m_hWnd))
        return;
    if (bAccept)
        m_hWnd->exStyle |= WS_EX_ACCEPTFILES;
    else
        m_hWnd->exStyle &= ~DWORD(WS_EX_ACCEPTFILES);
    if (m_hWnd->widget)
        m_hWnd->widget->setAcceptDrops(bAccept);
}

QWidget *CWnd::GetWidget() const
{
    return afx::ensureWidgets(m_hWnd) ? m_hWnd->widget.data() : nullptr;
}
QWidget *CWnd::GetClientWidget() const
{
    return afx::ensureWidgets(m_hWnd) ? m_hWnd->client.data() : nullptr;
}

// Default handlers: the usual processing of the current message.
int CWnd::OnCreate(LPCREATESTRUCT)
{
    return int(Default());
}
void CWnd::OnDestroy()
{
    Default();
}
void CWnd::OnClose()
{
    Default();
}
void CWnd::OnSize(UINT, int, int)
{
    Default();
}
void CWnd::OnMove(int, int)
{
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC *)
{
    return BOOL(Default());
}
void CWnd::OnLButtonDblClk(UINT, CPoint)
{
    Default();
}
void CWnd::OnNcLButtonDblClk(UINT, CPoint)
{
    Default();
}
HBRUSH CWnd::OnCtlColor(CDC *, CWnd *, UINT)
{
    return reinterpret_cast<HBRUSH>(Default());
}
void CWnd::OnDropFiles(void *)
{
    Default();
}
