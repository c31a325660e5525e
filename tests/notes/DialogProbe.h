// Reaching into the program's dialogs from tests: their controls' widgets and places, clicks as a person makes
// them, and the dialogs open on screen.
#pragma once

#include "platform/Dialog.h"
#include "platform/WndImpl.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace zbtest {

inline QWidget *widgetOf(const CWnd *pDialog, int nID)
{
    CWnd *pCtl = pDialog->GetDlgItem(nID);
    return pCtl ? pCtl->GetWidget() : nullptr;
}

// A control's rectangle in the dialog's client coordinates.
inline CRect controlRect(CWnd *pDialog, int nID)
{
    CRect rc;
    pDialog->GetDlgItem(nID)->GetWindowRect(&rc);
    pDialog->ScreenToClient(&rc);
    return rc;
}

// A template rectangle (dialog units) as the dialog places it: position and size are converted separately.
inline CRect dialogUnits(const CDialog *pDialog, int x, int y, int cx, int cy)
{
    CRect units(x, y, cx, cy);
    pDialog->MapDialogRect(&units);
    return CRect(units.left, units.top, units.left + units.right, units.top + units.bottom);
}

inline void clickControl(const CWnd *pDialog, int nID)
{
    QWidget *w = widgetOf(pDialog, nID);
    QVERIFY(w);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

// Clicks a row of a list box, scrolling it into view first.
inline void clickRow(const CListBox &list, int nRow)
{
    QListWidget *lw = list.GetListWidget();
    QVERIFY(lw && nRow >= 0 && nRow < lw->count());
    lw->scrollToItem(lw->item(nRow));
    QTest::mouseClick(lw->viewport(), Qt::LeftButton, Qt::NoModifier, lw->visualItemRect(lw->item(nRow)).center());
}

// The dialog's client area as painted now.
inline QImage grabClient(const CWnd *pDialog)
{
    QWidget *w = pDialog->GetClientWidget();
    return w ? w->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

// What the dialog paints itself, without its controls on top.
inline QImage grabOwnPaint(const CWnd *pDialog)
{
    QWidget *w = pDialog->GetClientWidget();
    if (!w)
        return QImage();
    QImage image(w->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    w->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

// Open (not yet deleted) dialogs of class T with the given title, oldest first.
template <class T> std::vector<T *> openDialogs(const QString &title)
{
    std::vector<T *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        HWND h = afx::hwndFromWidget(w);
        if (!IsWindow(h) || w->windowTitle() != title)
            continue;
        if (T *p = dynamic_cast<T *>(CWnd::FromHandlePermanent(h)))
            found.push_back(p);
    }
    std::sort(found.begin(), found.end(), [](T *a, T *b) { return a->m_hWnd->serial < b->m_hWnd->serial; });
    return found;
}

// The widget that has the dialog's keyboard focus.
inline QWidget *focusIn(const CWnd *pDialog)
{
    return pDialog->GetWidget()->focusWidget();
}

} // namespace zbtest
