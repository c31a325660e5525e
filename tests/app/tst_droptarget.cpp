// Text dropped onto notes: from another program (driven through the drop target's Qt drag events), from another
// note and from the same note (the note's own drag, with the drop decided by the drag hook).
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"
#include "platform/OleDrag.h"
#include "platform/OleDrop.h"

#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <memory>

using namespace zbtest;

namespace {
QStringList g_asserts;

void recordAssert(const char *source, int line)
{
    g_asserts << QStringLiteral("%1:%2").arg(source).arg(line);
}

std::unique_ptr<QMimeData> textData(const QString &text)
{
    auto pData = std::make_unique<QMimeData>();
    pData->setText(text);
    return pData;
}

CString textOf(CPaperFrame *pPaper)
{
    CString s;
    pPaper->m_pEdit->GetWindowText(s);
    return s;
}

QPair<int, int> selOf(CPaperFrame *pPaper)
{
    int nStart = 0, nEnd = 0;
    pPaper->m_pEdit->GetSel(nStart, nEnd);
    return {nStart, nEnd};
}

CPoint clientPoint(QPoint p)
{
    return CPoint(p.x(), p.y());
}
} // namespace

class TestDropTarget : public zbtest::TestCase {
    Q_OBJECT

    CPaperFrame *m_pA = nullptr;
    CPaperFrame *m_pB = nullptr;

    void setText(CPaperFrame *pPaper, const QString &text, int nStart = 0, int nEnd = 0)
    {
        pPaper->m_pEdit->SetWindowText(text);
        pPaper->m_pEdit->SetSel(nStart, nEnd, FALSE);
    }

    // Drops text from another program onto a note at the character nIndex.
    DROPEFFECT dropAt(CPaperFrame *pPaper, int nIndex, const QString &text, DWORD dwKeyState = MK_LBUTTON,
                      DROPEFFECT dwAllowed = DROPEFFECT_COPY | DROPEFFECT_MOVE)
    {
        const auto pData = textData(text);
        return AfxSimulateDrop(pPaper->m_pEdit.get(), pData.get(), dwKeyState, clientPoint(pointAtChar(pPaper, nIndex)),
                               dwAllowed);
    }

    // Selects [nStart, nEnd) of the source note and drags it with the mouse; the drag ends over the target note at
    // the character nAt, released with dwKeyState. The effect the source was told.
    DROPEFFECT dragText(CPaperFrame *pSource, int nStart, int nEnd, CPaperFrame *pTarget, int nAt, DWORD dwKeyState = 0)
    {
        pSource->m_pEdit->SetSel(nStart, nEnd, FALSE);
        // Where the drop lands is taken before the drag changes anything.
        const CPoint point = clientPoint(pointAtChar(pTarget, nAt));
        DROPEFFECT result = DROPEFFECT_NONE;
        int nDrags = 0;
        AfxSetDragDropHook([&](COleDataSource *pDataSource, DROPEFFECT dwAllowed) {
            ++nDrags;
            std::unique_ptr<QMimeData> pData(pDataSource->CreateMimeData());
            COleDropSimulation drag(pTarget->m_pEdit.get(), pData.get(), dwAllowed);
            drag.DragEnter(MK_LBUTTON, point);
            result = drag.Drop(dwKeyState, point);
            return result;
        });
        const QPoint press = pointAtChar(pSource, nStart);
        sendPress(textViewport(pSource), press);
        sendRelease(textViewport(pSource), press);
        AfxSetDragDropHook(nullptr);
        return nDrags == 1 ? result : DROPEFFECT(0xFF);
    }

protected:
    void initTest() override
    {
        QVERIFY(startApp());
        QVERIFY(setBoardSize(600, 400));
        m_pA = addNote(QRect(20, 60, 280, 220));
        m_pB = addNote(QRect(300, 60, 560, 220));
        QVERIFY(m_pA && m_pB);
        settle();
        g_asserts.clear();
        AfxSetAssertHandler(&recordAssert);
    }

    void cleanupTest() override
    {
        AfxSetDragDropHook(nullptr);
        AfxSetAssertHandler(nullptr);
        endApp();
    }

private Q_SLOTS:
    void dragFeedbackFollowsCtrlAndTheSource()
    {
        const auto pData = textData(QStringLiteral("x"));
        CPaperEdit *pEdit = m_pB->m_pEdit.get();
        const CPoint point = clientPoint(pointAtChar(m_pB, 0));
        COleDropSimulation drag(pEdit, pData.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE);
        QCOMPARE(drag.DragEnter(MK_LBUTTON, point), DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(drag.DragOver(MK_LBUTTON | MK_CONTROL, point), DROPEFFECT(DROPEFFECT_COPY));
        // Shift and Alt change nothing: only Ctrl makes a copy.
        QCOMPARE(drag.DragOver(MK_LBUTTON | MK_SHIFT | MK_ALT, point), DROPEFFECT(DROPEFFECT_MOVE));
        // The keys at the release decide, not those shown last.
        QCOMPARE(drag.DragOver(MK_LBUTTON | MK_CONTROL, point), DROPEFFECT(DROPEFFECT_COPY));
        QCOMPARE(drag.Drop(0, point), DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(textOf(m_pB), CString("x"));

        // A source allowing only one of them gets that one, Ctrl or not.
        setText(m_pB, QString());
        QCOMPARE(dropAt(m_pB, 0, QStringLiteral("c"), MK_LBUTTON, DROPEFFECT_COPY), DROPEFFECT(DROPEFFECT_COPY));
        QCOMPARE(dropAt(m_pB, 1, QStringLiteral("m"), MK_LBUTTON | MK_CONTROL, DROPEFFECT_MOVE),
                 DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(textOf(m_pB), CString("cm"));
        // One allowing neither gets nothing, and nothing goes in.
        QCOMPARE(dropAt(m_pB, 0, QStringLiteral("n"), MK_LBUTTON, DROPEFFECT_NONE), DROPEFFECT(DROPEFFECT_NONE));
        QCOMPARE(textOf(m_pB), CString("cm"));
    }

    void textGoesInAtTheCharacterUnderTheDropPoint()
    {
        // The middle of a word: between the two nearest characters, no blank added.
        setText(m_pB, QStringLiteral("alpha beta"));
        QCOMPARE(dropAt(m_pB, 2, QStringLiteral("XY")), DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(textOf(m_pB), CString("alXYpha beta"));

        // Below the last line: the end of the text.
        setText(m_pB, QStringLiteral("first\r\nlast"));
        const QWidget *viewport = textViewport(m_pB);
        const auto pData = textData(QStringLiteral("!"));
        AfxSimulateDrop(m_pB->m_pEdit.get(), pData.get(), MK_LBUTTON, CPoint(5, viewport->height() - 3),
                        DROPEFFECT_MOVE);
        QCOMPARE(textOf(m_pB), CString("first\r\nlast!"));

        // Line breaks come in as they are, CR LF; another program's LF becomes one too.
        setText(m_pB, QStringLiteral("ab"));
        dropAt(m_pB, 1, QStringLiteral("x\r\ny"));
        QCOMPARE(textOf(m_pB), CString("ax\r\nyb"));
        QCOMPARE(m_pB->m_pEdit->GetLineCount(), 2);
        auto pUtf8 = std::make_unique<QMimeData>();
        pUtf8->setData(QStringLiteral("text/plain;charset=utf-8"), QByteArray("\xe2\x82\xac\n\xc3\xa9"));
        AfxSimulateDrop(m_pB->m_pEdit.get(), pUtf8.get(), MK_LBUTTON, clientPoint(pointAtChar(m_pB, 0)),
                        DROPEFFECT_COPY);
        QCOMPARE(textOf(m_pB), CString(QStringLiteral("\u20ac\r\n\u00e9ax\r\nyb")));

        // The drop cannot be undone with the control's undo.
        QVERIFY(!m_pB->m_pEdit->CanUndo());
        QVERIFY(g_asserts.isEmpty());
    }

    void oldSelectionComesBackByItsNumbers()
    {
        setText(m_pB, QStringLiteral("0123456789"), 5, 8);
        dropAt(m_pB, 1, QStringLiteral("ab"));
        QCOMPARE(textOf(m_pB), CString("0ab123456789"));
        QCOMPARE(selOf(m_pB), qMakePair(5, 8));

        // Positions beyond 16 bits: the text goes in at its full index, the selection comes back whole.
        QString longText;
        for (int i = 0; i < 8000; ++i)
            longText += QStringLiteral("line %1\r\n").arg(i, 5, 10, QLatin1Char('0'));
        QVERIFY(longText.size() > 80000);
        setText(m_pB, longText, 80000, 80000);
        m_pB->m_pEdit->SetSel(80000, 80000, FALSE); // scrolls the character into view
        settle();
        const CPoint point = clientPoint(pointAtChar(m_pB, 80000));
        QCOMPARE(m_pB->m_pEdit->CharIndexFromPos(point), 80000);
        m_pB->m_pEdit->SetSel(70000, 70010, TRUE);
        const auto pData = textData(QStringLiteral("XYZ"));
        QCOMPARE(AfxSimulateDrop(m_pB->m_pEdit.get(), pData.get(), MK_LBUTTON, point, DROPEFFECT_MOVE),
                 DROPEFFECT(DROPEFFECT_MOVE));
        const CString after = textOf(m_pB);
        QCOMPARE(after.size(), longText.size() + 3);
        QCOMPARE(after.mid(80000, 3), CString("XYZ"));
        QCOMPARE(after.left(80000), longText.left(80000));
        QCOMPARE(selOf(m_pB), qMakePair(70000, 70010));
    }

    void dragBetweenNotesMovesOrCopies()
    {
        setText(m_pA, QStringLiteral("apples and pears"));
        setText(m_pB, QStringLiteral("milk bread"));
        // Without Ctrl a move: the other note gets the text at the drop point, this one loses it.
        QCOMPARE(dragText(m_pA, 0, 7, m_pB, 5), DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(textOf(m_pB), CString("milk apples bread"));
        QCOMPARE(textOf(m_pA), CString("and pears"));

        // With Ctrl held at the release a copy: both keep it.
        QCOMPARE(dragText(m_pB, 5, 12, m_pA, 9, MK_CONTROL), DROPEFFECT(DROPEFFECT_COPY));
        QCOMPARE(textOf(m_pA), CString("and pearsapples "));
        QCOMPARE(textOf(m_pB), CString("milk apples bread"));

        // Lines move with their CR LF.
        setText(m_pA, QStringLiteral("one\r\ntwo\r\n"));
        setText(m_pB, QStringLiteral("x"));
        QCOMPARE(dragText(m_pA, 5, 10, m_pB, 0), DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(textOf(m_pB), CString("two\r\nx"));
        QCOMPARE(textOf(m_pA), CString("one\r\n"));
        QVERIFY(g_asserts.isEmpty());
    }

    void moveWithinOneNote_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("expected");
        const QString words = QStringLiteral("one two three");
        QTest::newRow("before the dragged text") << words << 4 << 7 << 0 << QStringLiteral("twoone  three");
        QTest::newRow("after the dragged text") << words << 4 << 7 << 8 << QStringLiteral("one  twothree");
        QTest::newRow("at the end of the text") << words << 4 << 7 << 13 << QStringLiteral("one  threetwo");
        QTest::newRow("inside the dragged text") << words << 4 << 7 << 5 << words;
        QTest::newRow("on its first character") << words << 4 << 7 << 4 << words;
        QTest::newRow("right after its last character") << words << 4 << 7 << 7 << words;
        QTest::newRow("before, next to equal text")
            << QStringLiteral("ab ab ab") << 3 << 5 << 0 << QStringLiteral("abab  ab");
        QTest::newRow("lines to the end") << QStringLiteral("first\r\nsecond\r\nthird") << 7 << 15 << 20
                                          << QStringLiteral("first\r\nthirdsecond\r\n");
    }
    void moveWithinOneNote()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, at);
        QFETCH(QString, expected);
        setText(m_pA, text);
        const DROPEFFECT effect = dragText(m_pA, start, end, m_pA, at);
        QCOMPARE(effect, DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(textOf(m_pA), CString(expected));

        // A copy within the note only inserts.
        setText(m_pA, text);
        QCOMPARE(dragText(m_pA, start, end, m_pA, at, MK_CONTROL), DROPEFFECT(DROPEFFECT_COPY));
        QCOMPARE(textOf(m_pA), CString(text.left(at) + text.mid(start, end - start) + text.mid(at)));
    }

    void dropWithoutTextInsertsNothing()
    {
        setText(m_pB, QStringLiteral("keep"), 1, 3);
        const int nBlocks = AfxLiveMemoryBlocks();
        // A board file from the file manager: neither the note takes it nor does it open as a board.
        QMimeData files;
        const QString boardFile = sandboxPath() + QStringLiteral("/other.zbd");
        files.setUrls({QUrl::fromLocalFile(boardFile)});
        files.setText(boardFile);
        QMimeData image;
        image.setData(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n", 6));
        const CString strPathBefore = document()->GetPathName();
        for (QMimeData *pData : {&files, &image}) {
            COleDropSimulation drag(m_pB->m_pEdit.get(), pData, DROPEFFECT_COPY | DROPEFFECT_MOVE);
            QCOMPARE(drag.DragEnter(MK_LBUTTON, CPoint(5, 5)), DROPEFFECT(DROPEFFECT_NONE));
            QCOMPARE(drag.DragOver(MK_LBUTTON | MK_CONTROL, CPoint(6, 5)), DROPEFFECT(DROPEFFECT_NONE));
            QCOMPARE(drag.Drop(0, CPoint(6, 5)), DROPEFFECT(DROPEFFECT_NONE));
        }
        settle();
        QCOMPARE(document()->GetPathName(), strPathBefore);
        QVERIFY(AfxDialogScript::History().isEmpty());

        // Reached directly, the drop itself also takes nothing and fails nothing.
        COleDataObject noText(&image);
        QVERIFY(!m_pB->m_pEdit->m_dropTarget.OnDrop(m_pB->m_pEdit.get(), &noText, DROPEFFECT_MOVE, CPoint(5, 5)));
        COleDataObject nothing;
        QVERIFY(!m_pB->m_pEdit->m_dropTarget.OnDrop(m_pB->m_pEdit.get(), &nothing, DROPEFFECT_COPY, CPoint(5, 5)));

        QCOMPARE(textOf(m_pB), CString("keep"));
        QCOMPARE(selOf(m_pB), qMakePair(1, 3));
        QVERIFY(g_asserts.isEmpty());
        // Every drop released the text it took.
        dropAt(m_pB, 0, QStringLiteral("t"));
        QCOMPARE(AfxLiveMemoryBlocks(), nBlocks);
    }
};

ZB_TEST_MAIN(TestDropTarget)
#include "tst_droptarget.moc"
