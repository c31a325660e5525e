// The built-in bitmaps, icons and help page: present in the resources, with the binary layout the loaders expect.
#include "support/TestMain.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QtEndian>

namespace {

QByteArray resource(const QString &alias)
{
    QFile f(QStringLiteral(":/resources/") + alias);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

quint16 u16(const QByteArray &d, int at)
{
    return qFromLittleEndian<quint16>(d.constData() + at);
}

quint32 u32(const QByteArray &d, int at)
{
    return qFromLittleEndian<quint32>(d.constData() + at);
}

qint32 i32(const QByteArray &d, int at)
{
    return qFromLittleEndian<qint32>(d.constData() + at);
}

int stride(int width, int bits)
{
    return (width * bits + 31) / 32 * 4;
}

// One BITMAPINFOHEADER at `at`, as the fields a DIB reader looks at.
struct InfoHeader {
    quint32 size;
    qint32 width;
    qint32 height;
    quint16 planes;
    quint16 bits;
    quint32 compression;
    quint32 clrUsed;
    quint32 clrImportant;
};

InfoHeader infoHeader(const QByteArray &d, int at)
{
    return {u32(d, at),      i32(d, at + 4),  i32(d, at + 8),  u16(d, at + 12),
            u16(d, at + 14), u32(d, at + 16), u32(d, at + 32), u32(d, at + 36)};
}

} // namespace

class TestArtFiles : public zbtest::TestCase {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The resources live in a static library; pull them in explicitly.
        Q_INIT_RESOURCE(zentbase);
        Q_INIT_RESOURCE(zbhelp);
    }

    void textureBitmaps_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("Rock White is 96 x 96") << QStringLiteral("bitmap/131") << 96 << 96;
        QTest::newRow("Rock Yellow is 52 x 28") << QStringLiteral("bitmap/132") << 52 << 28;
        QTest::newRow("Pattern Green is 106 x 132") << QStringLiteral("bitmap/135") << 106 << 132;
        QTest::newRow("Brick Cranite is 140 x 188") << QStringLiteral("bitmap/138") << 140 << 188;
        QTest::newRow("Money is 169 x 105") << QStringLiteral("bitmap/140") << 169 << 105;
    }

    void textureBitmaps()
    {
        QFETCH(QString, alias);
        QFETCH(int, width);
        QFETCH(int, height);
        const QByteArray d = resource(alias);
        QVERIFY2(d.size() > 54, qPrintable(alias));

        // File header, then an 8-bit info header whose colour count 0 means a full 256-entry table.
        QCOMPARE(d.left(2), QByteArray("BM"));
        QCOMPARE(u32(d, 2), quint32(d.size()));
        QCOMPARE(u32(d, 6), 0u);
        const int offset = 14 + 40 + 256 * 4;
        QCOMPARE(u32(d, 10), quint32(offset));
        const InfoHeader h = infoHeader(d, 14);
        QCOMPARE(h.size, 40u);
        QCOMPARE(h.width, width);
        QCOMPARE(h.height, height); // positive: rows bottom-up
        QCOMPARE(h.planes, quint16(1));
        QCOMPARE(h.bits, quint16(8));
        QCOMPARE(h.compression, 0u);
        QCOMPARE(h.clrUsed, 0u);
        QCOMPARE(h.clrImportant, 0u);
        QCOMPARE(d.size(), offset + stride(width, 8) * height);

        // The palette is put to use: many distinct colours, reserved bytes zero.
        QSet<quint32> colours;
        for (int i = 0; i < 256; ++i) {
            QCOMPARE(quint8(d.at(54 + 4 * i + 3)), quint8(0));
            colours.insert(u32(d, 54 + 4 * i) & 0xFFFFFF);
        }
        QVERIFY2(colours.size() >= 200, qPrintable(QString::number(colours.size())));

        QImage img;
        QVERIFY(img.loadFromData(d));
        QCOMPARE(img.size(), QSize(width, height));
        QCOMPARE(img.format(), QImage::Format_Indexed8);
        QCOMPARE(img.colorCount(), 256);
        // Bottom-up storage: the first stored row is the image's last one.
        QCOMPARE(img.pixelIndex(0, height - 1), int(quint8(d.at(offset))));
        QCOMPARE(img.pixelIndex(0, 0), int(quint8(d.at(offset + stride(width, 8) * (height - 1)))));
    }

    void toolbarStrip()
    {
        const QByteArray d = resource(QStringLiteral("bitmap/128"));
        QVERIFY(d.size() > 54);
        QCOMPARE(d.left(2), QByteArray("BM"));
        QCOMPARE(u32(d, 2), quint32(d.size()));
        const int offset = 14 + 40 + 16 * 4;
        QCOMPARE(u32(d, 10), quint32(offset));
        const InfoHeader h = infoHeader(d, 14);
        QCOMPARE(h.size, 40u);
        QCOMPARE(h.width, 208);
        QCOMPARE(h.height, 15);
        QCOMPARE(h.planes, quint16(1));
        QCOMPARE(h.bits, quint16(4));
        QCOMPARE(h.compression, 0u);
        QVERIFY(h.clrUsed == 0 || h.clrUsed == 16);
        QCOMPARE(d.size(), offset + stride(208, 4) * 15);

        QImage img;
        QVERIFY(img.loadFromData(d));
        QCOMPARE(img.size(), QSize(208, 15));
        // Thirteen 16 x 15 buttons, each on the light grey that the toolbar treats as transparent.
        const QRgb grey = qRgb(192, 192, 192);
        for (int n = 0; n < 13; ++n) {
            QCOMPARE(img.pixel(n * 16, 0), grey);
            int drawn = 0;
            for (int y = 0; y < 15; ++y)
                for (int x = 0; x < 16; ++x)
                    drawn += img.pixel(n * 16 + x, y) != grey ? 1 : 0;
            QVERIFY2(drawn >= 20, qPrintable(QStringLiteral("button %1 is nearly empty").arg(n)));
        }
    }

    void icons_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("main icon has 32 and 16 pixel images") << QStringLiteral("icon/128") << QList<int>{32, 16};
        QTest::newRow("document icon has 32 and 16 pixel images") << QStringLiteral("icon/129") << QList<int>{32, 16};
        QTest::newRow("waste bin is one 32 pixel image") << QStringLiteral("icon/141") << QList<int>{32};
        QTest::newRow("storage drawer is one 32 pixel image") << QStringLiteral("icon/142") << QList<int>{32};
    }

    void icons()
    {
        QFETCH(QString, alias);
        QFETCH(QList<int>, sizes);
        const QByteArray d = resource(alias);
        QVERIFY2(d.size() > 6, qPrintable(alias));
        QCOMPARE(u16(d, 0), quint16(0));
        QCOMPARE(u16(d, 2), quint16(1)); // icon, not cursor
        QCOMPARE(int(u16(d, 4)), int(sizes.size()));

        int expectedOffset = 6 + 16 * int(sizes.size());
        for (int i = 0; i < sizes.size(); ++i) {
            const int s = sizes.at(i);
            const int entry = 6 + 16 * i;
            QCOMPARE(int(quint8(d.at(entry))), s);
            QCOMPARE(int(quint8(d.at(entry + 1))), s);
            QCOMPARE(int(quint8(d.at(entry + 2))), 16);
            QCOMPARE(u16(d, entry + 4), quint16(1));
            QCOMPARE(u16(d, entry + 6), quint16(4));
            const int xorBytes = stride(s, 4) * s;
            const int andBytes = stride(s, 1) * s;
            QCOMPARE(int(u32(d, entry + 8)), 40 + 16 * 4 + xorBytes + andBytes);
            const int at = int(u32(d, entry + 12));
            QCOMPARE(at, expectedOffset);
            expectedOffset += 40 + 16 * 4 + xorBytes + andBytes;

            const InfoHeader h = infoHeader(d, at);
            QCOMPARE(h.size, 40u);
            QCOMPARE(h.width, s);
            QCOMPARE(h.height, 2 * s); // colour bits and mask together
            QCOMPARE(h.planes, quint16(1));
            QCOMPARE(h.bits, quint16(4));
            QCOMPARE(h.compression, 0u);

            // The mask has see-through and solid pixels; rows are bottom-up, so row 0 is the bottom one.
            const int mask = at + 40 + 16 * 4 + xorBytes;
            auto transparent = [&](int x, int y) {
                const int row = mask + (s - 1 - y) * stride(s, 1);
                return (quint8(d.at(row + x / 8)) & (0x80 >> (x % 8))) != 0;
            };
            int clear = 0;
            for (int y = 0; y < s; ++y)
                for (int x = 0; x < s; ++x)
                    clear += transparent(x, y) ? 1 : 0;
            QVERIFY(clear > 0);
            QVERIFY(clear < s * s / 2);
            QVERIFY(!transparent(s / 2, s / 2));
            if (alias == QLatin1String("icon/141") || alias == QLatin1String("icon/142")) {
                QVERIFY(transparent(0, 0));
                QVERIFY(transparent(s - 1, 0));
                QVERIFY(transparent(0, s - 1));
                QVERIFY(transparent(s - 1, s - 1));
            }
        }
        QCOMPARE(expectedOffset, d.size());

        // Qt's own icon reader turns the mask into alpha.
        QImage img;
        QVERIFY(img.loadFromData(d, "ICO"));
        QCOMPARE(img.size(), QSize(sizes.first(), sizes.first()));
        QCOMPARE(qAlpha(img.pixel(16, 16)), 255);
        if (alias == QLatin1String("icon/141") || alias == QLatin1String("icon/142"))
            QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    }

    void helpPage()
    {
        const QString html = QString::fromUtf8(resource(QStringLiteral("help/index.html")));
        QVERIFY(html.startsWith(QLatin1String("<!DOCTYPE html>")));
        QVERIFY(!html.contains(QLatin1String("<script"), Qt::CaseInsensitive));
        QVERIFY(!html.contains(QLatin1String("http:"), Qt::CaseInsensitive));
        QVERIFY(!html.contains(QLatin1String("https:"), Qt::CaseInsensitive));
        for (const char *text : {"Are you sure to delete this object?", "Restore Objects from Storage", ".zbd",
                                 "Ctrl+N", "Shift+Delete", "Alt+Backspace"})
            QVERIFY2(html.contains(QLatin1String(text)), text);
    }
};

ZB_TEST_MAIN(TestArtFiles)
#include "tst_artfiles.moc"
