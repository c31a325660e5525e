// What a new user runs into first: where the typing goes, which caption is drawn active, notes that leave the
// board, a picture file that is not a picture, and where dialogs open.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/NoteHelpers.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "notes/MakeCaptionDialog.h"
#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "notes/RestoreObjectsDialog.h"
#include "notes/SelectTextureDialog.h"
#include "platform/CommonDialogs.h"
#include "platform/SysParams.h"
#include "platform/WndImpl.h"
#include "res/resource.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>

using namespace zbtest;

namespace {
QWidget *focusWidget()
{
    return QApplication::focusWidget();
}

bool focusIsIn(CPaperFrame *pPaper)
{
    QWidget *f = focusWidget();
    return f && (f == textWidget(pPaper) || f == textViewport(pPaper));
}

// Types into whatever holds the focus, as the keyboard does.
void typeText(const QString &text)
{
    QWidget *f = focusWidget();
    QVERIFY(f);
    QTest::keyClicks(f, text);
}

CString noteText(CPaperFrame *pPaper)
{
    CString text;
    pPaper->m_pEdit->GetWindowText(text);
    return text;
}

int activeCaptions()
{
    int n = 0;
    CZentDoc *pDoc = document();
    for (POSITION pos = pDoc->m_papers.GetHeadPosition(); pos;)
        if (pDoc->m_papers.GetNext(pos)->m_caption.m_bActive != FALSE)
            ++n;
    return n;
}

// Clicks into the note's text below its last line, so that the caret goes to the end.
void clickIntoText(CPaperFrame *pPaper)
{
    QWidget *vp = textViewport(pPaper);
    const QPoint p(vp->width() - 3, vp->height() - 3);
    sendPress(vp, p);
    sendRelease(vp, p);
    settle();
}

QRect windowRect(CWnd *pWnd)
{
    CRect rc;
    pWnd->GetWindowRect(&rc);
    return rc.toQRect();
}

struct EnableProbe : CCmdUI {
    bool m_bEnabled = false;
    void Enable(BOOL bOn) override { m_bEnabled = bOn; }
    void SetCheck(int) override {}
};

// Leftmost and rightmost columns with dark (text) pixels in rows [top, bottom) of a widget as it paints;
// (-1, -1) when there are none.
QPair<int, int> inkColumns(QWidget *w, int top, int bottom)
{
    const QImage img = w->grab().toImage();
    int left = -1, right = -1;
    for (int x = 0; x < img.width(); ++x)
        for (int y = std::max(0, top); y < std::min(img.height(), bottom); ++y)
            if (qGray(img.pixel(x, y)) < 64) {
                if (left < 0)
                    left = x;
                right = x;
                break;
            }
    return {left, right};
}

bool centredOn(const QRect &inner, const QRect &outer)
{
    const QPoint d = inner.center() - outer.center();
    return qAbs(d.x()) <= 2 && qAbs(d.y()) <= 2;
}

QString writeBoard(const QTemporaryDir &dir, const Board &board)
{
    const QString path = dir.filePath(QStringLiteral("board.zbd"));
    writeFile(path, board.bytes());
    return path;
}
} // namespace

class TestFirstUse : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        QVERIFY(startApp());
        QWidget *top = mainFrame()->GetWidget();
        top->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(top));
        AfxDialogScript::ClearHistory();
    }

    void cleanupTest() override
    {
        AfxSetModalDialogHook(nullptr);
        endApp();
    }

private Q_SLOTS:
    void typingGoesIntoTheNoteJustMadeOrClicked()
    {
        QVERIFY(setBoardSize(1000, 720));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QList<CPaperFrame *> notes;
        QStringList expected;
        for (int i = 0; i < 100; ++i) {
            const QPoint from(10 + (i % 10) * 98, 50 + (i / 10) * 66);
            drawOnBoard(from, from + QPoint(80, 58));
            CPaperFrame *pNew = newestNote();
            QVERIFY(pNew && !notes.contains(pNew));
            notes << pNew;
            expected << QString();
            QVERIFY2(focusIsIn(pNew), qPrintable(QStringLiteral("note %1 just drawn").arg(i)));
            const QString made = QStringLiteral("n%1.").arg(i);
            typeText(made);
            expected[i] += made;
            // Back into an earlier note, by a click in its text.
            const int j = i / 2;
            clickIntoText(notes[j]);
            QVERIFY2(focusIsIn(notes[j]), qPrintable(QStringLiteral("note %1 clicked").arg(j)));
            const QString clicked = QStringLiteral("c%1.").arg(i);
            typeText(clicked);
            expected[j] += clicked;
        }
        for (int i = 0; i < 100; ++i)
            QCOMPARE(QString(noteText(notes[i])), expected[i]);

        const QString path = dir.filePath(QStringLiteral("typed.zbd"));
        AfxDialogScript::PushFileAnswer(IDOK, path);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
        const QByteArray bytes = readWholeFile(path);
        for (int i = 0; i < 100; ++i)
            QVERIFY2(bytes.contains(ansiField(expected[i].toLatin1())), qPrintable(expected[i]));
    }

    void theCaptionDialogGivesTheFocusBackToItsNote()
    {
        QVERIFY(setBoardSize(600, 400));
        drawOnBoard(QPoint(100, 100), QPoint(250, 220));
        CPaperFrame *pPaper = newestNote();
        drawOnBoard(QPoint(300, 100), QPoint(450, 220));
        CPaperFrame *pOther = newestNote();
        QVERIFY(focusIsIn(pOther));
        AfxSetModalDialogHook([](CDialog *pDlg) {
            // The dialog takes the focus while it runs.
            pDlg->GetDlgItem(IDC_CAPTION_TEXT)->SetFocus();
            pDlg->GetDlgItem(IDC_CAPTION_TEXT)->SetWindowText(QStringLiteral("title"));
            pDlg->SendMessage(WM_COMMAND, IDOK);
        });
        QWidget *w = pPaper->GetWidget();
        sendPress(w, captionPoint(pPaper));
        sendRelease(w, captionPoint(pPaper));
        sendDoubleClick(w, captionPoint(pPaper));
        sendRelease(w, captionPoint(pPaper));
        settle();
        QCOMPARE(QString(pPaper->m_strCaption), QStringLiteral("title"));
        QVERIFY(focusIsIn(pPaper));
        typeText(QStringLiteral("after"));
        QCOMPARE(QString(noteText(pPaper)), QStringLiteral("after"));
        QCOMPARE(QString(noteText(pOther)), QString());
    }

    void exactlyTheNoteWithTheFocusIsDrawnActive()
    {
        QVERIFY(setBoardSize(600, 400));
        drawOnBoard(QPoint(60, 100), QPoint(200, 220));
        CPaperFrame *pA = newestNote();
        drawOnBoard(QPoint(300, 100), QPoint(450, 220));
        CPaperFrame *pB = newestNote();
        QCOMPARE(pB->m_caption.m_bActive, TRUE);
        QCOMPARE(pA->m_caption.m_bActive, FALSE);
        clickIntoText(pA);
        QCOMPARE(pA->m_caption.m_bActive, TRUE);
        QCOMPARE(pB->m_caption.m_bActive, FALSE);
        // The board itself takes the click: no note is active.
        dragOnBoard(QPoint(550, 350), {QPoint(550, 350)});
        QCOMPARE(activeCaptions(), 0);

        // A board of 30 notes opens with none drawn active.
        document()->SetModifiedFlag(FALSE);
        QTemporaryDir dir;
        Board board;
        for (int i = 0; i < 30; ++i) {
            BoardNote note;
            note.rect = RECT{20 + (i % 6) * 95, 60 + (i / 6) * 65, 100 + (i % 6) * 95, 115 + (i / 6) * 65};
            board.notes << note;
        }
        QVERIFY(AfxGetApp()->OpenDocumentFile(writeBoard(dir, board)));
        settle();
        QCOMPARE(document()->m_nPapers, 30);
        QCOMPARE(activeCaptions(), 0);
        POSITION pos = document()->m_papers.GetHeadPosition();
        for (int i = 0; i < 7; ++i)
            document()->m_papers.GetNext(pos);
        CPaperFrame *pSome = document()->m_papers.GetAt(pos);
        clickIntoText(pSome);
        QCOMPARE(activeCaptions(), 1);
        QCOMPARE(pSome->m_caption.m_bActive, TRUE);
    }

    void aNoteDraggedPastTheBoardsEdgeKeepsItsCaptionOnTheBoard()
    {
        QVERIFY(setBoardSize(600, 400));
        CPaperFrame *pPaper = addNote(QRect(200, 150, 150, 120));
        settle();
        const QPoint grab = captionPoint(pPaper);
        // On its way to the top left the note meets the waste bin: kept.
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        dragNote(pPaper, grab, QPoint(-2000, -50), 6);
        settle();
        QRect g = noteGeometry(pPaper);
        QVERIFY2(g.left() + grab.x() >= 0, qPrintable(QStringLiteral("left %1").arg(g.left())));
        QCOMPARE(g.top(), 100);
        QCOMPARE(pPaper->m_rect, CRect(g));
        // Up past the top, and then past the right and bottom edges.
        dragNote(pPaper, captionPoint(pPaper), QPoint(0, -3000), 6);
        settle();
        g = noteGeometry(pPaper);
        QVERIFY(g.top() + grab.y() >= 0);
        QVERIFY(g.top() + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYSMCAPTION) > 0);
        dragNote(pPaper, captionPoint(pPaper), QPoint(5000, 5000), 6);
        settle();
        g = noteGeometry(pPaper);
        QVERIFY(g.left() + captionPoint(pPaper).x() < 600);
        QVERIFY(g.top() + captionPoint(pPaper).y() < 400);
        // Sizing from the left edge cannot drag that edge off the board either.
        const QPoint leftEdge(1, g.height() / 2);
        dragNote(pPaper, leftEdge, QPoint(-4000, 0), 4);
        settle();
        QVERIFY(noteGeometry(pPaper).left() >= -1);
    }

    void notesOutsideTheBoardAreBroughtIntoView()
    {
        QVERIFY(setBoardSize(600, 400));
        QTemporaryDir dir;
        Board board;
        BoardNote off;
        off.rect = RECT{-188, 360, -88, 440};
        off.text = ansiField("lost");
        BoardNote below;
        below.rect = RECT{250, 900, 350, 980};
        BoardNote stored;
        stored.rect = RECT{-500, -500, -400, -400};
        stored.stored = 1;
        BoardNote inside;
        inside.rect = RECT{300, 100, 400, 200};
        board.notes << off << below << stored << inside;
        const QString path = writeBoard(dir, board);
        QVERIFY(AfxGetApp()->OpenDocumentFile(path));
        settle();
        // Loaded where the file says, to the byte.
        const QString copy = dir.filePath(QStringLiteral("copy.zbd"));
        AfxDialogScript::PushFileAnswer(IDOK, copy);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
        const QByteArray saved = readWholeFile(copy);
        QCOMPARE(saved.size(), board.bytes().size());
        QVERIFY(saved.contains(rectField(off.rect)) && saved.contains(rectField(below.rect)));
        QVERIFY(!document()->IsModified());

        auto commandEnabled = []() {
            EnableProbe ui;
            ui.m_nID = ID_BRING_NOTES_INTO_VIEW;
            ui.DoUpdate(boardView(), TRUE);
            return ui.m_bEnabled;
        };
        QVERIFY(commandEnabled());
        boardView()->SendMessage(WM_COMMAND, ID_BRING_NOTES_INTO_VIEW);
        settle();
        QVERIFY(document()->IsModified());
        QVERIFY(!commandEnabled());
        CRect rcClient;
        boardView()->GetClientRect(&rcClient);
        for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;) {
            CPaperFrame *p = document()->m_papers.GetNext(pos);
            if (p->m_bHidden) {
                QCOMPARE(p->m_rect, CRect(-500, -500, -400, -400));
                continue;
            }
            CRect rcIn;
            rcIn.IntersectRect(p->m_rect, rcClient);
            QCOMPARE(rcIn, p->m_rect);
        }
        // Each lands just inside, by the edge it was beyond; the note on the board stays.
        QVERIFY(document()->m_papers.GetHead()->m_rect == CRect(300, 100, 400, 200));
        QList<CRect> moved;
        for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;)
            moved << document()->m_papers.GetNext(pos)->m_rect;
        QVERIFY(moved.contains(CRect(0, 320, 100, 400)));
        QVERIFY(moved.contains(CRect(250, 320, 350, 400)));
    }

    void aFileThatIsNoPictureKeepsTheBoardsPicture()
    {
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.bmp"));
        QVERIFY(writeFile(good, bmpFile(quadrantImage(40, 20), BmpKind::Bits24)));
        AfxDialogScript::PushFileAnswer(IDOK, good);
        mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
        CZentDoc *pDoc = document();
        QVERIFY(pDoc->m_bPicture && pDoc->m_picture.m_pPicture);
        IPicture *pBefore = pDoc->m_picture.m_pPicture;
        pDoc->m_nPictureLeft = 70;
        const CString strBefore = pDoc->m_strPicturePath;
        const QImage before = grabBoard();

        const QString bad = dir.filePath(QStringLiteral("notes.jpg"));
        QVERIFY(writeFile(bad, QByteArray("this is a text file, not a picture\n")));
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, bad);
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
        const QList<AfxDialogScript::Shown> &shown = AfxDialogScript::History();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].kind, AfxDialogScript::Shown::MessageBox);
        QCOMPARE(shown[1].text, QStringLiteral("Can't load picture file!"));
        QCOMPARE(shown[1].nType, UINT(MB_OK | MB_ICONEXCLAMATION));
        QCOMPARE(pDoc->m_picture.m_pPicture, pBefore);
        QCOMPARE(QString(pDoc->m_strPicturePath), QString(strBefore));
        QCOMPARE(pDoc->m_nPictureLeft, 70);
        QVERIFY(pDoc->m_bPicture);
        QCOMPARE(grabBoard(), before);
    }

    void dialogsOpenCentredOnTheirOwner()
    {
        const QRect main = windowRect(mainFrame());
        QRect about;
        AfxSetModalDialogHook([&](CDialog *pDlg) {
            about = windowRect(pDlg);
            pDlg->EndDialog(IDOK);
        });
        mainFrame()->SendMessage(WM_COMMAND, ID_APP_ABOUT);
        QVERIFY2(
            centredOn(about, main),
            qPrintable(
                QStringLiteral("about at %1,%2 in %3,%4").arg(about.x()).arg(about.y()).arg(main.x()).arg(main.y())));

        CPaperFrame *pPaper = addNote(QRect(20, 60, 150, 120));
        settle();
        QRect caption;
        AfxSetModalDialogHook([&](CDialog *pDlg) {
            caption = windowRect(pDlg);
            pDlg->EndDialog(IDCANCEL);
        });
        pPaper->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
        QVERIFY(centredOn(caption, main));

        auto *pTexture = new CSelectTextureDialog(document());
        pTexture->Create();
        settle();
        QVERIFY(centredOn(windowRect(pTexture), main));
        pTexture->SendMessage(WM_COMMAND, IDCANCEL);
        auto *pRestore = new CRestoreObjectsDialog(boardView());
        pRestore->Create();
        settle();
        QVERIFY(centredOn(windowRect(pRestore), main));
        pRestore->SendMessage(WM_COMMAND, IDCANCEL);
        settle();
    }

    void toolbarHelpTextsAndWhatsThis()
    {
        QToolBar *tb = mainFrame()->m_wndToolBar.GetToolBar();
        QToolButton *pNewPicture = nullptr;
        for (QAction *a : mainFrame()->m_wndToolBar.GetButtonActions()) {
            if (!a)
                continue;
            const UINT nID = a->data().toUInt();
            auto *b = qobject_cast<QToolButton *>(tb->widgetForAction(a));
            QVERIFY(b);
            if (nID >= ID_PURE_BACKGROUND && nID <= ID_DELETE_PICTURE) {
                // Their string-table entries have no tooltip part.
                QCOMPARE(a->toolTip(), QString());
                QCOMPARE(b->toolTip(), QString());
            }
            if (nID == ID_NEW_PICTURE)
                pNewPicture = b;
            if (nID == ID_FILE_NEW)
                QCOMPARE(b->toolTip(), QStringLiteral("New"));
        }
        QVERIFY(pNewPicture);
        updateCommandUI();
        QVERIFY(pNewPicture->isEnabled());

        mainFrame()->SendMessage(WM_COMMAND, ID_CONTEXT_HELP);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QTest::mouseClick(pNewPicture, Qt::LeftButton, Qt::NoModifier, pNewPicture->rect().center());
        QVERIFY(!QWhatsThis::inWhatsThisMode());
        QCOMPARE(pNewPicture->whatsThis(), QStringLiteral("Load background picture"));
        // The click asked for help only: the command did not run.
        QVERIFY(AfxDialogScript::History().isEmpty());
    }

    void statusTextsStartAtOneIndent()
    {
        QStatusBar *sb = mainFrame()->m_wndStatusBar.GetStatusBar();
        QVERIFY(sb);
        settle();
        const int h = sb->height();
        const int ready = inkColumns(sb, h / 4, h * 3 / 4).first;
        QVERIFY(ready >= 0);
        sb->showMessage(QStringLiteral("Ready"));
        const int prompt = inkColumns(sb, h / 4, h * 3 / 4).first;
        sb->clearMessage();
        QCOMPARE(prompt, ready);
    }

    void groupBoxTitlesStandWhereTheTemplatesSay()
    {
        auto *pTexture = new CSelectTextureDialog(document());
        pTexture->Create();
        settle();
        const QList<QGroupBox *> boxes = pTexture->GetWidget()->findChildren<QGroupBox *>();
        QCOMPARE(boxes.size(), 2);
        for (QGroupBox *g : boxes) {
            const auto ink = inkColumns(g, 0, g->fontMetrics().height());
            QVERIFY(ink.first > 0);
            QVERIFY2(qAbs((ink.first + ink.second) / 2 - g->width() / 2) <= 3,
                     qPrintable(QStringLiteral("%1..%2 in %3").arg(ink.first).arg(ink.second).arg(g->width())));
        }
        pTexture->SendMessage(WM_COMMAND, IDCANCEL);

        CPaperFrame *pPaper = addNote(QRect(20, 60, 150, 120));
        settle();
        QPair<int, int> ink{-1, -1};
        int width = 0;
        AfxSetModalDialogHook([&](CDialog *pDlg) {
            QGroupBox *g = pDlg->GetWidget()->findChild<QGroupBox *>();
            if (g) {
                ink = inkColumns(g, 0, g->fontMetrics().height());
                width = g->width();
            }
            pDlg->EndDialog(IDCANCEL);
        });
        pPaper->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
        // Clear of the frame on both sides.
        QVERIFY(ink.first >= 6);
        QVERIFY(ink.second <= width - 7);
    }

    void thePictureDialogNamesItsFilterOnce()
    {
        AfxDialogScript::SetScripted(false);
        QString shown;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&]() {
            auto *fd = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!fd)
                return;
            if (auto *combo = fd->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
                shown = combo->itemText(0);
            fd->reject();
        });
        poll.start(10);
        mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
        poll.stop();
        AfxDialogScript::SetScripted(true);
        QCOMPARE(shown.trimmed(), QStringLiteral("Picture Files (*.jpg, *.gif, *.bmp)"));
    }

    void theHelpWindowClosesFromTheKeyboard()
    {
        for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            mainFrame()->SendMessage(WM_COMMAND, ID_HELP_FINDER);
            QPointer<QWidget> help = AfxGetHelpWindow();
            QVERIFY(help && help->isVisible());
            QTest::keySequence(help, keys);
            QTRY_VERIFY(!help || !help->isVisible());
        }
    }
};

ZB_TEST_MAIN(TestFirstUse)
#include "tst_firstuse.moc"
