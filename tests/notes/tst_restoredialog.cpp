// The restore dialog: stored notes listed by caption in the list box's order, their text previewed, Restore putting
// them back, each dialog keeping the list it opened with, and notes that end while it is open.
#include "support/AppFixture.h"
#include "support/TestMain.h"

#include "notes/DialogProbe.h"
#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "notes/RestoreObjectsDialog.h"
#include "platform/CommonDialogs.h"
#include "res/resource.h"

using namespace zbtest;

namespace {

const QString kTitle = QStringLiteral("Restore Objects from Storage");

// A note with its caption and text; a stored one is put into the storage.
CPaperFrame *makeNote(const CRect &rc, const QString &caption, const QString &text, bool bStored)
{
    RECT r = rc;
    document()->AddPaper(r, true);
    CPaperFrame *pPaper = document()->m_papers.GetHead();
    pPaper->m_strCaption = caption;
    pPaper->SetWindowText(caption);
    pPaper->m_pEdit->SetWindowText(text);
    if (bStored)
        pPaper->Hide();
    settle();
    return pPaper;
}

// Double-click on the storage drawer.
CRestoreObjectsDialog *openRestoreDialog()
{
    CZentView *pView = boardView();
    const CPoint pt = document()->m_ptStorage + CPoint(16, 16);
    pView->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    return pView->m_pRestoreDialog;
}

QStringList rows(const CListBox &list)
{
    QStringList texts;
    for (int i = 0; i < list.GetCount(); ++i) {
        CString text;
        list.GetText(i, text);
        texts << text;
    }
    return texts;
}

int rowOf(const CListBox &list, const CPaperFrame *pPaper)
{
    for (int i = 0; i < list.GetCount(); ++i)
        if (list.GetItemDataPtr(i) == pPaper)
            return i;
    return -1;
}

QString previewText(CRestoreObjectsDialog *pDlg)
{
    CString text;
    pDlg->m_editPreview.GetWindowText(text);
    return text;
}

bool onBoard(const CPaperFrame *pPaper)
{
    return document()->m_papers.Find(const_cast<CPaperFrame *>(pPaper));
}

} // namespace

class TestRestoreDialog : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override { QVERIFY(startApp()); }

    void cleanupTest() override
    {
        if (document())
            document()->SetModifiedFlag(FALSE);
        endApp();
        QVERIFY(openDialogs<CRestoreObjectsDialog>(kTitle).empty());
    }

private Q_SLOTS:
    void emptyStorageAndTheKeyboard()
    {
        CPaperFrame *pOnBoard = makeNote(CRect(200, 120, 320, 220), QStringLiteral("On the board"), QString(), false);
        CRestoreObjectsDialog *pDlg = openRestoreDialog();
        QVERIFY(pDlg);
        QVERIFY(pDlg->IsWindowVisible());
        QCOMPARE(pDlg->m_list.GetCount(), 0);
        QCOMPARE(previewText(pDlg), QString());

        // Laid out from the template: Cancel has the focus, Restore is no default button, the preview is read-only.
        QCOMPARE(controlRect(pDlg, IDC_OBJECT_LIST), dialogUnits(pDlg, 10, 17, 73, 49));
        QCOMPARE(focusIn(pDlg), widgetOf(pDlg, IDCANCEL));
        QVERIFY(!pDlg->GetDlgItem(IDOK));
        QCOMPARE(pDlg->m_btnRestore.GetButtonStyle() & BS_TYPEMASK, UINT(BS_PUSHBUTTON));
        QVERIFY(pDlg->m_editPreview.GetStyle() & ES_READONLY);

        // Restore with nothing listed does nothing.
        clickControl(pDlg, IDC_RESTORE);
        QCOMPARE(document()->m_nPapers, 1);
        QVERIFY(!pOnBoard->m_bHidden);

        // Enter leaves it open; Escape closes it, and the view forgets it.
        HWND hDlg = pDlg->m_hWnd;
        pDlg->GotoDlgCtrl(&pDlg->m_list);
        QTest::keyClick(widgetOf(pDlg, IDC_OBJECT_LIST), Qt::Key_Return);
        settle();
        QVERIFY(IsWindow(hDlg));
        QVERIFY(pDlg->IsWindowVisible());
        QTest::keyClick(widgetOf(pDlg, IDC_OBJECT_LIST), Qt::Key_Escape);
        settle();
        QVERIFY(!IsWindow(hDlg));
        QCOMPARE(boardView()->m_pRestoreDialog, nullptr);
    }

    void listsStoredNotesByCaptionAndPreviewsTheirText()
    {
        const QString longCaption(100, QLatin1Char('x'));
        CPaperFrame *pB = makeNote(CRect(60, 80, 160, 180), QStringLiteral("b"), QStringLiteral("bee"), true);
        CPaperFrame *pA =
            makeNote(CRect(180, 80, 280, 180), QStringLiteral("A"), QStringLiteral("first line\r\nsecond line"), true);
        CPaperFrame *pEmpty = makeNote(CRect(300, 80, 400, 180), QString(), QStringLiteral("no caption"), true);
        CPaperFrame *pLong = makeNote(CRect(60, 200, 160, 300), longCaption, QStringLiteral("long"), true);
        makeNote(CRect(180, 200, 280, 300), QStringLiteral("Aa on the board"), QString(), false);

        CRestoreObjectsDialog *pDlg = openRestoreDialog();
        QVERIFY(pDlg);
        QCOMPARE(rows(pDlg->m_list),
                 QStringList({QString(), QStringLiteral("A"), QStringLiteral("b"), longCaption.left(79)}));
        QCOMPARE(pDlg->m_list.GetItemDataPtr(0), static_cast<void *>(pEmpty));
        QCOMPARE(pDlg->m_list.GetItemDataPtr(1), static_cast<void *>(pA));
        QCOMPARE(pDlg->m_list.GetItemDataPtr(2), static_cast<void *>(pB));
        QCOMPARE(pDlg->m_list.GetItemDataPtr(3), static_cast<void *>(pLong));
        QCOMPARE(pDlg->m_list.GetCurSel(), -1);

        clickRow(pDlg->m_list, 1);
        QCOMPARE(previewText(pDlg), QStringLiteral("first line\r\nsecond line"));
        QCOMPARE(pDlg->m_editPreview.GetLineCount(), 2);
        clickRow(pDlg->m_list, 0);
        QCOMPARE(previewText(pDlg), QStringLiteral("no caption"));
        // Looking changes nothing.
        QVERIFY(pA->m_bHidden && pEmpty->m_bHidden);
    }

    void restoreBringsTheNoteBackAndDropsItsRow()
    {
        // Dropped on the storage drawer, the way a person stores a note.
        CPaperFrame *pFirst =
            makeNote(CRect(90, 5, 190, 105), QStringLiteral("first"), QStringLiteral("one\r\ntwo"), false);
        QVERIFY(pFirst->m_bHidden);
        const CRect rcStored = pFirst->m_rect;
        CPaperFrame *pSecond = makeNote(CRect(220, 120, 320, 220), QStringLiteral("second"), QString(), true);

        CRestoreObjectsDialog *pDlg = openRestoreDialog();
        QVERIFY(pDlg);
        document()->SetModifiedFlag(FALSE);

        // Without a selection nothing happens.
        clickControl(pDlg, IDC_RESTORE);
        QCOMPARE(pDlg->m_list.GetCount(), 2);
        QVERIFY(!document()->IsModified());

        clickRow(pDlg->m_list, rowOf(pDlg->m_list, pFirst));
        clickControl(pDlg, IDC_RESTORE);
        QVERIFY(!pFirst->m_bHidden);
        QVERIFY(pFirst->IsWindowVisible());
        QCOMPARE(pFirst->m_rect, rcStored);
        QCOMPARE(rows(pDlg->m_list), QStringList({QStringLiteral("second")}));
        QCOMPARE(pDlg->m_list.GetCurSel(), -1);
        QCOMPARE(previewText(pDlg), QStringLiteral("one\r\ntwo"));
        QVERIFY(document()->IsModified());
        settle();
        // Showing does not move it, so it stays on the board over the drawer.
        QVERIFY(!pFirst->m_bHidden);

        clickRow(pDlg->m_list, 0);
        clickControl(pDlg, IDC_RESTORE);
        QVERIFY(!pSecond->m_bHidden);
        QCOMPARE(pDlg->m_list.GetCount(), 0);
        QVERIFY(IsWindow(pDlg->m_hWnd) && pDlg->IsWindowVisible());
    }

    void eachDialogKeepsTheListItOpenedWith()
    {
        CPaperFrame *pOne = makeNote(CRect(60, 80, 160, 180), QStringLiteral("one"), QString(), true);
        makeNote(CRect(180, 80, 280, 180), QStringLiteral("two"), QString(), true);
        CPaperFrame *pThree = makeNote(CRect(300, 80, 400, 180), QStringLiteral("three"), QString(), false);

        CRestoreObjectsDialog *pFirst = openRestoreDialog();
        QVERIFY(pFirst);
        pThree->Hide();
        CRestoreObjectsDialog *pSecond = openRestoreDialog();
        QVERIFY(pSecond && pSecond != pFirst);
        QCOMPARE(openDialogs<CRestoreObjectsDialog>(kTitle).size(), size_t(2));
        QCOMPARE(rows(pFirst->m_list), QStringList({QStringLiteral("one"), QStringLiteral("two")}));
        QCOMPARE(rows(pSecond->m_list),
                 QStringList({QStringLiteral("one"), QStringLiteral("three"), QStringLiteral("two")}));

        // Restored through the second dialog, the note stays listed in the first; restoring it there again only
        // drops the row.
        clickRow(pSecond->m_list, rowOf(pSecond->m_list, pOne));
        clickControl(pSecond, IDC_RESTORE);
        QVERIFY(!pOne->m_bHidden);
        QCOMPARE(rowOf(pFirst->m_list, pOne), 0);
        clickRow(pFirst->m_list, 0);
        clickControl(pFirst, IDC_RESTORE);
        QCOMPARE(rows(pFirst->m_list), QStringList({QStringLiteral("two")}));
        QVERIFY(!pOne->m_bHidden);
        QVERIFY(onBoard(pOne));

        clickControl(pFirst, IDCANCEL);
        settle();
        QCOMPARE(openDialogs<CRestoreObjectsDialog>(kTitle).size(), size_t(1));
        QCOMPARE(pSecond->m_list.GetCount(), 2);
    }

    void notesEndingWhileItIsOpenLeaveTheList()
    {
        CPaperFrame *pDoomed =
            makeNote(CRect(60, 80, 160, 180), QStringLiteral("doomed"), QStringLiteral("gone soon"), true);
        CPaperFrame *pKept = makeNote(CRect(180, 80, 280, 180), QStringLiteral("kept"), QString(), true);
        CRestoreObjectsDialog *pDlg = openRestoreDialog();
        QVERIFY(pDlg);
        clickRow(pDlg->m_list, rowOf(pDlg->m_list, pDoomed));
        QCOMPARE(previewText(pDlg), QStringLiteral("gone soon"));

        // The stored note goes onto the waste bin and the user agrees to delete it.
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        const CPoint ptTrash = document()->m_ptTrash;
        pDoomed->MoveWindow(ptTrash.x, ptTrash.y, 100, 100, TRUE);
        boardView()->PostMessage(WM_PAPER_MOVED, 0, 0);
        settle();
        QCOMPARE(AfxDialogScript::PendingAnswers(), 0);
        QCOMPARE(document()->m_nPapers, 1);
        QCOMPARE(rows(pDlg->m_list), QStringList({QStringLiteral("kept")}));
        QCOMPARE(pDlg->m_list.GetCurSel(), -1);
        QCOMPARE(previewText(pDlg), QString());
        clickControl(pDlg, IDC_RESTORE);
        QVERIFY(pKept->m_bHidden);

        // New ends every note: the list empties and the dialog stays usable.
        document()->SetModifiedFlag(FALSE);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
        settle();
        QCOMPARE(document()->m_nPapers, 0);
        QCOMPARE(pDlg->m_list.GetCount(), 0);
        clickControl(pDlg, IDC_RESTORE);
        QVERIFY(IsWindow(pDlg->m_hWnd));

        // Closing the program with a dialog listing stored notes.
        makeNote(CRect(60, 80, 160, 180), QStringLiteral("left behind"), QString(), true);
        CRestoreObjectsDialog *pLast = openRestoreDialog();
        QVERIFY(pLast);
        QCOMPARE(pLast->m_list.GetCount(), 1);
        const HWND hDlg = pDlg->m_hWnd;
        const HWND hLast = pLast->m_hWnd;
        document()->SetModifiedFlag(FALSE);
        endApp();
        QVERIFY(!IsWindow(hDlg) && !IsWindow(hLast));
    }
};

ZB_TEST_MAIN(TestRestoreDialog)
#include "tst_restoredialog.moc"
