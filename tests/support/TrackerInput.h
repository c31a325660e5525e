// Synthetic mouse and key input for the modal tracking loops (rectangle tracker, rubber band): the input is
// queued first, then the button press starts the loop, which takes the queued input in order. No waiting.
#pragma once

#include <QList>
#include <QPoint>
#include <functional>

class QWidget;

namespace zbtest {
// Queues a mouse move to p (widget coordinates) with the left button held.
void postMove(QWidget *w, QPoint p);
// Queues the left-button release at p.
void postLeftRelease(QWidget *w, QPoint p);
// Queues a right-button press at p.
void postRightPress(QWidget *w, QPoint p);
// Queues a key press (and its release) of key, a Qt::Key.
void postKey(QWidget *w, int key);
// Queues a call that runs inside the loop, in order with the input queued around it.
void postCall(const std::function<void()> &fn);
// Sends the left-button press at p now; returns when the window has handled it (and any loop it ran has ended).
void pressLeft(QWidget *w, QPoint p);
// Moves through path with the left button held, releases at its last point, then presses at from: a whole drag.
void drag(QWidget *w, QPoint from, const QList<QPoint> &path);
} // namespace zbtest
