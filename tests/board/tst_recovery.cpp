// Recovery copies: kept while the board has unsaved changes, gone when the changes are saved or given up, and
// offered after a program ended without its save prompt.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/NoteHelpers.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "board/Recovery.h"
#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"

#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

#include <utime.h>

using namespace zbtest;

namespace {

const int kBigNotes = 1500;

QString question(const QString &name)
{
    return QStringLiteral("Zentbase found unsaved changes to %1 from a session that ended unexpectedly. Recover them?")
        .arg(name);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// A copy left by a program that no longer runs: this process's number with another start time is a process
// that got the number later.
void leaveCopy(const QString &id, const QString &boardPath, const QByteArray &bytes, qint64 pid = -1,
               const QString &started = QStringLiteral("1"))
{
    QDir().mkpath(CRecovery::Folder());
    QJsonObject o;
    o.insert(QStringLiteral("path"), boardPath);
    o.insert(QStringLiteral("pid"), pid > 0 ? pid : QCoreApplication::applicationPid());
    o.insert(QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    if (!started.isEmpty())
        o.insert(QStringLiteral("started"), started);
    QVERIFY(
        writeFile(CRecovery::Folder() + QLatin1Char('/') + id + QStringLiteral(".json"), QJsonDocument(o).toJson()));
    QVERIFY(writeFile(CRecovery::Folder() + QLatin1Char('/') + id + QStringLiteral(".zbd"), bytes));
}

QByteArray bigBoard()
{
    Board b;
    for (int i = 0; i < kBigNotes; ++i) {
        BoardNote n;
        n.rect = RECT{20 + i % 300, 60 + i % 200, 180 + i % 300, 160 + i % 200};
        n.stored = i % 3 == 0 ? 1 : 0;
        n.text = ansiField(QByteArray(8000, char('a' + i % 26)));
        b.notes << n;
    }
    return b.bytes();
}

// The writer child: opens the big board, then copies it again and again with a new text each time.
int runChild()
{
    QStandardPaths::setTestModeEnabled(true);
    CRecovery::SetWriteDelays(600000, 600000);
    if (!startApp({qEnvironmentVariable("ZB_RECOVERY_BOARD")}))
        return 3;
    CZentDoc *doc = document();
    CPaperFrame *pNote = newestNote();
    for (int k = 1;; ++k) {
        pNote->m_pEdit->SetWindowText(QStringLiteral("version %1").arg(k, 6, 10, QLatin1Char('0')));
        doc->SetModifiedFlag(TRUE);
        std::printf("write %d\n", k);
        std::fflush(stdout);
        doc->m_pRecovery->WriteNow();
        std::printf("done %d\n", k);
        std::fflush(stdout);
    }
}

} // namespace

class TestRecovery : public zbtest::TestCase {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString writeBoard(const QString &name, const QByteArray &bytes) const
    {
        const QString p = m_dir->filePath(name);
        return writeFile(p, bytes) ? p : QString();
    }
    static CRecovery &recovery() { return *document()->m_pRecovery; }
    static void typeIntoNewestNote(const QString &text)
    {
        CPaperFrame *pNote = newestNote();
        QVERIFY(pNote);
        QTest::keyClicks(textWidget(pNote), text);
    }

protected:
    void initTest() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir(CRecovery::Folder()).removeRecursively();
        CRecovery::SetWriteDelays(50, 400);
        AfxDialogScript::ClearHistory();
    }

    void cleanupTest() override
    {
        endApp();
        m_dir.reset();
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_STATE_HOME", (sandboxPath() + QStringLiteral("/state")).toLocal8Bit());
        QVERIFY(CRecovery::Folder().startsWith(sandboxPath()));
    }

    void copyIsTheSavedBytesAndGoesWithSave()
    {
        const QString path = writeBoard(QStringLiteral("notes.zbd"), oneNoteBoardBytes());
        QVERIFY(startApp({path}));
        QVERIFY(messages().isEmpty());
        QVERIFY(!QFileInfo::exists(recovery().CopyPath()));

        typeIntoNewestNote(QStringLiteral("typed"));
        QVERIFY(document()->IsModified());
        QTRY_VERIFY(QFileInfo::exists(recovery().CopyPath()));
        recovery().WaitForWrites();
        const QByteArray copy = readWholeFile(recovery().CopyPath());
        QVERIFY(copy.contains("typed"));

        const QJsonObject sidecar = QJsonDocument::fromJson(readWholeFile(recovery().SidecarPath())).object();
        QCOMPARE(sidecar.value(QStringLiteral("path")).toString(), QFileInfo(path).absoluteFilePath());
        QCOMPARE(sidecar.value(QStringLiteral("pid")).toInteger(), QCoreApplication::applicationPid());
        QVERIFY(QDateTime::fromString(sidecar.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs).isValid());

        // Recovery never writes the board file; Save does, with the very bytes of the copy.
        QCOMPARE(readWholeFile(path), oneNoteBoardBytes());
        QVERIFY(document()->DoFileSave());
        QCOMPARE(readWholeFile(path), copy);
        recovery().WaitForWrites();
        QVERIFY(!QFileInfo::exists(recovery().CopyPath()));
        QVERIFY(!QFileInfo::exists(recovery().SidecarPath()));

        // A stream of changes is still copied before it ends; the copy follows the last change.
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(recovery().CopyPath()) && t.elapsed() < 5000) {
            typeIntoNewestNote(QStringLiteral("k"));
            QTest::qWait(10);
        }
        QVERIFY(QFileInfo::exists(recovery().CopyPath()));
        typeIntoNewestNote(QStringLiteral("LAST"));
        QTRY_VERIFY(readWholeFile(recovery().CopyPath()).contains("LAST"));
    }

    void copyGoesWhenTheChangesAreGivenUp()
    {
        QVERIFY(startApp());
        addNote(QRect(20, 60, 220, 200));
        typeIntoNewestNote(QStringLiteral("draft"));
        QTRY_VERIFY(QFileInfo::exists(recovery().CopyPath()));

        // New: No at the prompt, and the new board has nothing to copy.
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        AfxGetApp()->OnFileNew();
        QCOMPARE(messages().constLast(), QStringLiteral("Save changes to Untitled?"));
        recovery().WaitForWrites();
        QVERIFY(filesIn(CRecovery::Folder()).isEmpty());

        // Cancel keeps the changes and their copy.
        addNote(QRect(20, 60, 220, 200));
        typeIntoNewestNote(QStringLiteral("second"));
        QTRY_VERIFY(QFileInfo::exists(recovery().CopyPath()));
        AfxDialogScript::PushMessageBoxAnswer(IDCANCEL);
        AfxGetApp()->OnFileNew();
        recovery().WaitForWrites();
        QVERIFY(readWholeFile(recovery().CopyPath()).contains("second"));

        // Open after the prompt.
        const QString other = writeBoard(QStringLiteral("other.zbd"), newBoardBytes());
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QVERIFY(AfxGetApp()->OpenDocumentFile(other));
        recovery().WaitForWrites();
        QVERIFY(filesIn(CRecovery::Folder()).isEmpty());

        // Closing the program: No, then nothing is left behind, whatever the closing does to the board.
        addNote(QRect(20, 60, 220, 200));
        typeIntoNewestNote(QStringLiteral("third"));
        QTRY_VERIFY(QFileInfo::exists(recovery().CopyPath()));
        const QString copyPath = recovery().CopyPath();
        CRecovery *pRecovery = &recovery();
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        mainFrame()->SendMessage(WM_CLOSE);
        QVERIFY(!AfxGetMainWnd());
        pRecovery->WaitForWrites();
        settle();
        QTest::qWait(100); // longer than the copy's delay: a late change must not bring it back
        pRecovery->WaitForWrites();
        QVERIFY(!QFileInfo::exists(copyPath));
    }

    void leftCopiesAreOfferedOnceEach()
    {
        const QString path = writeBoard(QStringLiteral("plans.zbd"), oneNoteBoardBytes());
        Board recovered;
        BoardNote n;
        n.text = ansiField("recovered text");
        recovered.notes << n;
        leaveCopy(QStringLiteral("100-1"), path, recovered.bytes());
        leaveCopy(QStringLiteral("101-1"), QString(), oneNoteBoardBytes(), 0x7FFFFFF0, QString());
        // Programs still running keep theirs, offered to nobody.
        leaveCopy(QStringLiteral("102-1"), QString(), newBoardBytes(), QCoreApplication::applicationPid(), QString());
        // Damaged: cut in the middle of a note record.
        leaveCopy(QStringLiteral("103-1"), QString(), oneNoteBoardBytes().left(70));
        // A day-old discarded copy stays, one of 15 days goes.
        QDir().mkpath(CRecovery::DiscardedFolder());
        const QString oldOne = CRecovery::DiscardedFolder() + QStringLiteral("/old.zbd");
        const QString recentOne = CRecovery::DiscardedFolder() + QStringLiteral("/recent.zbd");
        QVERIFY(writeFile(oldOne, "x") && writeFile(recentOne, "y"));
        const time_t now = QDateTime::currentSecsSinceEpoch();
        utimbuf oldTimes{now - 15 * 86400, now - 15 * 86400}, recentTimes{now - 86400, now - 86400};
        QVERIFY(::utime(QFile::encodeName(oldOne).constData(), &oldTimes) == 0);
        QVERIFY(::utime(QFile::encodeName(recentOne).constData(), &recentTimes) == 0);

        // The damaged copy is reported first; both questions answered No: start-up goes on with an empty board.
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QVERIFY(startApp());
        const QStringList shown = messages();
        QCOMPARE(shown.size(), 3);
        QVERIFY2(shown[0].startsWith(QStringLiteral("The recovery copy \"103-1.zbd\" is damaged")),
                 qPrintable(shown[0]));
        QVERIFY(shown[0].contains(CRecovery::DiscardedFolder()));
        QCOMPARE(AfxDialogScript::History()[0].nType, UINT(MB_OK | MB_ICONEXCLAMATION));
        QCOMPARE(shown.mid(1),
                 (QStringList{question(QStringLiteral("plans.zbd")), question(QStringLiteral("Untitled"))}));
        QCOMPARE(AfxDialogScript::History()[1].nType, UINT(MB_YESNO | MB_ICONQUESTION));
        QVERIFY(AfxGetMainWnd());
        QCOMPARE(document()->m_nPapers, 0);
        QVERIFY(!document()->IsModified());

        QCOMPARE(filesIn(CRecovery::Folder()),
                 (QStringList{QStringLiteral("102-1.json"), QStringLiteral("102-1.zbd")}));
        QCOMPARE(filesIn(CRecovery::DiscardedFolder()),
                 (QStringList{QStringLiteral("100-1.json"), QStringLiteral("100-1.zbd"), QStringLiteral("101-1.json"),
                              QStringLiteral("101-1.zbd"), QStringLiteral("103-1.json"), QStringLiteral("103-1.zbd"),
                              QStringLiteral("recent.zbd")}));
        QCOMPARE(readWholeFile(CRecovery::DiscardedFolder() + QStringLiteral("/100-1.zbd")), recovered.bytes());
        QCOMPARE(readWholeFile(path), oneNoteBoardBytes());

        // The next start asks nothing.
        endApp();
        AfxDialogScript::ClearHistory();
        QVERIFY(startApp());
        QVERIFY(messages().isEmpty());
    }

    void yesOpensTheRecoveredBoardAsTheOriginal()
    {
        const QString path = writeBoard(QStringLiteral("plans.zbd"), oneNoteBoardBytes());
        Board recovered;
        recovered.pureColour = 1;
        recovered.colour = 0x00336699;
        BoardNote n;
        n.text = ansiField("recovered text");
        recovered.notes << n;
        // The copy lists the notes head first, as Save does; recovering keeps that order.
        n.rect = RECT{240, 60, 440, 210};
        n.text = ansiField("below it");
        recovered.notes << n;
        leaveCopy(QStringLiteral("200-1"), path, recovered.bytes());

        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        QVERIFY(startApp());
        QCOMPARE(messages(), QStringList{question(QStringLiteral("plans.zbd"))});
        CZentDoc *doc = document();
        QCOMPARE(doc->GetPathName(), CString(QFileInfo(path).absoluteFilePath()));
        QCOMPARE(mainFrame()->GetMainWindow()->windowTitle(), QStringLiteral("plans.zbd - Zentbase"));
        QVERIFY(doc->IsModified());
        CString text;
        newestNote()->m_pEdit->GetWindowText(text);
        QCOMPARE(QString(text), QStringLiteral("recovered text"));
        QVERIFY(newestNote()->GetWidget()->isVisible());
        QCOMPARE(doc->m_crBackground, COLORREF(0x00336699));
        QCOMPARE(doc->m_nPapers, 2);

        // The copy is this program's now; the board file is still the old one until Save.
        recovery().WaitForWrites();
        QCOMPARE(filesIn(CRecovery::Folder()), (QStringList{QFileInfo(recovery().SidecarPath()).fileName(),
                                                            QFileInfo(recovery().CopyPath()).fileName()}));
        QCOMPARE(readWholeFile(path), oneNoteBoardBytes());
        QVERIFY(doc->DoFileSave());
        QCOMPARE(readWholeFile(path), recovered.bytes());
        recovery().WaitForWrites();
        QVERIFY(filesIn(CRecovery::Folder()).isEmpty());
    }

    void untitledCopyIsRecoveredUntitled()
    {
        leaveCopy(QStringLiteral("300-1"), QString(), oneNoteBoardBytes());
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        QVERIFY(startApp());
        QCOMPARE(messages(), QStringList{question(QStringLiteral("Untitled"))});
        CZentDoc *doc = document();
        QVERIFY(doc->GetPathName().isEmpty());
        QCOMPARE(mainFrame()->GetMainWindow()->windowTitle(), QStringLiteral("Untitled - Zentbase"));
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->m_nPapers, 1);

        // Save asks for a name.
        const QString target = m_dir->filePath(QStringLiteral("named.zbd"));
        AfxDialogScript::PushFileAnswer(IDOK, target);
        QVERIFY(doc->DoFileSave());
        QCOMPARE(readWholeFile(target), oneNoteBoardBytes());
        recovery().WaitForWrites();
        QVERIFY(filesIn(CRecovery::Folder()).isEmpty());
    }

    void boardOnTheCommandLineAsksAboutItsOwnCopyFirst()
    {
        const QString path = writeBoard(QStringLiteral("given.zbd"), newBoardBytes());
        leaveCopy(QStringLiteral("400-1"), QString(), newBoardBytes());
        leaveCopy(QStringLiteral("401-1"), path, oneNoteBoardBytes());

        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        QVERIFY(startApp({path}));
        QCOMPARE(messages(), QStringList{question(QStringLiteral("given.zbd"))});
        QCOMPARE(document()->GetPathName(), CString(QFileInfo(path).absoluteFilePath()));
        QCOMPARE(document()->m_nPapers, 1);
        QVERIFY(document()->IsModified());
        QCOMPARE(readWholeFile(path), newBoardBytes());
        // The other board's copy waits for a start without a board.
        QVERIFY(filesIn(CRecovery::Folder()).contains(QStringLiteral("400-1.zbd")));
        endApp();

        // No: the board opens as it is on disk.
        leaveCopy(QStringLiteral("402-1"), path, oneNoteBoardBytes());
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QVERIFY(startApp({path}));
        QCOMPARE(messages(), QStringList{question(QStringLiteral("given.zbd"))});
        QCOMPARE(document()->m_nPapers, 0);
        QVERIFY(!document()->IsModified());
        QVERIFY(QFileInfo::exists(CRecovery::DiscardedFolder() + QStringLiteral("/402-1.zbd")));
    }

    void killDuringAWriteLeavesTheLastCopyWhole()
    {
        const QString path = writeBoard(QStringLiteral("big.zbd"), bigBoard());
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZB_RECOVERY_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("ZB_RECOVERY_BOARD"), path);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForStarted());

        // Killed just after it began a write, once earlier writes are done.
        int nDone = 0;
        bool bKilled = false;
        QElapsedTimer t;
        t.start();
        while (!bKilled && t.elapsed() < 240000 && child.state() == QProcess::Running) {
            if (!child.canReadLine() && !child.waitForReadyRead(1000))
                continue;
            while (child.canReadLine()) {
                const QByteArray line = child.readLine().trimmed();
                if (line.startsWith("done "))
                    nDone = line.mid(5).toInt();
                else if (line.startsWith("write ") && nDone >= 2) {
                    child.kill();
                    bKilled = true;
                    break;
                }
            }
        }
        QVERIFY2(bKilled, "the writer child was killed during a write");
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(filesIn(CRecovery::Folder()).size(), 2);

        // The copy left is a whole board: offered (not reported damaged) and opened with every note.
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        QVERIFY(startApp());
        QCOMPARE(messages(), QStringList{question(QStringLiteral("big.zbd"))});
        QCOMPARE(document()->m_nPapers, kBigNotes);
        // The notes keep the child's order: its newest note is the newest here.
        CString text;
        document()->m_papers.GetHead()->m_pEdit->GetWindowText(text);
        QVERIFY2(QString(text).startsWith(QStringLiteral("version ")), qPrintable(QString(text).left(40)));
        QVERIFY(QString(text).mid(8).toInt() >= nDone);
        QCOMPARE(readWholeFile(path), bigBoard());
    }

    // Last: the handler ends itself with the first signal, and the program counts as told to end.
    void signalWritesTheCopyAndKeepsIt()
    {
        CRecovery::SetWriteDelays(600000, 600000);
        QVERIFY(startApp());
        addNote(QRect(20, 60, 220, 200));
        typeIntoNewestNote(QStringLiteral("before the signal"));
        QVERIFY(!QFileInfo::exists(recovery().CopyPath()));
        ::raise(SIGHUP);
        QTRY_VERIFY(QFileInfo::exists(recovery().CopyPath()));
        recovery().WaitForWrites();
        QVERIFY(readWholeFile(recovery().CopyPath()).contains("before the signal"));
        // Whatever the ending does to the board afterwards, the copy stays.
        recovery().OnChangesDiscarded();
        document()->SetModifiedFlag(FALSE);
        recovery().WaitForWrites();
        QVERIFY(readWholeFile(recovery().CopyPath()).contains("before the signal"));
    }
};

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("ZB_RECOVERY_CHILD")) {
        QApplication app(argc, argv);
        return runChild();
    }
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestRecovery tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return zbtest::runTests(tc, argc, argv);
}

#include "tst_recovery.moc"
