// Undo and redo of board actions: each action undone gives the file saved before it, redone the file saved after
// it, on a board whose notes lie partly in storage; one step per drag; the modified flag at the saved state;
// typing undone in its note; the board's context menu.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/NoteHelpers.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"
#include "support/TrackerInput.h"

#include "notes/DialogProbe.h"
#include "notes/MakeCaptionDialog.h"
#include "notes/PaperEdit.h"
#include "notes/PaperFrame.h"
#include "notes/SelectTextureDialog.h"
#include "platform/CommonDialogs.h"
#include "platform/Dialog.h"
#include "platform/Menu.h"
#include "res/resource.h"

#include <QDir>
#include <QMouseEvent>

using namespace zbtest;

namespace {
const QString kQuestion = QStringLiteral("Are you sure to delete this object?");

QString boardPath(const QString &name)
{
    return QDir(sandboxPath()).filePath(name);
}

// Four notes away from the icons; the second and the fourth lie in storage.
QByteArray fourNoteBoard()
{
    Board board;
    const RECT rects[4] = {{200, 100, 300, 180}, {320, 100, 420, 180}, {200, 220, 300, 300}, {320, 220, 420, 300}};
    for (int i = 0; i < 4; ++i) {
        BoardNote note;
        note.rect = rects[i];
        note.stored = (i % 2) ? 1 : 0;
        note.caption = ansiField(QByteArray("note ") + QByteArray::number(i));
        note.colour = 0x00102030u * quint32(i + 1);
        note.text = ansiField(QByteArray("text\r\nof ") + QByteArray::number(i));
        board.notes.append(note);
    }
    return board.bytes();
}

bool openBoard(const QByteArray &bytes)
{
    const QString path = boardPath(QStringLiteral("board.zbd"));
    if (!writeFile(path, bytes))
        return false;
    return AfxGetApp()->OpenDocumentFile(path) != nullptr;
}

// The board as Save writes it now.
QByteArray saved()
{
    const QString path = boardPath(QStringLiteral("saved.zbd"));
    if (!document()->OnSaveDocument(path))
        return QByteArray();
    return readWholeFile(path);
}

void command(UINT nID)
{
    mainFrame()->SendMessage(WM_COMMAND, nID, 0);
    settle();
}

CPaperFrame *noteAt(int nIndex)
{
    POSITION pos = document()->m_papers.FindIndex(nIndex);
    return pos ? document()->m_papers.GetAt(pos) : nullptr;
}

// The note with the caption given; null when there is none.
CPaperFrame *noteCaptioned(const QString &caption)
{
    for (POSITION pos = document()->m_papers.GetHeadPosition(); pos;) {
        CPaperFrame *pPaper = document()->m_papers.GetNext(pos);
        if (pPaper->m_strCaption == caption)
            return pPaper;
    }
    return nullptr;
}

// Undoes nSteps steps and expects the file of before; redoes them and expects the file of after.
void checkRoundTrip(const QByteArray &before, const QByteArray &after, int nSteps = 1)
{
    QVERIFY(!before.isEmpty() && !after.isEmpty());
    QVERIFY(before != after);
    for (int i = 0; i < nSteps; ++i)
        command(ID_EDIT_UNDO);
    QCOMPARE(saved(), before);
    for (int i = 0; i < nSteps; ++i)
        command(ID_EDIT_REDO);
    QCOMPARE(saved(), after);
}

void sendRightClick(QWidget *w, QPoint p)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}
} // namespace

class TestUndo : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        QVERIFY(startApp());
        QVERIFY(setBoardSize(600, 400));
        QVERIFY(openBoard(fourNoteBoard()));
        settle();
        AfxDialogScript::ClearHistory();
        AfxDialogScript::ClearMenuHistory();
        QCOMPARE(document()->m_undo.count(), 0);
    }

    void cleanupTest() override
    {
        AfxSetModalDialogHook({});
        if (document())
            document()->SetModifiedFlag(FALSE);
        endApp();
    }

private Q_SLOTS:
    void newNoteByRubberBand()
    {
        const QByteArray before = saved();
        drawOnBoard(QPoint(450, 250), QPoint(560, 360));
        settle();
        QCOMPARE(document()->m_nPapers, 5);
        QCOMPARE(document()->m_undo.undoText(), QStringLiteral("New Note"));
        checkRoundTrip(before, saved());
        QCOMPARE(document()->m_nPapers, 5);
        QCOMPARE(newestNote()->m_rect, CRect(450, 250, 560, 360));
    }

    void noteMovedAndSized()
    {
        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 0"));
        QVERIFY(pPaper && !pPaper->m_bHidden);
        QByteArray before = saved();
        dragNote(pPaper, captionPoint(pPaper), QPoint(40, 30), 4);
        settle();
        QCOMPARE(pPaper->m_rect, CRect(240, 130, 340, 210));
        QCOMPARE(document()->m_undo.undoText(), QStringLiteral("Move Note"));
        checkRoundTrip(before, saved());

        // By its right edge.
        pPaper = noteCaptioned(QStringLiteral("note 0"));
        before = saved();
        const QPoint edge(pPaper->GetWidget()->width() - 2, pPaper->GetWidget()->height() / 2);
        dragNote(pPaper, edge, QPoint(50, 0), 5);
        settle();
        QCOMPARE(pPaper->m_rect, CRect(240, 130, 390, 210));
        QCOMPARE(document()->m_undo.undoText(), QStringLiteral("Resize Note"));
        checkRoundTrip(before, saved());
        QCOMPARE(noteCaptioned(QStringLiteral("note 0"))->m_rect, CRect(240, 130, 390, 210));
    }

    void noteDeletedAtTheWasteBin()
    {
        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 2"));
        QVERIFY(pPaper && !pPaper->m_bHidden);
        const QByteArray before = saved();
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        dragNote(pPaper, captionPoint(pPaper), QPoint(-180, -200), 4);
        settle();
        QCOMPARE(int(messages().count(kQuestion)), 1);
        QCOMPARE(document()->m_nPapers, 3);
        QVERIFY(!noteCaptioned(QStringLiteral("note 2")));
        QCOMPARE(document()->m_undo.undoText(), QStringLiteral("Delete Note"));
        const QByteArray after = saved();

        // The note comes back with everything, at its place in the list, and lying on the bin asks nothing.
        command(ID_EDIT_UNDO);
        QCOMPARE(document()->m_nPapers, 4);
        QCOMPARE(int(messages().count(kQuestion)), 1);
        CPaperFrame *pBack = noteCaptioned(QStringLiteral("note 2"));
        QVERIFY(pBack && !pBack->m_bHidden && pBack->GetWidget()->isVisible());
        QCOMPARE(pBack->m_rect, CRect(20, 20, 120, 100));
        QCOMPARE(pBack->m_clrCaption, COLORREF(0x00102030u * 3));
        CString text;
        pBack->m_pEdit->GetWindowText(text);
        QCOMPARE(QString(text), QStringLiteral("text\r\nof 2"));
        QCOMPARE(noteAt(1), pBack);
        command(ID_EDIT_UNDO);
        QCOMPARE(saved(), before);
        QCOMPARE(int(messages().count(kQuestion)), 1);

        command(ID_EDIT_REDO);
        command(ID_EDIT_REDO);
        QCOMPARE(saved(), after);
        QCOMPARE(int(messages().count(kQuestion)), 1);
        checkRoundTrip(before, after, 2);
    }

    void noteIntoStorageAndBack()
    {
        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 2"));
        QByteArray before = saved();
        // Onto the drawer at (100, 10), clear of the bin.
        dragNote(pPaper, captionPoint(pPaper), QPoint(-100, -200), 4);
        settle();
        QVERIFY(pPaper->m_bHidden);
        QCOMPARE(document()->m_undo.undoText(), QStringLiteral("Put Note into Storage"));
        QByteArray after = saved();
        command(ID_EDIT_UNDO);
        QVERIFY(!pPaper->m_bHidden);
        QVERIFY(pPaper->GetWidget()->isVisible());
        command(ID_EDIT_REDO);
        QVERIFY(pPaper->m_bHidden);
        checkRoundTrip(before, after, 2);

        // Out of storage, as the restore dialog asks.
        CPaperFrame *pStored = noteCaptioned(QStringLiteral("note 1"));
        QVERIFY(pStored->m_bHidden);
        before = saved();
        boardView()->SendMessage(WM_PAPER_SHOW, reinterpret_cast<WPARAM>(pStored), 0);
        settle();
        QVERIFY(!pStored->m_bHidden);
        QCOMPARE(document()->m_undo.undoText(), QStringLiteral("Restore Note"));
        after = saved();
        command(ID_EDIT_UNDO);
        QVERIFY(pStored->m_bHidden);
        QVERIFY(!pStored->GetWidget()->isVisible());
        command(ID_EDIT_REDO);
        checkRoundTrip(before, after);
    }

    void captionTextAndColour()
    {
        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 0"));
        const QByteArray before = saved();
        AfxDialogScript::PushColorAnswer(IDOK, RGB(0, 128, 0));
        AfxSetModalDialogHook([](CDialog *pDialog) {
            auto *pDlg = dynamic_cast<CMakeCaptionDialog *>(pDialog);
            QVERIFY(pDlg);
            pDlg->m_edit.SetWindowText(QStringLiteral("renamed"));
            clickControl(pDlg, IDC_SELECT_BACKGROUND_COLOR);
            clickControl(pDlg, IDOK);
        });
        pPaper->SendMessage(WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
        AfxSetModalDialogHook({});
        settle();
        QCOMPARE(QString(pPaper->m_strCaption), QStringLiteral("renamed"));
        QCOMPARE(document()->m_undo.undoText(), QStringLiteral("Change Caption"));
        const QByteArray after = saved();
        command(ID_EDIT_UNDO);
        QCOMPARE(QString(pPaper->m_strCaption), QStringLiteral("note 0"));
        CString title;
        pPaper->GetWindowText(title);
        QCOMPARE(QString(title), QStringLiteral("note 0"));
        QCOMPARE(pPaper->m_clrCaption, COLORREF(0x00102030u));
        command(ID_EDIT_REDO);
        checkRoundTrip(before, after);
    }

    void backgroundAndPicture()
    {
        CZentDoc *doc = document();
        const QByteArray opened = saved();
        // Pure background.
        QByteArray before = saved();
        AfxDialogScript::PushColorAnswer(IDOK, RGB(10, 20, 30));
        command(ID_PURE_BACKGROUND);
        QCOMPARE(doc->m_undo.undoText(), QStringLiteral("Pure Background"));
        checkRoundTrip(before, saved());
        QCOMPARE(pixelAt(grabBoard(), 500, 50), RGB(10, 20, 30));

        // Texture background, then Apply of a texture in its dialog.
        before = saved();
        const auto dialogsBefore = openDialogs<CSelectTextureDialog>(QStringLiteral("Select a texture for background"));
        command(ID_TEXTURE_BACKGROUND);
        const auto dialogs = openDialogs<CSelectTextureDialog>(QStringLiteral("Select a texture for background"));
        QCOMPARE(dialogs.size(), dialogsBefore.size() + 1);
        CSelectTextureDialog *pDlg = dialogs.back();
        QCOMPARE(doc->m_undo.undoText(), QStringLiteral("Texture Background"));
        const QByteArray afterMode = saved();
        clickRow(pDlg->m_list, 2);
        clickControl(pDlg, IDC_TEXTURE_APPLY);
        settle();
        QCOMPARE(doc->m_undo.undoText(), QStringLiteral("Apply Texture"));
        QCOMPARE(doc->m_nTextureID, 132);
        const QByteArray afterApply = saved();
        checkRoundTrip(afterMode, afterApply);
        checkRoundTrip(before, afterApply, 2);
        // The texture made again by redo paints like the one applied.
        QVERIFY(doc->m_hTexture);
        QCOMPARE(doc->m_nTextureWidth, 52);
        clickControl(pDlg, IDCANCEL);
        settle();

        // New picture.
        QDir::setCurrent(sandboxPath());
        QVERIFY(writeFile(boardPath(QStringLiteral("p.bmp")), bmpFile(quadrantImage(40, 30), BmpKind::Bits24)));
        before = saved();
        AfxDialogScript::PushFileAnswer(IDOK, boardPath(QStringLiteral("p.bmp")));
        command(ID_NEW_PICTURE);
        QVERIFY(doc->m_bPicture && doc->m_bPictureSelected);
        QCOMPARE(doc->m_undo.undoText(), QStringLiteral("New Picture"));
        checkRoundTrip(before, saved());
        QVERIFY(doc->m_picture.m_pPicture);

        // Moved and sized with the tracker: (50, 50, 250, 200).
        before = saved();
        drag(boardWidget(), QPoint(100, 100), {QPoint(110, 105), QPoint(130, 120)});
        settle();
        QCOMPARE(doc->m_undo.undoText(), QStringLiteral("Move Picture"));
        checkRoundTrip(before, saved());
        QCOMPARE(doc->m_tracker.m_rect, CRect(80, 70, 280, 220));
        before = saved();
        drag(boardWidget(), QPoint(283, 223), {QPoint(333, 273)});
        settle();
        QCOMPARE(doc->m_undo.undoText(), QStringLiteral("Resize Picture"));
        checkRoundTrip(before, saved());

        // Delete picture; undo shows it again where it was.
        before = saved();
        command(ID_DELETE_PICTURE);
        QVERIFY(!doc->m_bPicture);
        QCOMPARE(doc->m_undo.undoText(), QStringLiteral("Delete Picture"));
        const QByteArray after = saved();
        command(ID_EDIT_UNDO);
        QVERIFY(doc->m_bPicture);
        QCOMPARE(grabBoard().pixel(90, 80) & 0xFFFFFF, kQuadrantColours[0] & 0xFFFFFF);
        command(ID_EDIT_REDO);
        checkRoundTrip(before, after);

        // Undoing everything gives the board as it was opened.
        while (doc->m_undo.canUndo())
            command(ID_EDIT_UNDO);
        QCOMPARE(saved(), opened);
    }

    void oneDragIsOneStep()
    {
        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 0"));
        const QByteArray before = saved();
        dragNote(pPaper, captionPoint(pPaper), QPoint(100, 100), 100);
        settle();
        QCOMPARE(pPaper->m_rect, CRect(300, 200, 400, 280));
        QCOMPARE(document()->m_undo.count(), 1);
        command(ID_EDIT_UNDO);
        QCOMPARE(pPaper->m_rect, CRect(200, 100, 300, 180));
        QCOMPARE(saved(), before);
        // A drag that comes back to where it began leaves no step.
        document()->m_undo.clear();
        dragNote(pPaper, captionPoint(pPaper), QPoint(30, 0), 3);
        dragNote(pPaper, captionPoint(pPaper), QPoint(-30, 0), 3);
        QCOMPARE(document()->m_undo.count(), 2);
        // Two drags are two steps.
        command(ID_EDIT_UNDO);
        QCOMPARE(pPaper->m_rect, CRect(230, 100, 330, 180));
    }

    void modifiedFlagFollowsTheSavedState()
    {
        CZentDoc *doc = document();
        QVERIFY(!doc->IsModified());
        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 0"));
        dragNote(pPaper, captionPoint(pPaper), QPoint(20, 20), 2);
        settle();
        QVERIFY(doc->IsModified());
        command(ID_EDIT_UNDO);
        QVERIFY(!doc->IsModified());
        command(ID_EDIT_REDO);
        QVERIFY(doc->IsModified());

        // Saved with the move done: undo makes the board modified, redo clean again.
        QVERIFY(!saved().isEmpty());
        QVERIFY(!doc->IsModified());
        command(ID_EDIT_UNDO);
        QVERIFY(doc->IsModified());
        command(ID_EDIT_REDO);
        QVERIFY(!doc->IsModified());

        // Typing cannot be undone on the board: the saved state is out of reach until the next Save.
        command(ID_EDIT_UNDO);
        pPaper->m_pEdit->ReplaceSel(QStringLiteral("typed"), TRUE);
        QVERIFY(doc->IsModified());
        command(ID_EDIT_REDO);
        command(ID_EDIT_UNDO);
        QVERIFY(doc->IsModified());

        // New and Open start without steps (the question to save is answered No).
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        command(ID_FILE_NEW);
        QVERIFY(!doc->m_undo.canUndo() && !doc->m_undo.canRedo());
        QVERIFY(!doc->IsModified());
        drawOnBoard(QPoint(300, 200), QPoint(400, 300));
        settle();
        QVERIFY(doc->m_undo.canUndo());
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        QVERIFY(openBoard(fourNoteBoard()));
        QVERIFY(!doc->m_undo.canUndo());
        QVERIFY(!doc->IsModified());
    }

    void typingIsUndoneInTheNote()
    {
        CZentDoc *doc = document();
        CPaperFrame *pMoved = noteCaptioned(QStringLiteral("note 2"));
        dragNote(pMoved, captionPoint(pMoved), QPoint(20, 0), 2);
        settle();
        QCOMPARE(doc->m_undo.count(), 1);

        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 0"));
        sendPress(textViewport(pPaper), pointAtChar(pPaper, 0));
        sendRelease(textViewport(pPaper), pointAtChar(pPaper, 0));
        textWidget(pPaper)->setFocus();
        QTRY_VERIFY(textWidget(pPaper)->hasFocus());
        QTest::keyClicks(textWidget(pPaper), QStringLiteral("ab"));
        CString text;
        pPaper->m_pEdit->GetWindowText(text);
        QVERIFY(QString(text).contains(QStringLiteral("ab")));

        // The key goes to the text control while it can undo.
        QTest::keyClick(textWidget(pPaper), Qt::Key_Z, Qt::ControlModifier);
        settle();
        pPaper->m_pEdit->GetWindowText(text);
        QVERIFY(!QString(text).contains(QStringLiteral("ab")));
        QCOMPARE(pMoved->m_rect, CRect(220, 220, 320, 300));
        QCOMPARE(doc->m_undo.index(), 1);

        // The command does the same while the focus is there, and the board's step once the typing is undone.
        QTest::keyClicks(textWidget(pPaper), QStringLiteral("cd"));
        command(ID_EDIT_UNDO);
        pPaper->m_pEdit->GetWindowText(text);
        QCOMPARE(QString(text), QStringLiteral("text\r\nof 0"));
        QCOMPARE(doc->m_undo.index(), 1);
        command(ID_EDIT_UNDO);
        QCOMPARE(doc->m_undo.index(), 0);
        QCOMPARE(pMoved->m_rect, CRect(200, 220, 300, 300));
    }

    void contextMenuOnTheFreeBoard()
    {
        CZentDoc *doc = document();
        // Nothing to undo yet: both disabled; the later commands have no handler yet either.
        sendRightClick(boardWidget(), QPoint(500, 50));
        settle();
        QCOMPARE(AfxDialogScript::MenuHistory().size(), 1);
        AfxDialogScript::ShownMenu shown = AfxDialogScript::MenuHistory().constLast();
        QCOMPARE(shown.texts,
                 QStringList({QStringLiteral("Undo"), QStringLiteral("Redo"), QString(),
                              QStringLiteral("Bring Notes into View"), QString(), QStringLiteral("Export Board...")}));
        QCOMPARE(shown.ids, QList<UINT>({ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_BRING_NOTES_INTO_VIEW, 0, ID_EXPORT_BOARD}));
        QCOMPARE(shown.enabled[0], false);
        QCOMPARE(shown.enabled[1], false);
        QCOMPARE(shown.ptScreen, boardWidget()->mapToGlobal(QPoint(500, 50)));

        // After a delete: "Undo Delete Note", which the menu carries out.
        AfxDialogScript::PushMessageBoxAnswer(IDYES);
        CPaperFrame *pPaper = noteCaptioned(QStringLiteral("note 2"));
        dragNote(pPaper, captionPoint(pPaper), QPoint(-180, -200), 2);
        settle();
        QCOMPARE(doc->m_nPapers, 3);
        AfxDialogScript::PushMenuAnswer(ID_EDIT_UNDO);
        sendRightClick(boardWidget(), QPoint(500, 50));
        settle();
        shown = AfxDialogScript::MenuHistory().constLast();
        QCOMPARE(shown.texts[0], QStringLiteral("Undo Delete Note"));
        QCOMPARE(shown.texts[1], QStringLiteral("Redo"));
        QVERIFY(shown.enabled[0] && !shown.enabled[1]);
        QCOMPARE(shown.nChosen, UINT(ID_EDIT_UNDO));
        QCOMPARE(doc->m_nPapers, 4);

        AfxDialogScript::PushMenuAnswer(ID_EDIT_REDO);
        sendRightClick(boardWidget(), QPoint(500, 50));
        settle();
        shown = AfxDialogScript::MenuHistory().constLast();
        QCOMPARE(shown.texts[0], QStringLiteral("Undo Move Note"));
        QCOMPARE(shown.texts[1], QStringLiteral("Redo Delete Note"));
        QCOMPARE(doc->m_nPapers, 3);

        // A disabled command cannot be chosen.
        AfxDialogScript::PushMenuAnswer(ID_EDIT_REDO);
        sendRightClick(boardWidget(), QPoint(500, 50));
        settle();
        QCOMPARE(AfxDialogScript::MenuHistory().constLast().nChosen, 0u);
        QCOMPARE(doc->m_nPapers, 3);

        // Not over an icon or a note.
        const int nShown = int(AfxDialogScript::MenuHistory().size());
        sendRightClick(boardWidget(), QPoint(15, 15));
        sendRightClick(boardWidget(), QPoint(105, 15));
        CPaperFrame *pNote = noteCaptioned(QStringLiteral("note 0"));
        sendRightClick(pNote->GetWidget(), captionPoint(pNote));
        settle();
        QCOMPARE(int(AfxDialogScript::MenuHistory().size()), nShown);

        // From the keyboard the menu opens at the board's corner, whatever lies there.
        QTest::keyClick(boardWidget(), Qt::Key_F10, Qt::ShiftModifier);
        settle();
        QCOMPARE(int(AfxDialogScript::MenuHistory().size()), nShown + 1);
        QCOMPARE(AfxDialogScript::MenuHistory().constLast().ptScreen, boardWidget()->mapToGlobal(QPoint(0, 0)));
        QCOMPARE(AfxDialogScript::MenuHistory().constLast().texts.size(), 6);
    }
};

ZB_TEST_MAIN(TestUndo)
#include "tst_undo.moc"
