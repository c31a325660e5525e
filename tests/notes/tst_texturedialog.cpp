// The texture dialog: its rows, its live preview read back as pixels, handing textures to the board, and the life
// of the bitmaps and palettes it makes across Apply, further choices, Cancel, several dialogs, New and loading.
#include "support/AppFixture.h"
#include "support/BoardFiles.h"
#include "support/TestMain.h"

#include "notes/DialogProbe.h"
#include "notes/SelectTextureDialog.h"
#include "platform/CommonDialogs.h"
#include "res/resource.h"

#include <QFile>

using namespace zbtest;

namespace {

const QString kTitle = QStringLiteral("Select a texture for background");

enum Row { RowNone = 0, RowRockWhite, RowRockYellow, RowPatternGreen, RowBrickCranite, RowMoney };

// The texture's own pixels, read from the resource independently of the drawing code.
QImage textureImage(int id)
{
    return QImage(QStringLiteral(":/resources/bitmap/%1").arg(id)).convertToFormat(QImage::Format_RGB32);
}

// Nearest source pixel of destination index i when n destination pixels show srcN source pixels.
int nearest(int i, int n, int srcN)
{
    return int((qint64(2 * i + 1) * srcN) / (2 * qint64(n)));
}

CSelectTextureDialog *openTextureDialog()
{
    const auto before = openDialogs<CSelectTextureDialog>(kTitle);
    mainFrame()->SendMessage(WM_COMMAND, ID_TEXTURE_BACKGROUND, 0);
    const auto after = openDialogs<CSelectTextureDialog>(kTitle);
    if (after.size() != before.size() + 1)
        return nullptr;
    return after.back();
}

CRect previewRect(CWnd *pDialog)
{
    return controlRect(pDialog, IDC_TEXTURE_PREVIEW);
}

// Live bitmaps and palettes: textures are the only palettes there are.
int liveBitmaps()
{
    return AfxGdiLiveObjects(OBJ_BITMAP);
}
int livePalettes()
{
    return AfxGdiLiveObjects(OBJ_PAL);
}

bool isLive(HGDIOBJ h)
{
    return h && GetObjectType(h) != 0;
}

void newBoard()
{
    document()->SetModifiedFlag(FALSE);
    mainFrame()->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
    settle();
}

// Every pixel of rect in image shows the texture tiled from rect's top-left corner.
bool showsTiled(const QImage &image, const CRect &rect, const QImage &texture)
{
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) !=
                (texture.pixel((x - rect.left) % texture.width(), (y - rect.top) % texture.height()) & 0xFFFFFF))
                return false;
    return true;
}

// Every pixel of rect in image shows the whole texture stretched onto rect.
bool showsStretched(const QImage &image, const CRect &rect, const QImage &texture)
{
    for (int y = 0; y < rect.Height(); ++y)
        for (int x = 0; x < rect.Width(); ++x)
            if ((image.pixel(rect.left + x, rect.top + y) & 0xFFFFFF) !=
                (texture.pixel(nearest(x, rect.Width(), texture.width()), nearest(y, rect.Height(), texture.height())) &
                 0xFFFFFF))
                return false;
    return true;
}

// The ring of pixels just outside rect is the same in both images.
bool ringUnchanged(const QImage &a, const QImage &b, const CRect &rect)
{
    for (int x = rect.left - 1; x <= rect.right; ++x)
        if (a.pixel(x, rect.top - 1) != b.pixel(x, rect.top - 1) || a.pixel(x, rect.bottom) != b.pixel(x, rect.bottom))
            return false;
    for (int y = rect.top - 1; y <= rect.bottom; ++y)
        if (a.pixel(rect.left - 1, y) != b.pixel(rect.left - 1, y) || a.pixel(rect.right, y) != b.pixel(rect.right, y))
            return false;
    return true;
}

// Ends the texture dialog's window from its own WM_INITDIALOG, so that the dialog fails to be made after its window
// was: the procedure is swapped in when the first control is put into the new window.
class EndAtInitDialog : public QObject {
public:
    EndAtInitDialog() { qApp->installEventFilter(this); }
    ~EndAtInitDialog() override { qApp->removeEventFilter(this); }
    int m_nEnded = 0;

protected:
    bool eventFilter(QObject *pObject, QEvent *pEvent) override
    {
        if (pEvent->type() != QEvent::ChildAdded || !pObject->isWidgetType())
            return false;
        HWND hWnd = afx::hwndFromWidget(static_cast<QWidget *>(pObject));
        if (!IsWindow(hWnd) || hWnd->text != kTitle || GetWindowLong(hWnd, GWL_WNDPROC) == LONG_PTR(&proc))
            return false;
        s_pfnSaved = reinterpret_cast<WNDPROC>(SetWindowLong(hWnd, GWL_WNDPROC, LONG_PTR(&proc)));
        s_pThis = this;
        return false;
    }

private:
    static LRESULT proc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
    {
        if (nMsg != WM_INITDIALOG)
            return CallWindowProc(s_pfnSaved, hWnd, nMsg, wParam, lParam);
        ++s_pThis->m_nEnded;
        CWnd::FromHandle(hWnd)->DestroyWindow();
        return FALSE;
    }
    static inline WNDPROC s_pfnSaved = nullptr;
    static inline EndAtInitDialog *s_pThis = nullptr;
};

// A part of the board away from the icons.
const CRect kBoardArea(150, 60, 330, 200);

} // namespace

class TestTextureDialog : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        QVERIFY(startApp());
        m_nBitmaps = liveBitmaps();
        m_nPalettes = livePalettes();
    }

    void cleanupTest() override
    {
        endApp();
        // The document and every dialog are gone, and with them every texture.
        QCOMPARE(livePalettes(), 0);
    }

private Q_SLOTS:
    void opensWithTheTexturesInOrderAndOkFocused()
    {
        CSelectTextureDialog *pDlg = openTextureDialog();
        QVERIFY(pDlg);
        QVERIFY(pDlg->IsWindowVisible());
        QVERIFY(document()->m_bTexture);
        QVERIFY(!document()->m_bPureColour);

        const QStringList texts{QStringLiteral("<none>"),        QStringLiteral("Rock White"),
                                QStringLiteral("Rock Yellow"),   QStringLiteral("Pattern Green"),
                                QStringLiteral("Brick Cranite"), QStringLiteral("Money")};
        const UINT ids[] = {0, 131, 132, 135, 138, 140};
        QCOMPARE(pDlg->m_list.GetCount(), 6);
        for (int i = 0; i < 6; ++i) {
            CString text;
            pDlg->m_list.GetText(i, text);
            QCOMPARE(QString(text), texts[i]);
            QCOMPARE(UINT(pDlg->m_list.GetItemData(i)), ids[i]);
        }
        QCOMPARE(pDlg->m_list.GetCurSel(), -1);
        QCOMPARE(pDlg->m_hTexture, nullptr);

        // Laid out from the template; OK is the default button and has the focus; the list is no tab stop.
        QCOMPARE(controlRect(pDlg, IDC_TEXTURE_LIST), dialogUnits(pDlg, 13, 18, 65, 48));
        QCOMPARE(previewRect(pDlg), dialogUnits(pDlg, 103, 17, 69, 49));
        QVERIFY(!pDlg->m_preview.IsWindowVisible());
        QCOMPARE(LOWORD(pDlg->GetDefID()), WORD(IDOK));
        QCOMPARE(focusIn(pDlg), widgetOf(pDlg, IDOK));
        QCOMPARE(widgetOf(pDlg, IDC_TEXTURE_LIST)->focusPolicy() & Qt::TabFocus, 0);

        // Each use of the command opens one more dialog.
        CSelectTextureDialog *pSecond = openTextureDialog();
        QVERIFY(pSecond && pSecond != pDlg);
        QCOMPARE(openDialogs<CSelectTextureDialog>(kTitle).size(), size_t(2));
        clickControl(pSecond, IDCANCEL);
        clickControl(pDlg, IDCANCEL);
        settle();
        QVERIFY(openDialogs<CSelectTextureDialog>(kTitle).empty());
    }

    void previewShowsTheChosenTexture_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("stretched");
        QTest::newRow("texture narrower than the preview is tiled") << int(RowRockYellow) << IDB_ROCK_YELLOW << false;
        QTest::newRow("texture wider than the preview is stretched") << int(RowMoney) << IDB_MONEY << true;
    }
    void previewShowsTheChosenTexture()
    {
        QFETCH(int, row);
        QFETCH(int, id);
        QFETCH(bool, stretched);
        CSelectTextureDialog *pDlg = openTextureDialog();
        QVERIFY(pDlg);
        const CRect rc = previewRect(pDlg);
        const QImage texture = textureImage(id);
        QCOMPARE(rc.Width() < texture.width(), stretched);

        const QImage empty = grabOwnPaint(pDlg);
        clickRow(pDlg->m_list, row);
        QCOMPARE(pDlg->m_nTextureID, UINT(id));
        QCOMPARE(pDlg->m_nTextureWidth, texture.width());
        QCOMPARE(pDlg->m_nTextureHeight, texture.height());
        const QImage shown = grabOwnPaint(pDlg);
        if (stretched)
            QVERIFY(showsStretched(shown, rc, texture));
        else
            QVERIFY(showsTiled(shown, rc, texture));
        QVERIFY(ringUnchanged(empty, shown, rc));
        // What the user sees, the dialog's controls drawn over it, is the preview unchanged: the group box around
        // it draws only its frame.
        const QImage composed = pDlg->GetClientWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                QVERIFY2(composed.pixel(x, y) == shown.pixel(x, y),
                         qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        // The preview lives in the dialog only: the board is untouched until Apply.
        QCOMPARE(document()->m_hTexture, nullptr);

        // "<none>" empties the preview and releases the dialog's own pair.
        clickRow(pDlg->m_list, RowNone);
        QCOMPARE(pDlg->m_hTexture, nullptr);
        QCOMPARE(pDlg->m_hTexturePalette, nullptr);
        QCOMPARE(livePalettes(), m_nPalettes);
        QCOMPARE(liveBitmaps(), m_nBitmaps);
        const QImage cleared = grabOwnPaint(pDlg);
        for (int y = rc.top; y < rc.bottom; y += 7)
            for (int x = rc.left; x < rc.right; x += 7)
                QCOMPARE(cleared.pixel(x, y), empty.pixel(x, y));
        clickControl(pDlg, IDCANCEL);
    }

    void applyThenAnotherRowThenCancelKeepsTheAppliedTexture()
    {
        CSelectTextureDialog *pDlg = openTextureDialog();
        QVERIFY(pDlg);
        CZentDoc *pDoc = document();
        pDoc->SetModifiedFlag(FALSE);
        clickRow(pDlg->m_list, RowRockYellow);
        QCOMPARE(livePalettes(), m_nPalettes + 1);
        QVERIFY(!pDoc->IsModified());

        clickControl(pDlg, IDC_TEXTURE_APPLY);
        HBITMAP hApplied = pDlg->m_hTexture;
        HPALETTE hAppliedPalette = pDlg->m_hTexturePalette;
        QVERIFY(hApplied);
        QCOMPARE(pDoc->m_hTexture, hApplied);
        QCOMPARE(pDoc->m_hTexturePalette, hAppliedPalette);
        QCOMPARE(pDoc->m_nTextureID, IDB_ROCK_YELLOW);
        QCOMPARE(pDoc->m_nTextureWidth, 52);
        QCOMPARE(pDoc->m_nTextureHeight, 28);
        QVERIFY(pDoc->m_bTexture);
        QVERIFY(pDoc->IsModified());
        const QImage texture = textureImage(IDB_ROCK_YELLOW);
        {
            const QImage board = grabBoard();
            for (int y = kBoardArea.top; y < kBoardArea.bottom; ++y)
                for (int x = kBoardArea.left; x < kBoardArea.right; ++x)
                    QCOMPARE(board.pixel(x, y) & 0xFFFFFF, texture.pixel(x % 52, y % 28) & 0xFFFFFF);
        }

        // Another row loads a new pair; the handed-over one stays the board's.
        clickRow(pDlg->m_list, RowPatternGreen);
        QVERIFY(pDlg->m_hTexture != hApplied);
        QVERIFY(isLive(hApplied) && isLive(hAppliedPalette));
        QCOMPARE(livePalettes(), m_nPalettes + 2);
        QCOMPARE(liveBitmaps(), m_nBitmaps + 2);

        // Cancel releases only the dialog's own pair and changes nothing on the board.
        pDoc->SetModifiedFlag(FALSE);
        clickControl(pDlg, IDCANCEL);
        settle();
        QVERIFY(openDialogs<CSelectTextureDialog>(kTitle).empty());
        QCOMPARE(pDoc->m_hTexture, hApplied);
        QCOMPARE(pDoc->m_nTextureID, IDB_ROCK_YELLOW);
        QVERIFY(isLive(hApplied) && isLive(hAppliedPalette));
        QCOMPARE(livePalettes(), m_nPalettes + 1);
        QCOMPARE(liveBitmaps(), m_nBitmaps + 1);
        QVERIFY(!pDoc->IsModified());
        const QImage board = grabBoard();
        for (int y = kBoardArea.top; y < kBoardArea.bottom; y += 3)
            for (int x = kBoardArea.left; x < kBoardArea.right; x += 3)
                QCOMPARE(board.pixel(x, y) & 0xFFFFFF, texture.pixel(x % 52, y % 28) & 0xFFFFFF);

        // New sets the pair aside; no dialog shows it, so it goes at once.
        newBoard();
        QVERIFY(!isLive(hApplied) && !isLive(hAppliedPalette));
        QCOMPARE(livePalettes(), m_nPalettes);
        QCOMPARE(liveBitmaps(), m_nBitmaps);
    }

    void okWithoutSelectionHandsOverNoTexture()
    {
        CSelectTextureDialog *pFirst = openTextureDialog();
        QVERIFY(pFirst);
        clickRow(pFirst->m_list, RowBrickCranite);
        HBITMAP hBrick = pFirst->m_hTexture;
        clickControl(pFirst, IDOK);
        settle();
        QCOMPARE(document()->m_hTexture, hBrick);
        QCOMPARE(document()->m_nTextureID, IDB_BRICK_CRANITE);
        QCOMPARE(livePalettes(), m_nPalettes + 1);

        CSelectTextureDialog *pSecond = openTextureDialog();
        QVERIFY(pSecond);
        document()->SetModifiedFlag(FALSE);
        clickControl(pSecond, IDOK);
        settle();
        QVERIFY(openDialogs<CSelectTextureDialog>(kTitle).empty());
        QCOMPARE(document()->m_hTexture, nullptr);
        QCOMPARE(document()->m_hTexturePalette, nullptr);
        QCOMPARE(document()->m_nTextureID, 0);
        QVERIFY(document()->m_bTexture);
        QVERIFY(document()->IsModified());
        // The brick pair was let go of and nothing showed it any more.
        QVERIFY(!isLive(hBrick));
        QCOMPARE(livePalettes(), m_nPalettes);
        QCOMPARE(liveBitmaps(), m_nBitmaps);
        QCOMPARE(pixelAt(grabBoard(), 200, 150), RGB(255, 255, 255));
    }

    void pairsShownByOpenDialogsOutliveTheBoard()
    {
        CZentDoc *pDoc = document();
        CSelectTextureDialog *pA = openTextureDialog();
        CSelectTextureDialog *pB = openTextureDialog();
        QVERIFY(pA && pB);
        const CRect rc = previewRect(pA);
        const QImage yellow = textureImage(IDB_ROCK_YELLOW);

        clickRow(pA->m_list, RowRockYellow);
        clickControl(pA, IDC_TEXTURE_APPLY);
        HBITMAP hYellow = pA->m_hTexture;
        clickRow(pB->m_list, RowMoney);
        clickControl(pB, IDC_TEXTURE_APPLY);
        HBITMAP hMoney = pB->m_hTexture;
        QCOMPARE(pDoc->m_hTexture, hMoney);
        QCOMPARE(pDoc->m_nTextureID, IDB_MONEY);
        // The board let the yellow pair go, but A still shows it.
        QVERIFY(isLive(hYellow));
        QVERIFY(showsTiled(grabOwnPaint(pA), rc, yellow));
        QCOMPARE(livePalettes(), m_nPalettes + 2);

        // A moves on: nothing shows the yellow pair any more.
        clickRow(pA->m_list, RowBrickCranite);
        QVERIFY(!isLive(hYellow));
        QCOMPARE(livePalettes(), m_nPalettes + 2);

        // New while B shows the board's pair: the pair outlives the board until B closes.
        newBoard();
        QCOMPARE(pDoc->m_hTexture, nullptr);
        QVERIFY(isLive(hMoney));
        QVERIFY(showsStretched(grabOwnPaint(pB), rc, textureImage(IDB_MONEY)));
        clickControl(pB, IDCANCEL);
        settle();
        QVERIFY(!isLive(hMoney));
        QCOMPARE(livePalettes(), m_nPalettes + 1);

        // Applying again a pair the board had let go of makes it the board's again.
        clickControl(pA, IDC_TEXTURE_APPLY);
        HBITMAP hBrick = pA->m_hTexture;
        newBoard();
        QVERIFY(isLive(hBrick));
        clickControl(pA, IDC_TEXTURE_APPLY);
        QCOMPARE(pDoc->m_hTexture, hBrick);
        clickControl(pA, IDCANCEL);
        settle();
        QVERIFY(isLive(hBrick));
        QCOMPARE(livePalettes(), m_nPalettes + 1);

        // Opening a board with a texture while a dialog shows the old one, which the board kept through a switch
        // to a pure colour.
        CSelectTextureDialog *pC = openTextureDialog();
        QVERIFY(pC);
        clickRow(pC->m_list, RowRockYellow);
        clickControl(pC, IDC_TEXTURE_APPLY);
        HBITMAP hShown = pC->m_hTexture;
        QVERIFY(!isLive(hBrick));
        AfxDialogScript::PushColorAnswer(IDOK, RGB(0, 0, 128));
        mainFrame()->SendMessage(WM_COMMAND, ID_PURE_BACKGROUND, 0);
        QVERIFY(!pDoc->m_bTexture);
        QCOMPARE(pDoc->m_hTexture, hShown);
        Board board;
        board.texture = 1;
        board.textureId = IDB_ROCK_WHITE;
        const QString path = sandboxPath() + QStringLiteral("/white.zbd");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(board.bytes());
        }
        pDoc->SetModifiedFlag(FALSE);
        AfxDialogScript::PushFileAnswer(IDOK, path);
        mainFrame()->SendMessage(WM_COMMAND, ID_FILE_OPEN, 0);
        settle();
        QCOMPARE(pDoc->m_nTextureID, IDB_ROCK_WHITE);
        QVERIFY(pDoc->m_hTexture && pDoc->m_hTexture != hShown);
        QVERIFY(isLive(hShown));
        QVERIFY(showsTiled(grabOwnPaint(pC), rc, yellow));
        clickControl(pC, IDCANCEL);
        settle();
        QVERIFY(!isLive(hShown));
        QCOMPARE(livePalettes(), m_nPalettes + 1);
        newBoard();
        QCOMPARE(livePalettes(), m_nPalettes);
        QCOMPARE(liveBitmaps(), m_nBitmaps);
    }

    void sharedPairsLiveExactlyAsLongAsSomethingShowsThem_data()
    {
        QTest::addColumn<bool>("firstClosesFirst");
        QTest::newRow("first dialog closed first") << true;
        QTest::newRow("second dialog closed first") << false;
    }
    void sharedPairsLiveExactlyAsLongAsSomethingShowsThem()
    {
        QFETCH(bool, firstClosesFirst);
        CZentDoc *pDoc = document();
        CSelectTextureDialog *pA = openTextureDialog();
        CSelectTextureDialog *pB = openTextureDialog();
        QVERIFY(pA && pB);
        const CRect rc = previewRect(pA);
        const QImage yellow = textureImage(IDB_ROCK_YELLOW);
        const QImage money = textureImage(IDB_MONEY);
        auto boardShows = [](const QImage &texture) {
            const QImage board = grabBoard();
            for (int y = kBoardArea.top; y < kBoardArea.bottom; y += 5)
                for (int x = kBoardArea.left; x < kBoardArea.right; x += 5)
                    if ((board.pixel(x, y) & 0xFFFFFF) !=
                        (texture.pixel(x % texture.width(), y % texture.height()) & 0xFFFFFF))
                        return false;
            return true;
        };

        // A applies yellow; B applies money, which the board and B then share, while A alone shows yellow.
        clickRow(pA->m_list, RowRockYellow);
        clickControl(pA, IDC_TEXTURE_APPLY);
        HBITMAP hYellow = pA->m_hTexture;
        HPALETTE hYellowPalette = pA->m_hTexturePalette;
        QCOMPARE(pDoc->m_hTexture, hYellow);
        clickRow(pB->m_list, RowMoney);
        clickControl(pB, IDC_TEXTURE_APPLY);
        HBITMAP hMoney = pB->m_hTexture;
        HPALETTE hMoneyPalette = pB->m_hTexturePalette;
        QCOMPARE(pDoc->m_hTexture, hMoney);
        QCOMPARE(pDoc->m_hTexturePalette, hMoneyPalette);
        QVERIFY(isLive(hYellow) && isLive(hYellowPalette));
        QCOMPARE(livePalettes(), m_nPalettes + 2);
        QVERIFY(showsTiled(grabOwnPaint(pA), rc, yellow));

        // The board changes its texture by undo: it makes a yellow pair of its own, and money is B's alone.
        mainFrame()->SendMessage(WM_COMMAND, ID_EDIT_UNDO, 0);
        settle();
        QCOMPARE(pDoc->m_nTextureID, IDB_ROCK_YELLOW);
        QVERIFY(pDoc->m_hTexture && pDoc->m_hTexture != hYellow && pDoc->m_hTexture != hMoney);
        HBITMAP hBoard = pDoc->m_hTexture;
        QVERIFY(isLive(hMoney) && isLive(hMoneyPalette) && isLive(hYellow));
        QCOMPARE(livePalettes(), m_nPalettes + 3);
        QVERIFY(boardShows(yellow));
        QVERIFY(showsTiled(grabOwnPaint(pA), rc, yellow));
        QVERIFY(showsStretched(grabOwnPaint(pB), rc, money));

        // Each close takes exactly the closed dialog's pair; what the rest show stays drawable.
        CSelectTextureDialog *pFirst = firstClosesFirst ? pA : pB;
        CSelectTextureDialog *pLast = firstClosesFirst ? pB : pA;
        HBITMAP hFirst = firstClosesFirst ? hYellow : hMoney;
        HPALETTE hFirstPalette = firstClosesFirst ? hYellowPalette : hMoneyPalette;
        HBITMAP hLast = firstClosesFirst ? hMoney : hYellow;
        clickControl(pFirst, IDCANCEL);
        settle();
        QVERIFY(!isLive(hFirst) && !isLive(hFirstPalette));
        QVERIFY(isLive(hLast) && isLive(hBoard));
        QCOMPARE(livePalettes(), m_nPalettes + 2);
        QCOMPARE(liveBitmaps(), m_nBitmaps + 2);
        QVERIFY(boardShows(yellow));
        if (firstClosesFirst)
            QVERIFY(showsStretched(grabOwnPaint(pLast), rc, money));
        else
            QVERIFY(showsTiled(grabOwnPaint(pLast), rc, yellow));

        // The last dialog applies its pair and closes: the board keeps it, its own yellow goes.
        clickControl(pLast, IDOK);
        settle();
        QVERIFY(openDialogs<CSelectTextureDialog>(kTitle).empty());
        QCOMPARE(pDoc->m_hTexture, hLast);
        QVERIFY(isLive(hLast) && !isLive(hBoard));
        QCOMPARE(livePalettes(), m_nPalettes + 1);
        QCOMPARE(liveBitmaps(), m_nBitmaps + 1);
        // The board is wider than either texture, so it tiles it.
        QVERIFY(boardShows(firstClosesFirst ? money : yellow));

        newBoard();
        QVERIFY(!isLive(hLast));
        QCOMPARE(livePalettes(), m_nPalettes);
        QCOMPARE(liveBitmaps(), m_nBitmaps);
    }

    void aDialogWhoseWindowEndsWhileBeingMadeIsDeletedOnce()
    {
        CZentDoc *pDoc = document();
        {
            EndAtInitDialog ending;
            mainFrame()->SendMessage(WM_COMMAND, ID_TEXTURE_BACKGROUND, 0);
            QCOMPARE(ending.m_nEnded, 1);
        }
        settle();
        // Nothing is left open or held, and (under the address checker) the object went exactly once.
        QVERIFY(openDialogs<CSelectTextureDialog>(kTitle).empty());
        QVERIFY(pDoc->m_bTexture);
        QCOMPARE(livePalettes(), m_nPalettes);
        QCOMPARE(liveBitmaps(), m_nBitmaps);

        // The next dialog is made and works as usual.
        CSelectTextureDialog *pDlg = openTextureDialog();
        QVERIFY(pDlg);
        clickRow(pDlg->m_list, RowRockYellow);
        clickControl(pDlg, IDOK);
        settle();
        QCOMPARE(pDoc->m_nTextureID, IDB_ROCK_YELLOW);
        QCOMPARE(livePalettes(), m_nPalettes + 1);
    }

    void closingTheProgramWithDialogsOpen()
    {
        CSelectTextureDialog *pA = openTextureDialog();
        CSelectTextureDialog *pB = openTextureDialog();
        QVERIFY(pA && pB);
        clickRow(pA->m_list, RowRockWhite);
        clickControl(pA, IDC_TEXTURE_APPLY);
        clickRow(pA->m_list, RowPatternGreen);
        clickRow(pB->m_list, RowMoney);
        QCOMPARE(livePalettes(), m_nPalettes + 3);
        HWND hA = pA->m_hWnd;
        HWND hB = pB->m_hWnd;
        document()->SetModifiedFlag(FALSE);
        endApp();
        QVERIFY(!IsWindow(hA) && !IsWindow(hB));
        // cleanup() checks that every pair went; a second endApp is harmless.
    }

private:
    int m_nBitmaps = 0;
    int m_nPalettes = 0;
};

ZB_TEST_MAIN(TestTextureDialog)
#include "tst_texturedialog.moc"
