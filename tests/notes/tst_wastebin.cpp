// Notes dropped on the board's icons: the question on the waste bin and its two answers, the placement off the
// bin, the storage drawer, and the order in which several notes are taken.
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"

#include <QPointer>

using namespace zbtest;

namespace {
const QString kQuestion = QStringLiteral("Are you sure to delete this object?");

int questionsAsked()
{
    return int(messages().count(kQuestion));
}

bool listHolds(CPaperFrame *pPaper)
{
    return document()->m_papers.Find(pPaper) != nullptr;
}

void paperMoved()
{
    boardView()->SendMessage(WM_PAPER_MOVED, 0, 0);
}

// Puts a note's recorded rectangle somewhere without moving its window. The board remembers a test of the icons
// that found nothing until a note changes through its own methods; writing the field bypasses those, so the
// remembered answer goes too.
void setNoteRect(CPaperFrame *pPaper, const CRect &rc)
{
    pPaper->m_rect = rc;
    boardView()->m_bIdleIconTest = false;
}
} // namespace

class TestWasteBin : public zbtest::TestCase {
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
    void noteDroppedOnTheBinIsDeletedAfterYes()
    {
        CPaperFrame *pKeep = addNote(QRect(300, 200, 80, 60));
        CPaperFrame *pPaper = addNote(QRect(200, 150, 80, 60));
        settle();
        QCOMPARE(questionsAsked(), 0);
        document()->SetModifiedFlag(FALSE);
        QPointer<QWidget> widget = pPaper->GetWidget();

        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        // Dragged by its caption until it touches the bin at (10, 10).
        dragNote(pPaper, captionPoint(pPaper), QPoint(-180, -130), 3);
        settle();
        QCOMPARE(questionsAsked(), 1);
        const auto &shown = AfxDialogScript::History().constLast();
        QCOMPARE(shown.nType, UINT(MB_YESNO | MB_ICONQUESTION));
        QCOMPARE(shown.nType, 0x24u);
        QCOMPARE(shown.caption, QStringLiteral("Zentbase"));
        QVERIFY(shown.answered);
        QCOMPARE(document()->m_nPapers, 1);
        QCOMPARE(document()->m_papers.GetCount(), 1);
        QVERIFY(listHolds(pKeep));
        QVERIFY(widget.isNull());
        QVERIFY(document()->IsModified());
    }

    void noOnTheBinMovesTheNoteOff_data()
    {
        QTest::addColumn<QPoint>("trash");
        QTest::addColumn<QRect>("note");
        QTest::addColumn<QPoint>("expected");
        // Board 600 x 400: midlines x = 300, y = 200. Notes are 80 x 60.
        QTest::newRow("upper left: below and right") << QPoint(10, 10) << QRect(0, 0, 80, 60) << QPoint(47, 47);
        QTest::newRow("upper right: below and left") << QPoint(500, 20) << QRect(480, 0, 80, 60) << QPoint(415, 57);
        QTest::newRow("lower right: above and left") << QPoint(500, 300) << QRect(480, 280, 80, 60) << QPoint(415, 235);
        QTest::newRow("lower left: right, bottom edge 5 below the top")
            << QPoint(20, 300) << QRect(0, 280, 80, 60) << QPoint(57, 245);
        QTest::newRow("on the horizontal midline: as the upper half")
            << QPoint(20, 200) << QRect(0, 180, 80, 60) << QPoint(57, 237);
        QTest::newRow("on the vertical midline: as the left half")
            << QPoint(300, 20) << QRect(280, 0, 80, 60) << QPoint(337, 57);
        QTest::newRow("at the centre: as the upper left quarter")
            << QPoint(300, 200) << QRect(290, 190, 80, 60) << QPoint(337, 237);
    }
    void noOnTheBinMovesTheNoteOff()
    {
        QFETCH(QPoint, trash);
        QFETCH(QRect, note);
        QFETCH(QPoint, expected);
        CZentDoc *pDoc = document();
        pDoc->m_ptTrash = CPoint(trash.x(), trash.y());
        pDoc->m_ptStorage = CPoint(560, 130);
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        // A note made over the bin is treated at once like one dropped there.
        CPaperFrame *pPaper = addNote(note);
        settle();
        QCOMPARE(questionsAsked(), 1);
        QVERIFY(listHolds(pPaper));
        QCOMPARE(noteGeometry(pPaper), QRect(expected, note.size()));
        QCOMPARE(pPaper->m_rect, CRect(QRect(expected, note.size())));
        CRect rcMeet;
        QVERIFY(!rcMeet.IntersectRect(pPaper->m_rect, CRect(trash.x(), trash.y(), trash.x() + 32, trash.y() + 32)));
        QVERIFY(!pPaper->m_bHidden);
        // The move was told to the board too, and asked nothing more.
        QCOMPARE(AfxDialogScript::PendingAnswers(), 0);
        QCOMPARE(questionsAsked(), 1);
    }

    void noteMeetingBothIconsIsLeftToTheBin()
    {
        CZentDoc *pDoc = document();
        pDoc->m_ptStorage = CPoint(50, 10);
        CPaperFrame *pPaper = addNote(QRect(200, 200, 80, 60));
        settle();
        setNoteRect(pPaper, CRect(30, 20, 110, 80)); // over both icons
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        paperMoved();
        QCOMPARE(questionsAsked(), 1);
        QVERIFY(!pPaper->m_bHidden);
        QCOMPARE(pPaper->m_rect.TopLeft(), CPoint(47, 47));
        settle();
        QVERIFY(!pPaper->m_bHidden);

        setNoteRect(pPaper, CRect(30, 20, 110, 80));
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        paperMoved();
        QCOMPARE(questionsAsked(), 2);
        QCOMPARE(pDoc->m_nPapers, 0);
    }

    void severalNotesOnTheBinAreTakenNewestFirstOnePerMessage()
    {
        CPaperFrame *pOld = addNote(QRect(200, 100, 80, 60));
        CPaperFrame *pNew = addNote(QRect(300, 100, 80, 60));
        settle();
        setNoteRect(pOld, CRect(0, 0, 80, 60));
        setNoteRect(pNew, CRect(20, 20, 100, 80));

        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        paperMoved();
        QCOMPARE(questionsAsked(), 1);
        QVERIFY(!listHolds(pNew));
        QVERIFY(listHolds(pOld));
        QCOMPARE(document()->m_nPapers, 1);

        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        paperMoved();
        QCOMPARE(questionsAsked(), 2);
        QCOMPARE(document()->m_nPapers, 0);
        QVERIFY(document()->m_papers.IsEmpty());

        // An empty board asks nothing.
        paperMoved();
        QCOMPARE(questionsAsked(), 2);
    }

    void storedNoteOnTheBinIsOfferedForDeletion()
    {
        CPaperFrame *pPaper = addNote(QRect(100, 10, 80, 60));
        settle();
        // Dropped on the drawer: into the storage, without a question.
        QVERIFY(pPaper->m_bHidden);
        QVERIFY(!pPaper->IsWindowVisible());
        QCOMPARE(questionsAsked(), 0);
        // Stored notes are not stored a second time.
        document()->SetModifiedFlag(FALSE);
        paperMoved();
        QVERIFY(!document()->IsModified());

        // The bin dragged onto the drawer meets the stored note.
        CZentDoc *pDoc = document();
        pDoc->m_ptTrash = CPoint(110, 20);
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        paperMoved();
        QCOMPARE(questionsAsked(), 1);
        QCOMPARE(pDoc->m_nPapers, 0);
    }

    // Messages that find nothing are answered without looking at the notes again, but only while nothing that the
    // test depends on has changed: a window move, a restore from the storage and a note's end each count.
    void rememberedAnswerEndsWithEveryChange()
    {
        CZentDoc *pDoc = document();
        QList<CPaperFrame *> papers;
        for (int i = 0; i < 40; ++i)
            papers.append(addNote(QRect(150 + (i % 8) * 50, 150 + (i / 8) * 40, 60, 50)));
        settle();
        QCOMPARE(questionsAsked(), 0);
        for (int i = 0; i < 5; ++i)
            paperMoved();
        QCOMPARE(pDoc->m_nPapers, 40);

        // Moved for real onto the drawer: stored by the message the move posted.
        CPaperFrame *pStored = papers.at(17);
        pStored->MoveWindow(90, 0, 60, 50, TRUE);
        settle();
        QVERIFY(pStored->m_bHidden);

        // Restored while still over the drawer: the next message stores it again.
        paperMoved();
        QVERIFY(pStored->m_bHidden);
        boardView()->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pStored), 0);
        QVERIFY(!pStored->m_bHidden);
        paperMoved();
        QVERIFY(pStored->m_bHidden);

        // A note resized until it reaches the bin is offered at once.
        CPaperFrame *pLarge = papers.at(0);
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        pLarge->MoveWindow(30, 30, 200, 200, TRUE);
        settle();
        QCOMPARE(questionsAsked(), 1);
        QVERIFY(!listHolds(pLarge));
        QCOMPARE(pDoc->m_nPapers, 39);
        QCOMPARE(AfxDialogScript::PendingAnswers(), 0);
    }

    void storingAndRestoringMarkTheBoardModified()
    {
        CPaperFrame *pPaper = addNote(QRect(300, 200, 80, 60));
        settle();
        document()->SetModifiedFlag(FALSE);
        setNoteRect(pPaper, CRect(90, 0, 170, 60));
        paperMoved();
        QVERIFY(pPaper->m_bHidden);
        QVERIFY(document()->IsModified());

        document()->SetModifiedFlag(FALSE);
        boardView()->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pPaper), 0);
        QVERIFY(!pPaper->m_bHidden);
        QVERIFY(pPaper->IsWindowVisible());
        QVERIFY(document()->IsModified());

        // Showing a note on the board changes nothing.
        document()->SetModifiedFlag(FALSE);
        boardView()->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pPaper), 0);
        QVERIFY(!document()->IsModified());

        // A pointer to a note that has ended is not followed.
        auto *pGone = pPaper;
        pPaper->Destroy();
        boardView()->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pGone), 0);
        QCOMPARE(document()->m_nPapers, 0);
    }
};

ZB_TEST_MAIN(TestWasteBin)
#include "tst_wastebin.moc"
