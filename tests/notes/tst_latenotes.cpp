// Notes that do not show (in storage, beyond the board, or wholly under other notes) have no Qt widgets until
// they come to show. Such a note must then look and behave as one shown from the start, and a board must save the
// same bytes whether its notes ever showed or not.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/NoteHelpers.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"
#include "platform/SysParams.h"
#include "view/zentView.h"

#include <QMimeData>
#include <QPointer>
#include <QTest>

#include <memory>

using namespace zbtest;

namespace {

const QString kQuestion = QStringLiteral("Are you sure to delete this object?");

bool hasWidgets(CPaperFrame *pPaper)
{
    return AfxHasWidgets(pPaper->GetSafeHwnd()) && AfxHasWidgets(pPaper->m_pEdit->GetSafeHwnd());
}

// What a file would give the note: its caption in a colour and its text.
void fillNote(CPaperFrame *pPaper, const QString &caption, const QString &text)
{
    pPaper->m_pEdit->SetWindowText(text);
    pPaper->m_strCaption = caption;
    pPaper->SetWindowText(caption);
    pPaper->m_clrCaption = RGB(0, 128, 255);
    pPaper->RefreshCaptionBackground();
}

CString textOf(CPaperFrame *pPaper)
{
    CString text;
    pPaper->m_pEdit->GetWindowText(text);
    return text;
}

QByteArray saveTo(const QString &path)
{
    if (!document()->DoSave(path, FALSE))
        return QByteArray();
    return readWholeFile(path);
}

} // namespace

class TestLateNotes : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        QVERIFY(startApp());
        QVERIFY(setBoardSize(600, 400));
        AfxDialogScript::ClearHistory();
    }

    void cleanupTest() override { endApp(); }

private Q_SLOTS:
    void aStoredNoteShownLateLooksAndActsAsOneShownFromTheStart()
    {
        CPaperFrame *pAtOnce = addNote(QRect(330, 150, 160, 110));
        fillNote(pAtOnce, QStringLiteral("Groceries"), QStringLiteral("milk\r\nbread"));
        CPaperFrame *pLate = addNote(QRect(120, 150, 160, 110), false);
        fillNote(pLate, QStringLiteral("Groceries"), QStringLiteral("milk\r\nbread"));
        settle();
        QVERIFY(hasWidgets(pAtOnce));
        QVERIFY(!hasWidgets(pLate));
        QCOMPARE(textOf(pLate), CString("milk\r\nbread"));

        boardView()->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pLate), 0);
        settle();
        QVERIFY(hasWidgets(pLate));
        QVERIFY(!pLate->m_bHidden);
        QCOMPARE(noteGeometry(pLate), QRect(120, 150, 160, 110));
        // Pixel for pixel the same note, caption colour and text included.
        const QImage board = grabBoard();
        const QImage late = board.copy(120, 150, 160, 110);
        QCOMPARE(late, board.copy(330, 150, 160, 110));
        QCOMPARE(pixelAt(late, 80, GetSystemMetrics(SM_CYFRAME) + 2), RGB(0, 128, 255));

        // It takes typing and drops, and its text goes on from what it held.
        pLate->m_pEdit->SetSel(-1, -1, FALSE);
        pLate->m_pEdit->SetSel(11, 11, FALSE);
        QTest::keyClicks(textWidget(pLate), QStringLiteral(" eggs"));
        QCOMPARE(textOf(pLate), CString("milk\r\nbread eggs"));
        auto pData = std::make_unique<QMimeData>();
        pData->setText(QStringLiteral("tea "));
        AfxSimulateDrop(pLate->m_pEdit.get(), pData.get(), MK_LBUTTON, CPoint(3, 5), DROPEFFECT_COPY);
        QCOMPARE(textOf(pLate), CString("tea milk\r\nbread eggs"));
        QVERIFY(document()->IsModified());

        // Dragged onto the waste bin by its caption it is offered for deletion, and goes.
        document()->m_ptTrash = CPoint(10, 10);
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        QPointer<QWidget> widget = pLate->GetWidget();
        dragNote(pLate, captionPoint(pLate), QPoint(-110, -140), 3);
        settle();
        QCOMPARE(int(messages().count(kQuestion)), 1);
        QCOMPARE(document()->m_nPapers, 1);
        QVERIFY(widget.isNull());
    }

    void aNoteUnderOthersGetsItsWidgetsWhenUncovered()
    {
        document()->m_ptStorage = CPoint(560, 300);
        CPaperFrame *pUnder = addNote(QRect(200, 120, 150, 100));
        fillNote(pUnder, QStringLiteral("Under"), QStringLiteral("hidden below"));
        CPaperFrame *pCover = addNote(QRect(190, 110, 200, 140));
        fillNote(pCover, QStringLiteral("Cover"), QStringLiteral("on top"));
        settle();
        QVERIFY(hasWidgets(pCover));
        QVERIFY(!hasWidgets(pUnder));
        QVERIFY(pUnder->IsWindowVisible());

        // The cover goes into the storage drawer; what lay under it shows, as it was.
        dragNote(pCover, captionPoint(pCover), QPoint(200, 100), 4);
        settle();
        QVERIFY(pCover->m_bHidden);
        QVERIFY(hasWidgets(pUnder));
        QCOMPARE(noteGeometry(pUnder), QRect(200, 120, 150, 100));
        const QImage board = grabBoard();
        QCOMPARE(pixelAt(board, 275, 120 + GetSystemMetrics(SM_CYFRAME) + 2), RGB(0, 128, 255));
        QCOMPARE(textOf(pUnder), CString("hidden below"));
        // It moves like any note.
        dragNote(pUnder, captionPoint(pUnder), QPoint(-100, 40), 3);
        settle();
        QCOMPARE(pUnder->m_rect, CRect(100, 160, 250, 260));
    }

    void aBoardSavesTheSameBytesWhetherItsNotesShowedOrNot()
    {
        Board b;
        BoardNote stored;
        stored.rect = RECT{40, 60, 200, 170};
        stored.stored = 1;
        stored.caption = ansiField("kept");
        stored.text = ansiField("lone\rcr, lone\nlf, and\r\nboth");
        BoardNote far;
        far.rect = RECT{5000, 4000, 5150, 4110};
        far.caption = ansiField("far away");
        far.text = ansiField("beyond\r\nthe board");
        BoardNote wide;
        wide.rect = RECT{100, 100, 300, 200};
        wide.caption = utf16Field(QStringLiteral("wide"));
        wide.text = utf16Field(QString(QStringLiteral("line") + QChar(0x2028) + QStringLiteral("sep ") + QChar(0) +
                                       QStringLiteral("nul\n")));
        BoardNote under;
        under.rect = RECT{110, 110, 250, 190};
        under.caption = ansiField("under");
        under.text = ansiField("covered");
        b.notes << stored << far << wide << under;
        const QString path = QStringLiteral("late.zbd");
        QVERIFY(writeFile(path, b.bytes()));

        QVERIFY(AfxGetApp()->OpenDocumentFile(path));
        settle();
        QCOMPARE(document()->m_nPapers, 4);
        int nWithout = 0;
        QList<CString> texts;
        QList<bool> hidden;
        for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;) {
            CPaperFrame *pPaper = document()->m_papers.GetNext(pos);
            nWithout += !hasWidgets(pPaper);
            texts << textOf(pPaper);
            hidden << pPaper->m_bHidden;
        }
        // The stored note at least has not shown.
        QVERIFY(nWithout >= 1);
        const QByteArray before = saveTo(QStringLiteral("before.zbd"));
        QVERIFY(!before.isEmpty());

        // Every note's widgets made: the same bytes.
        for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;) {
            CPaperFrame *pPaper = document()->m_papers.GetNext(pos);
            QVERIFY(pPaper->GetWidget() && pPaper->m_pEdit->GetWidget());
        }
        QCOMPARE(saveTo(QStringLiteral("after.zbd")), before);

        // Opened again, the notes hold the same texts and places (reading puts each note first, so the list runs the
        // other way), and the board again saves alike before and after its notes show.
        QVERIFY(AfxGetApp()->OpenDocumentFile(QStringLiteral("before.zbd")));
        settle();
        QList<CString> againTexts;
        QList<bool> againHidden;
        for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;) {
            CPaperFrame *pPaper = document()->m_papers.GetNext(pos);
            againTexts.prepend(textOf(pPaper));
            againHidden.prepend(pPaper->m_bHidden);
        }
        QCOMPARE(againTexts, texts);
        QCOMPARE(againHidden, hidden);
        const QByteArray again = saveTo(QStringLiteral("again.zbd"));
        for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;)
            QVERIFY(document()->m_papers.GetNext(pos)->m_pEdit->GetWidget());
        QCOMPARE(saveTo(QStringLiteral("again-shown.zbd")), again);
    }
};

ZB_TEST_MAIN(TestLateNotes)
#include "tst_latenotes.moc"
