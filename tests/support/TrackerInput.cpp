#include "TrackerInput.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace zbtest {

namespace {
QMouseEvent *mouseEvent(QWidget *w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    return new QMouseEvent(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, Qt::NoModifier);
}
} // namespace

void postMove(QWidget *w, QPoint p)
{
    QCoreApplication::postEvent(w, mouseEvent(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton));
}

void postLeftRelease(QWidget *w, QPoint p)
{
    QCoreApplication::postEvent(w, mouseEvent(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton));
}

void postRightPress(QWidget *w, QPoint p)
{
    QCoreApplication::postEvent(
        w, mouseEvent(w, QEvent::MouseButtonPress, p, Qt::RightButton, Qt::LeftButton | Qt::RightButton));
}

void postKey(QWidget *w, int key)
{
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

void postCall(const std::function<void()> &fn)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), fn, Qt::QueuedConnection);
}

void pressLeft(QWidget *w, QPoint p)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}

void drag(QWidget *w, QPoint from, const QList<QPoint> &path)
{
    for (const QPoint &p : path)
        postMove(w, p);
    postLeftRelease(w, path.isEmpty() ? from : path.last());
    pressLeft(w, from);
}

} // namespace zbtest
