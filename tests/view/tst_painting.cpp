// The board as painted: background kinds, icons with their masks, texture tiling and stretching, partial
// repaints and the printer path. Pixels are read back from what the view paints.
#include "support/AppFixture.h"
#include "support/TestMain.h"

#include "platform/CommonDialogs.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "view/Texture.h"
#include "view/memdc.h"

#include <QFile>
#include <QMainWindow>
#include <QPainter>

using namespace zbtest;

namespace {
// The texture bitmap's own pixels, read from the resource file independently of the drawing code.
QImage textureImage(int id)
{
    QImage img(QStringLiteral(":/resources/bitmap/%1").arg(id));
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage paintTextureInto(int id, int w, int h)
{
    HBITMAP hbm = nullptr;
    HPALETTE hpal = nullptr;
    int tw = 0, th = 0;
    if (!LoadTextureResource(UINT(id), hbm, hpal, tw, th))
        return QImage();
    QImage target(w, h, QImage::Format_RGB32);
    target.fill(Qt::magenta);
    {
        CDC dc;
        dc.Attach(AfxCreateDeviceDC(&target, QRegion(), QPoint(0, 0)));
        PaintTexture(&dc, CRect(0, 0, w, h), hbm, hpal, tw, th);
        AfxDeleteDeviceDC(dc.Detach());
    }
    DeleteObject(hbm);
    DeleteObject(hpal);
    return target;
}

// Nearest source pixel of destination index i when n destination pixels show srcN source pixels.
int nearest(int i, int n, int srcN)
{
    return int((qint64(2 * i + 1) * srcN) / (2 * qint64(n)));
}

QImage iconOver(QRgb background, int id)
{
    QImage expected(32, 32, QImage::Format_RGB32);
    expected.fill(background);
    QPainter p(&expected);
    p.drawImage(0, 0, AfxIconImage(AfxLoadIconResource(UINT(id))));
    return expected;
}

bool regionMatches(const QImage &board, int x0, int y0, const QImage &expected)
{
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if ((board.pixel(x0 + x, y0 + y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF))
                return false;
    return true;
}
} // namespace

class TestPainting : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override { QVERIFY(startApp()); }

    void cleanupTest() override { endApp(); }

private Q_SLOTS:
    void newBoardIsWhiteWithBothIconsMasked()
    {
        const QImage board = grabBoard();
        QVERIFY(!board.isNull());
        QCOMPARE(pixelAt(board, 5, 5), RGB(255, 255, 255));
        QCOMPARE(pixelAt(board, board.width() - 5, board.height() - 5), RGB(255, 255, 255));
        QVERIFY(regionMatches(board, 10, 10, iconOver(qRgb(255, 255, 255), IDI_TRASH)));
        QVERIFY(regionMatches(board, 100, 10, iconOver(qRgb(255, 255, 255), IDI_STORAGE)));
        // The masks leave some of the background showing around each icon.
        const QImage trash = AfxIconImage(AfxLoadIconResource(IDI_TRASH));
        int transparent = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                transparent += qAlpha(trash.pixel(x, y)) == 0;
        QVERIFY(transparent > 50);
    }

    void storageIconIsOnTopWhereTheyOverlap()
    {
        CZentDoc *doc = document();
        doc->m_ptStorage = CPoint(20, 14);
        doc->UpdateAllViews(nullptr);
        const QImage board = grabBoard();
        QImage expected(48, 48, QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter p(&expected);
            p.drawImage(0, 0, AfxIconImage(AfxLoadIconResource(IDI_TRASH)));
            p.drawImage(10, 4, AfxIconImage(AfxLoadIconResource(IDI_STORAGE)));
        }
        QVERIFY(regionMatches(board, 10, 10, expected));
    }

    void pureBackgroundPaintsExactlyTheChosenColour()
    {
        CZentDoc *doc = document();
        AfxDialogScript::PushColorAnswer(IDOK, RGB(12, 200, 77));
        mainFrame()->SendMessage(WM_COMMAND, ID_PURE_BACKGROUND);
        QCOMPARE(AfxDialogScript::History().last().clrInit, COLORREF(0));
        QVERIFY(doc->m_bPureColour && !doc->m_bTexture);
        QVERIFY(doc->IsModified());
        QImage board = grabBoard();
        QCOMPARE(pixelAt(board, 300, 200), RGB(12, 200, 77));
        QCOMPARE(pixelAt(board, 0, 0), RGB(12, 200, 77));
        QVERIFY(regionMatches(board, 10, 10, iconOver(qRgb(12, 200, 77), IDI_TRASH)));

        // Still correct after a resize.
        mainFrame()->GetMainWindow()->resize(700, 500);
        settle();
        board = grabBoard();
        QCOMPARE(pixelAt(board, board.width() - 1, board.height() - 1), RGB(12, 200, 77));

        // Cancel changes nothing, the modified flag included.
        doc->SetModifiedFlag(FALSE);
        AfxDialogScript::PushColorAnswer(IDCANCEL, RGB(1, 2, 3));
        mainFrame()->SendMessage(WM_COMMAND, ID_PURE_BACKGROUND);
        QCOMPARE(doc->m_crBackground, RGB(12, 200, 77));
        QVERIFY(!doc->IsModified());
    }

    void textureModeWinsOverPureColour()
    {
        CZentDoc *doc = document();
        doc->m_bPureColour = true;
        doc->m_crBackground = RGB(255, 0, 0);
        doc->m_bTexture = true;
        QVERIFY(doc->LoadTexture(IDB_ROCK_YELLOW));
        doc->UpdateAllViews(nullptr);
        const QImage board = grabBoard();
        const QImage tex = textureImage(IDB_ROCK_YELLOW);
        for (int y : {0, 27, 28, 150})
            for (int x : {0, 51, 52, 300})
                QCOMPARE(board.pixel(x, y) & 0xFFFFFF, tex.pixel(x % 52, y % 28) & 0xFFFFFF);
    }

    void textureCommandSwitchesModeOnly()
    {
        CZentDoc *doc = document();
        doc->m_bPureColour = true;
        mainFrame()->SendMessage(WM_COMMAND, ID_TEXTURE_BACKGROUND);
        QVERIFY(doc->m_bTexture);
        QVERIFY(!doc->m_bPureColour);
        QVERIFY(!doc->m_hTexture);
        QCOMPARE(pixelAt(grabBoard(), 300, 200), RGB(255, 255, 255));
    }

    void partialRepaintMatchesFullRepaint()
    {
        CZentDoc *doc = document();
        doc->m_bTexture = true;
        QVERIFY(doc->LoadTexture(IDB_MONEY));
        doc->UpdateAllViews(nullptr);
        const QImage full = grabBoard();
        QWidget *w = boardView()->GetWidget();
        QImage partial(w->size(), QImage::Format_RGB32);
        partial.fill(Qt::black);
        const QRect area(173, 61, 40, 30);
        w->render(&partial, area.topLeft(), QRegion(area));
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                QCOMPARE(partial.pixel(x, y), full.pixel(x, y));
        // Outside the repainted area nothing was drawn.
        QCOMPARE(partial.pixel(0, 0) & 0xFFFFFF, 0u);
    }

    void printerContextDrawsStraightThrough()
    {
        QImage page(200, 100, QImage::Format_RGB32);
        page.fill(Qt::black);
        CDC printer;
        printer.Attach(AfxCreatePrinterDC(&page));
        QVERIFY(printer.IsPrinting());
        {
            CMemDC dc(&printer);
            QCOMPARE(dc.GetSafeHdc(), printer.GetSafeHdc());
            dc.FillSolidRect(CRect(5, 5, 10, 10), RGB(0, 0, 255));
        }
        // The printer's handles survive the off-screen context.
        QVERIFY(printer.GetSafeHdc() != nullptr);
        printer.FillSolidRect(CRect(50, 50, 52, 52), RGB(0, 255, 0));
        printer.DeleteDC();
        QCOMPARE(page.pixel(6, 6) & 0xFFFFFF, 0x0000FFu);
        QCOMPARE(page.pixel(50, 50) & 0xFFFFFF, 0x00FF00u);
    }
};

class TestTextures : public zbtest::TestCase {
    Q_OBJECT
private Q_SLOTS:
    void everyTextureLoadsWithItsSizeAndColours_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::newRow("Rock White") << 131 << 96 << 96;
        QTest::newRow("Rock Yellow") << 132 << 52 << 28;
        QTest::newRow("Pattern Green") << 135 << 106 << 132;
        QTest::newRow("Brick Cranite") << 138 << 140 << 188;
        QTest::newRow("Money") << 140 << 169 << 105;
    }
    void everyTextureLoadsWithItsSizeAndColours()
    {
        QFETCH(int, id);
        QFETCH(int, w);
        QFETCH(int, h);
        HBITMAP hbm = nullptr;
        HPALETTE hpal = nullptr;
        int tw = 0, th = 0;
        QVERIFY(LoadTextureResource(UINT(id), hbm, hpal, tw, th));
        QCOMPARE(tw, w);
        QCOMPARE(th, h);
        QVERIFY(hbm && hpal);
        PALETTEENTRY entries[256];
        QCOMPARE(GetPaletteEntries(hpal, 0, 256, entries), 256u);
        // Every pixel of the device bitmap is the colour the bitmap file gives it.
        const QImage expected = textureImage(id);
        const QImage *got = AfxGetBitmapImage(hbm);
        QVERIFY(got);
        QCOMPARE(got->size(), QSize(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                QCOMPARE(got->pixel(x, y) & 0xFFFFFF, expected.pixel(x, y) & 0xFFFFFF);
        DeleteObject(hbm);
        DeleteObject(hpal);
    }

    void missingTextureLeavesNone()
    {
        HBITMAP hbm = nullptr;
        HPALETTE hpal = nullptr;
        int tw = 0, th = 0;
        QVERIFY(LoadTextureResource(IDB_MONEY, hbm, hpal, tw, th));
        const int before = AfxGdiLiveObjects(0);
        QVERIFY(!LoadTextureResource(0, hbm, hpal, tw, th));
        QVERIFY(!hbm && !hpal);
        // Any number may come from a board file: numbers beyond 16 bits name nothing.
        QVERIFY(!LoadTextureResource(0x656C6261u, hbm, hpal, tw, th));
        QVERIFY(!LoadTextureResource(65536u + IDB_MONEY, hbm, hpal, tw, th));
        QVERIFY(!LoadTextureResource(0xFFFFFFFFu, hbm, hpal, tw, th));
        // The toolbar strip is a bitmap too, but too small for a 256-colour texture: refused, nothing read past it.
        QVERIFY(!LoadTextureResource(128u, hbm, hpal, tw, th));
        QVERIFY(!hbm && !hpal);
        QCOMPARE(AfxGdiLiveObjects(0), before - 2);
    }

    void moneyIsStretchedWhenWiderThanTheArea()
    {
        const QImage tex = textureImage(IDB_MONEY);
        const QImage out = paintTextureInto(IDB_MONEY, 150, 300);
        // Stretched over the whole area, also downwards although the texture is shorter.
        QCOMPARE(out.pixel(0, 0) & 0xFFFFFF, tex.pixel(0, 0) & 0xFFFFFF);
        QCOMPARE(out.pixel(149, 299) & 0xFFFFFF, tex.pixel(168, 104) & 0xFFFFFF);
        for (int y = 0; y < 300; y += 37)
            for (int x = 0; x < 150; x += 13)
                QCOMPARE(out.pixel(x, y) & 0xFFFFFF, tex.pixel(nearest(x, 150, 169), nearest(y, 300, 105)) & 0xFFFFFF);
    }

    void moneyIsTiledInThreeColumnsAndRows()
    {
        const QImage tex = textureImage(IDB_MONEY);
        const QImage out = paintTextureInto(IDB_MONEY, 400, 300);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                if ((out.pixel(x, y) & 0xFFFFFF) != (tex.pixel(x % 169, y % 105) & 0xFFFFFF))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
    }

    void textureExactlyAsWideIsTiledOneWiderIsStretched()
    {
        const QImage tex = textureImage(IDB_ROCK_YELLOW);
        const QImage same = paintTextureInto(IDB_ROCK_YELLOW, 52, 100);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 52; ++x)
                QCOMPARE(same.pixel(x, y) & 0xFFFFFF, tex.pixel(x, y % 28) & 0xFFFFFF);
        const QImage narrower = paintTextureInto(IDB_ROCK_YELLOW, 51, 100);
        // Stretched: the last row of the area shows the texture's last row.
        for (int x = 0; x < 51; ++x)
            QCOMPARE(narrower.pixel(x, 99) & 0xFFFFFF, tex.pixel(nearest(x, 51, 52), 27) & 0xFFFFFF);
        // An empty area draws nothing.
        const QImage empty = paintTextureInto(IDB_ROCK_YELLOW, 1, 1);
        QVERIFY(!empty.isNull());
    }
};

int main(int argc, char *argv[])
{
    zbtest::isolateEnvironment();
    QApplication app(argc, argv);
    int rc = 0;
    {
        TestTextures t;
        rc |= zbtest::runTests(t, argc, argv);
    }
    {
        TestPainting t;
        rc |= zbtest::runTests(t, argc, argv);
    }
    return rc;
}
#include "tst_painting.moc"
