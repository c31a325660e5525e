#include "OleDrop.h"

#include "CodePage.h"
#include "OleDrag.h"
#include "WndImpl.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include <algorithm>
#include <cstring>

namespace {

// Marks a client widget as taken by a drop target; a second target cannot register for it.
const char *const kTargetProperty = "afxDropTarget";

// The desktop shows and reports one action; a move outranks a copy, which outranks a link.
Qt::DropAction toAction(DROPEFFECT effect)
{
    if (effect & DROPEFFECT_MOVE)
        return Qt::MoveAction;
    if (effect & DROPEFFECT_COPY)
        return Qt::CopyAction;
    if (effect & DROPEFFECT_LINK)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

DROPEFFECT toEffect(Qt::DropAction action)
{
    return AfxDropEffectsFromActions(action);
}

DWORD keyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    DWORD k = afx::keyStateFromQt(buttons, mods);
    if (mods & Qt::AltModifier)
        k |= MK_ALT;
    return k;
}

Qt::MouseButtons buttonsOf(DWORD dwKeyState)
{
    Qt::MouseButtons buttons;
    if (dwKeyState & MK_LBUTTON)
        buttons |= Qt::LeftButton;
    if (dwKeyState & MK_RBUTTON)
        buttons |= Qt::RightButton;
    if (dwKeyState & MK_MBUTTON)
        buttons |= Qt::MiddleButton;
    return buttons;
}

Qt::KeyboardModifiers modifiersOf(DWORD dwKeyState)
{
    Qt::KeyboardModifiers mods;
    if (dwKeyState & MK_SHIFT)
        mods |= Qt::ShiftModifier;
    if (dwKeyState & MK_CONTROL)
        mods |= Qt::ControlModifier;
    if (dwKeyState & MK_ALT)
        mods |= Qt::AltModifier;
    return mods;
}

bool hasTextFormat(const QMimeData &data)
{
    const QStringList formats = data.formats();
    for (const QString &f : formats)
        if (f == QLatin1String("text/plain") || f.startsWith(QLatin1String("text/plain;")))
            return true;
    return false;
}

// File managers add the names of dragged files as text; on the window system's desktop a file drag has no text.
bool isFileDrag(const QMimeData &data)
{
    if (!data.hasUrls())
        return false;
    const QList<QUrl> urls = data.urls();
    return !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl &u) { return u.isLocalFile(); });
}

// CF_TEXT breaks lines with CR LF; other programs send a lone LF.
QString withCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n' && (i == 0 || text.at(i - 1) != u'\r'))
            out += u'\r';
        out += c;
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// COleDataObject

BOOL COleDataObject::IsDataAvailable(UINT cfFormat) const
{
    return cfFormat == CF_TEXT && m_pData && hasTextFormat(*m_pData) && !isFileDrag(*m_pData);
}

HGLOBAL COleDataObject::GetGlobalData(UINT cfFormat, const void *lpFormatEtc) const
{
    if (lpFormatEtc || !IsDataAvailable(cfFormat))
        return nullptr;
    QByteArray ansi = AfxToAnsi(withCrLf(m_pData->text()));
    // The text is NUL-terminated: a NUL inside it ends it there.
    if (const qsizetype nul = ansi.indexOf('\0'); nul >= 0)
        ansi.truncate(nul);
    HGLOBAL hText = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(ansi.size()) + 1);
    if (!hText)
        return nullptr;
    auto *pTo = static_cast<char *>(GlobalLock(hText));
    std::memcpy(pTo, ansi.constData(), std::size_t(ansi.size()) + 1);
    GlobalUnlock(hText);
    return hText;
}

// ---------------------------------------------------------------------------------------------------------------
// COleDropTarget

// Turns the drag events of the registered client widget into the target's notifications.
class COleDropTarget::Filter final : public QObject {
public:
    explicit Filter(COleDropTarget *pTarget) : m_pTarget(pTarget) {}

    HWND m_hWnd = nullptr;
    QPointer<QWidget> m_client;
    bool m_bInside = false;

    CWnd *window() const { return IsWindow(m_hWnd) ? CWnd::FromHandle(m_hWnd) : nullptr; }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched != m_client)
            return false;
        switch (e->type()) {
        case QEvent::DragEnter:
            dragEnter(static_cast<QDragEnterEvent *>(e));
            return true;
        case QEvent::DragMove:
            dragMove(static_cast<QDragMoveEvent *>(e));
            return true;
        case QEvent::DragLeave:
            if (m_bInside) {
                m_bInside = false;
                if (CWnd *pWnd = window())
                    m_pTarget->OnDragLeave(pWnd);
            }
            return true;
        case QEvent::Drop:
            drop(static_cast<QDropEvent *>(e));
            return true;
        default:
            return false;
        }
    }

private:
    void dragEnter(QDragEnterEvent *e)
    {
        // Accepted even when the answer is no effect, so that the drag stays with this window and is not offered
        // to the windows beneath; the move that follows at once carries the answer.
        e->accept();
        e->setDropAction(Qt::IgnoreAction);
        CWnd *pWnd = window();
        if (!pWnd)
            return;
        m_bInside = true;
        COleDataObject data(e->mimeData());
        const DROPEFFECT effect =
            FilterDropEffect(m_pTarget->OnDragEnter(pWnd, &data, keyState(e->buttons(), e->modifiers()),
                                                    CPoint(e->position().toPoint())),
                             AfxDropEffectsFromActions(e->possibleActions()));
        e->setDropAction(toAction(effect));
    }

    void dragMove(QDragMoveEvent *e)
    {
        CWnd *pWnd = window();
        if (!pWnd || !m_bInside) {
            e->ignore();
            return;
        }
        const DWORD dwKeyState = keyState(e->buttons(), e->modifiers());
        const CPoint point(e->position().toPoint());
        DROPEFFECT effect = m_pTarget->OnDragScroll(pWnd, dwKeyState, point);
        if (!(effect & DROPEFFECT_SCROLL)) {
            COleDataObject data(e->mimeData());
            effect = m_pTarget->OnDragOver(pWnd, &data, dwKeyState, point);
        }
        answer(e, FilterDropEffect(effect, AfxDropEffectsFromActions(e->possibleActions())));
    }

    void drop(QDropEvent *e)
    {
        CWnd *pWnd = window();
        if (!pWnd || !m_bInside) {
            answer(e, DROPEFFECT_NONE);
            return;
        }
        m_bInside = false;
        COleDataObject data(e->mimeData());
        const CPoint point(e->position().toPoint());
        const DROPEFFECT allowed = AfxDropEffectsFromActions(e->possibleActions());
        DROPEFFECT effect = FilterDropEffect(
            m_pTarget->OnDragOver(pWnd, &data, keyState(e->buttons(), e->modifiers()), point), allowed);
        const DROPEFFECT dropEx = m_pTarget->OnDropEx(pWnd, &data, effect, allowed, point);
        if (dropEx != DROPEFFECT(-1)) {
            effect = dropEx;
        } else if (effect != DROPEFFECT_NONE) {
            if (!m_pTarget->OnDrop(pWnd, &data, effect, point))
                effect = DROPEFFECT_NONE;
        } else {
            m_pTarget->OnDragLeave(pWnd);
        }
        answer(e, effect);
    }

    static void answer(QDropEvent *e, DROPEFFECT effect)
    {
        const Qt::DropAction action = toAction(effect);
        if (action == Qt::IgnoreAction) {
            e->setDropAction(Qt::IgnoreAction);
            e->ignore();
            return;
        }
        e->setDropAction(action);
        e->accept();
    }

    COleDropTarget *m_pTarget;
};

IMPLEMENT_DYNAMIC(COleDropTarget, CCmdTarget)

COleDropTarget::COleDropTarget() : m_pFilter(std::make_unique<Filter>(this)) {}

COleDropTarget::~COleDropTarget()
{
    // Not the virtual Revoke: a derived target is already gone.
    COleDropTarget::Revoke();
}

BOOL COleDropTarget::Register(CWnd *pWnd)
{
    if (!pWnd || !IsWindow(pWnd->GetSafeHwnd()))
        return FALSE;
    // A window without widgets yet is registered when they are made.
    if (HWND h = pWnd->GetSafeHwnd(); h->deferred) {
        if (h->onWidgetsMadeBy && h->onWidgetsMadeBy != this)
            return FALSE;
        COleDropTarget::Revoke();
        m_pFilter->m_hWnd = h;
        h->onWidgetsMadeBy = this;
        h->onWidgetsMade = [this, h] {
            m_pFilter->m_hWnd = nullptr;
            Register(CWnd::FromHandle(h));
        };
        return TRUE;
    }
    QWidget *client = pWnd->GetClientWidget();
    if (!client)
        return FALSE;
    const QVariant holder = client->property(kTargetProperty);
    if (holder.isValid() && holder.value<void *>() != this)
        return FALSE;
    COleDropTarget::Revoke();

    m_pFilter->m_hWnd = pWnd->GetSafeHwnd();
    m_pFilter->m_client = client;
    client->setProperty(kTargetProperty, QVariant::fromValue(static_cast<void *>(this)));
    client->installEventFilter(m_pFilter.get());
    client->setAcceptDrops(true);
    // The window's end ends the registration.
    QObject::connect(client, &QObject::destroyed, m_pFilter.get(), [pFilter = m_pFilter.get()] {
        pFilter->m_hWnd = nullptr;
        pFilter->m_bInside = false;
    });
    return TRUE;
}

void COleDropTarget::Revoke()
{
    Filter *pFilter = m_pFilter.get();
    if (HWND h = pFilter->m_hWnd; IsWindow(h) && h->onWidgetsMadeBy == this) {
        h->onWidgetsMade = nullptr;
        h->onWidgetsMadeBy = nullptr;
    }
    if (QWidget *client = pFilter->m_client) {
        client->removeEventFilter(pFilter);
        client->setAcceptDrops(false);
        client->setProperty(kTargetProperty, QVariant());
        QObject::disconnect(client, nullptr, pFilter, nullptr);
    }
    pFilter->m_client = nullptr;
    pFilter->m_hWnd = nullptr;
    pFilter->m_bInside = false;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd *, COleDataObject *, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

DROPEFFECT COleDropTarget::OnDragOver(CWnd *, COleDataObject *, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

BOOL COleDropTarget::OnDrop(CWnd *, COleDataObject *, DROPEFFECT, CPoint)
{
    return FALSE;
}

DROPEFFECT COleDropTarget::OnDropEx(CWnd *, COleDataObject *, DROPEFFECT, DROPEFFECT, CPoint)
{
    return DROPEFFECT(-1);
}

void COleDropTarget::OnDragLeave(CWnd *) {}

DROPEFFECT COleDropTarget::OnDragScroll(CWnd *, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

DROPEFFECT COleDropTarget::FilterDropEffect(DROPEFFECT dropEffect, DROPEFFECT dwEffects)
{
    if (dropEffect & dwEffects)
        return dropEffect;
    switch (dropEffect) {
    case DROPEFFECT_COPY:
        if (dwEffects & DROPEFFECT_MOVE)
            return DROPEFFECT_MOVE;
        if (dwEffects & DROPEFFECT_LINK)
            return DROPEFFECT_LINK;
        break;
    case DROPEFFECT_MOVE:
        if (dwEffects & DROPEFFECT_COPY)
            return DROPEFFECT_COPY;
        if (dwEffects & DROPEFFECT_LINK)
            return DROPEFFECT_LINK;
        break;
    default:
        break;
    }
    return DROPEFFECT_NONE;
}

// ---------------------------------------------------------------------------------------------------------------
// COleDropSimulation

COleDropSimulation::COleDropSimulation(CWnd *pWnd, const QMimeData *pData, DROPEFFECT dwAllowed)
    : m_hWnd(pWnd ? pWnd->GetSafeHwnd() : nullptr), m_pData(pData), m_dwAllowed(dwAllowed)
{
}

COleDropSimulation::~COleDropSimulation()
{
    if (m_bInside)
        DragLeave();
}

DROPEFFECT COleDropSimulation::DragEnter(DWORD dwKeyState, CPoint point)
{
    if (m_bInside)
        DragLeave();
    m_bInside = true;
    Send(QEvent::DragEnter, dwKeyState, point);
    return Send(QEvent::DragMove, dwKeyState, point);
}

DROPEFFECT COleDropSimulation::DragOver(DWORD dwKeyState, CPoint point)
{
    if (!m_bInside)
        return DragEnter(dwKeyState, point);
    return Send(QEvent::DragMove, dwKeyState, point);
}

void COleDropSimulation::DragLeave()
{
    if (!m_bInside)
        return;
    m_bInside = false;
    Send(QEvent::DragLeave, 0, CPoint());
}

DROPEFFECT COleDropSimulation::Drop(DWORD dwKeyState, CPoint point)
{
    if (!m_bInside)
        return DROPEFFECT_NONE;
    m_bInside = false;
    return Send(QEvent::Drop, dwKeyState, point);
}

DROPEFFECT COleDropSimulation::Send(int eventType, DWORD dwKeyState, CPoint point)
{
    QWidget *client = IsWindow(m_hWnd) ? m_hWnd->client.data() : nullptr;
    if (!client || !m_pData)
        return DROPEFFECT_NONE;
    const QPoint pos(point.x, point.y);
    const Qt::DropActions actions = AfxDropActionsFromEffects(m_dwAllowed);
    const Qt::MouseButtons buttons = buttonsOf(dwKeyState);
    const Qt::KeyboardModifiers mods = modifiersOf(dwKeyState);
    switch (eventType) {
    case QEvent::DragEnter: {
        QDragEnterEvent e(pos, actions, m_pData, buttons, mods);
        QCoreApplication::sendEvent(client, &e);
        m_lastAction = e.isAccepted() ? e.dropAction() : Qt::IgnoreAction;
        return DROPEFFECT_NONE;
    }
    case QEvent::DragMove: {
        QDragMoveEvent e(pos, actions, m_pData, buttons, mods);
        // As the desktop does: a move starts out with the answer last given.
        if (m_lastAction != Qt::IgnoreAction && (actions & m_lastAction)) {
            e.setDropAction(m_lastAction);
            e.accept();
        } else {
            e.ignore();
        }
        QCoreApplication::sendEvent(client, &e);
        m_lastAction = e.isAccepted() ? e.dropAction() : Qt::IgnoreAction;
        return toEffect(m_lastAction) & m_dwAllowed;
    }
    case QEvent::DragLeave: {
        QDragLeaveEvent e;
        QCoreApplication::sendEvent(client, &e);
        m_lastAction = Qt::IgnoreAction;
        return DROPEFFECT_NONE;
    }
    case QEvent::Drop: {
        QDropEvent e(QPointF(pos), actions, m_pData, buttons, mods);
        e.setDropAction(m_lastAction);
        e.ignore();
        QCoreApplication::sendEvent(client, &e);
        m_lastAction = Qt::IgnoreAction;
        return e.isAccepted() ? toEffect(e.dropAction()) & m_dwAllowed : DROPEFFECT_NONE;
    }
    default:
        return DROPEFFECT_NONE;
    }
}

DROPEFFECT AfxSimulateDrop(CWnd *pWnd, const QMimeData *pData, DWORD dwKeyState, CPoint point, DROPEFFECT dwAllowed)
{
    COleDropSimulation drag(pWnd, pData, dwAllowed);
    drag.DragEnter(dwKeyState, point);
    return drag.Drop(dwKeyState & ~DWORD(MK_LBUTTON | MK_RBUTTON | MK_MBUTTON), point);
}
