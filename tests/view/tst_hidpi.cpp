// Drawing at a device pixel ratio of 2 (the whole test runs with QT_SCALE_FACTOR=2): device contexts paint in
// logical pixels onto surfaces with twice the pixels, so fills and frames cover exactly the scaled rectangles,
// text is drawn at the full resolution, and what is measured in pixels stays logical.
#include "support/AppFixture.h"
#include "support/NoteHelpers.h"
#include "support/TestMain.h"

#include "caption/Subclass.h"
#include "notes/PaperFrame.h"

#include "platform/Gdi.h"
#include "platform/ImageList.h"
#include "platform/Resources.h"
#include "platform/SysParams.h"
#include "platform/WndImpl.h"

namespace {

COLORREF colorAt(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// Aligned 2 x 2 blocks of device pixels inside r (device pixels) whose four pixels are not all alike: an
// image drawn at half the resolution and enlarged has none.
int mixedBlocks(const QImage &image, const QRect &r)
{
    int n = 0;
    for (int y = r.top() & ~1; y + 1 <= r.bottom(); y += 2)
        for (int x = r.left() & ~1; x + 1 <= r.right(); x += 2) {
            const QRgb a = image.pixel(x, y);
            if (image.pixel(x + 1, y) != a || image.pixel(x, y + 1) != a || image.pixel(x + 1, y + 1) != a)
                ++n;
        }
    return n;
}

// Counts what reaches a window ahead of its other hooks.
class CSettingCounter : public CSubclassWnd {
public:
    int m_nSettingChanges = 0;
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (nMsg == WM_SETTINGCHANGE)
            ++m_nSettingChanges;
        return CSubclassWnd::WindowProc(nMsg, wParam, lParam);
    }
};

} // namespace

class TestHiDpi : public zbtest::TestCase {
    Q_OBJECT

protected:
    void cleanupTest() override { zbtest::endApp(); }

private Q_SLOTS:
    void memoryContextsFollowTheirSurface();
    void stretchAndIconsAtDensity();
    void boardAndNotesAtScaleTwo();
    void ratioChangeRedrawsCachesOnce();
};

void TestHiDpi::memoryContextsFollowTheirSurface()
{
    QImage surface(80, 60, QImage::Format_RGB32);
    surface.setDevicePixelRatio(2);
    surface.fill(Qt::white);
    HDC hWindow = AfxCreateDeviceDC(&surface, QRegion(), QPoint(0, 0));
    QVERIFY(hWindow);
    CRect rcClip;
    GetClipBox(hWindow, &rcClip);
    QCOMPARE(rcClip, CRect(0, 0, 40, 30)); // logical, not device pixels
    QCOMPARE(GetDeviceCaps(hWindow, HORZRES), 40);

    // A memory context and a bitmap made compatible with it take the window's density.
    HDC hMem = CreateCompatibleDC(hWindow);
    HBITMAP hBitmap = CreateCompatibleBitmap(hWindow, 20, 15);
    QVERIFY(hMem && hBitmap);
    BITMAP bm{};
    GetObject(hBitmap, sizeof bm, &bm);
    QCOMPARE(bm.bmWidth, 20);
    QCOMPARE(bm.bmHeight, 15);
    QCOMPARE(AfxGetBitmapImage(hBitmap)->size(), QSize(40, 30));
    HGDIOBJ hOld = SelectObject(hMem, hBitmap);
    HBITMAP hDense = CreateCompatibleBitmap(hMem, 4, 4); // compatible with the memory context: dense too
    QCOMPARE(AfxGetBitmapImage(hDense)->size(), QSize(8, 8));
    DeleteObject(hDense);

    // A fill covers exactly the scaled rectangle.
    HBRUSH hWhite = CreateSolidBrush(RGB(255, 255, 255));
    const RECT all{0, 0, 20, 15};
    FillRect(hMem, &all, hWhite);
    HBRUSH hBlue = CreateSolidBrush(RGB(0, 0, 255));
    const RECT box{3, 4, 10, 12};
    FillRect(hMem, &box, hBlue);
    // A 1-pixel wide fill is 2 device pixels wide.
    HBRUSH hRed = CreateSolidBrush(RGB(255, 0, 0));
    const RECT bar{12, 2, 13, 13};
    FillRect(hMem, &bar, hRed);
    // Blitting to the window ends the painter on the bitmap, so its pixels can be read.
    BitBlt(hWindow, 0, 0, 20, 15, hMem, 0, 0, SRCCOPY);
    const QImage pixels = *AfxGetBitmapImage(hBitmap);
    int blue = 0;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x) {
            const bool inside = x >= 6 && x < 20 && y >= 8 && y < 24;
            if (colorAt(pixels, x, y) == RGB(0, 0, 255))
                ++blue;
            else
                QVERIFY2(!inside, qPrintable(QStringLiteral("(%1, %2) not filled").arg(x).arg(y)));
        }
    QCOMPARE(blue, 14 * 16);
    for (int y = 4; y < 26; ++y) {
        QCOMPARE(colorAt(pixels, 23, y), RGB(255, 255, 255));
        QCOMPARE(colorAt(pixels, 24, y), RGB(255, 0, 0));
        QCOMPARE(colorAt(pixels, 25, y), RGB(255, 0, 0));
        QCOMPARE(colorAt(pixels, 26, y), RGB(255, 255, 255));
    }
    QCOMPARE(colorAt(pixels, 24, 3), RGB(255, 255, 255));
    QCOMPARE(colorAt(pixels, 24, 26), RGB(255, 255, 255));

    // The copy to the window maps device pixels one to one.
    AfxEndPainting(&surface);
    QCOMPARE(surface.copy(0, 0, 40, 30), pixels.copy(0, 0, 40, 30));

    // Text is drawn at the full resolution: its edges are not doubled pixels.
    const RECT text{0, 0, 20, 15};
    FillRect(hMem, &text, hWhite);
    LOGFONT lf{};
    lf.lfHeight = -11;
    lf.lfWeight = FW_BOLD;
    std::memcpy(lf.lfFaceName, "Tahoma", 7);
    HFONT hFont = CreateFontIndirect(&lf);
    HGDIOBJ hOldFont = SelectObject(hMem, hFont);
    SetBkMode(hMem, TRANSPARENT);
    RECT rcText{0, 0, 20, 15};
    DrawText(hMem, QStringLiteral("Wq").constData(), 2, &rcText, DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX);
    SelectObject(hMem, hOldFont);
    AfxEndPainting(AfxGetBitmapImage(hBitmap));
    QVERIFY(mixedBlocks(*AfxGetBitmapImage(hBitmap), QRect(0, 0, 40, 30)) > 4);

    SelectObject(hMem, hOld);
    DeleteObject(hFont);
    DeleteObject(hRed);
    DeleteObject(hBlue);
    DeleteObject(hWhite);
    DeleteObject(hBitmap);
    DeleteDC(hMem);
    AfxDeleteDeviceDC(hWindow);
}

void TestHiDpi::stretchAndIconsAtDensity()
{
    QImage surface(64, 64, QImage::Format_RGB32);
    surface.setDevicePixelRatio(2);
    surface.fill(Qt::white);
    HDC hDest = AfxCreateDeviceDC(&surface, QRegion(), QPoint(0, 0));
    // A 2 x 1 bitmap of plain density, stretched to 8 x 4 logical pixels: nearest neighbour in device pixels.
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(255, 0, 0));
    two.setPixel(1, 0, qRgb(0, 0, 255));
    HBITMAP hTwo = AfxCreateBitmapFromImage(two);
    HDC hSrc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hSrc, hTwo);
    QVERIFY(StretchBlt(hDest, 1, 1, 8, 4, hSrc, 0, 0, 2, 1, SRCCOPY));
    AfxEndPainting(&surface);
    for (int y = 2; y < 10; ++y) {
        QCOMPARE(colorAt(surface, 2, y), RGB(255, 0, 0));
        QCOMPARE(colorAt(surface, 9, y), RGB(255, 0, 0));
        QCOMPARE(colorAt(surface, 10, y), RGB(0, 0, 255));
        QCOMPARE(colorAt(surface, 17, y), RGB(0, 0, 255));
        QCOMPARE(colorAt(surface, 18, y), RGB(255, 255, 255));
    }
    QCOMPARE(colorAt(surface, 2, 10), RGB(255, 255, 255));
    QCOMPARE(colorAt(surface, 1, 5), RGB(255, 255, 255));
    SelectObject(hSrc, hOld);
    DeleteObject(hTwo);
    DeleteDC(hSrc);

    // The board icons carry art at twice the size; drawn on a dense surface it is used as it is.
    HICON hIcon = AfxLoadIconResource(141, 32, 32);
    QVERIFY(hIcon);
    CImageList list;
    QVERIFY(list.Create(32, 32, ILC_MASK, 1, 1));
    QCOMPARE(list.Add(hIcon), 0);
    CDC *pDC = CDC::FromHandle(hDest);
    QVERIFY(list.Draw(pDC, 0, CPoint(0, 0), ILD_NORMAL));
    AfxEndPainting(&surface);
    const QImage icon = surface.copy(0, 0, 64, 64);
    QVERIFY(mixedBlocks(icon, icon.rect()) > 10);
    DestroyIcon(hIcon);
    AfxDeleteDeviceDC(hDest);
}

void TestHiDpi::boardAndNotesAtScaleTwo()
{
    QVERIFY(zbtest::startApp());
    QVERIFY(zbtest::setBoardSize(400, 300));
    QCOMPARE(zbtest::boardWidget()->devicePixelRatio(), 2.0);
    CZentDoc *pDoc = zbtest::document();
    pDoc->m_bPureColour = TRUE;
    pDoc->m_crBackground = RGB(0, 128, 255);
    pDoc->UpdateAllViews(nullptr);
    CPaperFrame *pPaper = zbtest::addNote(QRect(150, 100, 200, 120));
    QVERIFY(pPaper);
    pPaper->SetWindowText(QStringLiteral("Crisp caption"));
    zbtest::settle();

    // The board: logical sizes, twice the pixels, the fill right up to the edges.
    const QImage board = zbtest::grabBoard();
    QCOMPARE(board.size(), QSize(800, 600));
    QCOMPARE(colorAt(board, 799, 599), RGB(0, 128, 255));
    QCOMPARE(colorAt(board, 298, 198), RGB(0, 128, 255)); // just outside the note
    CRect rcNote;
    pPaper->GetWindowRect(&rcNote);
    QCOMPARE(rcNote.Size(), CSize(200, 120));

    // The note: its surface is dense, its outer frame line 2 device pixels wide, its caption text sharp.
    HWND hWnd = pPaper->m_hWnd;
    QCOMPARE(hWnd->ncSurface.devicePixelRatio(), 2.0);
    const QImage note = hWnd->widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(note.size(), QSize(400, 240));
    QCOMPARE(colorAt(note, 0, 100), GetSysColor(COLOR_3DLIGHT));
    QCOMPARE(colorAt(note, 1, 100), GetSysColor(COLOR_3DLIGHT));
    QCOMPARE(colorAt(note, 2, 100), GetSysColor(COLOR_BTNHIGHLIGHT));
    QCOMPARE(colorAt(note, 399, 100), GetSysColor(COLOR_3DDKSHADOW));
    QCOMPARE(colorAt(note, 398, 100), GetSysColor(COLOR_3DDKSHADOW));
    QCOMPARE(colorAt(note, 397, 100), GetSysColor(COLOR_BTNSHADOW));
    const int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
    const int cy = GetSystemMetrics(SM_CYCAPTION);
    // Right end of the caption: the note's colour, exactly from the caption's top row on.
    QCOMPARE(colorAt(note, 2 * 190, 2 * fy), pPaper->m_clrCaption);
    QCOMPARE(colorAt(note, 2 * 190, 2 * fy - 1), GetSysColor(COLOR_BTNFACE));
    const QRect textArea(2 * fx, 2 * fy, 2 * 120, 2 * (cy - 1));
    QVERIFY(mixedBlocks(note, textArea) > 20);
}

void TestHiDpi::ratioChangeRedrawsCachesOnce()
{
    QVERIFY(zbtest::startApp());
    CPaperFrame *pPaper = zbtest::addNote(QRect(20, 60, 160, 100));
    QVERIFY(pPaper);
    zbtest::settle();
    HWND hWnd = pPaper->m_hWnd;
    hWnd->widget->repaint();
    QCOMPARE(hWnd->ncRatio, 2.0);
    CSettingCounter counter;
    counter.SetHookedWindow(pPaper);
    // As if the window had been painted on a screen of plain density before.
    hWnd->ncRatio = 1.0;
    QEvent screenChange(QEvent::ScreenChangeInternal);
    QCoreApplication::sendEvent(hWnd->widget, &screenChange);
    for (int i = 0; i < 3; ++i) {
        hWnd->widget->repaint();
        zbtest::settle();
    }
    QCOMPARE(counter.m_nSettingChanges, 1);
    QCOMPARE(hWnd->ncRatio, 2.0);
    QCOMPARE(hWnd->ncSurface.devicePixelRatio(), 2.0);
    counter.SetHookedWindow(nullptr);
}

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestHiDpi tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return zbtest::runTests(tc, argc, argv);
}

#include "tst_hidpi.moc"
