// Mouse input on the board, on notes and in their text fields, as a person gives it; and short ways to make notes.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

class CPaperFrame;
class QWidget;

namespace zbtest {
// Mouse events sent now to a widget, at a point in its coordinates.
void sendPress(QWidget *w, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier);
void sendMove(QWidget *w, QPoint p, bool bHeld = true);
void sendRelease(QWidget *w, QPoint p);
void sendDoubleClick(QWidget *w, QPoint p);

// The board view's client widget: where clicks on the board go.
QWidget *boardWidget();
// Sizes the main window so that the board is w x h; false when it cannot be had.
bool setBoardSize(int w, int h);
// Draws a rectangle on the board from `from` to `to` (board coordinates), as a person does: the moves and the
// release are queued, then the press runs the board's rubber band, which takes them.
void drawOnBoard(QPoint from, QPoint to);
// Presses the board at `from`, moves through path with the button held and releases at its last point; for icon
// drags (the press returns at once) and rubber bands alike.
void dragOnBoard(QPoint from, const QList<QPoint> &path);

// A note made through the document (as a file load or the board does); the new head of the note list.
CPaperFrame *addNote(const QRect &rect, bool bShow = true);
CPaperFrame *newestNote();
// The note's outer rectangle as its widget lies in the board, in board coordinates.
QRect noteGeometry(CPaperFrame *pPaper);
// A point on the note's caption, in the note window's coordinates.
QPoint captionPoint(CPaperFrame *pPaper);
// Drags the note window at windowPoint (its own coordinates) by delta in `steps` equal mouse moves, then releases.
void dragNote(CPaperFrame *pPaper, QPoint windowPoint, QPoint delta, int steps = 4);
// Where clicks into the note's text go, and the widget that takes its keys.
QWidget *textViewport(CPaperFrame *pPaper);
QWidget *textWidget(CPaperFrame *pPaper);
// Viewport point over the character at index (its left edge, half a line down).
QPoint pointAtChar(CPaperFrame *pPaper, int nIndex);
} // namespace zbtest
