// What Open and Save keep of a board file beyond its format: text after a NUL, another program's change made
// since the board was opened, the file's other names (hard links), its owner and group.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace zbtest;

namespace {

bool openBoard(const QString &path)
{
    return AfxGetApp()->OpenDocumentFile(path) != nullptr;
}

void save()
{
    mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE);
}

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

const QString kChangedText = QStringLiteral("%1 was changed by another program since it was opened. Overwrite it?");

} // namespace

class TestSaveSafety : public zbtest::TestCase {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }

protected:
    void initTest() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(startApp());
        AfxDialogScript::ClearHistory();
    }

    void cleanupTest() override
    {
        endApp();
        m_dir.reset();
    }

private Q_SLOTS:
    void textAfterANulIsKeptOnLoadAndSave()
    {
        Board b;
        BoardNote n;
        n.caption = ansiField(QByteArray("cap\0tion", 8));
        n.text = ansiField(QByteArray("before\0after", 12));
        b.notes << n;
        const QString p = path(QStringLiteral("nul.zbd"));
        QVERIFY(writeFile(p, b.bytes()));
        QVERIFY(openBoard(p));
        settle();
        QCOMPARE(document()->m_nPapers, 1);
        CPaperFrame *pPaper = document()->m_papers.GetHead();
        CString text;
        pPaper->m_pEdit->GetWindowText(text);
        QCOMPARE(QString(text), QString(QStringLiteral("before")) + QChar(0) + QStringLiteral("after"));
        QCOMPARE(pPaper->m_pEdit->GetWindowTextLength(), 12);
        document()->SetModifiedFlag(TRUE);
        save();
        QCOMPARE(readWholeFile(p), b.bytes());
        QVERIFY(messages().isEmpty());
    }

    void saveAsksBeforeOverwritingAnotherProgramsChange()
    {
        CZentDoc *doc = document();
        const QString p = path(QStringLiteral("shared.zbd"));
        QVERIFY(writeFile(p, newBoardBytes()));
        QVERIFY(openBoard(p));

        // Our own saves never ask.
        doc->SetModifiedFlag(TRUE);
        save();
        doc->SetModifiedFlag(TRUE);
        save();
        QVERIFY(messages().isEmpty());
        QVERIFY(!doc->IsModified());

        // Another program writes a board of another size: No leaves its file and keeps ours modified.
        const QByteArray theirs = oneNoteBoardBytes();
        QVERIFY(writeFile(p, theirs));
        doc->m_crBackground = RGB(1, 2, 3);
        doc->m_bPureColour = true;
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        save();
        QCOMPARE(messages(), QStringList{kChangedText.arg(QStringLiteral("shared.zbd"))});
        QCOMPARE(AfxDialogScript::History().last().nType & 0x0F, UINT(MB_YESNO));
        QCOMPARE(readWholeFile(p), theirs);
        QVERIFY(doc->IsModified());

        // The next save asks again, and Yes writes ours.
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        save();
        QCOMPARE(messages().size(), 1);
        QVERIFY(!doc->IsModified());
        const QByteArray ours = readWholeFile(p);
        QVERIFY(ours != theirs);
        QCOMPARE(ours.size(), newBoardBytes().size());

        // The same size with another modification time counts as a change too; Save As to the same name asks.
        struct utimbuf times;
        times.actime = times.modtime = statOf(p).st_mtim.tv_sec - 100;
        QCOMPARE(::utime(QFile::encodeName(p).constData(), &times), 0);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, p);
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
        QCOMPARE(messages(), QStringList{kChangedText.arg(QStringLiteral("shared.zbd"))});
        QCOMPARE(statOf(p).st_mtim.tv_sec, times.modtime);

        // A board saved under a new name is that file's from then on: no question.
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, path(QStringLiteral("other.zbd")));
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
        doc->SetModifiedFlag(TRUE);
        save();
        QVERIFY(messages().isEmpty());
    }

    void hardLinksOwnerAndGroupOutliveASave()
    {
        CZentDoc *doc = document();
        const QString p = path(QStringLiteral("linked.zbd"));
        const QString link = path(QStringLiteral("link.zbd"));
        QVERIFY(writeFile(p, newBoardBytes()));
        QCOMPARE(::link(QFile::encodeName(p).constData(), QFile::encodeName(link).constData()), 0);
        const ino_t inode = statOf(p).st_ino;
        QVERIFY(openBoard(p));
        doc->m_bPureColour = true;
        doc->m_crBackground = RGB(9, 8, 7);
        doc->SetModifiedFlag(TRUE);
        save();
        QVERIFY(messages().isEmpty());
        QVERIFY(!doc->IsModified());
        const QByteArray saved = readWholeFile(p);
        QVERIFY(saved != newBoardBytes());
        QCOMPARE(readWholeFile(link), saved);
        QCOMPARE(statOf(p).st_ino, inode);
        QCOMPARE(statOf(p).st_nlink, nlink_t(2));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);

        // A longer board fails to fit under the file-size limit: reported, the linked file and its other name are
        // as they were, and no copy is left beside them.
        doc->m_strPicturePath = QString(200000, u'p');
        doc->SetModifiedFlag(TRUE);
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 64 * 1024;
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        save();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(messages(), QStringList{QStringLiteral("Failed to save document.")});
        QVERIFY(doc->IsModified());
        QCOMPARE(readWholeFile(link), saved);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
    }

    void anotherUsersBoardKeepsItsOwnerWhenTheSuperuserSavesIt()
    {
        CZentDoc *doc = document();
        if (::geteuid() != 0)
            QSKIP("changing a file's owner needs the superuser");
        const QString theirs = path(QStringLiteral("theirs.zbd"));
        QVERIFY(writeFile(theirs, newBoardBytes()));
        QCOMPARE(::chown(QFile::encodeName(theirs).constData(), 4321, 4322), 0);
        QCOMPARE(::chmod(QFile::encodeName(theirs).constData(), 0640), 0);
        QVERIFY(openBoard(theirs));
        doc->SetModifiedFlag(TRUE);
        save();
        QVERIFY(messages().isEmpty());
        const struct stat st = statOf(theirs);
        QCOMPARE(st.st_uid, uid_t(4321));
        QCOMPARE(st.st_gid, gid_t(4322));
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(st.st_nlink, nlink_t(1));
    }
};

ZB_TEST_MAIN(TestSaveSafety)
#include "tst_savesafety.moc"
