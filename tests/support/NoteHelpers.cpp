#include "NoteHelpers.h"

#include "AppFixture.h"
#include "TrackerInput.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/SysParams.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace zbtest {

namespace {
void sendMouse(QWidget *w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, mods);
    QCoreApplication::sendEvent(w, &e);
}
} // namespace

void sendPress(QWidget *w, QPoint p, Qt::KeyboardModifiers mods)
{
    sendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, mods);
}

void sendMove(QWidget *w, QPoint p, bool bHeld)
{
    sendMouse(w, QEvent::MouseMove, p, Qt::NoButton, bHeld ? Qt::LeftButton : Qt::NoButton);
}

void sendRelease(QWidget *w, QPoint p)
{
    sendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

void sendDoubleClick(QWidget *w, QPoint p)
{
    sendMouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
}

QWidget *boardWidget()
{
    CZentView *pView = boardView();
    return pView ? pView->GetClientWidget() : nullptr;
}

bool setBoardSize(int w, int h)
{
    QWidget *board = boardWidget();
    CMainFrame *pMain = mainFrame();
    if (!board || !pMain || !pMain->GetWidget())
        return false;
    for (int i = 0; i < 3 && board->size() != QSize(w, h); ++i) {
        QWidget *top = pMain->GetWidget();
        top->resize(top->size() + QSize(w, h) - board->size());
        settle();
    }
    return board->size() == QSize(w, h);
}

void drawOnBoard(QPoint from, QPoint to)
{
    dragOnBoard(from, {(from + to) / 2, to});
}

void dragOnBoard(QPoint from, const QList<QPoint> &path)
{
    drag(boardWidget(), from, path);
    settle();
}

CPaperFrame *addNote(const QRect &rect, bool bShow)
{
    CRect rc(rect);
    document()->AddPaper(rc, bShow);
    return newestNote();
}

CPaperFrame *newestNote()
{
    CZentDoc *pDoc = document();
    return pDoc && !pDoc->m_papers.IsEmpty() ? pDoc->m_papers.GetHead() : nullptr;
}

QRect noteGeometry(CPaperFrame *pPaper)
{
    return pPaper->GetWidget()->geometry();
}

QPoint captionPoint(CPaperFrame *pPaper)
{
    const int y = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
    return QPoint(pPaper->GetWidget()->width() / 2, y);
}

void dragNote(CPaperFrame *pPaper, QPoint windowPoint, QPoint delta, int steps)
{
    QWidget *w = pPaper->GetWidget();
    const QPoint startGlobal = w->mapToGlobal(windowPoint);
    sendPress(w, windowPoint);
    for (int i = 1; i <= steps; ++i) {
        // The window moves under the mouse: each step is placed by its screen position.
        const QPoint global = startGlobal + delta * i / steps;
        sendMove(w, w->mapFromGlobal(global));
    }
    sendRelease(w, w->mapFromGlobal(startGlobal + delta));
}

QWidget *textViewport(CPaperFrame *pPaper)
{
    return pPaper->m_pEdit->GetClientWidget();
}
QWidget *textWidget(CPaperFrame *pPaper)
{
    return pPaper->m_pEdit->GetWidget();
}

QPoint pointAtChar(CPaperFrame *pPaper, int nIndex)
{
    const CPoint pt = pPaper->m_pEdit->PosFromChar(UINT(nIndex));
    const int lineHeight = textWidget(pPaper)->fontMetrics().height();
    return QPoint(pt.x + 1, pt.y + lineHeight / 2);
}

} // namespace zbtest
