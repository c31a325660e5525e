// The background picture: decoding every common variant of JPEG, GIF, BMP (and PNG) from real encoded files,
// its natural size, drawing, failed loads, and in the running program the New/Select/Unselect/Delete picture
// commands and moving and sizing the picture with its tracker.
#include "support/AppFixture.h"
#include "support/PictureFiles.h"
#include "support/TestMain.h"
#include "support/TrackerInput.h"

#include "platform/CommonDialogs.h"
#include "platform/Gdi.h"
#include "platform/Memory.h"
#include "platform/OlePicture.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "view/Picture.h"

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTransform>
#include <sys/stat.h>

using namespace zbtest;

namespace {

const QRgb kMagenta = qRgb(255, 0, 255);
const QString kFilter = QStringLiteral("Picture Files (*.jpg, *.gif, *.bmp)|*.jpg;*.gif;*.bmp|All Files (*.*)|*.*|");

// Draws the picture into rect of a canvas filled with the background; the Draw result goes to *pResult.
QImage drawPicture(CPicture &picture, QSize canvas, QRect rect, QRgb background = kMagenta, BOOL *pResult = nullptr)
{
    QImage image(canvas, QImage::Format_RGB32);
    image.fill(background);
    CDC dc;
    dc.Attach(AfxCreateDeviceDC(&image, QRegion(), QPoint(0, 0)));
    const BOOL ok = picture.Draw(&dc, rect.x(), rect.y(), rect.width(), rect.height());
    AfxDeleteDeviceDC(dc.Detach());
    if (pResult)
        *pResult = ok;
    return image;
}

// Peak resident set of this process (VmHWM), in KiB.
qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

CSize pixelSize(const CPicture &picture)
{
    QImage image(1, 1, QImage::Format_RGB32);
    CDC dc;
    dc.Attach(AfxCreateDeviceDC(&image, QRegion(), QPoint(0, 0)));
    const CSize size = picture.GetPixelSize(&dc);
    AfxDeleteDeviceDC(dc.Detach());
    return size;
}

// Compares every pixel (or, for lossy data, those well inside a patch of one colour) within the tolerance.
bool sameImage(const QImage &got, const QImage &expected, int tolerance, bool lossy, QString *why)
{
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = expected.pixel(x, y);
            if (lossy) {
                bool flat = true;
                for (int dy = -4; dy <= 4 && flat; ++dy)
                    for (int dx = -4; dx <= 4 && flat; ++dx) {
                        const QPoint p(std::clamp(x + dx, 0, expected.width() - 1),
                                       std::clamp(y + dy, 0, expected.height() - 1));
                        flat = expected.pixel(p) == want;
                    }
                if (!flat)
                    continue;
            }
            if (colourDistance(got.pixel(x, y), want) > tolerance) {
                *why = QStringLiteral("pixel (%1, %2) is %3, expected %4")
                           .arg(x)
                           .arg(y)
                           .arg(got.pixel(x, y) & 0xFFFFFF, 6, 16)
                           .arg(want & 0xFFFFFF, 6, 16);
                return false;
            }
        }
    }
    return true;
}

QImage stripes(int w, int h)
{
    QImage image = quadrantImage(w, h);
    for (int y = 0; y < h; ++y)
        std::fill_n(image.scanLine(y), w, uchar(y % 4));
    return image;
}

QByteArray le16(int v)
{
    return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF));
}

QAction *findAction(QMenuBar *bar, UINT id)
{
    for (QAction *a : bar->findChildren<QAction *>())
        if (a->data().toUInt() == id && !a->menu())
            return a;
    return nullptr;
}

} // namespace

class TestPicture : public zbtest::TestCase {
    Q_OBJECT
protected:
    void initTest() override
    {
        QDir().mkpath(m_dir);
        QDir::setCurrent(m_dir);
    }

    void cleanupTest() override
    {
        if (boardView())
            endApp();
        QCOMPARE(AfxLivePictures(), 0);
    }

private Q_SLOTS:
    void initTestCase() { m_dir = QDir(sandboxPath()).filePath(QStringLiteral("pictures")); }

    // ---------------------------------------------------------------------------------------------------------
    // The picture object on its own.

    void decodesEveryCommonVariant_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("marker"); // proves the file is the variant named
        QTest::addColumn<QImage>("expected");   // upright, over magenta
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<bool>("lossy");

        const QImage quad = quadrantImage(64, 48);
        const QImage quadRgb = quad.convertToFormat(QImage::Format_RGB32);
        QTest::newRow("baseline JPEG") << encodeWithQt(quad, "jpeg") << QByteArray("\xFF\xC0", 2) << quadRgb << 24
                                       << true;
        QTest::newRow("progressive JPEG")
            << encodeWithQt(quad, "jpeg", 95, true) << QByteArray("\xFF\xC2", 2) << quadRgb << 24 << true;
        const QImage grey = quadRgb.convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("greyscale JPEG") << encodeWithQt(grey, "jpeg") << QByteArray("\xFF\xC0\x00\x0B\x08", 5)
                                        << grey.convertToFormat(QImage::Format_RGB32) << 6 << true;
        {
            // Stored inverted, as Adobe writes CMYK: red and cyan blocks above a half-black grey row.
            QImage expected(32, 16, QImage::Format_RGB32);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 32; ++x)
                    expected.setPixel(x, y,
                                      y >= 8   ? qRgb(128, 128, 128)
                                      : x < 16 ? qRgb(255, 0, 0)
                                               : qRgb(0, 255, 255));
            const QByteArray cmyk = cmykJpeg(32, 16, [](int bx, int by) -> std::array<quint8, 4> {
                if (by >= 1)
                    return {255, 255, 255, 128};
                return bx < 2 ? std::array<quint8, 4>{255, 0, 0, 255} : std::array<quint8, 4>{0, 255, 255, 255};
            });
            QTest::newRow("CMYK JPEG") << cmyk << QByteArray("\xFF\xC0\x00\x14\x08\x00\x10\x00\x20\x04", 10) << expected
                                       << 3 << false;
        }
        QTest::newRow("JPEG with EXIF orientation 6 stands upright")
            << withExifOrientation(encodeWithQt(quad, "jpeg"), 6) << QByteArray("Exif")
            << quadRgb.transformed(QTransform().rotate(90)) << 24 << true;

        const QVector<QRgb> colours(std::begin(kQuadrantColours), std::end(kQuadrantColours));
        QImage yellow = quadrantImage(64, 48);
        yellow.fill(3);
        QTest::newRow("animated GIF shows its first frame")
            << gifFile(colours, {quad, yellow}) << QByteArray("NETSCAPE2.0") << quadRgb << 0 << false;
        QTest::newRow("interlaced GIF") << gifFile(colours, {stripes(20, 37)}, {true, -1})
                                        << (QByteArray("\x2C\0\0\0\0", 5) + le16(20) + le16(37) + "\x40")
                                        << stripes(20, 37).convertToFormat(QImage::Format_RGB32) << 0 << false;
        {
            QImage expected = quadRgb;
            for (int y = 0; y < 24; ++y)
                for (int x = 32; x < 64; ++x)
                    expected.setPixel(x, y, kMagenta);
            QTest::newRow("transparent GIF lets the background show")
                << gifFile(colours, {quad}, {false, 1}) << QByteArray("\x21\xF9\x04\x01", 4) << expected << 0 << false;
        }
        {
            // 256 colours of noise: long LZW data with 8-bit codes and dictionary resets.
            QVector<QRgb> palette;
            for (int i = 0; i < 256; ++i)
                palette << qRgb(i, (i * 7) & 0xFF, 255 - i);
            QImage noise(128, 96, QImage::Format_Indexed8);
            noise.setColorTable(palette);
            quint32 seed = 12345;
            for (int y = 0; y < 96; ++y)
                for (int x = 0; x < 128; ++x) {
                    seed = seed * 1103515245u + 12345u;
                    noise.scanLine(y)[x] = uchar(seed >> 24);
                }
            QTest::newRow("GIF of 256 colours of noise") << gifFile(palette, {noise}) << QByteArray("GIF89a")
                                                         << noise.convertToFormat(QImage::Format_RGB32) << 0 << false;
        }

        const QImage odd = quadrantImage(37, 23);
        const QImage oddRgb = odd.convertToFormat(QImage::Format_RGB32);
        QImage twoColours = odd;
        twoColours.setColorTable({kQuadrantColours[0], kQuadrantColours[2]});
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                const int q = quadrantAt(37, 23, x, y);
                twoColours.scanLine(y)[x] = uchar(q == 0 || q == 3 ? 0 : 1);
            }
        // Bit count and compression as the BMP header must say them.
        auto bmpMarker = [](int bits, int compression) { return le16(1) + le16(bits) + le16(compression) + le16(0); };
        QTest::newRow("BMP 1 bit") << bmpFile(twoColours, BmpKind::Bits1) << bmpMarker(1, 0)
                                   << twoColours.convertToFormat(QImage::Format_RGB32) << 0 << false;
        QTest::newRow("BMP 4 bits") << bmpFile(odd, BmpKind::Bits4) << bmpMarker(4, 0) << oddRgb << 0 << false;
        QTest::newRow("BMP 8 bits") << bmpFile(odd, BmpKind::Bits8) << bmpMarker(8, 0) << oddRgb << 0 << false;
        QTest::newRow("BMP 16 bits 5-5-5")
            << bmpFile(odd, BmpKind::Bits16x555) << bmpMarker(16, 0) << oddRgb << 8 << false;
        QTest::newRow("BMP 16 bits 5-6-5 bit fields")
            << bmpFile(odd, BmpKind::Bits16x565) << bmpMarker(16, 3) << oddRgb << 8 << false;
        QTest::newRow("BMP 24 bits") << bmpFile(odd, BmpKind::Bits24) << bmpMarker(24, 0) << oddRgb << 0 << false;
        QTest::newRow("BMP 32 bits") << bmpFile(odd, BmpKind::Bits32) << bmpMarker(32, 0) << oddRgb << 0 << false;
        QTest::newRow("BMP 4 bits RLE") << bmpFile(odd, BmpKind::Rle4) << bmpMarker(4, 2) << oddRgb << 0 << false;
        QTest::newRow("BMP 8 bits RLE") << bmpFile(odd, BmpKind::Rle8) << bmpMarker(8, 1) << oddRgb << 0 << false;
        QTest::newRow("BMP top-down") << bmpFile(odd, BmpKind::TopDown24) << (le16(23 * -1 & 0xFFFF) + "\xFF\xFF")
                                      << oddRgb << 0 << false;
        QTest::newRow("PNG") << encodeWithQt(quad, "png") << QByteArray("\x89PNG") << quadRgb << 0 << false;
    }
    void decodesEveryCommonVariant()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, marker);
        QFETCH(QImage, expected);
        QFETCH(int, tolerance);
        QFETCH(bool, lossy);
        QVERIFY(!data.isEmpty());
        QVERIFY2(data.contains(marker), "the file is not the variant it is named after");

        const QString path = QDir(m_dir).filePath(QStringLiteral("variant.pic"));
        QVERIFY(writeFile(path, data));
        CPicture picture;
        QVERIFY(picture.LoadFromFile(path));
        QVERIFY(picture.m_pPicture);
        // The natural size is the upright pixel size, through HIMETRIC.
        QCOMPARE(pixelSize(picture), CSize(expected.width(), expected.height()));
        OLE_XSIZE_HIMETRIC hmWidth = 0;
        OLE_YSIZE_HIMETRIC hmHeight = 0;
        QCOMPARE(picture.m_pPicture->get_Width(&hmWidth), S_OK);
        QCOMPARE(picture.m_pPicture->get_Height(&hmHeight), S_OK);
        QCOMPARE(int(hmWidth), MulDiv(expected.width(), 2540, 96));
        QCOMPARE(int(hmHeight), MulDiv(expected.height(), 2540, 96));

        BOOL ok = FALSE;
        const QImage drawn =
            drawPicture(picture, expected.size() + QSize(4, 4), QRect(QPoint(0, 0), expected.size()), kMagenta, &ok);
        QVERIFY(ok);
        QString why;
        QVERIFY2(sameImage(drawn, expected, tolerance, lossy, &why), qPrintable(why));
        // Nothing beyond the rectangle.
        QCOMPARE(drawn.pixel(expected.width() + 1, expected.height() + 1), kMagenta);
    }

    void himetricRoundTripGivesThePixelSizeBack()
    {
        for (QSize size : {QSize(1, 1), QSize(2, 3), QSize(3, 1), QSize(7, 97), QSize(127, 5), QSize(640, 480),
                           QSize(1001, 2), QSize(4097, 1), QSize(1, 6000)}) {
            QImage image(size, QImage::Format_Indexed8);
            image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
            image.fill(1);
            const QByteArray bmp = bmpFile(image, BmpKind::Bits1);
            CPicture picture;
            QVERIFY(picture.LoadFromMemory(reinterpret_cast<const BYTE *>(bmp.constData()), int(bmp.size())));
            QCOMPARE(pixelSize(picture), CSize(size.width(), size.height()));
        }
    }

    void drawingStretchesToTheRectangle()
    {
        // A 2:1 picture in a square is distorted, not letter-boxed.
        const QByteArray bmp = bmpFile(quadrantImage(64, 32), BmpKind::Bits8);
        CPicture picture;
        QVERIFY(picture.LoadFromMemory(reinterpret_cast<const BYTE *>(bmp.constData()), int(bmp.size())));
        auto check = [&](QRect rect) {
            const QImage drawn = drawPicture(picture, QSize(260, 260), rect);
            for (int q = 0; q < 4; ++q) {
                const int x = rect.x() + rect.width() / 4 + (q % 2) * rect.width() / 2;
                const int y = rect.y() + rect.height() / 4 + (q / 2) * rect.height() / 2;
                if (colourDistance(drawn.pixel(x, y), kQuadrantColours[q]) > 2)
                    return false;
            }
            // Filled to every edge of the rectangle, and nothing outside it.
            return colourDistance(drawn.pixel(rect.left(), rect.top()), kQuadrantColours[0]) <= 2 &&
                   colourDistance(drawn.pixel(rect.right(), rect.bottom()), kQuadrantColours[3]) <= 2 &&
                   drawn.pixel(rect.left() - 1, rect.top()) == kMagenta &&
                   drawn.pixel(rect.right() + 1, rect.bottom()) == kMagenta &&
                   drawn.pixel(rect.left(), rect.bottom() + 1) == kMagenta;
        };
        QVERIFY(check(QRect(10, 10, 100, 100)));
        // Each new size gets its own scaled copy, and going back to an earlier one is right again.
        QVERIFY(check(QRect(20, 5, 50, 200)));
        QVERIFY(check(QRect(30, 40, 100, 100)));
        QVERIFY(check(QRect(1, 1, 64, 32)));

        // Photo quality: a one-pixel checkerboard scaled down becomes grey, not a pick of black or white pixels.
        QImage checker(64, 64, QImage::Format_Indexed8);
        checker.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                checker.scanLine(y)[x] = uchar((x + y) % 2);
        const QByteArray checkerBmp = bmpFile(checker, BmpKind::Bits1);
        QVERIFY(picture.LoadFromMemory(reinterpret_cast<const BYTE *>(checkerBmp.constData()), int(checkerBmp.size())));
        const QImage small = drawPicture(picture, QSize(20, 20), QRect(0, 0, 16, 16));
        QVERIFY(std::abs(qGray(small.pixel(8, 8)) - 128) < 40);
    }

    void drawOnAnEmptyObjectDrawsNothing()
    {
        CPicture picture;
        QCOMPARE(pixelSize(picture), CSize(0, 0));
        BOOL ok = TRUE;
        const QImage drawn = drawPicture(picture, QSize(40, 40), QRect(0, 0, 40, 40), kMagenta, &ok);
        QCOMPARE(ok, FALSE);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                QCOMPARE(drawn.pixel(x, y), kMagenta);
    }

    void failedLoadsLeaveNoPicture()
    {
        const int blocksBefore = AfxLiveMemoryBlocks();
        const QDir dir(m_dir);
        const QString good = dir.filePath(QStringLiteral("good.bmp"));
        QVERIFY(writeFile(good, bmpFile(quadrantImage(40, 30), BmpKind::Bits24)));
        const QString empty = dir.filePath(QStringLiteral("empty.jpg"));
        QVERIFY(writeFile(empty, QByteArray()));
        const QString garbage = dir.filePath(QStringLiteral("garbage.gif"));
        QVERIFY(writeFile(garbage, QByteArray("GIF8 this is no picture at all", 30)));
        const QString truncated = dir.filePath(QStringLiteral("truncated.bmp"));
        QVERIFY(writeFile(truncated, bmpFile(quadrantImage(40, 30), BmpKind::Bits24).left(20)));
        const QString fifo = dir.filePath(QStringLiteral("fifo.jpg"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        // A file beyond 256 MiB (sparse, so it costs no disk) is refused before it is read.
        const QString huge = dir.filePath(QStringLiteral("huge.bmp"));
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.write(bmpFile(quadrantImage(4, 4), BmpKind::Bits24)) > 0);
            QVERIFY(f.resize(qint64(256) * 1024 * 1024 + 1));
        }
        // Headers that promise more pixels than may be allocated (about 1.6 GB and 14 GB decoded).
        const QString bigBmp = dir.filePath(QStringLiteral("big.bmp"));
        {
            QByteArray bmp = bmpFile(quadrantImage(4, 4), BmpKind::Bits24);
            const QByteArray side = QByteArray(1, char(20000 & 0xFF)) + char(20000 >> 8) + QByteArray(2, '\0');
            bmp.replace(18, 4, side);
            bmp.replace(22, 4, side);
            QVERIFY(writeFile(bigBmp, bmp));
        }
        const QString bigJpeg = dir.filePath(QStringLiteral("big.jpg"));
        {
            QByteArray jpeg = encodeWithQt(quadrantImage(16, 16), "jpeg");
            const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
            QVERIFY(sof > 0);
            jpeg.replace(sof + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4)); // 60000 x 60000
            QVERIFY(writeFile(bigJpeg, jpeg));
        }

        for (const QString &bad : {dir.filePath(QStringLiteral("missing.jpg")), empty, garbage, truncated, m_dir,
                                   QStringLiteral("/dev/zero"), fifo, huge, bigBmp, bigJpeg, QString()}) {
            CPicture picture;
            QVERIFY(picture.LoadFromFile(good));
            QCOMPARE(pixelSize(picture), CSize(40, 30));
            QVERIFY2(!picture.LoadFromFile(bad), qPrintable(bad));
            QVERIFY(!picture.m_pPicture);
            QCOMPARE(pixelSize(picture), CSize(0, 0));
            BOOL ok = TRUE;
            const QImage drawn = drawPicture(picture, QSize(8, 8), QRect(0, 0, 8, 8), kMagenta, &ok);
            QCOMPARE(ok, FALSE);
            QCOMPARE(drawn.pixel(4, 4), kMagenta);
        }
        // A decoded picture replaces the one held; data that is no picture leaves none.
        CPicture picture;
        const QByteArray first = bmpFile(quadrantImage(40, 30), BmpKind::Bits8);
        const QByteArray second = bmpFile(quadrantImage(9, 5), BmpKind::Bits8);
        QVERIFY(picture.LoadFromMemory(reinterpret_cast<const BYTE *>(first.constData()), int(first.size())));
        QVERIFY(picture.LoadFromMemory(reinterpret_cast<const BYTE *>(second.constData()), int(second.size())));
        QCOMPARE(pixelSize(picture), CSize(9, 5));
        QCOMPARE(AfxLivePictures(), 1);
        QVERIFY(!picture.LoadFromMemory(reinterpret_cast<const BYTE *>("nothing"), 7));
        QVERIFY(!picture.m_pPicture);
        QCOMPARE(AfxLivePictures(), 0);
        QCOMPARE(AfxLiveMemoryBlocks(), blocksBefore);
    }

    void fileIsDecodedWhereItLies()
    {
        const QDir dir(m_dir);
        const QString good = dir.filePath(QStringLiteral("stream.bmp"));
        const QByteArray bytes = bmpFile(quadrantImage(40, 30), BmpKind::Bits24);
        QVERIFY(writeFile(good, bytes));
        const QString fifo = dir.filePath(QStringLiteral("stream-fifo.bmp"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);

        // The file stream: the file's bytes from any position; nothing but regular files, never written.
        IStream *pStream = nullptr;
        QCOMPARE(SHCreateStreamOnFile(CString(good), STGM_READ, &pStream), S_OK);
        ULONGLONG size = 0;
        QCOMPARE(pStream->Seek(0, STREAM_SEEK_END, &size), S_OK);
        QCOMPARE(size, ULONGLONG(bytes.size()));
        QCOMPARE(pStream->Seek(10, STREAM_SEEK_SET, nullptr), S_OK);
        char buf[8] = {};
        ULONG got = 0;
        QCOMPARE(pStream->Read(buf, sizeof buf, &got), S_OK);
        QCOMPARE(QByteArray(buf, int(got)), bytes.mid(10, 8));
        QCOMPARE(pStream->Seek(-4, STREAM_SEEK_END, nullptr), S_OK);
        QCOMPARE(pStream->Read(buf, sizeof buf, &got), S_OK);
        QCOMPARE(QByteArray(buf, int(got)), bytes.right(4));
        QVERIFY(FAILED(pStream->Seek(-1, STREAM_SEEK_SET, nullptr)));
        QCOMPARE(pStream->Write("x", 1, &got), STG_E_ACCESSDENIED);
        pStream->Release();
        QCOMPARE(QFile(good).size(), qint64(bytes.size()));
        QCOMPARE(SHCreateStreamOnFile(CString(dir.filePath(QStringLiteral("none.bmp"))), STGM_READ, &pStream),
                 STG_E_FILENOTFOUND);
        QVERIFY(!pStream);
        for (const QString &notFile : {m_dir, fifo, QStringLiteral("/dev/zero")}) {
            QCOMPARE(SHCreateStreamOnFile(CString(notFile), STGM_READ, &pStream), STG_E_ACCESSDENIED);
            QVERIFY(!pStream);
        }

        // 64 MiB of zeros named .bmp (sparse) is refused by its first bytes, without reading it into memory; a
        // real picture costs about its decoded size, not its file twice over.
        const QString zeros = dir.filePath(QStringLiteral("zeros.bmp"));
        {
            QFile f(zeros);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(qint64(64) * 1024 * 1024));
        }
        QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
        if (!clearRefs.open(QIODevice::WriteOnly) || clearRefs.write("5") != 1)
            QSKIP("the peak resident set cannot be reset here");
        clearRefs.close();
        const qint64 before = peakResidentKiB();
        CPicture picture;
        QVERIFY(!picture.LoadFromFile(zeros));
        QVERIFY2(peakResidentKiB() - before < 16 * 1024, qPrintable(QString::number(peakResidentKiB() - before)));
        QVERIFY(picture.LoadFromFile(good));
        QCOMPARE(pixelSize(picture), CSize(40, 30));
    }

    void thinPlacementsDrawTheirVisiblePart()
    {
        // Far longer than any scaled copy: drawn straight from the picture, clipped to what the canvas shows.
        const QByteArray bmp = bmpFile(quadrantImage(8, 8), BmpKind::Bits24);
        CPicture picture;
        QVERIFY(picture.LoadFromMemory(reinterpret_cast<const BYTE *>(bmp.constData()), int(bmp.size())));
        for (const QSize placed : {QSize(2, 16777216), QSize(2, 20000), QSize(16777216, 2)}) {
            BOOL ok = FALSE;
            const QImage drawn = drawPicture(picture, QSize(40, 40), QRect(QPoint(3, 3), placed), kMagenta, &ok);
            QVERIFY(ok);
            QVERIFY(colourDistance(drawn.pixel(3, 3), kQuadrantColours[0]) <= 2);
            if (placed.width() == 2) {
                QVERIFY(colourDistance(drawn.pixel(3, 39), kQuadrantColours[0]) <= 2);
                QCOMPARE(drawn.pixel(5, 20), kMagenta);
            } else {
                QVERIFY(colourDistance(drawn.pixel(39, 3), kQuadrantColours[0]) <= 2);
                QCOMPARE(drawn.pixel(20, 5), kMagenta);
            }
            QCOMPARE(drawn.pixel(2, 3), kMagenta);
            QCOMPARE(drawn.pixel(3, 2), kMagenta);
        }
    }

    // ---------------------------------------------------------------------------------------------------------
    // In the running program.

    void newPicturePlacesItAt200PixelsWide_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("checkPixels");
        QTest::newRow("640 x 480 JPEG") << "jpg" << QSize(640, 480) << 150 << true;
        QTest::newRow("640 x 480 GIF") << "gif" << QSize(640, 480) << 150 << false;
        QTest::newRow("640 x 480 BMP") << "bmp" << QSize(640, 480) << 150 << false;
        QTest::newRow("300 x 900 GIF") << "gif" << QSize(300, 900) << 600 << true;
        QTest::newRow("300 x 900 JPEG") << "jpg" << QSize(300, 900) << 600 << false;
        QTest::newRow("300 x 900 BMP") << "bmp" << QSize(300, 900) << 600 << false;
        QTest::newRow("3 x 1 BMP") << "bmp" << QSize(3, 1) << 66 << true;
        QTest::newRow("3 x 1 JPEG") << "jpg" << QSize(3, 1) << 66 << false;
        QTest::newRow("3 x 1 GIF") << "gif" << QSize(3, 1) << 66 << false;
    }
    void newPicturePlacesItAt200PixelsWide()
    {
        QFETCH(QString, format);
        QFETCH(QSize, size);
        QFETCH(int, height);
        QFETCH(bool, checkPixels);
        QVERIFY(startApp());
        const QImage image = quadrantImage(size.width(), size.height());
        const QByteArray data = format == QLatin1String("jpg")   ? encodeWithQt(image, "jpeg")
                                : format == QLatin1String("gif") ? gifFile(image.colorTable(), {image})
                                                                 : bmpFile(image, BmpKind::Bits24);
        const QString name = QStringLiteral("picture %1x%2.%3").arg(size.width()).arg(size.height()).arg(format);
        QVERIFY(writeFile(QDir(m_dir).filePath(name), data));
        QDir::setCurrent(sandboxPath());

        AfxDialogScript::ClearHistory();
        AfxDialogScript::PushFileAnswer(IDOK, QDir(m_dir).filePath(name));
        mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
        QCOMPARE(AfxDialogScript::History().size(), 1);
        const AfxDialogScript::Shown &shown = AfxDialogScript::History().first();
        QCOMPARE(shown.kind, AfxDialogScript::Shown::FileDialog);
        QVERIFY(shown.bOpenFileDialog);
        QCOMPARE(shown.text, kFilter);

        CZentDoc *doc = document();
        QCOMPARE(QString(doc->m_strPicturePath), name);
        QCOMPARE(doc->m_nPictureLeft, 50);
        QCOMPARE(doc->m_nPictureTop, 50);
        QCOMPARE(doc->m_nPictureWidth, 200);
        QCOMPARE(doc->m_nPictureHeight, height);
        QVERIFY(doc->m_bPicture);
        QVERIFY(doc->m_bPictureSelected);
        const CRect &t = doc->m_tracker.m_rect;
        QCOMPARE(QRect(QPoint(t.left, t.top), QPoint(t.right, t.bottom)),
                 QRect(QPoint(50, 50), QPoint(250, 50 + height)));

        if (checkPixels) {
            settle();
            const QImage board = grabBoard();
            const QRect placed(50, 50, 200, height);
            int checked = 0;
            for (int q = 0; q < 4; ++q) {
                // Sample the middle of each source pixel column band that belongs to quadrant q.
                const int sx = (q % 2) ? (size.width() / 2 + size.width()) / 2 : size.width() / 4;
                const int sy = (q / 2) ? (size.height() / 2 + size.height()) / 2 : size.height() / 4;
                if (quadrantAt(size.width(), size.height(), sx, sy) != q)
                    continue;
                const int x = placed.x() + int((sx + 0.5) * placed.width() / size.width());
                const int y = placed.y() + int((sy + 0.5) * placed.height() / size.height());
                if (!board.rect().contains(x, y))
                    continue;
                ++checked;
                QVERIFY2(colourDistance(board.pixel(x, y), kQuadrantColours[q]) <= 24,
                         qPrintable(QStringLiteral("quadrant %1 at (%2, %3)").arg(q).arg(x).arg(y)));
            }
            QVERIFY(checked >= 2);
        }
    }

    void pictureLiesOverTheBackgroundAndUnderTheIcons()
    {
        QVERIFY(startApp());
        CZentDoc *doc = document();
        AfxDialogScript::PushColorAnswer(IDOK, RGB(10, 120, 200));
        mainFrame()->SendMessage(WM_COMMAND, ID_PURE_BACKGROUND);
        QVERIFY(newPicture(QStringLiteral("quad.bmp"), bmpFile(quadrantImage(640, 480), BmpKind::Bits24)));
        // The storage drawer dragged onto the picture's top-right quadrant.
        doc->m_ptStorage = CPoint(200, 60);
        doc->UpdateAllViews(nullptr);
        QImage board = grabBoard();
        QVERIFY(board.width() > 320 && board.height() > 240);
        QCOMPARE(pixelAt(board, 300, 220), RGB(10, 120, 200));
        QCOMPARE(board.pixel(100, 80) & 0xFFFFFF, kQuadrantColours[0] & 0xFFFFFF);
        QCOMPARE(board.pixel(100, 180) & 0xFFFFFF, kQuadrantColours[2] & 0xFFFFFF);
        // The icon is drawn over the picture through its mask.
        QImage expected(32, 32, QImage::Format_RGB32);
        expected.fill(kQuadrantColours[1]);
        {
            QPainter p(&expected);
            p.drawImage(0, 0, AfxIconImage(AfxLoadIconResource(IDI_STORAGE)));
        }
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                QCOMPARE(board.pixel(200 + x, 60 + y) & 0xFFFFFF, expected.pixel(x, y) & 0xFFFFFF);
        // The tracker's handles lie outside the picture while it is selected, and go with the selection.
        QVERIFY(qGray(board.pixel(46, 46)) < 80);
        QVERIFY(qGray(board.pixel(253, 203)) < 80);
        mainFrame()->SendMessage(WM_COMMAND, ID_UNSELECT_PICTURE);
        board = grabBoard();
        QCOMPARE(pixelAt(board, 46, 46), RGB(10, 120, 200));
        QCOMPARE(pixelAt(board, 253, 203), RGB(10, 120, 200));
        QCOMPARE(board.pixel(100, 80) & 0xFFFFFF, kQuadrantColours[0] & 0xFFFFFF);
    }

    void commandsFollowTheStateTable()
    {
        QVERIFY(startApp());
        CZentDoc *doc = document();
        auto state = [&] {
            updateCommandUI();
            QMenuBar *bar = mainFrame()->GetQMenuBar();
            auto on = [&](UINT id) {
                QAction *a = findAction(bar, id);
                return a && a->isEnabled() ? '1' : '0';
            };
            return QString(QLatin1Char(doc->m_bPicture ? 'P' : '-')) +
                   QLatin1Char(doc->m_bPictureSelected ? 'S' : '-') + QLatin1Char(' ') +
                   QLatin1Char(on(ID_SELECT_PICTURE)) + QLatin1Char(on(ID_UNSELECT_PICTURE)) +
                   QLatin1Char(on(ID_DELETE_PICTURE)) + QLatin1Char(on(ID_NEW_PICTURE));
        };
        // none: only New picture.
        QCOMPARE(state(), QStringLiteral("-- 0001"));
        QVERIFY(
            newPicture(QStringLiteral("a.gif"), gifFile(quadrantImage(80, 40).colorTable(), {quadrantImage(80, 40)})));
        QCOMPARE(state(), QStringLiteral("PS 0111"));
        doc->SetModifiedFlag(FALSE);
        mainFrame()->SendMessage(WM_COMMAND, ID_UNSELECT_PICTURE);
        QCOMPARE(state(), QStringLiteral("P- 1001"));
        QVERIFY(!doc->IsModified());
        // A placed picture still shows, without the tracker.
        QImage board = grabBoard();
        QCOMPARE(board.pixel(60, 60) & 0xFFFFFF, kQuadrantColours[0] & 0xFFFFFF);
        QCOMPARE(pixelAt(board, 46, 46), RGB(255, 255, 255));
        mainFrame()->SendMessage(WM_COMMAND, ID_SELECT_PICTURE);
        QCOMPARE(state(), QStringLiteral("PS 0111"));
        QVERIFY(!doc->IsModified());
        QVERIFY(qGray(grabBoard().pixel(46, 46)) < 80);

        // New picture from the placed state selects the new picture, placed anew wherever the old one was.
        mainFrame()->SendMessage(WM_COMMAND, ID_UNSELECT_PICTURE);
        doc->m_nPictureLeft = 300;
        doc->m_nPictureTop = 200;
        doc->m_nPictureWidth = 20;
        QVERIFY(newPicture(QStringLiteral("b.bmp"), bmpFile(quadrantImage(100, 100), BmpKind::Bits8)));
        QCOMPARE(state(), QStringLiteral("PS 0111"));
        QCOMPARE(QString(doc->m_strPicturePath), QStringLiteral("b.bmp"));
        QCOMPARE(QRect(doc->m_nPictureLeft, doc->m_nPictureTop, doc->m_nPictureWidth, doc->m_nPictureHeight),
                 QRect(50, 50, 200, 200));

        // Delete: no question, gone from the board; the name and the loaded picture stay for the file.
        AfxDialogScript::ClearHistory();
        mainFrame()->SendMessage(WM_COMMAND, ID_DELETE_PICTURE);
        QCOMPARE(state(), QStringLiteral("-- 0001"));
        QVERIFY(AfxDialogScript::History().isEmpty());
        QCOMPARE(QString(doc->m_strPicturePath), QStringLiteral("b.bmp"));
        QVERIFY(doc->m_picture.m_pPicture);
        board = grabBoard();
        QCOMPARE(pixelAt(board, 100, 100), RGB(255, 255, 255));
        QCOMPARE(pixelAt(board, 46, 46), RGB(255, 255, 255));

        // Cancel in the file dialog changes nothing.
        AfxDialogScript::PushFileAnswer(IDCANCEL, QString());
        mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
        QCOMPARE(state(), QStringLiteral("-- 0001"));
        QCOMPARE(QString(doc->m_strPicturePath), QStringLiteral("b.bmp"));
    }

    void unloadableFileLeavesThePictureAsItWas()
    {
        QVERIFY(startApp());
        CZentDoc *doc = document();
        QVERIFY(newPicture(QStringLiteral("good.jpg"), encodeWithQt(quadrantImage(640, 480), "jpeg")));
        // Moved somewhere else first, so that a reset of the placement would show.
        doc->m_nPictureLeft = 70;
        doc->m_tracker.m_rect.OffsetRect(20, 0);
        const CRect trackerBefore = doc->m_tracker.m_rect;
        const QRect placementBefore(doc->m_nPictureLeft, doc->m_nPictureTop, doc->m_nPictureWidth,
                                    doc->m_nPictureHeight);
        IPicture *pPictureBefore = doc->m_picture.m_pPicture;
        QVERIFY(pPictureBefore);
        const QImage boardBefore = grabBoard();
        const QString fifo = QDir(m_dir).filePath(QStringLiteral("pipe.gif"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);

        for (const QString &bad :
             {QStringLiteral("bad.gif"), QStringLiteral("pipe.gif"), QStringLiteral("/dev/zero")}) {
            if (bad == QLatin1String("bad.gif"))
                QVERIFY(writeFile(QDir(m_dir).filePath(bad), QByteArray("GIF89a\x01\x00", 8)));
            AfxDialogScript::ClearHistory();
            AfxDialogScript::PushFileAnswer(IDOK, QDir(m_dir).filePath(bad));
            AfxDialogScript::PushMessageBoxAnswer(IDOK);
            mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
            settle();
            QDir::setCurrent(m_dir);
            // Reported, and nothing changed.
            QCOMPARE(AfxDialogScript::History().size(), 2);
            QCOMPARE(AfxDialogScript::History().first().kind, AfxDialogScript::Shown::FileDialog);
            QCOMPARE(AfxDialogScript::History().at(1).text, QStringLiteral("Can't load picture file!"));
            QCOMPARE(AfxDialogScript::History().at(1).nType, UINT(MB_OK | MB_ICONEXCLAMATION));
            QCOMPARE(QString(doc->m_strPicturePath), QStringLiteral("good.jpg"));
            QCOMPARE(QRect(doc->m_nPictureLeft, doc->m_nPictureTop, doc->m_nPictureWidth, doc->m_nPictureHeight),
                     placementBefore);
            QVERIFY(doc->m_bPicture);
            QVERIFY(doc->m_bPictureSelected);
            QCOMPARE(doc->m_picture.m_pPicture, pPictureBefore);
            QCOMPARE(doc->m_tracker.m_rect, trackerBefore);
            QCOMPARE(grabBoard(), boardBefore);
        }
    }

    void trackerMovesAndSizesThePicture()
    {
        QVERIFY(startApp());
        CZentDoc *doc = document();
        QVERIFY(newPicture(QStringLiteral("move.bmp"), bmpFile(quadrantImage(640, 480), BmpKind::Bits24)));
        mainFrame()->GetMainWindow()->resize(800, 600);
        settle();
        QWidget *view = boardView()->GetClientWidget();
        QVERIFY(view->rect().contains(500, 380));
        auto placement = [&] {
            return QRect(doc->m_nPictureLeft, doc->m_nPictureTop, doc->m_nPictureWidth, doc->m_nPictureHeight);
        };
        auto trackerRect = [&] {
            const CRect &r = doc->m_tracker.m_rect;
            return QRect(r.left, r.top, r.Width(), r.Height());
        };
        doc->SetModifiedFlag(FALSE);

        // Escape and the right button cancel: nothing changes. (The button is released later, as a person does.)
        postMove(view, QPoint(150, 150));
        postKey(view, Qt::Key_Escape);
        postLeftRelease(view, QPoint(150, 150));
        pressLeft(view, QPoint(100, 100));
        postMove(view, QPoint(150, 150));
        postRightPress(view, QPoint(150, 150));
        postLeftRelease(view, QPoint(150, 150));
        pressLeft(view, QPoint(100, 100));
        settle();
        QCOMPARE(placement(), QRect(50, 50, 200, 150));
        QVERIFY(!doc->IsModified());
        // Pressed and released in place: no change either.
        drag(view, QPoint(100, 100), {});
        QVERIFY(!doc->IsModified());

        // Dragging inside moves the picture.
        drag(view, QPoint(100, 100), {QPoint(110, 105), QPoint(130, 120)});
        settle();
        QCOMPARE(placement(), QRect(80, 70, 200, 150));
        QCOMPARE(trackerRect(), placement());
        QVERIFY(doc->IsModified());
        QVERIFY(doc->m_bPictureSelected);
        QImage board = grabBoard();
        QCOMPARE(pixelAt(board, 60, 100), RGB(255, 255, 255));
        QCOMPARE(board.pixel(130, 100) & 0xFFFFFF, kQuadrantColours[0] & 0xFFFFFF);

        // The bottom-right handle sizes it; the picture is stretched to the new rectangle.
        doc->SetModifiedFlag(FALSE);
        drag(view, QPoint(283, 223), {QPoint(333, 273)});
        settle();
        QCOMPARE(placement(), QRect(80, 70, 250, 200));
        QVERIFY(doc->IsModified());
        // The top handle alone changes only the height.
        drag(view, QPoint(80 + (250 - 7) / 2 + 3, 66), {QPoint(205, 46)});
        QCOMPARE(placement(), QRect(80, 50, 250, 220));
        board = grabBoard();
        QCOMPARE(board.pixel(80 + 250 - 5, 50 + 220 - 5) & 0xFFFFFF, kQuadrantColours[3] & 0xFFFFFF);
        QCOMPARE(board.pixel(80 + 250 - 5, 50 + 5) & 0xFFFFFF, kQuadrantColours[1] & 0xFFFFFF);
        QCOMPARE(pixelAt(board, 80 + 250 + 10, 150), RGB(255, 255, 255));

        // While selected, a click outside the tracker does nothing: no rubber band, no note.
        const QRect before = placement();
        doc->SetModifiedFlag(FALSE);
        drag(view, QPoint(420, 320), {QPoint(500, 380)});
        settle();
        QCOMPARE(doc->m_nPapers, 0);
        QCOMPARE(placement(), before);
        QVERIFY(!doc->IsModified());

        // The icons can still be dragged.
        postMove(view, QPoint(40, 300));
        postLeftRelease(view, QPoint(40, 300));
        pressLeft(view, QPoint(20, 20));
        settle();
        QCOMPARE(doc->m_ptTrash.x, 30L);
        QCOMPARE(doc->m_ptTrash.y, 290L);
        QCOMPARE(placement(), before);
    }

private:
    // Writes the file and chooses it with "New picture..."; false when the picture did not come up selected.
    bool newPicture(const QString &name, const QByteArray &data)
    {
        if (!writeFile(QDir(m_dir).filePath(name), data))
            return false;
        AfxDialogScript::PushFileAnswer(IDOK, QDir(m_dir).filePath(name));
        mainFrame()->SendMessage(WM_COMMAND, ID_NEW_PICTURE);
        settle();
        return document()->m_bPicture && document()->m_bPictureSelected;
    }

    QString m_dir;
};

ZB_TEST_MAIN(TestPicture)
#include "tst_picture.moc"
