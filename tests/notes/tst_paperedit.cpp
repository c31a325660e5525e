// The note's text field: editing as in any text field, and the drag side of text drag and drop (where a drag
// starts, what it offers, what a move takes away, the mouse state after it). Drags are decided by the drag hook.
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/Memory.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <memory>

using namespace zbtest;

namespace {
// Records the mouse events that reach it.
class MouseRecorder final : public QWidget {
public:
    QList<QEvent::Type> events;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease)
            events << e->type();
        return QWidget::event(e);
    }
};

struct DragRecord {
    int nDrags = 0;
    DROPEFFECT allowed = 0;
    QByteArray text;      // CF_TEXT bytes, NUL excluded
    QByteArray blockTail; // the block's last byte, its NUL
    QString mimeText;
};

// A drop as the text drop target makes it: at the character under the point, the selection kept by its numbers.
void dropInto(CPaperEdit *pEdit, QPoint point, const QString &text)
{
    const int nIndex = pEdit->CharIndexFromPos(CPoint(point.x(), point.y()));
    int nStart = 0, nEnd = 0;
    pEdit->GetSel(nStart, nEnd);
    pEdit->SetSel(nIndex, nIndex, FALSE);
    pEdit->ReplaceSel(text, FALSE);
    pEdit->SetSel(nStart, nEnd, FALSE);
}
} // namespace

class TestPaperEdit : public zbtest::TestCase {
    Q_OBJECT

    CPaperFrame *m_pPaper = nullptr;
    CPaperEdit *m_pEdit = nullptr;
    DragRecord m_drag;
    // What the drop side does during the drag, and the effect it reports.
    std::function<void()> m_onDrop;
    DROPEFFECT m_effect = DROPEFFECT_NONE;

    // Presses (and releases) the text at the character nIndex.
    void clickAtChar(int nIndex)
    {
        const QPoint p = pointAtChar(m_pPaper, nIndex);
        sendPress(textViewport(m_pPaper), p);
        sendRelease(textViewport(m_pPaper), p);
    }
    void setText(const QString &text, int nStart, int nEnd)
    {
        m_pEdit->SetWindowText(text);
        m_pEdit->SetSel(nStart, nEnd, FALSE);
    }
    CString text() const
    {
        CString s;
        m_pEdit->GetWindowText(s);
        return s;
    }

protected:
    void initTest() override
    {
        QVERIFY(startApp());
        QVERIFY(setBoardSize(600, 400));
        m_pPaper = addNote(QRect(150, 100, 320, 200));
        QVERIFY(m_pPaper);
        m_pEdit = m_pPaper->m_pEdit.get();
        settle();
        m_drag = DragRecord();
        m_onDrop = nullptr;
        m_effect = DROPEFFECT_NONE;
        AfxSetDragDropHook([this](COleDataSource *pSource, DROPEFFECT allowed) {
            ++m_drag.nDrags;
            m_drag.allowed = allowed;
            if (HGLOBAL h = pSource->GetGlobalData(CF_TEXT)) {
                const auto *p = static_cast<const char *>(GlobalLock(h));
                const SIZE_T n = GlobalSize(h);
                m_drag.text = QByteArray(p, qsizetype(qstrnlen(p, uint(n))));
                m_drag.blockTail = QByteArray(p + n - 1, 1);
                GlobalUnlock(h);
                GlobalFree(h);
            }
            std::unique_ptr<QMimeData> mime(pSource->CreateMimeData());
            m_drag.mimeText = mime->text();
            if (m_onDrop)
                m_onDrop();
            return m_effect;
        });
    }

    void cleanupTest() override
    {
        AfxSetDragDropHook(nullptr);
        endApp();
    }

private Q_SLOTS:
    void typingWithUndoClipboardAndSelection()
    {
        QWidget *w = textWidget(m_pPaper);
        QTest::keyClicks(w, QStringLiteral("Milk"));
        QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClicks(w, QStringLiteral("Bread"));
        QCOMPARE(text(), CString("Milk\r\nBread"));
        int nStart = 0, nEnd = 0;
        m_pEdit->GetSel(nStart, nEnd);
        QCOMPARE(nStart, 11);
        QCOMPARE(nEnd, 11);

        // Keyboard selection, cut and paste.
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(w, Qt::Key_Left, Qt::ShiftModifier);
        m_pEdit->GetSel(nStart, nEnd);
        QCOMPARE(nStart, 6);
        QCOMPARE(nEnd, 11);
        QTest::keyClick(w, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(text(), CString("Milk\r\n"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Bread"));
        QTest::keyClick(w, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(text(), CString("BreadMilk\r\n"));
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("BreadMilk\n"));

        // Undo takes the paste back.
        QTest::keyClick(w, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(text(), CString("Milk\r\n"));

        // Mouse selection from an empty selection starts no drag.
        setText(QStringLiteral("apples and pears"), 0, 0);
        QWidget *vp = textViewport(m_pPaper);
        sendPress(vp, pointAtChar(m_pPaper, 0));
        sendMove(vp, pointAtChar(m_pPaper, 3));
        sendMove(vp, pointAtChar(m_pPaper, 6));
        sendRelease(vp, pointAtChar(m_pPaper, 6));
        m_pEdit->GetSel(nStart, nEnd);
        QCOMPARE(nStart, 0);
        QCOMPARE(nEnd, 6);
        QCOMPARE(m_drag.nDrags, 0);
    }

    void dragStartsOnlyInsideTheSelection()
    {
        setText(QStringLiteral("one two three"), 4, 7);
        // One past the end: a plain click.
        clickAtChar(8);
        QCOMPARE(m_drag.nDrags, 0);
        QVERIFY(!m_pEdit->m_bDragging);

        setText(QStringLiteral("one two three"), 4, 7);
        clickAtChar(3);
        QCOMPARE(m_drag.nDrags, 0);

        // The first selected character, and the position right after the last one.
        for (int nAt : {4, 7}) {
            setText(QStringLiteral("one two three"), 4, 7);
            sendPress(textViewport(m_pPaper), pointAtChar(m_pPaper, nAt));
            QVERIFY(m_pEdit->m_bDragging);
            sendRelease(textViewport(m_pPaper), pointAtChar(m_pPaper, nAt));
        }
        QCOMPARE(m_drag.nDrags, 2);
        QCOMPARE(m_drag.allowed, DROPEFFECT(DROPEFFECT_COPY | DROPEFFECT_MOVE));
        QCOMPARE(m_pEdit->m_strDragText, CString("two"));
        QCOMPARE(m_drag.text, QByteArray("two"));
        QCOMPARE(m_drag.blockTail, QByteArray(1, '\0'));
        QCOMPARE(m_drag.mimeText, QStringLiteral("two"));
    }

    void draggedTextIsWindows1252WithLineBreaks()
    {
        const QString grocery = QStringLiteral("Gr\u00fc\u00dfe \u20ac5\r\nfin");
        setText(grocery, 0, int(grocery.size()));
        clickAtChar(2);
        QCOMPARE(m_drag.nDrags, 1);
        QCOMPARE(m_drag.text, QByteArray("Gr\xfc\xdf"
                                         "e \x80"
                                         "5\r\nfin"));
        QCOMPARE(m_drag.mimeText, grocery);
        // The data is released after the drag.
        QVERIFY(!m_pEdit->m_dataSource.IsDataAvailable(CF_TEXT));
    }

    void moveRemovesCopyAndCancelKeep_data()
    {
        QTest::addColumn<uint>("effect");
        QTest::addColumn<QString>("expected");
        QTest::newRow("move to another program") << uint(DROPEFFECT_MOVE) << QStringLiteral("one  three");
        QTest::newRow("copy") << uint(DROPEFFECT_COPY) << QStringLiteral("one two three");
        QTest::newRow("cancelled or refused") << uint(DROPEFFECT_NONE) << QStringLiteral("one two three");
    }
    void moveRemovesCopyAndCancelKeep()
    {
        QFETCH(uint, effect);
        QFETCH(QString, expected);
        setText(QStringLiteral("one two three"), 4, 7);
        m_effect = effect;
        document()->SetModifiedFlag(FALSE);
        clickAtChar(5);
        QCOMPARE(m_drag.nDrags, 1);
        QCOMPARE(text(), CString(expected));
        QCOMPARE(bool(document()->IsModified()), effect == DROPEFFECT_MOVE);
    }

    void moveToAnotherNoteInsertsThereAndRemovesHere()
    {
        CPaperFrame *pOther = addNote(QRect(20, 320, 200, 70));
        pOther->m_pEdit->SetWindowText(QStringLiteral("buy "));
        setText(QStringLiteral("eggs and ham"), 0, 4);
        m_effect = DROPEFFECT_MOVE;
        m_onDrop = [&] { dropInto(pOther->m_pEdit.get(), QPoint(200, 5), QStringLiteral("eggs")); };
        clickAtChar(1);
        CString other;
        pOther->m_pEdit->GetWindowText(other);
        QCOMPARE(other, CString("buy eggs"));
        QCOMPARE(text(), CString(" and ham"));
    }

    void moveWithinTheSameNoteRemovesExactlyTheDraggedCharacters_data()
    {
        QTest::addColumn<int>("dropAt");
        QTest::addColumn<QString>("expected");
        // "ab XYZ cd XYZ", dragging the first "XYZ" (3..6).
        QTest::newRow("dropped before it") << 0 << QStringLiteral("XYZab  cd XYZ");
        QTest::newRow("dropped after it") << 9 << QStringLiteral("ab  cdXYZ XYZ");
        QTest::newRow("dropped onto its own middle") << 4 << QStringLiteral("ab XYZ cd XYZ");
        QTest::newRow("dropped onto its own end") << 6 << QStringLiteral("ab XYZ cd XYZ");
    }
    void moveWithinTheSameNoteRemovesExactlyTheDraggedCharacters()
    {
        QFETCH(int, dropAt);
        QFETCH(QString, expected);
        setText(QStringLiteral("ab XYZ cd XYZ"), 3, 6);
        const QPoint dropPoint = pointAtChar(m_pPaper, dropAt);
        m_effect = DROPEFFECT_MOVE;
        m_onDrop = [&] { dropInto(m_pEdit, dropPoint, QStringLiteral("XYZ")); };
        clickAtChar(4);
        QCOMPARE(m_drag.nDrags, 1);
        QCOMPARE(text(), CString(expected));
    }

    void afterADragTheFirstMouseMessageEndsTheSelecting()
    {
        // A move: the capture ends and no selection is extended.
        setText(QStringLiteral("one two three"), 4, 7);
        sendPress(textViewport(m_pPaper), pointAtChar(m_pPaper, 5));
        QCOMPARE(m_drag.nDrags, 1);
        QVERIFY(m_pEdit->m_bDragging);
        sendMove(textViewport(m_pPaper), pointAtChar(m_pPaper, 10), false);
        QVERIFY(!m_pEdit->m_bDragging);
        QVERIFY(GetCapture() != m_pEdit->GetSafeHwnd());

        // A release instead puts the caret where the button went up.
        setText(QStringLiteral("one two three"), 4, 7);
        sendPress(textViewport(m_pPaper), pointAtChar(m_pPaper, 6));
        QCOMPARE(m_drag.nDrags, 2);
        sendRelease(textViewport(m_pPaper), pointAtChar(m_pPaper, 10));
        QVERIFY(!m_pEdit->m_bDragging);
        int nStart = 0, nEnd = 0;
        m_pEdit->GetSel(nStart, nEnd);
        QCOMPARE(nStart, 10);
        QCOMPARE(nEnd, 10);
    }

    void charactersBeyond65535AreFoundWhereTheyAre()
    {
        // 1,000 lines of 69 characters: 71,000 characters with the line breaks.
        QString line(69, QLatin1Char('a'));
        QString all;
        for (int i = 0; i < 1000; ++i)
            all += line + QStringLiteral("\r\n");
        const int nStart = 65600, nEnd = 65606;
        all.replace(nStart, nEnd - nStart, QStringLiteral("ZZZZZZ"));
        m_pEdit->SetWindowText(all);
        // Scrolled into view.
        m_pEdit->SetSel(nStart, nEnd, FALSE);
        QCOMPARE(m_pEdit->CharIndexFromPos(CPoint(pointAtChar(m_pPaper, nStart + 2))), nStart + 2);

        m_effect = DROPEFFECT_MOVE;
        sendPress(textViewport(m_pPaper), pointAtChar(m_pPaper, nStart + 2));
        QCOMPARE(m_drag.nDrags, 1);
        QCOMPARE(m_drag.text, QByteArray("ZZZZZZ"));
        sendRelease(textViewport(m_pPaper), pointAtChar(m_pPaper, nStart + 2));
        const CString after = text();
        QCOMPARE(after.GetLength(), all.size() - 6);
        QCOMPARE(after, CString(all.left(nStart) + all.mid(nEnd)));
    }

    void dataSourceOwnsItsBlocks()
    {
        const int nBefore = AfxLiveMemoryBlocks();
        {
            COleDataSource source;
            QVERIFY(!source.IsDataAvailable(CF_TEXT));
            QVERIFY(!source.GetGlobalData(CF_TEXT));
            HGLOBAL h1 = GlobalAlloc(GMEM_ZEROINIT, 4);
            std::memcpy(GlobalLock(h1), "abc", 4);
            GlobalUnlock(h1);
            source.CacheGlobalData(CF_TEXT, h1);
            HGLOBAL h2 = GlobalAlloc(GMEM_ZEROINIT, 4);
            std::memcpy(GlobalLock(h2), "xyz", 4);
            GlobalUnlock(h2);
            // The block cached before in the format goes.
            source.CacheGlobalData(CF_TEXT, h2);
            QCOMPARE(AfxLiveMemoryBlocks(), nBefore + 1);
            std::unique_ptr<QMimeData> mime(source.CreateMimeData());
            QCOMPARE(mime->text(), QStringLiteral("xyz"));
            QVERIFY(mime->hasFormat(QStringLiteral("text/plain")));
            source.Empty();
            QCOMPARE(AfxLiveMemoryBlocks(), nBefore);
            QVERIFY(!source.IsDataAvailable(CF_TEXT));
            source.CacheGlobalData(CF_TEXT, GlobalAlloc(GMEM_ZEROINIT, 1));
        }
        // The destructor freed the last one.
        QCOMPARE(AfxLiveMemoryBlocks(), nBefore);

        // The hook's answer is limited to what the source allows.
        COleDataSource source;
        m_effect = DROPEFFECT_MOVE | DROPEFFECT_LINK;
        QCOMPARE(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT(DROPEFFECT_MOVE));
        QCOMPARE(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT(DROPEFFECT_NONE));
    }

    void withoutAHookTheDragBeginsOnlyOnceThePointerMoves()
    {
        AfxSetDragDropHook(nullptr);
        COleDataSource source;
        HGLOBAL hText = GlobalAlloc(GMEM_ZEROINIT, 4);
        std::memcpy(GlobalLock(hText), "abc", 4);
        GlobalUnlock(hText);
        source.CacheGlobalData(CF_TEXT, hText);
        MouseRecorder target;
        target.resize(100, 100);
        const QPoint start(10, 10);
        auto postMouse = [&](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
            QCoreApplication::postEvent(&target,
                                        new QMouseEvent(type, QPointF(p), QPointF(target.mapToGlobal(p)),
                                                        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                                                        buttons, Qt::NoModifier));
        };
        // Called while a left-button press is handled, as the text field does.
        MSG &current = AfxGetThreadState()->m_lastSentMsg;
        const MSG saved = current;
        current.message = WM_LBUTTONDOWN;
        current.wParam = MK_LBUTTON;
        const QPoint global = target.mapToGlobal(start);
        current.pt = POINT{global.x(), global.y()};

        // Released without moving: no drag, and the release reaches its window after the call.
        postMouse(QEvent::MouseMove, start + QPoint(1, 0), Qt::LeftButton);
        postMouse(QEvent::MouseButtonRelease, start + QPoint(1, 0), Qt::NoButton);
        QCOMPARE(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT(DROPEFFECT_NONE));
        QVERIFY(target.events.isEmpty());
        QCoreApplication::sendPostedEvents(&target);
        QCOMPARE(target.events, QList<QEvent::Type>{QEvent::MouseButtonRelease});

        // Moved far enough: the drag begins (and, with no drop target on this desktop, ends with no effect).
        target.events.clear();
        postMouse(QEvent::MouseMove, start + QPoint(QApplication::startDragDistance() + 2, 0), Qt::LeftButton);
        QCOMPARE(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT(DROPEFFECT_NONE));
        QCoreApplication::sendPostedEvents(&target);
        QVERIFY(target.events.isEmpty());
        current = saved;
        // The data stays cached until the caller empties the source.
        QVERIFY(source.IsDataAvailable(CF_TEXT));
    }
};

ZB_TEST_MAIN(TestPaperEdit)
#include "tst_paperedit.moc"
