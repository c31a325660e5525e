// Caption backgrounds and the drawing helpers: the gradient against its worked values and an independent
// column-by-column model, the plain and inactive fills, system colours, AutoSelector and FillSolid.
#include "support/TestMain.h"

#include "caption/AutoSelector.h"
#include "caption/CaptionBackground.h"

#include "platform/SysParams.h"

#include <vector>

namespace {

std::vector<std::pair<QByteArray, int>> g_asserts;
void recordAssert(const char *source, int line)
{
    g_asserts.emplace_back(QByteArray(source), line);
}

const COLORREF kMagenta = RGB(255, 0, 255);
const int kHeight = 6;

COLORREF colorAt(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// Paints the background into a bitmap two columns and two rows larger, filled with magenta first, and returns
// the bitmap's pixels.
QImage paint(CCaptionBackground &background, int cx, int cy, BOOL bActive)
{
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, cx + 2, cy + 2);
    CBitmap *pOld = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, cx + 2, cy + 2, kMagenta);
    background.Paint(&dc, cx, cy, bActive);
    dc.SelectObject(pOld);
    return bitmap.GetImage()->copy();
}

// The fade worked out per column: column c (left of the split) lies in band k = ceil((split - c) / band), whose
// colour is taken at distance l = k * band; columns beyond the last whole band stay black.
std::vector<COLORREF> modelGradient(int cx, COLORREF clr)
{
    const qint64 split = qint64(cx) * 5 / 6;
    const qint64 band = std::max<qint64>(1, split / 64);
    const qint64 bands = split > band ? (split - 1) / band : 0;
    std::vector<COLORREF> columns(size_t(cx), RGB(0, 0, 0));
    for (int c = 0; c < cx; ++c) {
        if (c >= split) {
            columns[size_t(c)] = clr;
            continue;
        }
        const qint64 k = (split - c + band - 1) / band;
        if (k > bands)
            continue;
        const qint64 l = k * band;
        const auto fade = [&](int v) { return int((v - (l * l * v) / (split * split)) & 0xFF); };
        columns[size_t(c)] = RGB(fade(GetRValue(clr)), fade(GetGValue(clr)), fade(GetBValue(clr)));
    }
    return columns;
}

// Checks every pixel of the painted area against the per-column colours, and that nothing was painted outside.
bool matchesColumns(const QImage &image, int cx, int cy, const std::vector<COLORREF> &columns, QString *pWhy)
{
    for (int y = 0; y < cy + 2; ++y)
        for (int x = 0; x < cx + 2; ++x) {
            const COLORREF want = (x < cx && y < cy) ? columns[size_t(x)] : kMagenta;
            if (colorAt(image, x, y) != want) {
                *pWhy = QStringLiteral("pixel (%1, %2) is %3, expected %4")
                            .arg(x)
                            .arg(y)
                            .arg(colorAt(image, x, y), 6, 16, QLatin1Char('0'))
                            .arg(want, 6, 16, QLatin1Char('0'));
                return false;
            }
        }
    return true;
}

} // namespace

class TestCaptionBackground : public zbtest::TestCase {
    Q_OBJECT
protected:
    void cleanupTest() override
    {
        AfxResetSysColors();
        QVERIFY2(g_asserts.empty(), "unexpected assertion");
    }

private Q_SLOTS:
    void initTestCase() { AfxSetAssertHandler(&recordAssert); }

    void gradientMatchesTheWorkedValues()
    {
        CGradientCaptionBackground background;
        background.SetColors(RGB(255, 0, 0), RGB(255, 0, 0));

        // 120 wide: split 100, one-pixel bands.
        QImage image = paint(background, 120, kHeight, TRUE);
        for (int x = 100; x < 120; ++x)
            QCOMPARE(colorAt(image, x, 0), RGB(255, 0, 0));
        QCOMPARE(colorAt(image, 99, 0), RGB(255, 0, 0)); // l = 1 rounds to the full colour
        QCOMPARE(colorAt(image, 50, 0), RGB(192, 0, 0));
        QCOMPARE(colorAt(image, 50, kHeight - 1), RGB(192, 0, 0));
        QCOMPARE(colorAt(image, 1, 0), RGB(6, 0, 0)); // l = 99
        QCOMPARE(colorAt(image, 0, 0), RGB(0, 0, 0));
        QCOMPARE(colorAt(image, 120, 0), kMagenta);
        QCOMPARE(colorAt(image, 50, kHeight), kMagenta);

        // 1000 wide: split 833, 64 bands of 13 starting at 820, 807, ..., 14, 1.
        image = paint(background, 1000, kHeight, TRUE);
        QCOMPARE(colorAt(image, 833, 0), RGB(255, 0, 0));
        QCOMPARE(colorAt(image, 999, 0), RGB(255, 0, 0));
        for (int start = 820; start >= 1; start -= 13) {
            const COLORREF band = colorAt(image, start, 0);
            QCOMPARE(colorAt(image, start + 12, 0), band);
        }
        QCOMPARE(colorAt(image, 1, 0), RGB(1, 0, 0)); // l = 832
        QCOMPARE(colorAt(image, 0, 0), RGB(0, 0, 0));

        // 2 wide: the colour, then black. 1 wide: the colour. 0 wide: nothing.
        image = paint(background, 2, kHeight, TRUE);
        QCOMPARE(colorAt(image, 1, 0), RGB(255, 0, 0));
        QCOMPARE(colorAt(image, 0, 0), RGB(0, 0, 0));
        QCOMPARE(colorAt(image, 2, 0), kMagenta);
        image = paint(background, 1, kHeight, TRUE);
        QCOMPARE(colorAt(image, 0, 0), RGB(255, 0, 0));
        QCOMPARE(colorAt(image, 1, 0), kMagenta);
        image = paint(background, 0, kHeight, TRUE);
        QCOMPARE(colorAt(image, 0, 0), kMagenta);
        QCOMPARE(colorAt(image, 1, 1), kMagenta);
    }

    void gradientMatchesTheColumnModel_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<COLORREF>("color");
        for (int width : {0, 1, 2, 3, 77, 100, 120, 153, 154, 800, 1000})
            QTest::addRow("red, %d wide", width) << width << RGB(255, 0, 0);
        QTest::newRow("white fades through greys") << 300 << RGB(255, 255, 255);
        QTest::newRow("each component on its own") << 500 << RGB(40, 130, 220);
        QTest::newRow("3511 wide, just below the 32-bit limit") << 3511 << RGB(255, 255, 255);
        QTest::newRow("3512 wide, products pass 32 bits") << 3512 << RGB(255, 255, 255);
        QTest::newRow("4000 wide") << 4000 << RGB(255, 128, 1);
    }

    void gradientMatchesTheColumnModel()
    {
        QFETCH(int, width);
        QFETCH(COLORREF, color);
        CGradientCaptionBackground background;
        background.SetColors(color, RGB(0, 0, 255));
        const QImage image = paint(background, width, kHeight, TRUE);
        QString why;
        QVERIFY2(matchesColumns(image, width, kHeight, modelGradient(width, color), &why), qPrintable(why));
    }

    void wideGradientsUseTheFormulaNotA32BitWrap()
    {
        CGradientCaptionBackground background;
        background.SetColors(RGB(255, 255, 255), RGB(255, 255, 255));
        // 3512: split 2926, band 45; the last band lies at x = 1 with l = 2925, where l * l * 255 passes 2^31.
        QImage image = paint(background, 3512, kHeight, TRUE);
        QCOMPARE(colorAt(image, 1, 0), RGB(1, 1, 1));
        QCOMPARE(colorAt(image, 45, 0), RGB(1, 1, 1));
        QCOMPARE(colorAt(image, 46, 0), RGB(8, 8, 8)); // l = 2880 still fits
        QCOMPARE(colorAt(image, 0, 0), RGB(0, 0, 0));
        // 4000: split 3333, band 52; the last band starts at 5 with l = 3328. Wrapped 32-bit arithmetic would
        // give 131 there.
        image = paint(background, 4000, kHeight, TRUE);
        QCOMPARE(colorAt(image, 5, 0), RGB(1, 1, 1));
        QCOMPARE(colorAt(image, 4, 0), RGB(0, 0, 0));
    }

    void inactiveStateIsOneSolidFill()
    {
        CGradientCaptionBackground gradient;
        gradient.SetColors(RGB(255, 0, 0), RGB(0, 128, 0));
        QImage image = paint(gradient, 200, kHeight, FALSE);
        QString why;
        QVERIFY2(matchesColumns(image, 200, kHeight, std::vector<COLORREF>(200, RGB(0, 128, 0)), &why),
                 qPrintable(why));

        // The note windows give both states the same colour: a gradient while active, solid while inactive.
        gradient.SetColors(RGB(255, 0, 0), RGB(255, 0, 0));
        image = paint(gradient, 200, kHeight, FALSE);
        QVERIFY2(matchesColumns(image, 200, kHeight, std::vector<COLORREF>(200, RGB(255, 0, 0)), &why),
                 qPrintable(why));
        image = paint(gradient, 200, kHeight, TRUE);
        QVERIFY2(matchesColumns(image, 200, kHeight, modelGradient(200, RGB(255, 0, 0)), &why), qPrintable(why));

        CCaptionBackground plain;
        plain.SetColors(RGB(10, 20, 30), RGB(40, 50, 60));
        image = paint(plain, 150, kHeight, TRUE);
        QVERIFY2(matchesColumns(image, 150, kHeight, std::vector<COLORREF>(150, RGB(10, 20, 30)), &why),
                 qPrintable(why));
        image = paint(plain, 150, kHeight, FALSE);
        QVERIFY2(matchesColumns(image, 150, kHeight, std::vector<COLORREF>(150, RGB(40, 50, 60)), &why),
                 qPrintable(why));
    }

    void systemColoursAreReadAtEachPaint()
    {
        CCaptionBackground plain;
        CGradientCaptionBackground gradient;
        QCOMPARE(plain.m_clrActive, CLR_SYSCOLOR);
        QCOMPARE(plain.m_clrInactive, CLR_SYSCOLOR);
        QCOMPARE(plain.GetActiveColor(), GetSysColor(COLOR_ACTIVECAPTION));
        QCOMPARE(plain.GetInactiveColor(), GetSysColor(COLOR_INACTIVECAPTION));

        AfxSetSysColor(COLOR_ACTIVECAPTION, RGB(0, 200, 0));
        AfxSetSysColor(COLOR_INACTIVECAPTION, RGB(0, 0, 200));
        QCOMPARE(colorAt(paint(plain, 40, kHeight, TRUE), 0, 0), RGB(0, 200, 0));
        QCOMPARE(colorAt(paint(plain, 40, kHeight, FALSE), 0, 0), RGB(0, 0, 200));
        QCOMPARE(colorAt(paint(gradient, 120, kHeight, TRUE), 110, 0), RGB(0, 200, 0));
        QCOMPARE(colorAt(paint(gradient, 120, kHeight, TRUE), 50, 0), RGB(0, 150, 0));
        QCOMPARE(colorAt(paint(gradient, 120, kHeight, FALSE), 50, 0), RGB(0, 0, 200));

        // A set colour no longer follows; -1 puts the state back to the system colour.
        plain.SetActiveColor(RGB(1, 2, 3));
        QCOMPARE(plain.GetActiveColor(), RGB(1, 2, 3));
        plain.SetActiveColor(CLR_SYSCOLOR);
        QCOMPARE(plain.GetActiveColor(), RGB(0, 200, 0));
    }

    void fillSolidAndAutoSelectorRestoreTheContext()
    {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&dc, 20, 10);
        CBitmap *pOldBitmap = dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, 20, 10, kMagenta);
        CBrush *pBrushBefore = dc.GetCurrentBrush();
        const int nBrushes = AfxGdiLiveObjects(OBJ_BRUSH);

        FillSolid(&dc, 2, 3, 5, 4, RGB(0, 0, 255));
        FillSolid(&dc, 10, 0, 0, 10, RGB(0, 255, 0)); // no width: nothing
        FillSolid(&dc, 10, 0, 10, 0, RGB(0, 255, 0)); // no height: nothing
        QCOMPARE(dc.GetCurrentBrush()->GetSafeHandle(), pBrushBefore->GetSafeHandle());
        QCOMPARE(AfxGdiLiveObjects(OBJ_BRUSH), nBrushes);
        {
            CBrush brush(RGB(1, 1, 1));
            const AutoSelector selector(&dc, &brush);
            QCOMPARE(dc.GetCurrentBrush()->GetSafeHandle(), brush.GetSafeHandle());
            QCOMPARE(selector.m_pOldObject->GetSafeHandle(), pBrushBefore->GetSafeHandle());
        }
        QCOMPARE(dc.GetCurrentBrush()->GetSafeHandle(), pBrushBefore->GetSafeHandle());
        dc.SelectObject(pOldBitmap);

        const QImage *pImage = bitmap.GetImage();
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= 2 && x < 7 && y >= 3 && y < 7;
                QCOMPARE(colorAt(*pImage, x, y), inside ? RGB(0, 0, 255) : kMagenta);
            }
    }

    void autoSelectorRefusesRegions()
    {
        ZB_REQUIRE_ASSERT();
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CRgn region;
        region.CreateRectRgn(0, 0, 5, 5);
        {
            const AutoSelector selector(&dc, &region);
        }
        // No previous object, and a region: both reported against the helper's source.
        QCOMPARE(g_asserts.size(), size_t(2));
        for (const auto &a : g_asserts) {
            QCOMPARE(a.first, QByteArray("AutoSelector"));
            QVERIFY(a.second > 0);
        }
        QVERIFY(g_asserts[0].second != g_asserts[1].second);
        g_asserts.clear();
    }
};

ZB_TEST_MAIN(TestCaptionBackground)
#include "tst_captionbackground.moc"
