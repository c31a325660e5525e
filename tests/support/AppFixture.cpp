#include "AppFixture.h"

#include "platform/CommonDialogs.h"
#include "platform/Framework.h"
#include "platform/Wnd.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace zbtest {

bool startApp(const QStringList &args)
{
    ZentApp();
    AfxDialogScript::SetScripted(true);
    AfxDialogScript::ClearHistory();
    QStringList argv = QCoreApplication::arguments().mid(0, 1);
    argv << args;
    AfxSetCommandLine(argv);
    const bool ok = AfxStartApp();
    settle();
    return ok;
}

void endApp()
{
    AfxEndApp();
    settle();
}

CMainFrame *mainFrame()
{
    return dynamic_cast<CMainFrame *>(AfxGetMainWnd());
}

CZentView *boardView()
{
    CMainFrame *f = mainFrame();
    return f ? dynamic_cast<CZentView *>(f->GetActiveView()) : nullptr;
}

CZentDoc *document()
{
    CZentView *v = boardView();
    return v ? v->GetDocument() : nullptr;
}

void settle()
{
    // Handlers may post more as they run: go on until a round leaves nothing queued, within a generous bound
    // so a handler that reposts itself forever cannot hang the test.
    for (int i = 0; i < 10000; ++i) {
        AfxPumpPostedMessages();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (i >= 1 && !AfxHasPostedMessages())
            return;
    }
    qWarning("settle(): posted messages still arriving after 10000 rounds");
}

QImage grabBoard()
{
    CZentView *v = boardView();
    if (!v || !v->GetWidget())
        return QImage();
    return v->GetWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

COLORREF pixelAt(const QImage &image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

void updateCommandUI()
{
    CMainFrame *f = mainFrame();
    if (!f)
        return;
    f->OnIdleUpdateCmdUI();
    if (QMenuBar *bar = f->GetQMenuBar())
        for (QMenu *m : bar->findChildren<QMenu *>())
            Q_EMIT m->aboutToShow();
}

QStringList messages()
{
    QStringList texts;
    for (const AfxDialogScript::Shown &s : AfxDialogScript::History())
        if (s.kind == AfxDialogScript::Shown::MessageBox)
            texts << s.text;
    return texts;
}

} // namespace zbtest
