// The mouse on the board: rectangles drawn on free spots make notes, the two icons are dragged (inside the board,
// without marking it modified), and a note drawn over an icon is treated like one dropped there.
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"

using namespace zbtest;

class TestMouse : public zbtest::TestCase {
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
    void rectangleDrawnOnTheBoardMakesANoteOfAtLeast50By50_data()
    {
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRect>("expected");
        // Drawn from (200, 150).
        QTest::newRow("200 x 120 as drawn") << QPoint(400, 270) << QRect(200, 150, 200, 120);
        QTest::newRow("10 x 80 widened to 50 x 80") << QPoint(210, 230) << QRect(200, 150, 50, 80);
        QTest::newRow("120 x 20 heightened to 120 x 50") << QPoint(320, 170) << QRect(200, 150, 120, 50);
        QTest::newRow("left of the start and below: 50 x 50 there") << QPoint(120, 170) << QRect(200, 150, 50, 50);
    }
    void rectangleDrawnOnTheBoardMakesANoteOfAtLeast50By50()
    {
        QFETCH(QPoint, to);
        QFETCH(QRect, expected);
        QVERIFY(!document()->IsModified());
        drawOnBoard(QPoint(200, 150), to);
        QCOMPARE(document()->m_nPapers, 1);
        CPaperFrame *pPaper = newestNote();
        QCOMPARE(pPaper->m_rect, CRect(expected));
        QCOMPARE(noteGeometry(pPaper), expected);
        QVERIFY(!pPaper->m_bHidden);
        QVERIFY(pPaper->IsWindowVisible());
        QVERIFY(document()->IsModified());
        QCOMPARE(AfxDialogScript::History().size(), 0);
    }

    void clickWithoutDraggingMakesNoNote()
    {
        dragOnBoard(QPoint(300, 200), {});
        QCOMPARE(document()->m_nPapers, 0);
        // The rectangle grows only to the right and down: up and left of the start it stays empty.
        dragOnBoard(QPoint(300, 200), {QPoint(250, 150), QPoint(200, 120)});
        QCOMPARE(document()->m_nPapers, 0);
        QVERIFY(!document()->IsModified());
    }

    void noteOnlyFromFreeSpots()
    {
        CPaperFrame *pPaper = addNote(QRect(200, 150, 100, 80));
        settle();
        QVERIFY(!boardView()->IsFreePoint(CPoint(200, 150)));
        QVERIFY(!boardView()->IsFreePoint(CPoint(299, 229)));
        QVERIFY(boardView()->IsFreePoint(CPoint(300, 229)));
        QVERIFY(boardView()->IsFreePoint(CPoint(299, 230)));
        // A stored note leaves its spot free.
        pPaper->Hide();
        QVERIFY(boardView()->IsFreePoint(CPoint(250, 200)));
        drawOnBoard(QPoint(250, 200), QPoint(330, 260));
        QCOMPARE(document()->m_nPapers, 2);
        QCOMPARE(newestNote()->m_rect, CRect(250, 200, 330, 260));
    }

    void iconHitRectanglesExcludeTheirRightAndBottomEdges()
    {
        CZentDoc *pDoc = document();
        // (x + 31, y + 31) is on the bin: dragging it moves the bin.
        dragOnBoard(QPoint(41, 41), {QPoint(51, 46), QPoint(61, 51)});
        QCOMPARE(pDoc->m_ptTrash, CPoint(30, 20));
        QCOMPARE(pDoc->m_nPapers, 0);
        QVERIFY(!pDoc->IsModified());
        QVERIFY(!pDoc->m_bDragTrash);

        // (x + 32, y) and (x, y + 32) are not: a rectangle is drawn instead.
        dragOnBoard(QPoint(62, 20), {QPoint(150, 100)});
        QCOMPARE(pDoc->m_ptTrash, CPoint(30, 20));
        QCOMPARE(pDoc->m_nPapers, 1);
        QCOMPARE(newestNote()->m_rect, CRect(62, 20, 150, 100));
        dragOnBoard(QPoint(30, 52), {QPoint(90, 120)});
        QCOMPARE(pDoc->m_ptTrash, CPoint(30, 20));
        QCOMPARE(pDoc->m_nPapers, 2);

        // The drawer likewise.
        pDoc->SetModifiedFlag(FALSE);
        dragOnBoard(QPoint(131, 41), {QPoint(231, 141)});
        QCOMPARE(pDoc->m_ptStorage, CPoint(200, 110));
        QVERIFY(!pDoc->m_bDragStorage);
        QVERIFY(!pDoc->IsModified());
        QCOMPARE(pDoc->m_nPapers, 2);
    }

    void overlappingIconsDragTheBin()
    {
        CZentDoc *pDoc = document();
        pDoc->m_ptStorage = CPoint(20, 20);
        dragOnBoard(QPoint(25, 25), {QPoint(125, 225)});
        QCOMPARE(pDoc->m_ptTrash, CPoint(110, 210));
        QCOMPARE(pDoc->m_ptStorage, CPoint(20, 20));
    }

    void draggedIconStaysInsideTheBoardAndIsRepainted()
    {
        CZentDoc *pDoc = document();
        QWidget *board = boardWidget();
        sendPress(board, QPoint(20, 20));
        QVERIFY(pDoc->m_bDragTrash);
        // The cursor is held inside the board while the icon moves.
        CRect rcClip;
        GetClipCursor(&rcClip);
        CRect rcBoard(0, 0, 600, 400);
        boardView()->ClientToScreen(&rcBoard);
        QCOMPARE(rcClip, rcBoard);
        sendMove(board, QPoint(-300, 900));
        QCOMPARE(pDoc->m_ptTrash, CPoint(10 - 20, 10 + 399 - 20));
        QCOMPARE(boardView()->m_rcIconOld, CRect(10, 10, 42, 42));
        QCOMPARE(boardView()->m_rcIconNew, CRect(-10, 389, 22, 421));
        sendMove(board, QPoint(100, 100));
        QCOMPARE(pDoc->m_ptTrash, CPoint(90, 90));
        sendRelease(board, QPoint(100, 100));
        QVERIFY(!pDoc->m_bDragTrash);
        GetClipCursor(&rcClip);
        QVERIFY(rcClip != rcBoard);
        QCOMPARE(boardView()->m_rcIconNew, CRect(90, 90, 122, 122));
        QVERIFY(!pDoc->IsModified());

        // The board shows the bin at its new place.
        settle();
        const QImage shown = grabBoard();
        QCOMPARE(pixelAt(shown, 15, 15), RGB(255, 255, 255));
        bool binDrawn = false;
        for (int y = 90; y < 122 && !binDrawn; ++y)
            for (int x = 90; x < 122 && !binDrawn; ++x)
                binDrawn = pixelAt(shown, x, y) != RGB(255, 255, 255);
        QVERIFY(binDrawn);
    }

    void noteDrawnOverAnIconIsTreatedAtOnceLikeOneDroppedThere()
    {
        // Over the drawer: into the storage right after it is shown.
        drawOnBoard(QPoint(95, 5), QPoint(160, 80));
        QCOMPARE(document()->m_nPapers, 1);
        CPaperFrame *pStored = newestNote();
        QVERIFY(pStored->m_bHidden);
        QVERIFY(!pStored->IsWindowVisible());
        QCOMPARE(AfxDialogScript::History().size(), 0);

        // Over the bin: the question, and Yes deletes it.
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        drawOnBoard(QPoint(5, 5), QPoint(60, 60));
        QCOMPARE(AfxDialogScript::History().size(), 1);
        QCOMPARE(AfxDialogScript::History().constLast().text, QStringLiteral("Are you sure to delete this object?"));
        QCOMPARE(document()->m_nPapers, 1);
        QCOMPARE(newestNote(), pStored);
    }
};

ZB_TEST_MAIN(TestMouse)
#include "tst_mouse.moc"
