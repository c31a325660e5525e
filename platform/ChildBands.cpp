// Child frames in great numbers: beyond a thousand under one parent, their widgets go into transparent container
// widgets ("bands") of a few hundred each, so that no widget has more siblings than Qt's painting recurses through
// (one stack frame per shown sibling). Bands exist only for Qt: window handles, parents, coordinates and z-order stay
// as the window system keeps them. A band lies at the parent's origin, so a frame's widget position is its position
// in the parent's client area.
#include "WndImpl.h"

#include <QApplication>
#include <QEvent>
#include <QHash>

namespace {

// Frames directly under one parent before bands are used, and frames per band.
constexpr qsizetype kDirectLimit = 1024;
constexpr qsizetype kBandSize = 256;

class ChildBand;

// Per parent widget: the band new and raised frames go into, and how many bands live.
struct BandHost {
    QPointer<ChildBand> top;
    int nBands = 0;
};
QHash<const QWidget *, BandHost> &hosts()
{
    static QHash<const QWidget *, BandHost> h;
    return h;
}

// Shows nothing of its own; input it gets goes on to the parent as if the band were not there.
class ChildBand final : public QWidget {
public:
    explicit ChildBand(QWidget *parent) : QWidget(parent), m_pHost(parent)
    {
        // Wider and taller than any parent: the parent's own edges clip.
        setGeometry(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        // Hover moves must be passed on too, not dropped for want of tracking.
        setMouseTracking(true);
        ++hosts()[m_pHost].nBands;
        show();
    }
    ~ChildBand() override
    {
        auto it = hosts().find(m_pHost);
        if (it != hosts().end() && --it->nBands <= 0)
            hosts().erase(it);
    }

    bool isEnding() const { return m_bEnding; }

protected:
    bool event(QEvent *e) override
    {
        // An empty band goes, so that boards loaded one after another do not pile up bands.
        if (e->type() == QEvent::ChildRemoved && !m_bEnding && children().isEmpty()) {
            m_bEnding = true;
            deleteLater();
        }
        return QWidget::event(e);
    }

private:
    const QWidget *m_pHost;
    bool m_bEnding = false;
};

ChildBand *bandOf(QWidget *w)
{
    return w ? dynamic_cast<ChildBand *>(w->parentWidget()) : nullptr;
}

bool isChildFrame(HWND h)
{
    return IsWindow(h) && h->hasNonClient && (h->style & WS_CHILD);
}

// Moves a frame's widget into another band as it is: place, visibility and keyboard focus.
void moveIntoBand(QWidget *w, QWidget *band)
{
    QWidget *focus = QApplication::focusWidget();
    const bool bHadFocus = focus && w->isAncestorOf(focus);
    // Taken away first, so that hiding the widget does not pass the focus on to another frame.
    if (bHadFocus)
        focus->clearFocus();
    const bool bShown = !w->isHidden();
    const QRect g = w->geometry();
    w->setParent(band);
    w->setGeometry(g);
    if (bShown)
        w->show();
    if (bHadFocus && focus)
        focus->setFocus(Qt::OtherFocusReason);
}

} // namespace

namespace afx {

QWidget *childFrameParent(QWidget *client)
{
    if (!client)
        return nullptr;
    auto it = hosts().find(client);
    if (it == hosts().end()) {
        if (client->children().size() < kDirectLimit)
            return client;
        it = hosts().insert(client, BandHost());
    }
    ChildBand *top = it->top;
    if (!top || top->isEnding() || top->children().size() >= kBandSize) {
        top = new ChildBand(client); // may rehash: the entry is looked up again
        hosts()[client].top = top;
    }
    return top;
}

QWidget *realParentWidget(const QWidget *w)
{
    QWidget *parent = w ? w->parentWidget() : nullptr;
    if (dynamic_cast<ChildBand *>(parent))
        return parent->parentWidget();
    return parent;
}

void raiseWindowWidget(HWND hWnd)
{
    if (!IsWindow(hWnd))
        return;
    hWnd->zStamp = nextZStamp();
    QWidget *w = hWnd->widget.data();
    if (!w)
        return;
    if (IsWindow(hWnd->parent))
        hWnd->parent->topChildZ = hWnd->zStamp;
    QWidget *client = realParentWidget(w);
    const auto it = client ? hosts().constFind(client) : hosts().constEnd();
    if (!isChildFrame(hWnd) || it == hosts().constEnd()) {
        w->raise();
        return;
    }
    // Above every other frame: into the topmost band, which lies above the frames outside bands.
    ChildBand *band = bandOf(w);
    if (!band || band != it->top || band->isEnding())
        moveIntoBand(w, childFrameParent(client));
    w->raise();
}

} // namespace afx
