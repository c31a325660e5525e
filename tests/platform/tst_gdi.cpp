// Drawing interface: pixel-exact fills and block transfers, bitmaps from device-independent bitmaps, icons and
// image lists, regions, text, clipping, system colours and metrics, object ownership.
#include "support/TestMain.h"

#include "platform/Gdi.h"
#include "platform/ImageList.h"
#include "platform/Resources.h"
#include "platform/SysParams.h"

#include <QFontInfo>
#include <QPainter>

#include <cstring>
#include <functional>

namespace {

QColor pixel(const QImage *img, int x, int y)
{
    return QColor(img->pixel(x, y));
}
QColor color(COLORREF c)
{
    return AfxQColor(c);
}

// A memory context with a w x h bitmap selected; releases both.
struct MemSurface {
    MemSurface(int w, int h)
    {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(&dc, w, h);
        old = dc.SelectObject(&bitmap);
    }
    ~MemSurface() { dc.SelectObject(old); }
    QImage *image() const { return bitmap.GetImage(); }
    CDC dc;
    CBitmap bitmap;
    CBitmap *old = nullptr;
};

// A device-independent bitmap in memory: header, colour table, rows (row 0 is the top row of the picture).
struct Dib {
    QByteArray bytes;
    const BITMAPINFO *info() const { return reinterpret_cast<const BITMAPINFO *>(bytes.constData()); }
    const BITMAPINFOHEADER *header() const { return &info()->bmiHeader; }
    const void *bits() const { return bytes.constData() + bitsOffset; }
    int bitsOffset = 0;
};

Dib makeDib(int w, int h, int bpp, const QVector<QRgb> &table, const std::function<uint(int, int)> &value, bool topDown)
{
    BITMAPINFOHEADER hd{};
    hd.biSize = sizeof hd;
    hd.biWidth = w;
    hd.biHeight = topDown ? -h : h;
    hd.biPlanes = 1;
    hd.biBitCount = WORD(bpp);
    hd.biCompression = BI_RGB;
    hd.biClrUsed = DWORD(table.size());
    Dib dib;
    dib.bytes.append(reinterpret_cast<const char *>(&hd), sizeof hd);
    for (QRgb c : table) {
        const RGBQUAD q{BYTE(qBlue(c)), BYTE(qGreen(c)), BYTE(qRed(c)), 0};
        dib.bytes.append(reinterpret_cast<const char *>(&q), sizeof q);
    }
    dib.bitsOffset = int(dib.bytes.size());
    const int stride = ((w * bpp + 31) / 32) * 4;
    for (int r = 0; r < h; ++r) {
        const int y = topDown ? r : h - 1 - r;
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const uint v = value(x, y);
            switch (bpp) {
            case 1:
                row[x / 8] = char(uchar(row[x / 8]) | ((v & 1) << (7 - x % 8)));
                break;
            case 4:
                row[x / 2] = char(uchar(row[x / 2]) | ((v & 0xF) << ((x % 2) ? 0 : 4)));
                break;
            case 8:
                row[x] = char(v);
                break;
            case 24:
                row[3 * x] = char(qBlue(v));
                row[3 * x + 1] = char(qGreen(v));
                row[3 * x + 2] = char(qRed(v));
                break;
            }
        }
        dib.bytes.append(row);
    }
    return dib;
}

// One 4-bit icon image (colour index per pixel, AND mask bit per pixel) as an icon file entry.
QByteArray iconImage(int w, int h, const QVector<QRgb> &table, const std::function<uint(int, int)> &index,
                     const std::function<bool(int, int)> &transparent)
{
    Dib colorPart = makeDib(w, h, 4, table, index, false);
    BITMAPINFOHEADER hd;
    std::memcpy(&hd, colorPart.bytes.constData(), sizeof hd);
    hd.biHeight = 2 * h; // colour and mask
    std::memcpy(colorPart.bytes.data(), &hd, sizeof hd);
    QByteArray out = colorPart.bytes;
    const int stride = ((w + 31) / 32) * 4;
    for (int r = 0; r < h; ++r) {
        const int y = h - 1 - r;
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x)
            if (transparent(x, y))
                row[x / 8] = char(uchar(row[x / 8]) | (1 << (7 - x % 8)));
        out.append(row);
    }
    return out;
}

QByteArray iconFile(const QList<QPair<int, QByteArray>> &entries /* size, image */)
{
    QByteArray out;
    auto put16 = [&out](int v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto put32 = [&](int v) {
        put16(v & 0xFFFF);
        put16((v >> 16) & 0xFFFF);
    };
    put16(0);
    put16(1);
    put16(int(entries.size()));
    int offset = 6 + 16 * int(entries.size());
    for (const auto &e : entries) {
        out.append(char(e.first)).append(char(e.first)).append(char(16)).append(char(0));
        put16(1);
        put16(4);
        put32(int(e.second.size()));
        put32(offset);
        offset += int(e.second.size());
    }
    for (const auto &e : entries)
        out.append(e.second);
    return out;
}

const QVector<QRgb> kSixteen = {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                                qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
                                qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                                qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

int liveGdi()
{
    return AfxGdiLiveObjects(0);
}

// Columns that hold ink (pixels differing from the background) inside a row band.
int rightmostInk(const QImage *img, QRgb background, int top, int bottom)
{
    int right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < img->width(); ++x)
            if ((img->pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF))
                right = std::max(right, x);
    return right;
}

} // namespace

class TestGdi : public zbtest::TestCase {
    Q_OBJECT

protected:
    void initTest() override { m_baseline = liveGdi(); }

    void cleanupTest() override
    {
        AfxResetSysColors();
        AfxResetSystemMetrics();
        QCOMPARE(liveGdi(), m_baseline);
    }

private Q_SLOTS:
    void fillsArePixelExact()
    {
        MemSurface s(40, 30);
        QCOMPARE(pixel(s.image(), 39, 29), QColor(0, 0, 0)); // a new bitmap is black

        s.dc.FillSolidRect(5, 6, 10, 4, RGB(200, 10, 20));
        QCOMPARE(s.dc.GetBkColor(), RGB(200, 10, 20)); // FillSolidRect leaves its colour as background colour
        QCOMPARE(pixel(s.image(), 5, 6), QColor(200, 10, 20));
        QCOMPARE(pixel(s.image(), 14, 9), QColor(200, 10, 20));
        QCOMPARE(pixel(s.image(), 15, 9), QColor(0, 0, 0));  // right edge exclusive
        QCOMPARE(pixel(s.image(), 14, 10), QColor(0, 0, 0)); // bottom edge exclusive
        QCOMPARE(pixel(s.image(), 4, 6), QColor(0, 0, 0));

        CBrush brush(RGB(1, 2, 3));
        const CRect r(20, 0, 22, 2);
        s.dc.FillRect(&r, &brush);
        QCOMPARE(pixel(s.image(), 21, 1), QColor(1, 2, 3));
        QCOMPARE(pixel(s.image(), 22, 1), QColor(0, 0, 0));

        // PatBlt fills with the selected brush, and the previous brush comes back for selecting it back.
        CBrush green(RGB(0, 250, 0));
        CBrush *oldBrush = s.dc.SelectObject(&green);
        QVERIFY(oldBrush != nullptr);
        QVERIFY(s.dc.PatBlt(30, 20, 5, 5, PATCOPY));
        QCOMPARE(pixel(s.image(), 34, 24), QColor(0, 250, 0));
        QCOMPARE(pixel(s.image(), 35, 24), QColor(0, 0, 0));
        QVERIFY(s.dc.PatBlt(30, 20, 0, 5, PATCOPY)); // a width of 0 draws nothing
        QVERIFY(s.dc.PatBlt(0, 0, 2, 2, WHITENESS));
        QCOMPARE(pixel(s.image(), 1, 1), QColor(255, 255, 255));
        QCOMPARE(s.dc.SelectObject(oldBrush), &green);
    }

    // The off-screen drawing pattern: a memory bitmap of the clip box, window origin at its corner, copied back.
    void offscreenCopyOfClipBoxNotAtOrigin()
    {
        QImage window(200, 150, QImage::Format_RGB32);
        window.fill(QColor(0, 0, 255));
        // A client area whose logical (0, 0) is device pixel (4, 23), repainting only one rectangle.
        const QPoint client(4, 23);
        const QRect invalid = QRect(50, 40, 60, 30).translated(client);
        CDC target;
        QVERIFY(target.Attach(AfxCreateDeviceDC(&window, QRegion(invalid), client)));
        QVERIFY(!target.IsPrinting());

        CRect bounds;
        QCOMPARE(target.GetClipBox(&bounds), SIMPLEREGION);
        QCOMPARE(bounds, CRect(50, 40, 110, 70));
        {
            CDC mem;
            QVERIFY(mem.CreateCompatibleDC(&target));
            target.LPtoDP(&bounds);
            QCOMPARE(bounds, CRect(50, 40, 110, 70)); // device units of a window context are client units
            CBitmap bitmap;
            QVERIFY(bitmap.CreateCompatibleBitmap(&target, bounds.Width(), bounds.Height()));
            CBitmap *oldBitmap = mem.SelectObject(&bitmap);
            QVERIFY(oldBitmap != nullptr);
            QCOMPARE(mem.SetMapMode(target.GetMapMode()), MM_TEXT);
            target.DPtoLP(&bounds);
            mem.SetWindowOrg(bounds.left, bounds.top);
            mem.FillSolidRect(&bounds, target.GetBkColor());

            CRect memClip;
            mem.GetClipBox(&memClip);
            QCOMPARE(memClip, bounds); // logical units of the memory context match the target's

            // Drawing at the target's logical coordinates, partly outside the bounds.
            mem.FillSolidRect(60, 50, 10, 10, RGB(255, 0, 0));
            mem.FillSolidRect(0, 0, 55, 45, RGB(0, 255, 0));
            QCOMPARE(pixel(bitmap.GetImage(), 10, 10), QColor(255, 0, 0));
            QCOMPARE(pixel(bitmap.GetImage(), 0, 0), QColor(0, 255, 0));

            QVERIFY(target.BitBlt(bounds.left, bounds.top, bounds.Width(), bounds.Height(), &mem, bounds.left,
                                  bounds.top, SRCCOPY));
            mem.SelectObject(oldBitmap);
        }
        const auto at = [&](int x, int y) { return pixel(&window, client.x() + x, client.y() + y); };
        QCOMPARE(at(65, 55), QColor(255, 0, 0));
        QCOMPARE(at(52, 42), QColor(0, 255, 0));
        QCOMPARE(at(56, 46), QColor(255, 255, 255)); // the target's background colour
        QCOMPARE(at(109, 69), QColor(255, 255, 255));
        QCOMPARE(at(110, 69), QColor(0, 0, 255)); // outside the clip box: untouched
        QCOMPARE(at(49, 45), QColor(0, 0, 255));
        QCOMPARE(at(30, 30), QColor(0, 0, 255)); // the green fill beyond the bounds never reached the window
        QCOMPARE(pixel(&window, 0, 0), QColor(0, 0, 255));
    }

    void blitsBetweenSurfacesWhilePainting()
    {
        MemSurface a(20, 20), b(20, 20);
        a.dc.FillSolidRect(0, 0, 20, 20, RGB(10, 20, 30));
        a.dc.FillSolidRect(0, 0, 4, 4, RGB(200, 0, 0));
        // b reads a while a's painter is open, then a goes on drawing.
        QVERIFY(b.dc.BitBlt(5, 5, 10, 10, &a.dc, 0, 0, SRCCOPY));
        a.dc.FillSolidRect(1, 1, 1, 1, RGB(0, 0, 200));
        QCOMPARE(pixel(b.image(), 5, 5), QColor(200, 0, 0));
        QCOMPARE(pixel(b.image(), 9, 9), QColor(10, 20, 30));
        QCOMPARE(pixel(b.image(), 15, 15), QColor(0, 0, 0));
        QCOMPARE(pixel(a.image(), 1, 1), QColor(0, 0, 200));

        // Onto itself, overlapping: the source is read before it is overwritten.
        QVERIFY(a.dc.BitBlt(2, 2, 6, 6, &a.dc, 0, 0, SRCCOPY));
        QCOMPARE(pixel(a.image(), 2, 2), QColor(200, 0, 0));
        QCOMPARE(pixel(a.image(), 3, 3), QColor(0, 0, 200));
        QCOMPARE(pixel(a.image(), 5, 5), QColor(200, 0, 0));
        QCOMPARE(pixel(a.image(), 6, 6), QColor(10, 20, 30));

        // A source rectangle reaching past the source surface copies only what exists.
        b.dc.FillSolidRect(0, 0, 20, 20, RGB(1, 1, 1));
        QVERIFY(b.dc.BitBlt(0, 0, 20, 20, &a.dc, 15, 15, SRCCOPY));
        QCOMPARE(pixel(b.image(), 4, 4), QColor(10, 20, 30));
        QCOMPARE(pixel(b.image(), 5, 5), QColor(1, 1, 1));

        // A bitmap is selected into one context at a time.
        CDC other;
        other.CreateCompatibleDC(nullptr);
        QCOMPARE(other.SelectObject(&a.bitmap), static_cast<CBitmap *>(nullptr));
    }

    void stretchIsNearestNeighbour()
    {
        MemSurface src(4, 2), dst(12, 8);
        const COLORREF c[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
        for (int i = 0; i < 4; ++i) {
            src.dc.FillSolidRect(i, 0, 1, 1, c[i]);
            src.dc.FillSolidRect(i, 1, 1, 1, c[3 - i]);
        }
        // 4 x 2 onto 12 x 8: every source pixel becomes a 3 x 4 block, without blending.
        QVERIFY(StretchBlt(dst.dc, 0, 0, 12, 8, src.dc, 0, 0, 4, 2, SRCCOPY));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x) {
                const COLORREF want = y < 4 ? c[x / 3] : c[3 - x / 3];
                QCOMPARE(pixel(dst.image(), x, y), color(want));
            }
        // 4 x 1 onto 2 x 1 samples the pixel under each destination pixel's centre: source columns 1 and 3.
        dst.dc.FillSolidRect(0, 0, 12, 8, RGB(0, 0, 0));
        QVERIFY(StretchBlt(dst.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 1, SRCCOPY));
        QCOMPARE(pixel(dst.image(), 0, 0), color(c[1]));
        QCOMPARE(pixel(dst.image(), 1, 0), color(c[3]));
        QCOMPARE(pixel(dst.image(), 2, 0), QColor(0, 0, 0));
        // Opposite signs mirror.
        QVERIFY(StretchBlt(dst.dc, 4, 0, -4, 1, src.dc, 0, 0, 4, 1, SRCCOPY));
        QCOMPARE(pixel(dst.image(), 0, 0), color(c[3]));
        QCOMPARE(pixel(dst.image(), 3, 0), color(c[0]));
    }

    void deviceIndependentBitmapsConvert_data()
    {
        QTest::addColumn<int>("bpp");
        QTest::addColumn<bool>("topDown");
        QTest::newRow("8-bit rows stored bottom-up") << 8 << false;
        QTest::newRow("8-bit rows stored top-down") << 8 << true;
        QTest::newRow("4-bit rows stored bottom-up") << 4 << false;
        QTest::newRow("1-bit rows stored bottom-up") << 1 << false;
        QTest::newRow("24-bit rows stored top-down") << 24 << true;
    }
    void deviceIndependentBitmapsConvert()
    {
        QFETCH(int, bpp);
        QFETCH(bool, topDown);
        // 5 x 3 (odd width: rows are padded to 4 bytes); the top row is distinct from the bottom one.
        QVector<QRgb> table;
        if (bpp <= 8)
            table = {qRgb(255, 255, 255), qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(0, 0, 250)};
        const auto value = [&](int x, int y) -> uint {
            const uint index = (bpp == 1) ? uint((x + y) % 2) : uint(y == 0 ? 3 : (x == 4 ? 2 : 1));
            return bpp == 24 ? (y == 0 ? qRgb(0, 0, 250) : qRgb(10, 20, 30)) : index;
        };
        const Dib dib = makeDib(5, 3, bpp, table, value, topDown);
        HDC screen = GetDC(nullptr);
        HBITMAP hBitmap = CreateDIBitmap(screen, dib.header(), CBM_INIT, dib.bits(), dib.info(), DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        QVERIFY(hBitmap);
        const QImage *img = AfxGetBitmapImage(hBitmap);
        QCOMPARE(img->size(), QSize(5, 3));
        QCOMPARE(img->format(), QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const uint v = value(x, y);
                const QColor want = bpp == 24 ? QColor(QRgb(v)) : QColor(table[int(v)]);
                QCOMPARE(pixel(img, x, y), want);
            }
        BITMAP bm{};
        QCOMPARE(GetObject(hBitmap, sizeof bm, &bm), int(sizeof bm));
        QCOMPARE(bm.bmWidth, LONG(5));
        QCOMPARE(bm.bmHeight, LONG(3));
        QVERIFY(DeleteObject(hBitmap));
    }

    void palettesAreBookkeeping()
    {
        // A logical palette of three entries in a block allocated for them, as a texture loader builds it.
        std::vector<BYTE> block(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
        auto *logPal = reinterpret_cast<LOGPALETTE *>(block.data());
        logPal->palVersion = 0x300;
        logPal->palNumEntries = 3;
        const PALETTEENTRY entries[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
        std::memcpy(block.data() + offsetof(LOGPALETTE, palPalEntry), entries, sizeof entries);
        HPALETTE palette = CreatePalette(logPal);
        QVERIFY(palette);
        PALETTEENTRY all[8]{};
        QCOMPARE(GetPaletteEntries(palette, 0, 8, all), 3u);
        QCOMPARE(all[1].peGreen, BYTE(5));
        PALETTEENTRY last{};
        QCOMPARE(GetPaletteEntries(palette, 2, 1, &last), 1u);
        QCOMPARE(last.peBlue, BYTE(9));

        HDC screen = GetDC(nullptr);
        QCOMPARE(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
        QCOMPARE(GetDeviceCaps(screen, BITSPIXEL), 32);
        QCOMPARE(GetDeviceCaps(screen, LOGPIXELSY), 96);
        QCOMPARE(GetDeviceCaps(screen, HORZRES), GetSystemMetrics(SM_CXSCREEN));
        HPALETTE old = SelectPalette(screen, palette, FALSE);
        QVERIFY(old != nullptr);
        QCOMPARE(RealizePalette(screen), 3u);
        QVERIFY(!DeleteObject(palette)); // selected
        QCOMPARE(SelectPalette(screen, old, FALSE), palette);
        ReleaseDC(nullptr, screen);
        QVERIFY(DeleteObject(palette));
        QCOMPARE(CreatePalette(nullptr), static_cast<HPALETTE>(nullptr));
    }

    void iconsDrawThroughTheirMask()
    {
        // 32 x 32 red with a transparent left half, and a 16 x 16 blue entry.
        const QByteArray big = iconImage(
            32, 32, kSixteen, [](int, int) { return 9u; }, [](int x, int) { return x < 16; });
        const QByteArray small = iconImage(
            16, 16, kSixteen, [](int, int) { return 12u; }, [](int, int) { return false; });
        const QByteArray ico = iconFile({{16, small}, {32, big}});
        HICON hIcon = AfxIconFromIcoData(ico, 32, 32);
        QVERIFY(hIcon);
        QCOMPARE(AfxIconSize(hIcon), QSize(32, 32));
        HICON hSmall = AfxIconFromIcoData(ico, 16, 16);
        QCOMPARE(AfxIconImage(hSmall).pixelColor(3, 3), QColor(0, 0, 255));
        QVERIFY(!AfxIconFromIcoData(QByteArray("not an icon"), 32, 32));

        MemSurface s(80, 40);
        s.dc.FillSolidRect(0, 0, 80, 40, RGB(0, 128, 0));
        QVERIFY(s.dc.DrawIconEx(2, 3, hIcon, 0, 0, 0, nullptr, DI_NORMAL));
        QCOMPARE(pixel(s.image(), 2 + 5, 3 + 5), QColor(0, 128, 0)); // masked: the background shows
        QCOMPARE(pixel(s.image(), 2 + 20, 3 + 5), QColor(255, 0, 0));
        QCOMPARE(pixel(s.image(), 2 + 31, 3 + 31), QColor(255, 0, 0));
        QCOMPARE(pixel(s.image(), 2 + 32, 3 + 31), QColor(0, 128, 0));
        // Scaled to a box, nearest neighbour: the mask edge moves with the scale.
        QVERIFY(s.dc.DrawIconEx(40, 0, hIcon, 16, 16, 0, nullptr, DI_NORMAL));
        QCOMPARE(pixel(s.image(), 40 + 7, 5), QColor(0, 128, 0));
        QCOMPARE(pixel(s.image(), 40 + 8, 5), QColor(255, 0, 0));
        QCOMPARE(pixel(s.image(), 40 + 16, 5), QColor(0, 128, 0));

        // The image list keeps the mask: drawing lets the background show around the picture.
        CImageList list;
        QVERIFY(list.Create(32, 32, ILC_COLOR4 | ILC_MASK, 2, 0));
        QCOMPARE(list.Add(hIcon), 0);
        QCOMPARE(list.Add(hSmall), 1); // scaled up to the list's size
        QCOMPARE(list.GetImageCount(), 2);
        QCOMPARE(list.Add(static_cast<HICON>(nullptr)), -1);
        s.dc.FillSolidRect(0, 0, 80, 40, RGB(255, 255, 255));
        QVERIFY(list.Draw(&s.dc, 0, CPoint(10, 4), ILD_NORMAL));
        QVERIFY(list.Draw(&s.dc, 1, CPoint(60, 4), ILD_TRANSPARENT));
        QCOMPARE(pixel(s.image(), 10 + 15, 4 + 10), QColor(255, 255, 255));
        QCOMPARE(pixel(s.image(), 10 + 16, 4 + 10), QColor(255, 0, 0));
        QCOMPARE(pixel(s.image(), 60, 4), QColor(0, 0, 255));
        QCOMPARE(pixel(s.image(), 79, 35), QColor(0, 0, 255));
        QVERIFY(!list.Draw(&s.dc, 2, CPoint(0, 0), ILD_NORMAL));
        QCOMPARE(AfxGdiLiveObjects(AFX_OBJ_IMAGELIST), 1);
        QVERIFY(list.DeleteImageList());
        QCOMPARE(AfxGdiLiveObjects(AFX_OBJ_IMAGELIST), 0);

        QVERIFY(DestroyIcon(hIcon));
        QVERIFY(DestroyIcon(hSmall));
        QVERIFY(!DestroyIcon(hSmall)); // a second release is refused
        QCOMPARE(AfxGdiLiveObjects(AFX_OBJ_ICON), 0);
    }

    void iconsFromImagesKeepAlpha()
    {
        QImage img(4, 4, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        img.setPixelColor(1, 1, QColor(0, 0, 255));
        HICON hIcon = AfxIconFromImage(img);
        MemSurface s(4, 4);
        s.dc.FillSolidRect(0, 0, 4, 4, RGB(9, 9, 9));
        QVERIFY(DrawIconEx(s.dc, 0, 0, hIcon, 0, 0, 0, nullptr, DI_NORMAL));
        QCOMPARE(pixel(s.image(), 1, 1), QColor(0, 0, 255));
        QCOMPARE(pixel(s.image(), 2, 2), QColor(9, 9, 9));
        QCOMPARE(AfxIconImage(hIcon).pixelColor(0, 0).alpha(), 0);
        DestroyIcon(hIcon);
    }

    void regionsCombineAndTest()
    {
        // The frame of a 200 x 100 window without its caption, as a caption painter hands it to the system.
        CRgn window, caption;
        QVERIFY(window.CreateRectRgn(0, 0, 200, 100));
        const CRect captionRect(4, 4, 196, 23);
        QVERIFY(caption.CreateRectRgnIndirect(&captionRect));
        QCOMPARE(window.CombineRgn(&window, &caption, RGN_DIFF), COMPLEXREGION);
        const CRect insideCaption(10, 5, 50, 20);
        const CRect acrossCaptionEdge(10, 20, 50, 30);
        QVERIFY(!RectInRegion(window, &insideCaption));
        QVERIFY(RectInRegion(window, &acrossCaptionEdge));
        QVERIFY(RectInRegion(caption, &insideCaption));
        QVERIFY(!PtInRegion(window, 100, 10));
        QVERIFY(PtInRegion(window, 100, 23)); // bottom edge of the caption is exclusive
        QVERIFY(PtInRegion(window, 2, 2));
        QVERIFY(PtInRegion(window, 199, 99));
        QVERIFY(!PtInRegion(window, 200, 99));

        CRgn result;
        QVERIFY(result.CreateRectRgn(0, 0, 0, 0));
        QCOMPARE(result.CombineRgn(&caption, &window, RGN_AND), NULLREGION);
        QCOMPARE(result.CombineRgn(&caption, &window, RGN_OR), SIMPLEREGION);
        QCOMPARE(result.CopyRgn(&caption), SIMPLEREGION);
        QVERIFY(PtInRegion(result, 4, 4));
        QVERIFY(PtInRegion(result, 195, 22));
        QVERIFY(!PtInRegion(result, 196, 22));
        QCOMPARE(result.CombineRgn(&caption, nullptr, RGN_DIFF), ERROR);

        // Inverted corners are put in order; non-region handles are refused, not dereferenced.
        HRGN inverted = CreateRectRgn(30, 30, 10, 10);
        QVERIFY(PtInRegion(inverted, 10, 10));
        QVERIFY(PtInRegion(inverted, 29, 29));
        QVERIFY(!PtInRegion(inverted, 30, 30));
        DeleteObject(inverted);
        QVERIFY(!RectInRegion(reinterpret_cast<HRGN>(std::uintptr_t(1)), &insideCaption));
        QCOMPARE(CombineRgn(reinterpret_cast<HRGN>(std::uintptr_t(1)), caption, caption, RGN_OR), ERROR);
        CBrush brush(RGB(0, 0, 0));
        QCOMPARE(CombineRgn(result, reinterpret_cast<HRGN>(brush.m_hObject), caption, RGN_OR), ERROR);
    }

    void drawTextCutsWithEllipsis()
    {
        NONCLIENTMETRICS ncm{};
        ncm.cbSize = sizeof ncm;
        QVERIFY(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &ncm, 0));
        CFont font;
        QVERIFY(font.CreateFontIndirect(&ncm.lfCaptionFont));

        MemSurface s(400, 60);
        CFont *oldFont = s.dc.SelectObject(&font);
        QVERIFY(oldFont != nullptr);
        s.dc.SetBkMode(TRANSPARENT);
        s.dc.SetTextColor(RGB(255, 255, 255));
        const CString text("A caption text much too long for a narrow note");
        CRect measured(0, 0, 0, 0);
        s.dc.DrawText(text, &measured, DT_CALCRECT | DT_SINGLELINE);
        QVERIFY(measured.Width() > 150);

        // Wide rectangle: the whole text.
        CRect wide(0, 0, 400, 20);
        QVERIFY(s.dc.DrawText(text, &wide, DT_END_ELLIPSIS) > 0);
        const int wideRight = rightmostInk(s.image(), qRgb(0, 0, 0), 0, 20);
        QVERIFY(wideRight > 150);
        // Narrow rectangle: shortened with "..." so that it ends inside the rectangle.
        CRect narrow(0, 30, 100, 50);
        s.dc.DrawText(text, &narrow, DT_END_ELLIPSIS);
        const int narrowRight = rightmostInk(s.image(), qRgb(0, 0, 0), 30, 50);
        QVERIFY(narrowRight >= 60);
        QVERIFY(narrowRight < 100);
        // The end of the narrow line differs from the wide line cut at the same place: the dots replace text.
        bool differs = false;
        for (int y = 0; y < 20 && !differs; ++y)
            for (int x = narrowRight - 12; x <= narrowRight && !differs; ++x)
                differs = s.image()->pixel(x, y) != s.image()->pixel(x, y + 30);
        QVERIFY(differs);

        // OPAQUE mode fills behind the text with the background colour; TRANSPARENT left the rest black.
        s.dc.SetBkMode(OPAQUE);
        s.dc.SetBkColor(RGB(0, 0, 200));
        CRect opaque(300, 0, 400, 20);
        s.dc.DrawText(CString("x"), &opaque, DT_SINGLELINE | DT_NOPREFIX);
        QCOMPARE(pixel(s.image(), 300, 1), QColor(0, 0, 200));
        QCOMPARE(pixel(s.image(), 399, 55), QColor(0, 0, 0));

        QCOMPARE(s.dc.SelectObject(oldFont), &font);
    }

    void clipBoxOfDeviceContexts()
    {
        QImage surface(100, 80, QImage::Format_RGB32);
        surface.fill(Qt::white);
        QRegion clip = QRegion(10, 20, 30, 10) | QRegion(50, 40, 20, 20);
        HDC hdc = AfxCreateDeviceDC(&surface, clip, QPoint(5, 5));
        CDC dc;
        QVERIFY(dc.Attach(hdc));
        CRect box;
        QCOMPARE(dc.GetClipBox(&box), COMPLEXREGION);
        QCOMPARE(box, CRect(5, 15, 65, 55)); // logical units: device pixels less the origin
        dc.SetWindowOrg(-5, -5);
        QCOMPARE(dc.GetClipBox(&box), COMPLEXREGION);
        QCOMPARE(box, CRect(0, 10, 60, 50));
        dc.SetWindowOrg(0, 0);

        // Filling everything paints only the clip region.
        dc.FillSolidRect(-100, -100, 400, 400, RGB(255, 0, 0));
        QCOMPARE(pixel(&surface, 10, 20), QColor(255, 0, 0));
        QCOMPARE(pixel(&surface, 69, 59), QColor(255, 0, 0));
        QCOMPARE(pixel(&surface, 45, 25), QColor(255, 255, 255));
        QCOMPARE(pixel(&surface, 0, 0), QColor(255, 255, 255));

        CRgn inner;
        inner.CreateRectRgn(45, 35, 55, 45);
        QCOMPARE(dc.SelectObject(&inner), SIMPLEREGION);
        QCOMPARE(dc.GetClipBox(&box), SIMPLEREGION);
        QCOMPARE(box, CRect(45, 35, 55, 45));
        dc.FillSolidRect(0, 0, 100, 80, RGB(0, 255, 0));
        QCOMPARE(pixel(&surface, 50, 40), QColor(0, 255, 0));
        QCOMPARE(pixel(&surface, 69, 59), QColor(255, 0, 0));
        QCOMPARE(SelectClipRgn(dc, nullptr), COMPLEXREGION);
        CRgn outside;
        outside.CreateRectRgn(200, 200, 300, 300);
        QCOMPARE(dc.SelectObject(&outside), NULLREGION);
        QCOMPARE(dc.GetClipBox(&box), NULLREGION);
        QCOMPARE(box, CRect());

        // Painting the device with a painter of one's own after the context let it go.
        AfxEndPainting(&surface);
        QPainter painter(&surface);
        QVERIFY(painter.isActive());
        painter.end();
        QVERIFY(dc.DeleteDC());
        QCOMPARE(dc.m_hDC, static_cast<HDC>(nullptr));
    }

    void printerContextsDrawStraightOnThePage()
    {
        QImage page(50, 50, QImage::Format_RGB32);
        page.fill(Qt::white);
        CDC printer;
        QVERIFY(printer.Attach(AfxCreatePrinterDC(&page)));
        QVERIFY(printer.IsPrinting());
        QCOMPARE(printer.GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
        QVERIFY(CDC::FromHandle(printer.m_hDC) == &printer);
        {
            // A context sharing the printer's handles, as the off-screen context does when printing.
            CDC shared;
            shared.m_hDC = printer.m_hDC;
            shared.m_hAttribDC = printer.m_hAttribDC;
            shared.m_bPrinting = printer.m_bPrinting;
            shared.FillSolidRect(0, 0, 10, 10, RGB(0, 0, 0));
            shared.m_hDC = nullptr;
            shared.m_hAttribDC = nullptr;
        }
        QCOMPARE(pixel(&page, 5, 5), QColor(0, 0, 0));
        QCOMPARE(AfxGdiLiveObjects(OBJ_DC), 1); // the printer context survived the sharer
        CDC memory;
        memory.CreateCompatibleDC(&printer);
        QVERIFY(!memory.IsPrinting());
        QCOMPARE(AfxGdiLiveObjects(OBJ_MEMDC), 1);
    }

    void systemColoursAndMetrics()
    {
        QCOMPARE(GetSysColor(COLOR_ACTIVECAPTION), RGB(10, 36, 106));
        QCOMPARE(GetSysColor(COLOR_INACTIVECAPTION), RGB(128, 128, 128));
        QCOMPARE(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
        QCOMPARE(GetSysColor(COLOR_INACTIVECAPTIONTEXT), RGB(212, 208, 200));
        QCOMPARE(GetSysColor(COLOR_CAPTIONTEXT), RGB(255, 255, 255));
        QCOMPARE(GetSystemMetrics(SM_CYCAPTION), 19);
        QCOMPARE(GetSystemMetrics(SM_CXFRAME), 4);
        QCOMPARE(GetSystemMetrics(SM_CXDLGFRAME), 3);
        QCOMPARE(GetSystemMetrics(SM_CXSIZE), 18);
        QCOMPARE(GetSystemMetrics(SM_CYSMCAPTION), 15);
        QCOMPARE(GetSystemMetrics(SM_CXDOUBLECLK), 4);
        QVERIFY(GetSystemMetrics(SM_CXSCREEN) > 0);
        AfxSetSystemMetric(SM_CYCAPTION, 25);
        QCOMPARE(GetSystemMetrics(SM_CYCAPTION), 25);

        // A colour index plus one fills as a brush of that system colour, changed or not; the change can be undone.
        MemSurface s(10, 10);
        const CRect all(0, 0, 10, 10);
        const auto face = reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_BTNFACE + 1));
        FillRect(s.dc, &all, face);
        QCOMPARE(pixel(s.image(), 5, 5), QColor(212, 208, 200));
        AfxSetSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
        QCOMPARE(GetSysColor(COLOR_BTNFACE), RGB(1, 2, 3));
        FillRect(s.dc, &all, face);
        QCOMPARE(pixel(s.image(), 5, 5), QColor(1, 2, 3));
        FillRect(s.dc, &all, reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_WINDOW + 1)));
        QCOMPARE(pixel(s.image(), 5, 5), QColor(255, 255, 255));
        AfxResetSysColors();
        QCOMPARE(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
        QCOMPARE(GetSysColor(99), COLORREF(0));
    }

    void captionButtonsInSystemColours()
    {
        MemSurface s(40, 20);
        s.dc.FillSolidRect(0, 0, 40, 20, RGB(255, 0, 255));
        CRect button(2, 2, 18, 16);
        QVERIFY(s.dc.DrawFrameControl(&button, DFC_CAPTION, DFCS_CAPTIONMIN));
        QCOMPARE(pixel(s.image(), 2, 2), color(GetSysColor(COLOR_BTNHIGHLIGHT)));
        QCOMPARE(pixel(s.image(), 17, 15), color(GetSysColor(COLOR_3DDKSHADOW)));
        QCOMPARE(pixel(s.image(), 16, 14), color(GetSysColor(COLOR_BTNSHADOW)));
        QCOMPARE(pixel(s.image(), 5, 5), color(GetSysColor(COLOR_BTNFACE)));
        QCOMPARE(pixel(s.image(), 18, 16), QColor(255, 0, 255)); // nothing outside the box
        int glyph = 0;
        for (int y = 4; y < 14; ++y)
            for (int x = 4; x < 16; ++x)
                glyph += pixel(s.image(), x, y) == color(GetSysColor(COLOR_BTNTEXT));
        QVERIFY(glyph > 0);

        AfxSetSysColor(COLOR_BTNFACE, RGB(0, 100, 0));
        CRect max(20, 2, 36, 16);
        QVERIFY(s.dc.DrawFrameControl(&max, DFC_CAPTION, DFCS_CAPTIONMAX));
        QCOMPARE(pixel(s.image(), 22, 13), QColor(0, 100, 0));
        QVERIFY(!s.dc.DrawFrameControl(&max, DFC_SCROLL, 0));
    }

    void nonClientMetricsRecord()
    {
        static_assert(sizeof(NONCLIENTMETRICS) == 340, "ANSI layout");
        static_assert(sizeof(LOGFONT) == 60, "ANSI layout");
        NONCLIENTMETRICS ncm{};
        ncm.cbSize = 340;
        QVERIFY(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &ncm, 0));
        QCOMPARE(ncm.lfCaptionFont.lfWeight, LONG(FW_BOLD));
        QCOMPARE(ncm.lfCaptionFont.lfHeight, LONG(-11));
        QCOMPARE(ncm.iCaptionHeight, GetSystemMetrics(SM_CYCAPTION) - 1);
        HFONT hFont = CreateFontIndirect(&ncm.lfCaptionFont);
        const QFontInfo info(AfxQFont(hFont));
        QVERIFY(!info.family().isEmpty());
        QCOMPARE(info.pixelSize(), 11);
        QVERIFY(info.bold());
        DeleteObject(hFont);

        // A face of the classic desktop is mapped to one installed here.
        LOGFONT dialog{};
        dialog.lfHeight = -11;
        std::strcpy(dialog.lfFaceName, "MS Sans Serif");
        CFont f;
        f.CreateFontIndirect(&dialog);
        QCOMPARE(AfxQFont(f).family(), QStringLiteral("DejaVu Sans"));
        LOGFONT back{};
        QCOMPARE(f.GetLogFont(&back), int(sizeof(LOGFONT)));
        QCOMPARE(QByteArray(back.lfFaceName), QByteArray("MS Sans Serif"));

        NONCLIENTMETRICS other{};
        other.cbSize = 344;
        QVERIFY(!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &other, 0));
        QCOMPARE(other.lfCaptionFont.lfWeight, LONG(0));
        QVERIFY(!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, nullptr, 0));
    }

    void mulDivRoundsWith64BitProduct()
    {
        QCOMPARE(MulDiv(2000000000, 3, 4), 1500000000);
        QCOMPARE(MulDiv(5, 1, 2), 3);
        QCOMPARE(MulDiv(-5, 1, 2), -3);
        QCOMPARE(MulDiv(5, -1, 2), -3);
        QCOMPARE(MulDiv(4, 1, 3), 1);
        QCOMPARE(MulDiv(26458, 96, 2540), 1000); // HIMETRIC to pixels at 96 per inch
        QCOMPARE(MulDiv(7, 1, 0), -1);
        QCOMPARE(MulDiv(2000000000, 2000000000, 1), -1); // does not fit
    }

    void objectsAreReleasedExactlyOnce()
    {
        const int memDCs = AfxGdiLiveObjects(OBJ_MEMDC);
        HDC hdc = CreateCompatibleDC(nullptr);
        HBITMAP hBitmap = CreateCompatibleBitmap(hdc, 8, 8);
        HBRUSH hBrush = CreateSolidBrush(RGB(1, 1, 1));
        LOGFONT lf{};
        lf.lfHeight = -12;
        std::strcpy(lf.lfFaceName, "Tahoma");
        HFONT hFont = CreateFontIndirect(&lf);
        QCOMPARE(AfxGdiLiveObjects(OBJ_MEMDC), memDCs + 1);
        QCOMPARE(AfxGdiLiveObjects(OBJ_BITMAP), 1);

        HGDIOBJ oldBitmap = SelectObject(hdc, hBitmap);
        HGDIOBJ oldBrush = SelectObject(hdc, hBrush);
        HGDIOBJ oldFont = SelectObject(hdc, hFont);
        QVERIFY(oldBitmap && oldBrush && oldFont);
        QCOMPARE(GetObjectType(oldBrush), DWORD(OBJ_BRUSH));
        QVERIFY(!DeleteObject(hBitmap)); // selected objects stay
        QVERIFY(!DeleteObject(hBrush));
        QVERIFY(!DeleteObject(hFont));
        QCOMPARE(AfxGdiLiveObjects(OBJ_BITMAP), 1);

        QCOMPARE(SelectObject(hdc, oldBitmap), static_cast<HGDIOBJ>(hBitmap));
        QCOMPARE(SelectObject(hdc, oldBrush), static_cast<HGDIOBJ>(hBrush));
        QVERIFY(DeleteObject(hBitmap));
        QVERIFY(DeleteObject(hBrush));
        QVERIFY(!DeleteObject(hBrush)); // double release refused
        QVERIFY(!DeleteObject(hFont));
        QVERIFY(DeleteDC(hdc)); // deleting the context deselects what it holds
        QVERIFY(!DeleteDC(hdc));
        QVERIFY(DeleteObject(hFont));
        QCOMPARE(AfxGdiLiveObjects(OBJ_MEMDC), memDCs);
        QVERIFY(DeleteObject(GetStockObject(WHITE_BRUSH))); // stock objects ignore deletion
        QVERIFY(GetObjectType(GetStockObject(WHITE_BRUSH)) == OBJ_BRUSH);
    }

    void contextsSwitchSurfacesAndWindowHooks()
    {
        // One context drawing into two bitmaps in turn: each drawing lands in the bitmap selected at the time.
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CBitmap one, two;
        one.CreateCompatibleBitmap(&dc, 4, 4);
        two.CreateCompatibleBitmap(&dc, 4, 4);
        CBitmap *stock = dc.SelectObject(&one);
        dc.FillSolidRect(0, 0, 4, 4, RGB(1, 0, 0));
        dc.SelectObject(&two);
        dc.FillSolidRect(0, 0, 2, 2, RGB(2, 0, 0));
        dc.SelectObject(&one);
        dc.FillSolidRect(3, 3, 1, 1, RGB(3, 0, 0));
        QCOMPARE(pixel(one.GetImage(), 0, 0), QColor(1, 0, 0));
        QCOMPARE(pixel(one.GetImage(), 3, 3), QColor(3, 0, 0));
        QCOMPARE(pixel(two.GetImage(), 1, 1), QColor(2, 0, 0));
        QCOMPARE(pixel(two.GetImage(), 3, 3), QColor(0, 0, 0));
        // Qt drawing inside the context uses its logical coordinates and clip.
        dc.SetWindowOrg(10, 10);
        CRgn clip; // device units: logical (10, 10) to (12, 14)
        clip.CreateRectRgn(0, 0, 2, 4);
        dc.SelectObject(&clip);
        QPainter *p = AfxGetPainter(dc);
        QVERIFY(p);
        p->fillRect(QRect(10, 10, 4, 4), QColor(0, 0, 9));
        QCOMPARE(pixel(one.GetImage(), 1, 1), QColor(0, 0, 9));
        QCOMPARE(pixel(one.GetImage(), 2, 1), QColor(1, 0, 0));
        dc.SelectObject(stock);
        QVERIFY(!AfxGetPainter(dc)); // the stock bitmap has nothing to draw on

        // Window contexts come from the window module's provider.
        const HWND fakeWindow = reinterpret_cast<HWND>(std::uintptr_t(0x1000));
        QCOMPARE(GetDC(fakeWindow), static_cast<HDC>(nullptr));
        static QImage surface(8, 8, QImage::Format_RGB32);
        static bool wholeWindowAsked = false;
        static int released = 0;
        AfxSetWindowDCProvider(
            [](HWND, bool bWhole) {
                wholeWindowAsked = bWhole;
                return AfxCreateDeviceDC(&surface, QRegion(), QPoint());
            },
            [](HWND, HDC h) {
                ++released;
                AfxDeleteDeviceDC(h);
                return 1;
            });
        HDC window = GetWindowDC(fakeWindow);
        QVERIFY(window);
        QVERIFY(wholeWindowAsked);
        QCOMPARE(ReleaseDC(fakeWindow, window), 1);
        HDC client = GetDC(fakeWindow);
        QVERIFY(!wholeWindowAsked);
        ReleaseDC(fakeWindow, client);
        QCOMPARE(released, 2);
        AfxSetWindowDCProvider(nullptr, nullptr);

        // A context deleted under its CDC leaves the CDC empty instead of dangling.
        CDC attached;
        attached.Attach(CreateCompatibleDC(nullptr));
        QVERIFY(CDC::FromHandle(attached.m_hDC) == &attached);
        QVERIFY(DeleteDC(attached.m_hDC));
        QCOMPARE(attached.m_hDC, static_cast<HDC>(nullptr));
        HDC bare = CreateCompatibleDC(nullptr);
        CDC *temporary = CDC::FromHandle(bare);
        QVERIFY(temporary && temporary->m_hDC == bare);
        QCOMPARE(CDC::FromHandle(bare), temporary);
        DeleteDC(bare);
    }

    void patternsAndAlignment()
    {
        MemSurface s(60, 30);
        s.dc.FillSolidRect(0, 0, 60, 30, RGB(10, 200, 30));
        // Inverting twice with a pattern brush restores the pixels, as a tracker's drag frame needs.
        CBrush white(RGB(255, 255, 255));
        CBrush *old = s.dc.SelectObject(&white);
        s.dc.PatBlt(0, 0, 10, 10, PATINVERT);
        QCOMPARE(pixel(s.image(), 5, 5), QColor(245, 55, 225));
        s.dc.PatBlt(0, 0, 10, 10, PATINVERT);
        QCOMPARE(pixel(s.image(), 5, 5), QColor(10, 200, 30));
        s.dc.PatBlt(0, 0, 10, 10, DSTINVERT);
        QCOMPARE(pixel(s.image(), 9, 9), QColor(245, 55, 225));
        s.dc.SelectObject(old);
        s.dc.SetBkMode(TRANSPARENT);

        // Centred single-line text: the ink sits around the middle of the rectangle.
        s.dc.FillSolidRect(0, 0, 60, 30, RGB(0, 0, 0));
        s.dc.SetTextColor(RGB(255, 255, 255));
        CRect box(0, 0, 60, 30);
        s.dc.DrawText(CString("&&M"), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        int left = 60, right = -1, top = 30, bottom = -1;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x)
                if (pixel(s.image(), x, y) != QColor(0, 0, 0)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        QVERIFY(right > left);
        QVERIFY(std::abs((left + right) / 2 - 30) <= 3);
        QVERIFY(std::abs((top + bottom) / 2 - 15) <= 4);
        CRect calc(0, 0, 0, 0);
        s.dc.DrawText(CString("&&M"), &calc, DT_CALCRECT | DT_SINGLELINE);
        CRect plain(0, 0, 0, 0);
        s.dc.DrawText(CString("&M"), &plain, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        QCOMPARE(calc.Width(), plain.Width()); // "&&" shows one ampersand
    }

    void frameworkObjectsWrapHandles()
    {
        CDC dc;
        QVERIFY(dc.CreateCompatibleDC(nullptr));
        CBitmap bitmap;
        QVERIFY(bitmap.CreateCompatibleBitmap(&dc, 4, 4));
        QVERIFY(!bitmap.CreateCompatibleBitmap(&dc, 4, 4)); // holds one already
        // Selecting through the generic object returns the previous object, as a scoped selector needs.
        CGdiObject *previous = dc.SelectObject(static_cast<CGdiObject *>(&bitmap));
        QVERIFY(previous != nullptr);
        QVERIFY(previous->IsKindOf(RUNTIME_CLASS(CBitmap)));
        QCOMPARE(CGdiObject::FromHandle(bitmap), static_cast<CGdiObject *>(&bitmap));
        QCOMPARE(dc.SelectObject(previous), static_cast<CGdiObject *>(&bitmap));
        CRgn rgn;
        rgn.CreateRectRgn(0, 0, 2, 2);
        QCOMPARE(dc.SelectObject(static_cast<CGdiObject *>(&rgn)), static_cast<CGdiObject *>(nullptr));
        CRect box;
        QCOMPARE(dc.GetClipBox(&box), SIMPLEREGION);

        CGdiObject *stock = CGdiObject::FromHandle(GetStockObject(BLACK_BRUSH));
        QVERIFY(stock && stock->IsKindOf(RUNTIME_CLASS(CBrush)));
        CGdiObject *before = dc.SelectObject(stock);
        QCOMPARE(dc.SelectObject(before)->GetSafeHandle(), GetStockObject(BLACK_BRUSH));

        // Detached handles outlive their wrapper; an attached one dies with it.
        HGDIOBJ kept = nullptr;
        {
            CBrush brush(RGB(5, 5, 5));
            kept = brush.Detach();
        }
        QCOMPARE(GetObjectType(kept), DWORD(OBJ_BRUSH));
        CBrush again;
        QVERIFY(again.Attach(kept));
        QVERIFY(again.DeleteObject());
        QCOMPARE(GetObjectType(kept), DWORD(0));
        const LOGBRUSH badStyle{7, 0, 0};
        QCOMPARE(CreateBrushIndirect(&badStyle), static_cast<HBRUSH>(nullptr));
        const LOGBRUSH solid{BS_SOLID, RGB(1, 2, 3), 0};
        QVERIFY(again.Attach(CreateBrushIndirect(&solid)));
        LOGBRUSH back{};
        QCOMPARE(GetObject(again, int(sizeof back), &back), int(sizeof back));
        QCOMPARE(back.lbColor, RGB(1, 2, 3));
    }

private:
    int m_baseline = 0;
};

ZB_TEST_MAIN(TestGdi)
#include "tst_gdi.moc"
