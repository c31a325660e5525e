// Boards that come from outside the program: named on the command line, opened from the desktop through the
// shell registration, dropped on the main window.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

using namespace zbtest;

namespace {

QList<CPaperFrame *> notes()
{
    QList<CPaperFrame *> list;
    CZentDoc *doc = document();
    for (POSITION pos = doc->m_papers.GetHeadPosition(); pos;)
        list << doc->m_papers.GetNext(pos);
    return list;
}

// A board in a colour of its own with a note on it at (150, 100, 330, 220), one in storage, and one lying on the
// storage icon.
Board startBoard()
{
    Board b;
    b.pureColour = 1;
    b.colour = 0x00204080; // RGB(0x80, 0x40, 0x20)
    BoardNote shown;
    shown.rect = RECT{150, 100, 330, 220};
    shown.caption = ansiField("shown");
    shown.text = ansiField("hello");
    BoardNote stored;
    stored.rect = RECT{380, 120, 480, 200};
    stored.stored = 1;
    stored.caption = ansiField("stored");
    BoardNote onStorage;
    onStorage.rect = RECT{90, 0, 190, 80};
    onStorage.caption = ansiField("on storage");
    b.notes = {shown, stored, onStorage};
    return b;
}

CPaperFrame *noteCaptioned(const QString &caption)
{
    for (CPaperFrame *p : notes())
        if (p->m_strCaption == caption)
            return p;
    return nullptr;
}

// Splits a desktop entry's Exec line into arguments (double quotes group).
QStringList execArguments(const QString &line)
{
    QStringList args;
    QString current;
    bool quoted = false, any = false;
    for (QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (c == u' ' && !quoted) {
            if (any)
                args << current;
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        args << current;
    return args;
}

// Drags the files over the main window and drops them, as the desktop does.
bool dropOnMainWindow(const QStringList &paths)
{
    QWidget *w = mainFrame()->GetMainWindow();
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPoint at(w->width() / 2, w->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &drop);
    settle();
    return drop.isAccepted();
}

} // namespace

class TestFileShell : public zbtest::TestCase {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString writeBoard(const QString &name, const QByteArray &bytes) const
    {
        const QString p = m_dir->filePath(name);
        return writeFile(p, bytes) ? p : QString();
    }

protected:
    void initTest() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        AfxDialogScript::ClearHistory();
    }

    void cleanupTest() override
    {
        endApp();
        m_dir.reset();
    }

private Q_SLOTS:
    void boardOnTheCommandLineIsLoadedWithItsNotesShown()
    {
        const QString p = writeBoard(QStringLiteral("start.zbd"), startBoard().bytes());
        QVERIFY(startApp({p}));
        QVERIFY(messages().isEmpty());
        CZentDoc *doc = document();
        QVERIFY(doc);
        QCOMPARE(doc->GetPathName(), CString(p));
        QCOMPARE(mainFrame()->GetMainWindow()->windowTitle(), QStringLiteral("start.zbd - Zentbase"));
        QCOMPARE((*AfxGetApp()->m_pRecentFileList)[0], p);
        QCOMPARE(doc->m_nPapers, 3);

        // The notes were made in the board view and the one on the board is shown there.
        CPaperFrame *pShown = noteCaptioned(QStringLiteral("shown"));
        CPaperFrame *pStored = noteCaptioned(QStringLiteral("stored"));
        QVERIFY(pShown && pStored);
        QCOMPARE(pShown->GetParent(), static_cast<CWnd *>(boardView()));
        QVERIFY(!pShown->m_bHidden);
        QVERIFY(pShown->GetWidget()->isVisible());
        QVERIFY(pStored->m_bHidden);
        QVERIFY(!pStored->GetWidget()->isVisible());

        // What the note tells the board view after its creation reached it: the note that lay on the storage icon
        // went into the storage.
        CPaperFrame *pOnStorage = noteCaptioned(QStringLiteral("on storage"));
        QVERIFY(pOnStorage && pOnStorage->m_bHidden);

        // On screen: the board's colour around the note, the note's white text field inside it.
        const QImage board = grabBoard();
        QCOMPARE(pixelAt(board, 520, 80), RGB(0x80, 0x40, 0x20));
        QCOMPARE(pixelAt(board, 240, 200), RGB(255, 255, 255));
        QCOMPARE(pixelAt(board, 430, 160), RGB(0x80, 0x40, 0x20)); // the stored note is not drawn
    }

    void boardOnTheCommandLineThatCannotBeOpenedEndsTheProgram()
    {
        // Too short: the format message, then no program.
        const QString cut = writeBoard(QStringLiteral("cut.zbd"), startBoard().bytes().left(70));
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        QVERIFY(!startApp({cut}));
        QCOMPARE(messages(), QStringList{QStringLiteral("Unexpected file format.")});
        QVERIFY(!AfxGetMainWnd());
        settle();
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!qobject_cast<QMainWindow *>(w), "no main window is left");
        endApp();

        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        QVERIFY(!startApp({m_dir->filePath(QStringLiteral("missing.zbd"))}));
        QCOMPARE(messages(), QStringList{QStringLiteral("Failed to open document.")});
        QVERIFY(!AfxGetMainWnd());
        endApp();

        // Zero bytes are an empty board.
        AfxDialogScript::ClearHistory();
        QVERIFY(startApp({writeBoard(QStringLiteral("zero.zbd"), QByteArray())}));
        QVERIFY(messages().isEmpty());
        QCOMPARE(document()->m_nPapers, 0);
        QCOMPARE(document()->GetTitle(), CString("zero.zbd"));

        // A missing picture is reported and the board starts without it.
        endApp();
        Board b = startBoard();
        b.picture = 1;
        b.pictureName = ansiField("nowhere.jpg");
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        QVERIFY(startApp({writeBoard(QStringLiteral("nopic.zbd"), b.bytes())}));
        QCOMPARE(messages(), QStringList{QStringLiteral("Can't find picture file!")});
        QCOMPARE(document()->m_nPapers, 3);
        QVERIFY(!document()->m_bPicture);
    }

    void boardOpenedFromTheDesktopStartsTheProgramWithIt()
    {
        // The registration written at start-up names the board type and how to open one, under the installed
        // program's desktop id; an entry of ours under the plain name, from an earlier start, goes.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QVERIFY(QDir().mkpath(data + QStringLiteral("/applications")));
        QVERIFY(writeFile(data + QStringLiteral("/applications/zentbase.desktop"),
                          "[Desktop Entry]\nName=Zentbase\nX-Document-Type=Zentbase.Document\n"));
        QVERIFY(writeFile(data + QStringLiteral("/applications/other.desktop"),
                          "[Desktop Entry]\nName=Other\nX-Document-Type=Other.Document\n"));
        QVERIFY(startApp());
        QVERIFY(!QFile::exists(data + QStringLiteral("/applications/zentbase.desktop")));
        QVERIFY(QFile::exists(data + QStringLiteral("/applications/other.desktop")));
        const QByteArray mime = readWholeFile(data + QStringLiteral("/mime/packages/org.zentbase.Zentbase.xml"));
        QVERIFY(mime.contains("<glob pattern=\"*.zbd\"/>"));
        QVERIFY(mime.contains("Zentbase Document"));
        const QString desktop =
            QString::fromUtf8(readWholeFile(data + QStringLiteral("/applications/org.zentbase.Zentbase.desktop")));
        QString exec;
        for (const QString &line : desktop.split(u'\n'))
            if (line.startsWith(QLatin1String("Exec=")))
                exec = line.mid(5);
        QStringList args = execArguments(exec);
        QCOMPARE(args.size(), 2);
        QCOMPARE(args[0], QCoreApplication::applicationFilePath());
        QCOMPARE(args[1], QStringLiteral("%f"));
        endApp();

        // The desktop runs that line with the board's path (here with a blank in the folder's name).
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("my boards")));
        const QString p = writeBoard(QStringLiteral("my boards/desk.zbd"), startBoard().bytes());
        args[1] = p;
        QVERIFY(startApp(args.mid(1)));
        QCOMPARE(document()->GetPathName(), CString(p));
        QCOMPARE(document()->m_nPapers, 3);
        QVERIFY(noteCaptioned(QStringLiteral("shown"))->GetWidget()->isVisible());
    }

    void boardDroppedOnTheMainWindowOpens()
    {
        QVERIFY(startApp());
        QVERIFY(mainFrame()->GetMainWindow()->acceptDrops());
        const QString p = writeBoard(QStringLiteral("dropped.zbd"), startBoard().bytes());
        const QString other = writeBoard(QStringLiteral("other.zbd"), oneNoteBoardBytes());
        QVERIFY(dropOnMainWindow({p, other}));
        CZentDoc *doc = document();
        QCOMPARE(doc->GetPathName(), CString(p)); // the first file dropped
        QCOMPARE(doc->m_nPapers, 3);
        QVERIFY(noteCaptioned(QStringLiteral("shown"))->GetWidget()->isVisible());
        QCOMPARE((*AfxGetApp()->m_pRecentFileList)[0], p);

        // A changed board is offered for saving first.
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QVERIFY(dropOnMainWindow({other}));
        QCOMPARE(messages(), QStringList{QStringLiteral("Save changes to dropped.zbd?")});
        QCOMPARE(doc->GetPathName(), CString(other));
        QCOMPARE(doc->m_nPapers, 1);

        // A broken board dropped fails like any open.
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        QVERIFY(dropOnMainWindow({writeBoard(QStringLiteral("bad.zbd"), QByteArray(3, 'x'))}));
        QCOMPARE(messages(), QStringList{QStringLiteral("Unexpected file format.")});
        QCOMPARE(doc->m_nPapers, 0);

        // Only local files are taken.
        QMimeData text;
        text.setText(QStringLiteral("not a file"));
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(mainFrame()->GetMainWindow(), &enter);
        QVERIFY(!enter.isAccepted());
    }
};

ZB_TEST_MAIN(TestFileShell)
#include "tst_fileshell.moc"
