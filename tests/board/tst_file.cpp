// The board file: what Save writes byte for byte, what Open makes of every field, how broken and hostile files
// fail, and the framework's open and save paths around it (prompts, messages, recent files).
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"
#include "platform/WndDC.h"
#include "res/resource.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <climits>

#include <csignal>
#include <sys/resource.h>

using namespace zbtest;

namespace {

UINT lastMessageType()
{
    const QList<AfxDialogScript::Shown> &h = AfxDialogScript::History();
    for (qsizetype i = h.size() - 1; i >= 0; --i)
        if (h[i].kind == AfxDialogScript::Shown::MessageBox)
            return h[i].nType;
    return 0;
}

// The notes from the head of the list to its tail.
QList<CPaperFrame *> notes()
{
    QList<CPaperFrame *> list;
    CZentDoc *doc = document();
    for (POSITION pos = doc->m_papers.GetHeadPosition(); pos;)
        list << doc->m_papers.GetNext(pos);
    return list;
}

QString noteText(CPaperFrame *pPaper)
{
    CString text;
    pPaper->m_pEdit->GetWindowText(text);
    return text;
}

QString windowText(CWnd *pWnd)
{
    CString text;
    pWnd->GetWindowText(text);
    return text;
}

// Windows lying in the board view (the notes).
int boardChildWindows()
{
    settle();
    return int(boardView()->GetWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).size());
}

bool openBoard(const QString &path)
{
    return AfxGetApp()->OpenDocumentFile(path) != nullptr;
}

// Opens a file that cannot be read; the box that says so is answered.
bool openUnreadable(const QString &path)
{
    AfxDialogScript::PushMessageBoxAnswer(IDOK);
    return openBoard(path);
}

QByteArray saveBoardAs(const QString &path)
{
    AfxDialogScript::PushFileAnswer(IDOK, path);
    mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
    return readWholeFile(path);
}

// The loaded picture's natural size.
CSize pictureSize()
{
    CClientDC dc(mainFrame());
    return document()->m_picture.GetPixelSize(&dc);
}

// A board with something in every field, two notes (the second in storage), icons away from their defaults.
Board busyBoard()
{
    Board b;
    b.storage = POINT{300, 20};
    b.trash = POINT{400, 250};
    b.pureColour = 1;
    b.texture = 1;
    b.textureId = IDB_ROCK_WHITE;
    b.colour = 0x00123456;
    b.pictureName = ansiField("away.bmp");
    b.pictureWidth = 120;
    b.pictureHeight = 90;
    b.pictureLeft = 30;
    b.pictureTop = 40;
    BoardNote first;
    first.rect = RECT{150, 100, 330, 220};
    first.caption = ansiField("first");
    first.colour = 0x0000FF00;
    first.text = ansiField("one\r\ntwo");
    BoardNote second;
    second.rect = RECT{200, 150, 300, 260};
    second.stored = 1;
    second.caption = ansiField("second");
    second.colour = 0x00FF0000;
    second.text = ansiField("kept");
    b.notes = {first, second};
    return b;
}

} // namespace

class TestFile : public zbtest::TestCase {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_nBaseChildren = 0;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString writeBoard(const QString &name, const QByteArray &bytes) const
    {
        const QString p = path(name);
        return writeFile(p, bytes) ? p : QString();
    }

protected:
    void initTest() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir::setCurrent(sandboxPath() + QStringLiteral("/work"));
        QVERIFY(startApp());
        m_nBaseChildren = boardChildWindows();
        AfxDialogScript::ClearHistory();
    }

    void cleanupTest() override
    {
        endApp();
        m_dir.reset();
    }

private Q_SLOTS:
    void newBoardSavesTheFiftySevenBytesOfTheFirstExample()
    {
        // Save on an untitled board asks for a name.
        const QString p = path(QStringLiteral("new.zbd"));
        AfxDialogScript::PushFileAnswer(IDOK, p);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE);
        QCOMPARE(AfxDialogScript::History().size(), 1);
        QCOMPARE(AfxDialogScript::History()[0].kind, AfxDialogScript::Shown::FileDialog);
        QVERIFY(!AfxDialogScript::History()[0].bOpenFileDialog);
        QCOMPARE(readWholeFile(p), newBoardBytes());
        QCOMPARE(newBoardBytes().size(), 57);
        CZentDoc *doc = document();
        QCOMPARE(doc->GetPathName(), CString(p));
        QCOMPARE(doc->GetTitle(), CString("new.zbd"));
        QCOMPARE(windowText(mainFrame()), QStringLiteral("new.zbd - Zentbase"));
        QCOMPARE((*AfxGetApp()->m_pRecentFileList)[0], p);

        // A name without an extension gets the board's.
        QCOMPARE(saveBoardAs(path(QStringLiteral("plain"))), QByteArray());
        QCOMPARE(readWholeFile(path(QStringLiteral("plain.zbd"))), newBoardBytes());

        // Loading them gives a board equal to a new one.
        doc->m_ptTrash = CPoint(5, 6);
        doc->m_crBackground = RGB(1, 2, 3);
        QVERIFY(openBoard(p));
        QCOMPARE(doc->m_ptTrash, CPoint(10, 10));
        QCOMPARE(doc->m_ptStorage, CPoint(100, 10));
        QCOMPARE(doc->m_crBackground, RGB(255, 255, 255));
        QVERIFY(!doc->m_bPureColour && !doc->m_bTexture && !doc->m_bPicture && !doc->m_bPictureSelected);
        QCOMPARE(doc->m_nPapers, 0);
        QVERIFY(!doc->IsModified());
        QVERIFY(messages().isEmpty());
    }

    void secondExampleLoadsToItsNoteAndSavesBackIdentically()
    {
        const QString p = writeBoard(QStringLiteral("one.zbd"), oneNoteBoardBytes());
        QCOMPARE(oneNoteBoardBytes().size(), 90);
        AfxDialogScript::PushFileAnswer(IDOK, p);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_OPEN);
        QVERIFY(AfxDialogScript::History()[0].bOpenFileDialog);
        settle();
        CZentDoc *doc = document();
        QCOMPARE(doc->GetPathName(), CString(p));
        QCOMPARE(doc->m_nPapers, 1);
        CPaperFrame *pPaper = notes().value(0);
        QVERIFY(pPaper);
        QCOMPARE(pPaper->m_rect, CRect(20, 60, 220, 210));
        QVERIFY(!pPaper->m_bHidden);
        QVERIFY(pPaper->IsWindowVisible());
        QCOMPARE(pPaper->GetParent(), static_cast<CWnd *>(boardView()));
        QCOMPARE(pPaper->m_strCaption, CString("abc"));
        QCOMPARE(windowText(pPaper), QStringLiteral("abc"));
        QCOMPARE(pPaper->m_clrCaption, RGB(255, 0, 0));
        QCOMPARE(pPaper->m_pBackground->m_clrActive, RGB(255, 0, 0));
        QCOMPARE(noteText(pPaper), QStringLiteral("x\r\ny"));
        QVERIFY(!doc->IsModified());
        QVERIFY(messages().isEmpty());

        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE);
        QCOMPARE(readWholeFile(p), oneNoteBoardBytes());
        QCOMPARE(saveBoardAs(path(QStringLiteral("copy.zbd"))), oneNoteBoardBytes());
    }

    void everyFieldOfABusyBoardSurvivesSaveAndLoad()
    {
        const Board board = busyBoard();
        const QString p = writeBoard(QStringLiteral("busy.zbd"), board.bytes());
        QVERIFY(openBoard(p));
        settle();
        CZentDoc *doc = document();
        QCOMPARE(doc->m_ptStorage, CPoint(300, 20));
        QCOMPARE(doc->m_ptTrash, CPoint(400, 250));
        QVERIFY(doc->m_bPureColour && doc->m_bTexture);
        QVERIFY(doc->m_hTexture);
        QCOMPARE(doc->m_nTextureID, int(IDB_ROCK_WHITE));
        QCOMPARE(doc->m_crBackground, COLORREF(0x00123456));
        QCOMPARE(doc->m_strPicturePath, CString("away.bmp"));
        QCOMPARE(doc->m_nPictureWidth, 120);
        QCOMPARE(doc->m_nPictureHeight, 90);
        QCOMPARE(doc->m_nPictureLeft, 30);
        QCOMPARE(doc->m_nPictureTop, 40);
        QCOMPARE(doc->m_nPapers, 2);
        // Read in file order, each put at the head: the list runs backwards.
        const QList<CPaperFrame *> list = notes();
        QCOMPARE(list[0]->m_strCaption, CString("second"));
        QVERIFY(list[0]->m_bHidden);
        QVERIFY(!list[0]->IsWindowVisible());
        QCOMPARE(list[0]->m_rect, CRect(200, 150, 300, 260));
        QCOMPARE(list[0]->m_clrCaption, COLORREF(0x00FF0000));
        QCOMPARE(noteText(list[0]), QStringLiteral("kept"));
        QCOMPARE(list[1]->m_strCaption, CString("first"));
        QVERIFY(!list[1]->m_bHidden);
        QVERIFY(list[1]->IsWindowVisible());
        QCOMPARE(list[1]->m_rect, CRect(150, 100, 330, 220));
        QCOMPARE(list[1]->m_pBackground->m_clrInactive, COLORREF(0x0000FF00));
        QCOMPARE(noteText(list[1]), QStringLiteral("one\r\ntwo"));
        QVERIFY(!doc->IsModified());

        Board expected = board;
        std::reverse(expected.notes.begin(), expected.notes.end());
        QCOMPARE(saveBoardAs(path(QStringLiteral("again.zbd"))), expected.bytes());
    }

    void noteOrderTurnsOnEveryLoad()
    {
        Board b;
        for (const char *name : {"A", "B", "C"}) {
            BoardNote n;
            n.caption = ansiField(name);
            n.rect.left += 60 * int(b.notes.size());
            n.rect.right += 60 * int(b.notes.size());
            b.notes << n;
        }
        QVERIFY(openBoard(writeBoard(QStringLiteral("abc.zbd"), b.bytes())));
        auto captions = []() {
            QString s;
            for (CPaperFrame *p : notes())
                s += p->m_strCaption;
            return s;
        };
        QCOMPARE(captions(), QStringLiteral("CBA"));
        const QByteArray once = saveBoardAs(path(QStringLiteral("once.zbd")));
        QVERIFY(openBoard(path(QStringLiteral("once.zbd"))));
        QCOMPARE(captions(), QStringLiteral("ABC"));
        QCOMPARE(saveBoardAs(path(QStringLiteral("twice.zbd"))), b.bytes());
        QVERIFY(once != b.bytes());
    }

    void zeroBytesOpenAsAnEmptyBoard()
    {
        CZentDoc *doc = document();
        RECT rc{200, 200, 300, 300};
        doc->AddPaper(rc, true);
        doc->m_ptTrash = CPoint(333, 44);
        doc->m_bPureColour = true;
        doc->m_crBackground = RGB(9, 9, 9);
        doc->SetModifiedFlag(FALSE);
        QVERIFY(openBoard(writeBoard(QStringLiteral("empty.zbd"), QByteArray())));
        QVERIFY(messages().isEmpty());
        QCOMPARE(doc->m_nPapers, 0);
        QCOMPARE(boardChildWindows(), m_nBaseChildren);
        QVERIFY(!doc->m_bPureColour);
        QCOMPARE(doc->m_crBackground, RGB(255, 255, 255));
        QCOMPARE(doc->m_ptTrash, CPoint(333, 44)); // the icons stay where they were
        QCOMPARE(doc->GetTitle(), CString("empty.zbd"));
        QVERIFY(!doc->IsModified());
    }

    // Icons and notes placed where no board reaches (a damaged or hostile file) are brought within the largest
    // window size; the board still opens, paints and takes moves without any sum overflowing.
    void farAwayPlacesAreBroughtWithinReach()
    {
        Board b;
        b.storage = POINT{INT_MIN, INT_MAX - 20};
        b.trash = POINT{INT_MAX, -5};
        BoardNote n;
        n.rect = RECT{INT_MAX - 90, INT_MIN, INT_MIN, INT_MAX};
        b.notes << n;
        BoardNote shown;
        shown.rect = RECT{40, 80, 190, 190};
        b.notes << shown;
        QVERIFY(openBoard(writeBoard(QStringLiteral("far.zbd"), b.bytes())));
        CZentDoc *doc = document();
        QCOMPARE(doc->m_ptStorage, CPoint(-16777215, 16777215));
        QCOMPARE(doc->m_ptTrash, CPoint(16777215, -5));
        QCOMPARE(doc->m_nPapers, 2);
        for (POSITION pos = doc->m_papers.GetHeadPosition(); pos;) {
            const CRect rc = doc->m_papers.GetNext(pos)->m_rect;
            QVERIFY(rc.left >= -(1 << 25) && rc.right <= (1 << 25) && rc.top >= -(1 << 25) && rc.bottom <= (1 << 25));
        }
        settle();
        QVERIFY(messages().isEmpty());
        QVERIFY(!grabBoard().isNull());

        // A board with icons where a board can show them saves them back as read.
        b.storage = POINT{-30, 5000};
        b.trash = POINT{640, 480};
        b.notes.clear();
        const QByteArray bytes = b.bytes();
        QVERIFY(openBoard(writeBoard(QStringLiteral("near.zbd"), bytes)));
        QCOMPARE(saveBoardAs(path(QStringLiteral("near-again.zbd"))), bytes);
    }

    void everyTruncationFailsAndLeavesAnEmptyBoard()
    {
        const QByteArray whole = busyBoard().bytes();
        CZentDoc *doc = document();
        const QString p = path(QStringLiteral("cut.zbd"));
        for (int n = 1; n < whole.size(); ++n) {
            QVERIFY(writeFile(p, whole.left(n)));
            AfxDialogScript::ClearHistory();
            QVERIFY2(!openUnreadable(p), qPrintable(QString::number(n)));
            QCOMPARE(messages(), QStringList{QStringLiteral("Unexpected file format.")});
            QCOMPARE(lastMessageType() & MB_ICONMASK, UINT(MB_ICONEXCLAMATION));
            QCOMPARE(doc->m_nPapers, 0);
            QVERIFY(doc->m_papers.IsEmpty());
            QCOMPARE(boardChildWindows(), m_nBaseChildren);
            // Nothing of the file is left, not even what emptying the board keeps.
            QVERIFY(!doc->m_bPureColour && !doc->m_bTexture && !doc->m_bPicture);
            QVERIFY(!doc->m_hTexture);
            QCOMPARE(doc->m_ptStorage, CPoint(100, 10));
            QCOMPARE(doc->m_ptTrash, CPoint(10, 10));
            QCOMPARE(doc->m_crBackground, RGB(255, 255, 255));
            QCOMPARE(doc->m_nTextureID, 0);
            QCOMPARE(doc->m_strPicturePath, CString());
            QCOMPARE(doc->m_nPictureLeft, 100);
            QCOMPARE(doc->m_nPictureWidth, 200);
            QCOMPARE(doc->GetTitle(), CString("Untitled"));
            QCOMPARE(doc->GetPathName(), CString());
            QVERIFY(!doc->IsModified());
        }
        QCOMPARE(saveBoardAs(path(QStringLiteral("after.zbd"))), newBoardBytes());
        // The whole file is fine.
        QVERIFY(openBoard(writeBoard(QStringLiteral("whole.zbd"), whole)));
        QCOMPARE(doc->m_nPapers, 2);
    }

    void hostileCountsAndLengthsFailAtTheFirstShortRead()
    {
        CZentDoc *doc = document();
        // Notes made while a file loads are windows: the windows made tell how many notes were.
        struct WindowCounter {
            quint64 start = AfxWindowsMade();
            int n() const { return int(AfxWindowsMade() - start); }
        } counter;
        Board one;
        one.notes << BoardNote();
        QVERIFY(openBoard(writeBoard(QStringLiteral("one.zbd"), one.bytes())));
        const int perNote = counter.n();
        QVERIFY(perNote > 0);

        // Two billion notes promised, one and a half there: one note is made, then the read fails.
        Board liar = one;
        liar.count = 2000000000;
        QByteArray bytes = liar.bytes() + rectField(RECT{1, 2, 3, 4}) + QByteArray(2, '\0');
        counter = WindowCounter();
        QVERIFY(!openUnreadable(writeBoard(QStringLiteral("liar.zbd"), bytes)));
        QCOMPARE(counter.n(), perNote);
        QCOMPARE(doc->m_nPapers, 0);

        // No note at all when the first record is missing.
        liar.notes.clear();
        counter = WindowCounter();
        QVERIFY(!openUnreadable(writeBoard(QStringLiteral("liar0.zbd"), liar.bytes())));
        QCOMPARE(counter.n(), 0);

        // String prefixes that promise more than the file holds: 4 GiB of ANSI, 2 G units of UTF-16.
        const QList<QByteArray> prefixes = {QByteArray::fromHex("FFFFFFFFFFFFFF"),
                                            QByteArray::fromHex("FFFFFFFFFFFF7F"),
                                            QByteArray::fromHex("FFFEFFFFFFFFFFFFFF7F"), QByteArray::fromHex("FE")};
        for (const QByteArray &prefix : prefixes) {
            Board b;
            b.pictureName = prefix + QByteArray(40, 'x');
            AfxDialogScript::ClearHistory();
            QVERIFY(!openUnreadable(writeBoard(QStringLiteral("long.zbd"), b.bytes())));
            QCOMPARE(messages(), QStringList{QStringLiteral("Unexpected file format.")});
            BoardNote n;
            n.text = prefix + QByteArray(40, 'y');
            b = Board();
            b.notes << n;
            AfxDialogScript::ClearHistory();
            QVERIFY(!openUnreadable(writeBoard(QStringLiteral("longnote.zbd"), b.bytes())));
            QCOMPARE(messages(), QStringList{QStringLiteral("Unexpected file format.")});
            QCOMPARE(doc->m_nPapers, 0);
        }
        // A second UTF-16 marker inside the form is no string either.
        Board twice;
        twice.pictureName = QByteArray::fromHex("FFFEFFFFFEFF0100") + QByteArray("a\0", 2);
        AfxDialogScript::ClearHistory();
        QVERIFY(!openUnreadable(writeBoard(QStringLiteral("twice.zbd"), twice.bytes())));
        QCOMPARE(messages(), QStringList{QStringLiteral("Unexpected file format.")});

        // A negative count reads no records, and bytes after the last record are ignored.
        Board negative;
        negative.count = -5;
        QVERIFY(openBoard(writeBoard(QStringLiteral("neg.zbd"), negative.bytes() + oneNoteBoardBytes())));
        QCOMPARE(doc->m_nPapers, 0);
        QVERIFY(openBoard(writeBoard(QStringLiteral("tail.zbd"), oneNoteBoardBytes() + "junk")));
        QCOMPARE(doc->m_nPapers, 1);
    }

    void stringPrefixFormsReadAndWritten()
    {
        CZentDoc *doc = document();
        struct Case {
            int n;
            QByteArray prefix;
        };
        const QList<Case> cases = {{254, QByteArray::fromHex("FE")},
                                   {255, QByteArray::fromHex("FFFF00")},
                                   {65533, QByteArray::fromHex("FFFDFF")},
                                   {65534, QByteArray::fromHex("FFFFFFFEFF0000")},
                                   {70000, QByteArray::fromHex("FFFFFF70110100")}};
        for (const Case &c : cases) {
            const QByteArray name(c.n, 'n');
            doc->m_strPicturePath = QString::fromLatin1(name);
            const QByteArray saved = saveBoardAs(path(QStringLiteral("prefix.zbd")));
            QCOMPARE(saved.mid(40, c.prefix.size()), c.prefix);
            QCOMPARE(saved.size(), 56 + c.prefix.size() + c.n);
            doc->m_strPicturePath = CString();
            QVERIFY(openBoard(path(QStringLiteral("prefix.zbd"))));
            QCOMPARE(doc->m_strPicturePath, CString(QString::fromLatin1(name)));
            QCOMPARE(doc->m_nPictureTop, 100);
        }

        // Every prefix form is read whatever the length; saving writes the shortest.
        for (int size : {1, 3, 7}) {
            Board b;
            b.pictureName = ansiFieldWithPrefix("abc", size);
            BoardNote n;
            n.caption = ansiFieldWithPrefix("cap", size);
            n.text = ansiFieldWithPrefix(QByteArray(300, 't'), size == 1 ? 3 : size);
            b.notes << n;
            QVERIFY(openBoard(writeBoard(QStringLiteral("forms.zbd"), b.bytes())));
            QCOMPARE(doc->m_strPicturePath, CString("abc"));
            QCOMPARE(notes().value(0)->m_strCaption, CString("cap"));
            QCOMPARE(noteText(notes().value(0)), QString(300, u't'));
            Board shortest = b;
            shortest.pictureName = ansiField("abc");
            shortest.notes[0].caption = ansiField("cap");
            shortest.notes[0].text = ansiField(QByteArray(300, 't'));
            QCOMPARE(saveBoardAs(path(QStringLiteral("shortest.zbd"))), shortest.bytes());
        }

        // A note text of 65534 characters has the long prefix too.
        RECT rc{20, 60, 220, 210};
        QVERIFY(openBoard(writeBoard(QStringLiteral("blank.zbd"), newBoardBytes())));
        doc->AddPaper(rc, true);
        notes()[0]->m_pEdit->SetWindowText(QString(65534, u'z'));
        const QByteArray saved = saveBoardAs(path(QStringLiteral("longtext.zbd")));
        QCOMPARE(saved.mid(57 + 16 + 4 + 1 + 4, 7), QByteArray::fromHex("FFFFFFFEFF0000"));
        QVERIFY(openBoard(path(QStringLiteral("longtext.zbd"))));
        QCOMPARE(noteText(notes()[0]), QString(65534, u'z'));
    }

    void textOutsideTheCodePageTravelsAsUtf16()
    {
        CZentDoc *doc = document();
        // Windows-1252 text stays single bytes (the euro sign is 0x80); anything else takes the UTF-16 form.
        doc->m_strPicturePath = QStringLiteral("\u20AC.bmp");
        QCOMPARE(saveBoardAs(path(QStringLiteral("euro.zbd"))).mid(40, 6), QByteArray::fromHex("05") + "\x80.bmp");
        const QString omega = QStringLiteral("\u03A9\u65E5.bmp");
        doc->m_strPicturePath = omega;
        const QByteArray saved = saveBoardAs(path(QStringLiteral("omega.zbd")));
        QCOMPARE(saved.mid(40, 4 + 12), utf16Field(omega));
        QCOMPARE(saved.size(), 56 + 4 + 12);
        doc->m_strPicturePath = CString();
        QVERIFY(openBoard(path(QStringLiteral("omega.zbd"))));
        QCOMPARE(doc->m_strPicturePath, CString(omega));

        // Read in a note: caption and text in the UTF-16 form; plain text goes back as ANSI.
        Board b;
        BoardNote n;
        n.caption = utf16Field(QStringLiteral("abc"));
        n.text = utf16Field(QStringLiteral("\u0416\r\n\u00E9"));
        b.notes << n;
        QVERIFY(openBoard(writeBoard(QStringLiteral("wide.zbd"), b.bytes())));
        QCOMPARE(notes()[0]->m_strCaption, CString("abc"));
        QCOMPARE(noteText(notes()[0]), QStringLiteral("\u0416\r\n\u00E9"));
        Board expected = b;
        expected.notes[0].caption = ansiField("abc");
        QCOMPARE(saveBoardAs(path(QStringLiteral("wideback.zbd"))), expected.bytes());
    }

    void flagsOtherThanZeroAndOneAreTrueAndWrittenAsOne()
    {
        Board b;
        b.pureColour = 2;
        b.texture = 0x80000000u;
        b.textureId = IDB_ROCK_WHITE;
        BoardNote stored;
        stored.stored = 0x100;
        stored.caption = ansiField("in storage");
        BoardNote shown;
        shown.stored = 0;
        shown.rect = RECT{250, 100, 400, 200};
        b.notes << stored << shown;
        CZentDoc *doc = document();
        QVERIFY(openBoard(writeBoard(QStringLiteral("flags.zbd"), b.bytes())));
        settle();
        QVERIFY(doc->m_bPureColour && doc->m_bTexture && !doc->m_bPicture);
        CPaperFrame *pStored = notes()[1];
        CPaperFrame *pShown = notes()[0];
        QVERIFY(pStored->m_bHidden);
        QVERIFY(!pStored->IsWindowVisible());
        QVERIFY(!pShown->m_bHidden);
        QVERIFY(pShown->IsWindowVisible());
        QVERIFY(pShown->GetWidget()->isVisible());

        Board expected = b;
        expected.pureColour = 1;
        expected.texture = 1;
        expected.notes = {shown, stored};
        expected.notes[1].stored = 1;
        QCOMPARE(saveBoardAs(path(QStringLiteral("flags1.zbd"))), expected.bytes());
    }

    void textureByNumber()
    {
        CZentDoc *doc = document();
        Board b;
        b.texture = 1;
        b.textureId = IDB_ROCK_WHITE;
        QVERIFY(openBoard(writeBoard(QStringLiteral("tex.zbd"), b.bytes())));
        QVERIFY(doc->m_hTexture);
        QVERIFY(doc->m_nTextureWidth > 0 && doc->m_nTextureHeight > 0);

        // A number without a bitmap: loaded, without a texture and without a message.
        b.textureId = 999;
        QVERIFY(openBoard(writeBoard(QStringLiteral("notex.zbd"), b.bytes())));
        QVERIFY(messages().isEmpty());
        QVERIFY(doc->m_bTexture);
        QVERIFY(!doc->m_hTexture);
        QCOMPARE(doc->m_nTextureID, 999);
        QVERIFY(!grabBoard().isNull());
    }

    void missingPictureIsReportedOnceAndTheRestLoads()
    {
        Board b = busyBoard();
        b.texture = 0;
        b.picture = 1;
        b.pictureName = ansiField("gone.bmp");
        CZentDoc *doc = document();
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        QVERIFY(openBoard(writeBoard(QStringLiteral("nopic.zbd"), b.bytes())));
        QCOMPARE(messages(), QStringList{QStringLiteral("Can't find picture file!")});
        QCOMPARE(lastMessageType(), UINT(MB_OK | MB_ICONEXCLAMATION));
        QVERIFY(!doc->m_bPicture);
        QCOMPARE(doc->m_strPicturePath, CString("gone.bmp"));
        QCOMPARE(doc->m_nPictureLeft, 30);
        QCOMPARE(doc->m_nPictureHeight, 90);
        QCOMPARE(doc->m_nPapers, 2);
        QCOMPARE(doc->m_ptTrash, CPoint(400, 250));
        QVERIFY(doc->m_bPureColour);
        QCOMPARE(doc->GetPathName(), CString(path(QStringLiteral("nopic.zbd"))));

        Board expected = b;
        expected.picture = 0;
        std::reverse(expected.notes.begin(), expected.notes.end());
        QCOMPARE(saveBoardAs(path(QStringLiteral("nopic2.zbd"))), expected.bytes());
    }

    void pictureIsLookedForBesideTheBoardThenInTheCurrentFolder()
    {
        CZentDoc *doc = document();
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("boards/inner")));
        const QString boards = path(QStringLiteral("boards"));
        QVERIFY(writeFile(boards + QStringLiteral("/pic.bmp"), encodeWithQt(quadrantImage(8, 6), "bmp")));
        QVERIFY(
            writeFile(QDir::current().filePath(QStringLiteral("pic.bmp")), encodeWithQt(quadrantImage(20, 10), "bmp")));
        QVERIFY(
            writeFile(QDir::current().filePath(QStringLiteral("cwd.bmp")), encodeWithQt(quadrantImage(4, 4), "bmp")));

        Board b;
        b.picture = 1;
        b.pictureLeft = 70;
        b.pictureTop = 80;
        b.pictureWidth = 160;
        b.pictureHeight = 120;
        // Only the bare name counts, and the board's own folder comes first.
        b.pictureName = ansiField("C:\\pictures\\pic.bmp");
        QVERIFY(openBoard(writeBoard(QStringLiteral("boards/a.zbd"), b.bytes())));
        QVERIFY(messages().isEmpty());
        QVERIFY(doc->m_bPicture);
        QVERIFY(!doc->m_bPictureSelected);
        QCOMPARE(doc->m_tracker.m_rect, CRect(70, 80, 230, 200));
        QCOMPARE(pictureSize(), CSize(8, 6));
        QCOMPARE(doc->m_strPicturePath, CString("C:\\pictures\\pic.bmp"));

        // Any placement is taken as it is, the largest numbers too.
        b.pictureLeft = 0x7FFFFFF0;
        b.pictureWidth = 0x20;
        b.pictureTop = -0x7FFFFFF0;
        b.pictureHeight = -0x20;
        QVERIFY(openBoard(writeBoard(QStringLiteral("boards/far.zbd"), b.bytes())));
        QVERIFY(doc->m_bPicture);
        QCOMPARE(doc->m_nPictureLeft, 0x7FFFFFF0);
        QCOMPARE(doc->m_tracker.m_rect.left, 0x7FFFFFF0);
        QCOMPARE(doc->m_tracker.m_rect.right, int(0x80000010u));
        QVERIFY(!grabBoard().isNull());
        b.pictureLeft = 70;
        b.pictureTop = 80;
        b.pictureWidth = 160;
        b.pictureHeight = 120;

        // Not beside the board: the current folder.
        b.pictureName = ansiField("cwd.bmp");
        QVERIFY(openBoard(writeBoard(QStringLiteral("boards/b.zbd"), b.bytes())));
        QVERIFY(doc->m_bPicture);
        QCOMPARE(pictureSize(), CSize(4, 4));

        // A stored folder never leads elsewhere: "../pic.bmp" is "pic.bmp" beside the board, or in the current folder.
        b.pictureName = ansiField("../pic.bmp");
        QVERIFY(openBoard(writeBoard(QStringLiteral("boards/inner/c.zbd"), b.bytes())));
        QCOMPARE(pictureSize(), CSize(20, 10));
        QVERIFY(QFile::remove(QDir::current().filePath(QStringLiteral("pic.bmp"))));
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        QVERIFY(openBoard(path(QStringLiteral("boards/inner/c.zbd"))));
        QCOMPARE(messages(), QStringList{QStringLiteral("Can't find picture file!")});
        QVERIFY(!doc->m_bPicture);
        for (const char *name : {"..", ".", "dir/"}) {
            b.pictureName = ansiField(name);
            AfxDialogScript::ClearHistory();
            AfxDialogScript::PushMessageBoxAnswer(IDOK);
            QVERIFY(openBoard(writeBoard(QStringLiteral("boards/d.zbd"), b.bytes())));
            QCOMPARE(messages(), QStringList{QStringLiteral("Can't find picture file!")});
        }
    }

    void saveQuestionOnNewOpenAndClose()
    {
        CZentDoc *doc = document();
        const QString first = writeBoard(QStringLiteral("first.zbd"), oneNoteBoardBytes());
        const QString second = writeBoard(QStringLiteral("second.zbd"), newBoardBytes());

        // Unchanged: no question.
        QVERIFY(openBoard(first));
        QVERIFY(openBoard(second));
        QVERIFY(messages().isEmpty());

        // Changed and untitled: Cancel keeps the board where it is.
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
        doc->m_bPureColour = true;
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, first);
        AfxDialogScript::PushMessageBoxAnswer(IDCANCEL);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_OPEN);
        QCOMPARE(messages(), QStringList{QStringLiteral("Save changes to Untitled?")});
        QVERIFY(doc->m_bPureColour && doc->IsModified());
        QCOMPARE(doc->m_nPapers, 0);

        // Changed and named: Yes saves it before the other board comes.
        doc->SetModifiedFlag(FALSE);
        QVERIFY(openBoard(second));
        doc->m_bPureColour = true;
        doc->m_crBackground = RGB(10, 20, 30);
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, first);
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_OPEN);
        QCOMPARE(messages(), QStringList{QStringLiteral("Save changes to second.zbd?")});
        QCOMPARE(readWholeFile(second).mid(20, 4), int32Field(1));
        QCOMPARE(readWholeFile(second).mid(32, 4), QByteArray::fromHex("0A141E00"));
        QCOMPARE(doc->m_nPapers, 1);
        QCOMPARE(doc->GetPathName(), CString(first));

        // New and close ask too; No discards.
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
        QCOMPARE(messages(), QStringList{QStringLiteral("Save changes to first.zbd?")});
        QCOMPARE(doc->m_nPapers, 0);
        QCOMPARE(readWholeFile(first), oneNoteBoardBytes());
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDCANCEL);
        mainFrame()->SendMessage(WM_CLOSE);
        QCOMPARE(messages(), QStringList{QStringLiteral("Save changes to Untitled?")});
        QVERIFY(mainFrame());
    }

    void failedOpensKeepOrEmptyTheBoardAsTheyMust()
    {
        CZentDoc *doc = document();
        const QString good = writeBoard(QStringLiteral("good.zbd"), oneNoteBoardBytes());
        QVERIFY(openBoard(good));
        doc->SetModifiedFlag(TRUE);

        // A file that cannot even be opened leaves the board as it was, changes and all.
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QVERIFY(!openUnreadable(path(QStringLiteral("missing.zbd"))));
        QCOMPARE(messages(), (QStringList{QStringLiteral("Save changes to good.zbd?"),
                                          QStringLiteral("Failed to open document.")}));
        QCOMPARE(doc->m_nPapers, 1);
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->GetPathName(), CString(good));
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QVERIFY(!openUnreadable(m_dir->path()));
        QCOMPARE(messages(), (QStringList{QStringLiteral("Save changes to good.zbd?"),
                                          QStringLiteral("Failed to open document.")}));
        QCOMPARE(doc->m_nPapers, 1);

        // A broken file has already emptied it: an untitled empty board follows.
        doc->SetModifiedFlag(FALSE);
        AfxDialogScript::ClearHistory();
        QVERIFY(!openUnreadable(writeBoard(QStringLiteral("bad.zbd"), QByteArray(10, '\0'))));
        QCOMPARE(messages(), QStringList{QStringLiteral("Unexpected file format.")});
        QCOMPARE(doc->m_nPapers, 0);
        QCOMPARE(doc->GetTitle(), CString("Untitled"));
        QVERIFY(!doc->IsModified());
    }

    void failedSaveReportsAndKeepsTheOldFile()
    {
        CZentDoc *doc = document();
        const QString p = path(QStringLiteral("kept.zbd"));
        QCOMPARE(saveBoardAs(p), newBoardBytes());

        // Into a folder that does not exist.
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        saveBoardAs(path(QStringLiteral("nowhere/board.zbd")));
        QCOMPARE(messages(), QStringList{QStringLiteral("Failed to save document.")});
        QCOMPARE(lastMessageType() & MB_ICONMASK, UINT(MB_ICONEXCLAMATION));
        QCOMPARE(doc->GetPathName(), CString(p));
        QVERIFY(doc->IsModified());

        // A write that fails half-way (the file-size limit stops it) leaves the old file whole.
        doc->m_strPicturePath = QString(200000, u'p');
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 64 * 1024;
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDOK);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(messages(), QStringList{QStringLiteral("Failed to save document.")});
        QCOMPARE(readWholeFile(p), newBoardBytes());
        QVERIFY(doc->IsModified());
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.zbd")});

        // Without the limit the same board saves.
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_SAVE);
        QCOMPARE(readWholeFile(p).size(), 56 + 7 + 200000);
        QVERIFY(!doc->IsModified());
    }

    void recentFilesHoldFourBoardsAcrossARestart()
    {
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            Board b;
            b.colour = quint32(i);
            paths << writeBoard(QStringLiteral("r%1.zbd").arg(i), b.bytes());
            QVERIFY(openBoard(paths.last()));
        }
        // Newest first, four at most, in the settings.
        QSettings s(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Zentbase"));
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(s.value(QStringLiteral("Recent File List/File%1").arg(i)).toString(), paths[5 - i]);
        QVERIFY(!s.contains(QStringLiteral("Recent File List/File5")));

        endApp();
        QVERIFY(startApp());
        CRecentFileList &list = *AfxGetApp()->m_pRecentFileList;
        QCOMPARE(list.GetCount(), 4);
        QCOMPARE(list[0], paths[4]);
        QCOMPARE(list[3], paths[1]);

        // The third entry opens its board, which moves to the top.
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE3);
        QCOMPARE(document()->GetPathName(), CString(paths[2]));
        QCOMPARE(document()->m_crBackground, COLORREF(2));
        QCOMPARE(list[0], paths[2]);
        QCOMPARE(list[1], paths[4]);

        // Saving under a new name enters it too.
        saveBoardAs(path(QStringLiteral("saved.zbd")));
        QCOMPARE(list[0], path(QStringLiteral("saved.zbd")));
    }
};

ZB_TEST_MAIN(TestFile)
#include "tst_file.moc"
