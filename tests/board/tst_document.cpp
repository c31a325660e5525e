// The board document: its state after New, the reset rules of emptying it, and which changes mark it modified.
#include "support/AppFixture.h"
#include "support/TestMain.h"

#include "platform/CommonDialogs.h"
#include "res/resource.h"

using namespace zbtest;

class TestDocument : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override { QVERIFY(startApp()); }

    void cleanupTest() override { endApp(); }

private Q_SLOTS:
    void newBoardState()
    {
        CZentDoc *doc = document();
        QCOMPARE(doc->m_nPapers, 0);
        QVERIFY(doc->m_papers.IsEmpty());
        QVERIFY(!doc->m_bPureColour && !doc->m_bTexture && !doc->m_bPicture && !doc->m_bPictureSelected);
        QCOMPARE(doc->m_crBackground, RGB(255, 255, 255));
        QCOMPARE(doc->m_ptTrash, CPoint(10, 10));
        QCOMPARE(doc->m_ptStorage, CPoint(100, 10));
        QCOMPARE(doc->m_tracker.m_rect, CRect(10, 10, 150, 150));
        QCOMPARE(doc->m_tracker.m_nStyle, 20u);
        QCOMPARE(doc->m_icons.GetImageCount(), 2);
        QCOMPARE(doc->GetTitle(), CString("Untitled"));
        QVERIFY(!doc->IsModified());
    }

    void emptyingResetsOnlyGroupsWhoseFlagIsSet()
    {
        CZentDoc *doc = document();
        // A colour chosen before a switch to texture mode survives New.
        AfxDialogScript::PushColorAnswer(IDOK, RGB(1, 2, 3));
        mainFrame()->SendMessage(WM_COMMAND, ID_PURE_BACKGROUND);
        mainFrame()->SendMessage(WM_COMMAND, ID_TEXTURE_BACKGROUND);
        QVERIFY(doc->LoadTexture(IDB_ROCK_WHITE));
        doc->m_nTextureID = IDB_ROCK_WHITE;
        doc->m_ptTrash = CPoint(300, 200);
        doc->m_ptStorage = CPoint(40, 250);
        doc->m_bPicture = true;
        doc->m_strPicturePath = CString("x.jpg");
        doc->m_nPictureLeft = 7;
        doc->SetModifiedFlag(FALSE);

        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
        QCOMPARE(document(), doc); // the one document is reused
        QVERIFY(!doc->m_bTexture && !doc->m_hTexture && doc->m_nTextureID == 0);
        QCOMPARE(doc->m_crBackground, RGB(1, 2, 3));
        QVERIFY(!doc->m_bPicture);
        QCOMPARE(doc->m_strPicturePath, CString());
        QCOMPARE(doc->m_nPictureLeft, 100);
        QCOMPARE(doc->m_ptTrash, CPoint(300, 200));
        QCOMPARE(doc->m_ptStorage, CPoint(40, 250));
        QCOMPARE(doc->m_nTextureWidth, 96); // not reset
    }

    void changesThatSaveWouldWriteMarkTheBoardModified()
    {
        CZentDoc *doc = document();
        QVERIFY(!doc->IsModified());

        // Dragging the icons does not.
        doc->m_ptTrash = CPoint(50, 50);
        QVERIFY(!doc->IsModified());

        mainFrame()->SendMessage(WM_COMMAND, ID_TEXTURE_BACKGROUND);
        QVERIFY(doc->IsModified());
        doc->SetModifiedFlag(FALSE);

        // Selecting and unselecting the picture is not saved; deleting it is.
        doc->m_bPicture = true;
        mainFrame()->SendMessage(WM_COMMAND, ID_SELECT_PICTURE);
        mainFrame()->SendMessage(WM_COMMAND, ID_UNSELECT_PICTURE);
        QVERIFY(!doc->IsModified());
        mainFrame()->SendMessage(WM_COMMAND, ID_SELECT_PICTURE);
        mainFrame()->SendMessage(WM_COMMAND, ID_DELETE_PICTURE);
        QVERIFY(!doc->m_bPicture && !doc->m_bPictureSelected);
        QVERIFY(doc->IsModified());

        // A modified board asks before New; Cancel keeps it, No discards it.
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDCANCEL);
        doc->m_bPureColour = true;
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
        QCOMPARE(AfxDialogScript::History().size(), 1);
        QCOMPARE(AfxDialogScript::History()[0].text, QStringLiteral("Save changes to Untitled?"));
        QCOMPARE(AfxDialogScript::History()[0].nType & MB_TYPEMASK, UINT(MB_YESNOCANCEL));
        QVERIFY(doc->m_bPureColour);
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
        QVERIFY(!doc->m_bPureColour);
        QVERIFY(!doc->IsModified());
    }

    void closingAModifiedBoardAsks()
    {
        CZentDoc *doc = document();
        doc->SetModifiedFlag(TRUE);
        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushMessageBoxAnswer(IDCANCEL);
        mainFrame()->SendMessage(WM_CLOSE);
        QVERIFY(mainFrame()); // still open
        QCOMPARE(AfxDialogScript::History().size(), 1);
        AfxDialogScript::PushMessageBoxAnswer(IDNO);
        mainFrame()->SendMessage(WM_CLOSE);
        QVERIFY(!AfxGetMainWnd());
    }
};

ZB_TEST_MAIN(TestDocument)
#include "tst_document.moc"
