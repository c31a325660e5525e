// The main window as a person meets it: title, size, menu, toolbar, status bar, command enabling, help.
#include "support/AppFixture.h"
#include "support/TestMain.h"

#include "platform/CommonDialogs.h"
#include "platform/Dialog.h"
#include "res/resource.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QWhatsThis>

using namespace zbtest;

namespace {
QStringList describeMenu(QMenu *menu, const QString &indent = QString())
{
    QStringList out;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator())
            out << indent + QStringLiteral("-");
        else if (a->menu())
            out << indent + a->text() + QStringLiteral(" >") << describeMenu(a->menu(), indent + QStringLiteral("  "));
        else
            out << indent + a->text() + QStringLiteral(" #") + QString::number(a->data().toUInt());
    }
    return out;
}

QAction *findAction(QMenuBar *bar, UINT nID)
{
    for (QAction *a : bar->findChildren<QAction *>())
        if (a->data().toUInt() == nID && !a->isSeparator())
            if (qobject_cast<QMenu *>(a->parent()))
                return a;
    return nullptr;
}
} // namespace

class TestMainFrame : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override { QVERIFY(startApp()); }

    void cleanupTest() override { endApp(); }

private Q_SLOTS:
    void windowTitleSizeAndPlace()
    {
        CMainFrame *f = mainFrame();
        QVERIFY(f);
        QMainWindow *mw = f->GetMainWindow();
        QVERIFY(mw->isVisible());
        QCOMPARE(mw->windowTitle(), QStringLiteral("Untitled - Zentbase"));
        QCOMPARE(mw->frameGeometry(), QRect(100, 100, 600, 400));
        QVERIFY(boardView());
        QCOMPARE(mw->centralWidget(), boardView()->GetWidget());
    }

    void menuHasEveryItemInOrder()
    {
        QMenuBar *bar = mainFrame()->GetQMenuBar();
        QStringList got;
        for (QAction *a : bar->actions())
            got << a->text() + QStringLiteral(" >") << describeMenu(a->menu(), QStringLiteral("  "));
        const QStringList expected = {"&File >",
                                      "  &New\tCtrl+N #57600",
                                      "  &Open...\tCtrl+O #57601",
                                      "  &Save\tCtrl+S #57603",
                                      "  Save &As... #57604",
                                      "  -",
                                      "  Recent File #57616",
                                      "  -",
                                      "  E&xit #57665",
                                      "&Edit >",
                                      "  Cu&t\tCtrl+X #57635",
                                      "  &Copy\tCtrl+C #57634",
                                      "  &Paste\tCtrl+V #57637",
                                      "&View >",
                                      "  &Toolbar #59392",
                                      "  &Status Bar #59393",
                                      "Background >",
                                      "  Pure background... #32774",
                                      "  Texture background... #32777",
                                      "  Picture background >",
                                      "    New picture... #32778",
                                      "    Select picture #32779",
                                      "    Unselect picture #32780",
                                      "    Delete picture #32781",
                                      "&Help >",
                                      "  Help &Topics #57667",
                                      "  &What's This?\tShift+F1 #57669",
                                      "  -",
                                      "  &About... #57664"};
        QCOMPARE(got, expected);
    }

    void toolbarButtonsTooltipsAndDocking()
    {
        CToolBar &tb = mainFrame()->m_wndToolBar;
        QList<UINT> ids;
        for (int i = 0; i < tb.GetCount(); ++i)
            ids << tb.GetItemID(i);
        const QList<UINT> expected = {ID_FILE_NEW,
                                      ID_FILE_OPEN,
                                      ID_FILE_SAVE,
                                      0,
                                      ID_EDIT_CUT,
                                      ID_EDIT_COPY,
                                      ID_EDIT_PASTE,
                                      0,
                                      ID_PURE_BACKGROUND,
                                      ID_TEXTURE_BACKGROUND,
                                      ID_NEW_PICTURE,
                                      ID_SELECT_PICTURE,
                                      ID_UNSELECT_PICTURE,
                                      ID_DELETE_PICTURE,
                                      0,
                                      ID_HELP_FINDER};
        QCOMPARE(ids, expected);
        const QList<QAction *> actions = tb.GetButtonActions();
        QCOMPARE(actions[0]->toolTip(), QStringLiteral("New"));
        QCOMPARE(actions[5]->toolTip(), QStringLiteral("Copy"));
        QCOMPARE(actions[0]->statusTip(), QStringLiteral("Create a new document"));
        QCOMPARE(actions[8]->statusTip(), QStringLiteral("Make new screen background by pure color"));
        for (QAction *a : actions)
            if (a)
                QVERIFY2(!a->icon().isNull(), qPrintable(a->statusTip()));
        QToolBar *qtb = tb.GetToolBar();
        QMainWindow *mw = mainFrame()->GetMainWindow();
        QCOMPARE(mw->toolBarArea(qtb), Qt::TopToolBarArea);
        QVERIFY(qtb->isMovable());
        QVERIFY(qtb->isFloatable());
        QCOMPARE(qtb->allowedAreas(), Qt::AllToolBarAreas);
    }

    void statusBarShowsReadyAndPrompts()
    {
        CStatusBar &sb = mainFrame()->m_wndStatusBar;
        QCOMPARE(sb.GetPaneText(0), QStringLiteral("Ready"));
        QAction *pure = findAction(mainFrame()->GetQMenuBar(), ID_PURE_BACKGROUND);
        QVERIFY(pure);
        pure->showStatusText(mainFrame()->GetMainWindow());
        QCOMPARE(sb.GetPaneText(0), QStringLiteral("Make new screen background by pure color"));
        sb.GetStatusBar()->clearMessage();
        QCOMPARE(sb.GetPaneText(0), QStringLiteral("Ready"));
    }

    void commandEnablingFollowsTheRules()
    {
        updateCommandUI();
        QMenuBar *bar = mainFrame()->GetQMenuBar();
        auto enabled = [&](UINT id) {
            QAction *a = findAction(bar, id);
            return a && a->isEnabled();
        };
        for (UINT id : {UINT(ID_EDIT_CUT), UINT(ID_EDIT_COPY), UINT(ID_EDIT_PASTE)})
            QVERIFY2(!enabled(id), "edit commands have no handler");
        for (UINT id : {ID_PURE_BACKGROUND, ID_TEXTURE_BACKGROUND, ID_NEW_PICTURE})
            QVERIFY(enabled(id));
        QVERIFY(enabled(ID_FILE_NEW) && enabled(ID_FILE_SAVE) && enabled(ID_APP_ABOUT) && enabled(ID_HELP_FINDER));
        QVERIFY(!enabled(ID_SELECT_PICTURE) && !enabled(ID_UNSELECT_PICTURE) && !enabled(ID_DELETE_PICTURE));

        CZentDoc *doc = document();
        doc->m_bPicture = true;
        doc->m_bPictureSelected = true;
        updateCommandUI();
        QVERIFY(!enabled(ID_SELECT_PICTURE) && enabled(ID_UNSELECT_PICTURE) && enabled(ID_DELETE_PICTURE));
        doc->m_bPictureSelected = false;
        updateCommandUI();
        QVERIFY(enabled(ID_SELECT_PICTURE) && !enabled(ID_UNSELECT_PICTURE) && !enabled(ID_DELETE_PICTURE));

        // The toolbar follows the same handlers.
        const QList<QAction *> buttons = mainFrame()->m_wndToolBar.GetButtonActions();
        QVERIFY(!buttons[4]->isEnabled() && !buttons[5]->isEnabled() && !buttons[6]->isEnabled());
        QVERIFY(buttons[11]->isEnabled());  // select picture
        QVERIFY(!buttons[13]->isEnabled()); // delete picture
        QVERIFY(buttons[8]->isEnabled());
    }

    void acceleratorsMatchTheTable()
    {
        QStringList keys;
        for (QAction *a : mainFrame()->GetMainWindow()->actions())
            if (!a->shortcut().isEmpty())
                keys << a->shortcut().toString() + QStringLiteral("=") + QString::number(a->data().toUInt());
        const QStringList expected = {"Ctrl+N=57600",    "Ctrl+O=57601",       "Ctrl+S=57603",    "Ctrl+Z=57643",
                                      "Ctrl+X=57635",    "Ctrl+C=57634",       "Ctrl+V=57637",    "Alt+Backspace=57643",
                                      "Ctrl+Y=57644",    "Ctrl+Shift+Z=57644", "Shift+Del=57635", "Ctrl+Ins=57634",
                                      "Shift+Ins=57637", "F6=57680",           "Shift+F6=57681"};
        QCOMPARE(keys, expected);
        updateCommandUI();
        for (QAction *a : mainFrame()->GetMainWindow()->actions())
            if (a->data().toUInt() == ID_FILE_NEW)
                QVERIFY(a->isEnabled());
            else if (a->data().toUInt() == ID_EDIT_PASTE || a->data().toUInt() == ID_NEXT_PANE)
                QVERIFY(!a->isEnabled());
    }

    void viewMenuTogglesBars()
    {
        QToolBar *qtb = mainFrame()->m_wndToolBar.GetToolBar();
        QVERIFY(qtb->isVisible());
        mainFrame()->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
        QVERIFY(!qtb->isVisible());
        updateCommandUI();
        QAction *item = findAction(mainFrame()->GetQMenuBar(), ID_VIEW_TOOLBAR);
        QVERIFY(item->isCheckable() && !item->isChecked());
        mainFrame()->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
        QVERIFY(qtb->isVisible());
        mainFrame()->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
        QVERIFY(!mainFrame()->m_wndStatusBar.GetStatusBar()->isVisible());
    }

    void aboutBoxIsBuiltFromItsTemplate()
    {
        QString title, version;
        int controls = 0;
        AfxSetModalDialogHook([&](CDialog *dlg) {
            title = dlg->GetWidget()->windowTitle();
            for (CWnd *c = dlg->GetDlgItem(IDOK); c; c = nullptr)
                ++controls;
            QList<QWidget *> kids = dlg->GetWidget()->findChildren<QWidget *>();
            for (QWidget *w : kids)
                if (w->property("text").toString().startsWith(QStringLiteral("Multipurpose")))
                    version = w->property("text").toString();
            dlg->EndDialog(IDOK);
        });
        mainFrame()->SendMessage(WM_COMMAND, ID_APP_ABOUT);
        AfxSetModalDialogHook(nullptr);
        QCOMPARE(title, QStringLiteral("About "));
        QCOMPARE(version, QStringLiteral("Multipurpose Zentbase,  v. 1.0"));
        QCOMPARE(controls, 1);
    }

    void helpCommandsOpenTheProgramsHelp()
    {
        mainFrame()->SendMessage(WM_COMMAND, ID_HELP_FINDER);
        auto *help = qobject_cast<QTextBrowser *>(AfxGetHelpWindow());
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QVERIFY(help->toPlainText().contains(QStringLiteral("waste bin"), Qt::CaseInsensitive));
        help->close();
        mainFrame()->SendMessage(WM_COMMAND, ID_CONTEXT_HELP);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();
    }

    void settingsAndShellRegistration()
    {
        // The recent-file list lives under the program's settings key.
        CWinApp *app = AfxGetApp();
        QVERIFY(app->m_pRecentFileList);
        QCOMPARE(app->m_pRecentFileList->GetSize(), 4);
        for (int i = 0; i < 6; ++i)
            app->AddToRecentFileList(QDir::current().filePath(QStringLiteral("board%1.zbd").arg(i)));
        QSettings s(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Zentbase"));
        QCOMPARE(s.value(QStringLiteral("Recent File List/File1")).toString(), QDir::current().filePath("board5.zbd"));
        QCOMPARE(s.value(QStringLiteral("Recent File List/File4")).toString(), QDir::current().filePath("board2.zbd"));
        QVERIFY(!s.contains(QStringLiteral("Recent File List/File5")));

        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QFile desktop(data + QStringLiteral("/applications/org.zentbase.Zentbase.desktop"));
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        const QByteArray d = desktop.readAll();
        QVERIFY(d.contains("MimeType=application/x-zentbase;"));
        QVERIFY(d.contains("Exec="));
        QFile mime(data + QStringLiteral("/mime/packages/org.zentbase.Zentbase.xml"));
        QVERIFY(mime.open(QIODevice::ReadOnly));
        const QByteArray m = mime.readAll();
        QVERIFY(m.contains("<glob pattern=\"*.zbd\"/>"));
        QVERIFY(m.contains("Zentbase Document"));
    }

    void recentFilesSurviveARestart()
    {
        const QString path = QDir::current().filePath(QStringLiteral("kept.zbd"));
        AfxGetApp()->AddToRecentFileList(path);
        endApp();
        QVERIFY(startApp());
        QCOMPARE((*AfxGetApp()->m_pRecentFileList)[0], path);
        QMenuBar *bar = mainFrame()->GetQMenuBar();
        updateCommandUI();
        QAction *first = findAction(bar, ID_FILE_MRU_FILE1);
        QVERIFY(first);
        QVERIFY(first->text().startsWith(QStringLiteral("&1 ")));
        QVERIFY(first->text().endsWith(QStringLiteral("kept.zbd")));
        QVERIFY(first->isEnabled());
    }
};

ZB_TEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
