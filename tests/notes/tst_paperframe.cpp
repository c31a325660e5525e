// The note window: its window and text control, its rectangle through moves and sizes made with the mouse, what
// it tells the board view, activation, its storage states, and how it ends (always leaving the note list).
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"
#include "platform/SysParams.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>

using namespace zbtest;

namespace {
// Counts WM_PAPER_MOVED reaching the board view, ahead of the view's own procedure.
int g_nPaperMoved = 0;
WNDPROC g_pfnViewProc = nullptr;
LRESULT countingViewProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_PAPER_MOVED)
        ++g_nPaperMoved;
    return CallWindowProc(g_pfnViewProc, hWnd, nMsg, wParam, lParam);
}

// Calls Destroy again while the note's window is being destroyed (from its text control's WM_DESTROY).
CPaperFrame *g_pReentered = nullptr;
WNDPROC g_pfnNoteProc = nullptr;
int g_nDestroyMessages = 0;
LRESULT reenteringNoteProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_DESTROY) {
        ++g_nDestroyMessages;
        g_pReentered->Destroy();
    }
    return CallWindowProc(g_pfnNoteProc, hWnd, nMsg, wParam, lParam);
}

bool listHolds(CPaperFrame *pPaper)
{
    return document()->m_papers.Find(pPaper) != nullptr;
}
} // namespace

class TestPaperFrame : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        QVERIFY(startApp());
        QVERIFY(setBoardSize(600, 400));
    }

    void cleanupTest() override
    {
        if (g_pfnViewProc && boardView())
            SetWindowLong(boardView()->GetSafeHwnd(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnViewProc));
        g_pfnViewProc = nullptr;
        endApp();
    }

private Q_SLOTS:
    void newNoteIsAFrameInTheBoardFilledByItsText()
    {
        CPaperFrame *pPaper = addNote(QRect(120, 80, 200, 150));
        QVERIFY(pPaper);
        settle();
        QCOMPARE(pPaper->GetStyle() & ~DWORD(WS_VISIBLE), DWORD(0x44C40100));
        QVERIFY(pPaper->GetExStyle() & WS_EX_TOOLWINDOW);
        QVERIFY(!(pPaper->GetExStyle() & WS_EX_CLIENTEDGE));
        QCOMPARE(pPaper->GetParent(), static_cast<CWnd *>(boardView()));
        QCOMPARE(pPaper->GetDlgCtrlID(), 0);
        QVERIFY(pPaper->IsWindowVisible());
        QVERIFY(!pPaper->m_bHidden);
        QCOMPARE(pPaper->m_rect, CRect(120, 80, 320, 230));
        QCOMPARE(noteGeometry(pPaper), QRect(120, 80, 200, 150));
        QCOMPARE(pPaper->m_strCaption, CString());
        QCOMPARE(pPaper->m_clrCaption, RGB(255, 0, 0));
        QVERIFY(pPaper->m_pBackground);
        QCOMPARE(pPaper->m_pBackground->m_clrActive, RGB(255, 0, 0));
        QCOMPARE(pPaper->m_pBackground->m_clrInactive, RGB(255, 0, 0));

        CPaperEdit *pEdit = pPaper->m_pEdit.get();
        QCOMPARE(pEdit->GetParent(), static_cast<CWnd *>(pPaper));
        QCOMPARE(pEdit->GetStyle() & ~DWORD(WS_VISIBLE), DWORD(0x400010C4));
        QVERIFY(pEdit->IsWindowVisible());
        QVERIFY(pEdit->GetPlainTextEdit());
        CRect rcClient, rcEdit;
        pPaper->GetClientRect(&rcClient);
        pEdit->GetWindowRect(&rcEdit);
        pPaper->ScreenToClient(&rcEdit);
        QCOMPARE(rcEdit, rcClient);
        const int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
        QCOMPARE(rcClient, CRect(0, 0, 200 - 2 * fx, 150 - 2 * fy - GetSystemMetrics(SM_CYSMCAPTION)));
    }

    void noteMadeHiddenKeepsItsRectangleUntilShown()
    {
        CPaperFrame *pPaper = addNote(QRect(300, 200, 90, 70), false);
        QVERIFY(pPaper->m_bHidden);
        QVERIFY(!pPaper->IsWindowVisible());
        QVERIFY(pPaper->m_pEdit->GetStyle() & WS_VISIBLE);
        QCOMPARE(pPaper->m_rect, CRect(300, 200, 390, 270));
        pPaper->Show();
        QVERIFY(!pPaper->m_bHidden);
        QVERIFY(pPaper->IsWindowVisible());
        QVERIFY(pPaper->m_pEdit->IsWindowVisible());
        QCOMPARE(pPaper->m_rect, CRect(300, 200, 390, 270));
    }

    void showHideAndDestroyDoNothingTwice()
    {
        CPaperFrame *pPaper = addNote(QRect(200, 150, 100, 80));
        pPaper->Show();
        QVERIFY(!pPaper->m_bHidden);
        QVERIFY(pPaper->IsWindowVisible());

        pPaper->Hide();
        QVERIFY(pPaper->m_bHidden);
        QVERIFY(!pPaper->IsWindowVisible());
        // The text stays shown inside the hidden frame.
        QVERIFY(pPaper->m_pEdit->GetStyle() & WS_VISIBLE);
        pPaper->Hide();
        QVERIFY(pPaper->m_bHidden);
        QVERIFY(!pPaper->IsWindowVisible());
        QVERIFY(listHolds(pPaper));

        pPaper->Show();
        QVERIFY(pPaper->IsWindowVisible());

        // Destroy reached again while the window is being destroyed runs nothing a second time.
        g_pReentered = pPaper;
        g_nDestroyMessages = 0;
        g_pfnNoteProc = reinterpret_cast<WNDPROC>(SetWindowLong(pPaper->m_pEdit->GetSafeHwnd(), GWL_WNDPROC,
                                                                reinterpret_cast<LONG_PTR>(&reenteringNoteProc)));
        QPointer<QWidget> widget = pPaper->GetWidget();
        pPaper->Destroy();
        QCOMPARE(g_nDestroyMessages, 1);
        QCOMPARE(document()->m_nPapers, 0);
        QVERIFY(document()->m_papers.IsEmpty());
        settle();
        QVERIFY(widget.isNull());
    }

    void movingByTheCaptionKeepsTheRectangleAndTellsTheBoardEachTime()
    {
        CPaperFrame *pPaper = addNote(QRect(150, 120, 160, 110));
        settle();
        g_nPaperMoved = 0;
        g_pfnViewProc = reinterpret_cast<WNDPROC>(
            SetWindowLong(boardView()->GetSafeHwnd(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&countingViewProc)));
        dragNote(pPaper, captionPoint(pPaper), QPoint(40, -24), 4);
        // Posted: nothing reached the board while the note moved.
        QCOMPARE(g_nPaperMoved, 0);
        QCOMPARE(pPaper->m_rect, CRect(190, 96, 350, 206));
        QCOMPARE(noteGeometry(pPaper), QRect(190, 96, 160, 110));
        settle();
        QCOMPARE(g_nPaperMoved, 4);
    }

    void sizingByTheFrameKeepsTheRectangleAndTheTextFillingTheNote_data()
    {
        QTest::addColumn<QPoint>("handle");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<int>("messages");
        // Note at (150, 120), 160 x 110; handle points in window coordinates.
        QTest::newRow("right edge: sized only") << QPoint(158, 60) << QPoint(40, 0) << QRect(150, 120, 200, 110) << 4;
        QTest::newRow("bottom edge: sized only") << QPoint(80, 108) << QPoint(0, 30) << QRect(150, 120, 160, 140) << 4;
        QTest::newRow("left edge: moved and sized")
            << QPoint(1, 60) << QPoint(-20, 0) << QRect(130, 120, 180, 110) << 8;
        QTest::newRow("top left corner: moved and sized")
            << QPoint(1, 1) << QPoint(20, 12) << QRect(170, 132, 140, 98) << 8;
    }
    void sizingByTheFrameKeepsTheRectangleAndTheTextFillingTheNote()
    {
        QFETCH(QPoint, handle);
        QFETCH(QPoint, delta);
        QFETCH(QRect, expected);
        QFETCH(int, messages);
        CPaperFrame *pPaper = addNote(QRect(150, 120, 160, 110));
        settle();
        g_nPaperMoved = 0;
        g_pfnViewProc = reinterpret_cast<WNDPROC>(
            SetWindowLong(boardView()->GetSafeHwnd(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&countingViewProc)));
        dragNote(pPaper, handle, delta, 4);
        QCOMPARE(noteGeometry(pPaper), expected);
        QCOMPARE(pPaper->m_rect, CRect(expected));
        CRect rcClient, rcEdit;
        pPaper->GetClientRect(&rcClient);
        pPaper->m_pEdit->GetWindowRect(&rcEdit);
        pPaper->ScreenToClient(&rcEdit);
        QCOMPARE(rcEdit, rcClient);
        settle();
        QCOMPARE(g_nPaperMoved, messages);
    }

    void clickingANoteBringsItToTheFrontWithTheCaretInItsText()
    {
        CPaperFrame *pBack = addNote(QRect(100, 100, 150, 120));
        CPaperFrame *pFront = addNote(QRect(180, 130, 150, 120));
        settle();
        QWidget *board = boardWidget();
        const QPoint overlap(200, 180);
        QVERIFY(pFront->GetWidget()->isAncestorOf(board->childAt(overlap)));

        // On the caption of the note behind.
        sendPress(pBack->GetWidget(), captionPoint(pBack));
        sendRelease(pBack->GetWidget(), captionPoint(pBack));
        QVERIFY(pBack->GetWidget()->isAncestorOf(board->childAt(overlap)));
        QCOMPARE(pBack->m_caption.m_bActive, TRUE);
        QVERIFY(pFront->m_caption.m_bActive != TRUE);
        QWidget *focus = board->window()->focusWidget();
        QVERIFY(focus == textWidget(pBack) || focus == textViewport(pBack));

        // Into the text of the other one.
        const QPoint inText = textViewport(pFront)->mapFrom(board, QPoint(300, 220));
        sendPress(textViewport(pFront), inText);
        sendRelease(textViewport(pFront), inText);
        QVERIFY(pFront->GetWidget()->isAncestorOf(board->childAt(overlap)));
        QCOMPARE(pFront->m_caption.m_bActive, TRUE);
        QCOMPARE(pBack->m_caption.m_bActive, FALSE);
        focus = board->window()->focusWidget();
        QVERIFY(focus == textWidget(pFront) || focus == textViewport(pFront));
    }

    void notesLeaveTheListWhenTheirWindowsEnd()
    {
        // Destroy on its own.
        CPaperFrame *pA = addNote(QRect(100, 100, 80, 80));
        CPaperFrame *pB = addNote(QRect(200, 100, 80, 80));
        CPaperFrame *pC = addNote(QRect(300, 100, 80, 80), false);
        QCOMPARE(document()->m_nPapers, 3);
        pB->Destroy();
        QCOMPARE(document()->m_nPapers, 2);
        QCOMPARE(document()->m_papers.GetCount(), 2);
        QVERIFY(listHolds(pA) && listHolds(pC));

        // New ends the notes on the board and in storage alike.
        QPointer<QWidget> wA = pA->GetWidget(), wC = pC->GetWidget();
        AfxDialogScript::PushMessageBoxAnswer(IDNO); // "Save changes?"
        AfxGetApp()->OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr);
        settle();
        QCOMPARE(document()->m_nPapers, 0);
        QVERIFY(document()->m_papers.IsEmpty());
        QVERIFY(wA.isNull() && wC.isNull());

        // Open does too.
        addNote(QRect(100, 100, 80, 80));
        addNote(QRect(100, 200, 80, 80), false);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("empty.zbd"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        AfxDialogScript::PushMessageBoxAnswer(IDNO); // "Save changes?"
        QVERIFY(AfxGetApp()->OpenDocumentFile(path));
        settle();
        QCOMPARE(document()->m_nPapers, 0);
        QVERIFY(document()->m_papers.IsEmpty());
    }

    void closingTheBoardEndsEveryNoteBeforeTheListIsEmptied()
    {
        addNote(QRect(100, 100, 80, 80));
        addNote(QRect(200, 100, 80, 80), false);
        CPaperFrame *pStored = addNote(QRect(300, 100, 80, 80));
        pStored->Hide();
        QPointer<QWidget> widget = pStored->GetWidget();
        CZentDoc *pDoc = document();
        // The main window ends with the view and every note window in it; the document stays.
        mainFrame()->DestroyWindow();
        QCOMPARE(pDoc->m_nPapers, 0);
        QVERIFY(pDoc->m_papers.IsEmpty());
        pDoc->DeleteContents();
        settle();
        QVERIFY(widget.isNull());
    }

    void movingSizingAndTypingMarkTheBoardModified()
    {
        CPaperFrame *pPaper = addNote(QRect(150, 120, 160, 110));
        settle();
        QVERIFY(document()->IsModified());

        document()->SetModifiedFlag(FALSE);
        dragNote(pPaper, captionPoint(pPaper), QPoint(10, 10));
        QVERIFY(document()->IsModified());

        document()->SetModifiedFlag(FALSE);
        dragNote(pPaper, QPoint(158, 60), QPoint(20, 0));
        QVERIFY(document()->IsModified());

        document()->SetModifiedFlag(FALSE);
        QTest::keyClicks(textWidget(pPaper), QStringLiteral("x"));
        QVERIFY(document()->IsModified());

        // Setting the text as a file load does is not an edit.
        document()->SetModifiedFlag(FALSE);
        pPaper->m_pEdit->SetWindowText(QStringLiteral("loaded"));
        QVERIFY(!document()->IsModified());
        // Neither is a click without a move.
        sendPress(pPaper->GetWidget(), captionPoint(pPaper));
        sendRelease(pPaper->GetWidget(), captionPoint(pPaper));
        settle();
        QVERIFY(!document()->IsModified());
    }
};

ZB_TEST_MAIN(TestPaperFrame)
#include "tst_paperframe.moc"
