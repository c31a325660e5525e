// The caption dialog: it opens with the note's caption in the note's colours, recolours its field when a colour is
// chosen, cuts the text at 79 characters on OK and leaves everything as it was on Cancel; a double-click on a
// note's frame runs it for that note.
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "notes/DialogProbe.h"
#include "notes/MakeCaptionDialog.h"
#include "notes/PaperFrame.h"
#include "platform/CommonDialogs.h"
#include "platform/SysParams.h"
#include "res/resource.h"

#include <QLineEdit>

#include <functional>

using namespace zbtest;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 128, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kYellow = RGB(255, 255, 0);

// Runs dlg modally with act inside its loop; TRUE in ran when act ran.
int runWith(const std::function<int()> &run, const std::function<void(CMakeCaptionDialog *)> &act, bool &ran)
{
    ran = false;
    AfxSetModalDialogHook([&](CDialog *pDialog) {
        auto *pDlg = dynamic_cast<CMakeCaptionDialog *>(pDialog);
        QVERIFY(pDlg);
        ran = true;
        act(pDlg);
    });
    const int nResult = run();
    AfxSetModalDialogHook({});
    return nResult;
}

int runDialog(CMakeCaptionDialog &dlg, const std::function<void(CMakeCaptionDialog *)> &act)
{
    bool ran = false;
    const int nResult = runWith([&] { return dlg.DoModal(); }, act, ran);
    return ran ? nResult : -2;
}

struct FieldColours {
    COLORREF text;
    COLORREF back;
    COLORREF brush;
};

// What the dialog tells its text field to paint with.
FieldColours askFieldColours(CMakeCaptionDialog *pDlg)
{
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SetTextColor(RGB(1, 2, 3));
    dc.SetBkColor(RGB(4, 5, 6));
    const auto hBrush = reinterpret_cast<HGDIOBJ>(pDlg->SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(&dc),
                                                                    reinterpret_cast<LPARAM>(pDlg->m_edit.m_hWnd)));
    LOGBRUSH lb{};
    GetObject(hBrush, int(sizeof lb), &lb);
    return {dc.GetTextColor(), dc.GetBkColor(), lb.lbColor};
}

// The field's background as painted, right of any text.
COLORREF fieldBackground(CMakeCaptionDialog *pDlg)
{
    QWidget *w = pDlg->m_edit.GetWidget();
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    return pixelAt(image, image.width() - 6, image.height() / 2);
}

QString fieldText(CMakeCaptionDialog *pDlg)
{
    CString text;
    pDlg->m_edit.GetWindowText(text);
    return text;
}

} // namespace

class TestCaptionDialog : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override { QVERIFY(startApp()); }

    void cleanupTest() override
    {
        AfxSetModalDialogHook({});
        if (document())
            document()->SetModifiedFlag(FALSE);
        endApp();
    }

private Q_SLOTS:
    void opensWithTheNotesCaptionInItsColours()
    {
        const int nBrushes = AfxGdiLiveObjects(OBJ_BRUSH);
        CPaperFrame *pPaper = addNote(QRect(200, 120, 160, 120));
        CMakeCaptionDialog dlg(pPaper);
        const int nResult = runDialog(dlg, [&](CMakeCaptionDialog *pDlg) {
            QCOMPARE(pDlg->GetWidget()->windowTitle(), QStringLiteral("Make Caption Text and Background"));
            QCOMPARE(pDlg->m_pFrame, pPaper);
            // A new note: empty text, the caption text colour on red.
            QCOMPARE(fieldText(pDlg), QString());
            const FieldColours colours = askFieldColours(pDlg);
            QCOMPARE(colours.text, GetSysColor(COLOR_CAPTIONTEXT));
            QCOMPARE(colours.back, kRed);
            QCOMPARE(colours.brush, kRed);
            QCOMPARE(fieldBackground(pDlg), kRed);

            // Laid out from the template; OK is the default button and has the focus.
            QCOMPARE(controlRect(pDlg, IDC_CAPTION_TEXT), dialogUnits(pDlg, 16, 21, 141, 13));
            QCOMPARE(LOWORD(pDlg->GetDefID()), WORD(IDOK));
            QCOMPARE(focusIn(pDlg), widgetOf(pDlg, IDOK));
            clickControl(pDlg, IDCANCEL);
        });
        QCOMPARE(nResult, IDCANCEL);
        QCOMPARE(dlg.m_pBrush, nullptr);

        // A note with a caption of its own.
        pPaper->m_strCaption = QStringLiteral("Shopping");
        pPaper->m_clrCaption = kGreen;
        pPaper->m_clrCaptionText = kYellow;
        CMakeCaptionDialog second(pPaper);
        QCOMPARE(runDialog(second,
                           [&](CMakeCaptionDialog *pDlg) {
                               QCOMPARE(fieldText(pDlg), QStringLiteral("Shopping"));
                               const FieldColours colours = askFieldColours(pDlg);
                               QCOMPARE(colours.text, kYellow);
                               QCOMPARE(colours.back, kGreen);
                               QCOMPARE(fieldBackground(pDlg), kGreen);
                               clickControl(pDlg, IDOK);
                           }),
                 IDOK);
        // OK without changes hands back what the note had.
        QCOMPARE(QString(second.m_strText), QStringLiteral("Shopping"));
        QCOMPARE(second.m_clrCaption, kGreen);
        QCOMPARE(AfxGdiLiveObjects(OBJ_BRUSH), nBrushes);
    }

    void okCutsTheTextAt79Characters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const QString text79(79, QLatin1Char('m'));
        QTest::newRow("short text kept") << QStringLiteral("Groceries") << QStringLiteral("Groceries");
        QTest::newRow("79 characters kept") << text79 << text79;
        QTest::newRow("100 characters cut to the first 79")
            << text79 + QStringLiteral("0123456789abcdefghijk") << text79;
    }
    void okCutsTheTextAt79Characters()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        CPaperFrame *pPaper = addNote(QRect(200, 120, 160, 120));
        CMakeCaptionDialog dlg(pPaper);
        const int nResult = runDialog(dlg, [&](CMakeCaptionDialog *pDlg) {
            pDlg->m_edit.SetWindowText(typed);
            // The field itself takes the whole text.
            QCOMPARE(pDlg->m_edit.GetWindowTextLength(), int(typed.size()));
            clickControl(pDlg, IDOK);
        });
        QCOMPARE(nResult, IDOK);
        QCOMPARE(QString(dlg.m_strText), kept);
        QCOMPARE(dlg.m_clrCaption, kRed);
        // The dialog hands results back; the note takes them itself.
        QCOMPARE(QString(pPaper->m_strCaption), QString());
    }

    void choosingAColourRecoloursTheFieldAndCancelKeepsTheNote()
    {
        const int nBrushes = AfxGdiLiveObjects(OBJ_BRUSH);
        CPaperFrame *pPaper = addNote(QRect(200, 120, 160, 120));
        pPaper->m_clrCaptionText = kYellow;
        CMakeCaptionDialog dlg(pPaper);
        const int nResult = runDialog(dlg, [&](CMakeCaptionDialog *pDlg) {
            pDlg->m_edit.SetWindowText(QStringLiteral("Not kept"));
            AfxDialogScript::ClearHistory();
            AfxDialogScript::PushColorAnswer(IDOK, kBlue);
            clickControl(pDlg, IDC_SELECT_BACKGROUND_COLOR);
            QCOMPARE(int(AfxDialogScript::History().size()), 1);
            QCOMPARE(AfxDialogScript::History().front().kind, AfxDialogScript::Shown::ColorDialog);
            QCOMPARE(AfxDialogScript::History().front().clrInit, COLORREF(0));
            QCOMPARE(pDlg->m_clrCaption, kBlue);
            QCOMPARE(pDlg->m_clrBack, kBlue);
            QCOMPARE(pDlg->m_clrText, kYellow);
            FieldColours colours = askFieldColours(pDlg);
            QCOMPARE(colours.back, kBlue);
            QCOMPARE(colours.brush, kBlue);
            QCOMPARE(colours.text, kYellow);
            QCOMPARE(fieldBackground(pDlg), kBlue);
            // One brush at a time.
            QCOMPARE(AfxGdiLiveObjects(OBJ_BRUSH), nBrushes + 1);

            // A cancelled colour dialog changes nothing.
            AfxDialogScript::PushColorAnswer(IDCANCEL, kGreen);
            clickControl(pDlg, IDC_SELECT_BACKGROUND_COLOR);
            QCOMPARE(pDlg->m_clrCaption, kBlue);
            colours = askFieldColours(pDlg);
            QCOMPARE(colours.brush, kBlue);
            QCOMPARE(fieldBackground(pDlg), kBlue);

            QTest::keyClick(widgetOf(pDlg, IDC_CAPTION_TEXT), Qt::Key_Escape);
        });
        QCOMPARE(nResult, IDCANCEL);
        QCOMPARE(pPaper->m_clrCaption, kRed);
        QCOMPARE(QString(pPaper->m_strCaption), QString());
        QCOMPARE(AfxGdiLiveObjects(OBJ_BRUSH), nBrushes);
    }

    void doubleClickOnTheFrameEditsTheNotesCaption()
    {
        CPaperFrame *pPaper = addNote(QRect(200, 120, 160, 120));
        document()->SetModifiedFlag(FALSE);
        bool ran = false;
        runWith(
            [&] {
                sendDoubleClick(pPaper->GetWidget(), captionPoint(pPaper));
                return 0;
            },
            [&](CMakeCaptionDialog *pDlg) {
                QCOMPARE(pDlg->m_pFrame, pPaper);
                pDlg->m_edit.SetWindowText(QString(90, QLatin1Char('g')));
                AfxDialogScript::PushColorAnswer(IDOK, kGreen);
                clickControl(pDlg, IDC_SELECT_BACKGROUND_COLOR);
                clickControl(pDlg, IDOK);
            },
            ran);
        QVERIFY(ran);
        settle();
        QCOMPARE(QString(pPaper->m_strCaption), QString(79, QLatin1Char('g')));
        QCOMPARE(pPaper->m_clrCaption, kGreen);
        CString windowText;
        pPaper->GetWindowText(windowText);
        QCOMPARE(QString(windowText), QString(79, QLatin1Char('g')));
        QVERIFY(document()->IsModified());

        // Cancel leaves the note and the board as they were.
        document()->SetModifiedFlag(FALSE);
        runWith(
            [&] {
                sendDoubleClick(pPaper->GetWidget(), captionPoint(pPaper));
                return 0;
            },
            [&](CMakeCaptionDialog *pDlg) {
                QCOMPARE(fieldText(pDlg), QString(79, QLatin1Char('g')));
                QCOMPARE(askFieldColours(pDlg).back, kGreen);
                pDlg->m_edit.SetWindowText(QStringLiteral("Not kept"));
                AfxDialogScript::PushColorAnswer(IDOK, kBlue);
                clickControl(pDlg, IDC_SELECT_BACKGROUND_COLOR);
                clickControl(pDlg, IDCANCEL);
            },
            ran);
        QVERIFY(ran);
        settle();
        QCOMPARE(QString(pPaper->m_strCaption), QString(79, QLatin1Char('g')));
        QCOMPARE(pPaper->m_clrCaption, kGreen);
        QVERIFY(!document()->IsModified());
    }
};

ZB_TEST_MAIN(TestCaptionDialog)
#include "tst_captiondialog.moc"
