#include "OleDrag.h"

#include "CodePage.h"
#include "Memory.h"
#include "WndImpl.h"

#include <QApplication>
#include <QDrag>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWindow>

#include <cstring>
#include <utility>

IMPLEMENT_DYNAMIC(COleDataSource, CCmdTarget)

namespace {

AfxDragDropHook &dragHook()
{
    static AfxDragDropHook hook;
    return hook;
}

// Holds the input back until the pointer has moved far enough for a drag to begin, or the press is over.
class DragStartWatcher final : public QObject {
public:
    DragStartWatcher(QPoint startGlobal, QEventLoop *pLoop) : m_start(startGlobal), m_pLoop(pLoop) {}

    bool m_bStarted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::MouseMove: {
            if (m_bDone)
                return false;
            const auto *me = static_cast<QMouseEvent *>(e);
            if ((me->globalPosition().toPoint() - m_start).manhattanLength() >= QApplication::startDragDistance())
                finish(true);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (m_bDone)
                return false;
            // The press that called for the drag is still being handled: the button's next message follows it.
            QCoreApplication::postEvent(watched, e->clone());
            finish(false);
            return true;
        case QEvent::KeyPress:
            if (!m_bDone && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape) {
                finish(false);
                return true;
            }
            return false;
        case QEvent::ApplicationStateChange:
            if (!m_bDone && QGuiApplication::applicationState() != Qt::ApplicationActive)
                finish(false);
            return false;
        default:
            return false;
        }
    }

private:
    void finish(bool bStarted)
    {
        m_bDone = true;
        m_bStarted = bStarted;
        m_pLoop->quit();
    }

    QPoint m_start;
    QEventLoop *m_pLoop;
    bool m_bDone = false;
};

// Whether the call comes from a left-button press: only then does the drag wait for the pointer to move.
bool calledFromLeftPress()
{
    const MSG &m = AfxGetThreadState()->m_lastSentMsg;
    return m.message == WM_LBUTTONDOWN && (m.wParam & MK_LBUTTON);
}

bool waitForDragStart()
{
    const MSG &m = AfxGetThreadState()->m_lastSentMsg;
    QEventLoop loop;
    DragStartWatcher watcher(QPoint(m.pt.x, m.pt.y), &loop);
    qApp->installEventFilter(&watcher);
    loop.exec();
    qApp->removeEventFilter(&watcher);
    return watcher.m_bStarted;
}

} // namespace

COleDataSource::COleDataSource() = default;

COleDataSource::~COleDataSource()
{
    Empty();
}

void COleDataSource::CacheGlobalData(UINT cfFormat, HGLOBAL hGlobal)
{
    if (!hGlobal)
        return;
    HGLOBAL &slot = m_cache[cfFormat];
    if (slot && slot != hGlobal)
        GlobalFree(slot);
    slot = hGlobal;
}

void COleDataSource::Empty()
{
    for (auto &entry : m_cache)
        GlobalFree(entry.second);
    m_cache.clear();
}

BOOL COleDataSource::IsDataAvailable(UINT cfFormat) const
{
    return m_cache.count(cfFormat) != 0;
}

HGLOBAL COleDataSource::GetGlobalData(UINT cfFormat) const
{
    const auto it = m_cache.find(cfFormat);
    if (it == m_cache.end())
        return nullptr;
    const SIZE_T size = GlobalSize(it->second);
    HGLOBAL hCopy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!hCopy)
        return nullptr;
    const void *pFrom = GlobalLock(it->second);
    void *pTo = GlobalLock(hCopy);
    if (pFrom && pTo && size)
        std::memcpy(pTo, pFrom, size);
    GlobalUnlock(hCopy);
    GlobalUnlock(it->second);
    return hCopy;
}

QMimeData *COleDataSource::CreateMimeData() const
{
    auto *pData = new QMimeData;
    const auto it = m_cache.find(CF_TEXT);
    if (it != m_cache.end()) {
        const SIZE_T size = GlobalSize(it->second);
        if (const auto *pBytes = static_cast<const char *>(GlobalLock(it->second))) {
            // The text ends at its NUL or at the end of the block, whichever comes first.
            const void *pNul = std::memchr(pBytes, 0, size);
            const qsizetype n = pNul ? static_cast<const char *>(pNul) - pBytes : qsizetype(size);
            pData->setText(AfxFromAnsi(pBytes, n));
            GlobalUnlock(it->second);
        }
    }
    return pData;
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD dwEffects, LPCRECT lpRectStartDrag, COleDropSource *pDropSource)
{
    (void)lpRectStartDrag;
    (void)pDropSource;
    if (dragHook()) {
        // Copied, so that the hook may replace itself while it runs.
        const AfxDragDropHook hook = dragHook();
        return hook(this, dwEffects) & dwEffects;
    }
    if (!qApp || !(dwEffects & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK)))
        return DROPEFFECT_NONE;
    if (calledFromLeftPress() && !waitForDragStart())
        return DROPEFFECT_NONE;

    QObject *pSource = qApp;
    const HWND hWnd = AfxGetThreadState()->m_lastSentMsg.hwnd;
    if (IsWindow(hWnd) && hWnd->client)
        pSource = hWnd->client.data();
    // Qt deletes the drag itself: on X11 only after another program's drop target has fetched the data, which may
    // be after exec has returned.
    auto *drag = new QDrag(pSource);
    drag->setMimeData(CreateMimeData());
    // Qt proposes move before copy before link, as the desktop's drop targets expect.
    const Qt::DropAction action = drag->exec(AfxDropActionsFromEffects(dwEffects), Qt::IgnoreAction);
    return AfxDropEffectsFromActions(action) & dwEffects;
}

AfxDragDropHook AfxSetDragDropHook(AfxDragDropHook hook)
{
    return std::exchange(dragHook(), std::move(hook));
}

Qt::DropActions AfxDropActionsFromEffects(DROPEFFECT effects)
{
    Qt::DropActions actions;
    if (effects & DROPEFFECT_COPY)
        actions |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE)
        actions |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK)
        actions |= Qt::LinkAction;
    return actions;
}

DROPEFFECT AfxDropEffectsFromActions(Qt::DropActions actions)
{
    DROPEFFECT effects = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction)
        effects |= DROPEFFECT_COPY;
    if (actions & (Qt::MoveAction | Qt::TargetMoveAction))
        effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction)
        effects |= DROPEFFECT_LINK;
    return effects;
}
