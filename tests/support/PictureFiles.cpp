#include "PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImageWriter>
#include <cstdlib>

namespace zbtest {

const QRgb kQuadrantColours[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(30, 40, 210), qRgb(240, 220, 20)};

int quadrantAt(int w, int h, int x, int y)
{
    const bool right = x >= w / 2;
    const bool bottom = y >= h / 2;
    return (bottom ? 2 : 0) + (right ? 1 : 0);
}

QImage quadrantImage(int w, int h)
{
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorTable(QVector<QRgb>(std::begin(kQuadrantColours), std::end(kQuadrantColours)));
    for (int y = 0; y < h; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < w; ++x)
            line[x] = uchar(quadrantAt(w, h, x, y));
    }
    return image;
}

QByteArray encodeWithQt(const QImage &image, const char *format, int quality, bool progressive)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    const QImage source = image.format() == QImage::Format_Indexed8 && qstrcmp(format, "bmp") != 0
                              ? image.convertToFormat(QImage::Format_RGB32)
                              : image;
    if (!writer.write(source))
        return QByteArray();
    return buffer.data();
}

namespace {

void put16le(QByteArray &b, int v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void put32le(QByteArray &b, qint64 v)
{
    put16le(b, int(v & 0xFFFF));
    put16le(b, int((v >> 16) & 0xFFFF));
}
void put16be(QByteArray &b, int v)
{
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}

// Bits written most significant first, as JPEG's entropy-coded data wants them, with 0xFF bytes stuffed.
class JpegBits {
public:
    explicit JpegBits(QByteArray &out) : m_out(out) {}
    void put(quint32 code, int length)
    {
        for (int i = length - 1; i >= 0; --i) {
            m_acc = quint8((m_acc << 1) | ((code >> i) & 1));
            if (++m_count == 8)
                flushByte();
        }
    }
    void finish()
    {
        while (m_count != 0)
            put(1, 1);
    }

private:
    void flushByte()
    {
        m_out.append(char(m_acc));
        if (m_acc == 0xFF)
            m_out.append('\0');
        m_acc = 0;
        m_count = 0;
    }
    QByteArray &m_out;
    quint8 m_acc = 0;
    int m_count = 0;
};

// The usual DC table: code lengths per category 0..11.
const quint8 kDcBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};

} // namespace

QByteArray withExifOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray exif("Exif", 4);
    exif.append('\0').append('\0');
    exif.append("II*\0", 4);
    put32le(exif, 8); // first directory right after the TIFF header
    put16le(exif, 1); // one entry
    put16le(exif, 0x0112);
    put16le(exif, 3); // SHORT
    put32le(exif, 1);
    put16le(exif, orientation);
    put16le(exif, 0);
    put32le(exif, 0); // no next directory
    QByteArray segment("\xFF\xE1", 2);
    put16be(segment, int(exif.size()) + 2);
    segment.append(exif);
    QByteArray result = jpeg;
    result.insert(2, segment);
    return result;
}

QByteArray cmykJpeg(int w, int h, const std::function<std::array<quint8, 4>(int, int)> &blockColour)
{
    QByteArray out("\xFF\xD8", 2);
    // Adobe marker without colour transform: the four components are stored as they are.
    out.append("\xFF\xEE", 2);
    put16be(out, 14);
    out.append("Adobe", 5);
    put16be(out, 100);
    put16be(out, 0);
    put16be(out, 0);
    out.append('\0');
    // All quantisers 1, so a block's DC coefficient keeps its value exactly.
    out.append("\xFF\xDB", 2);
    put16be(out, 67);
    out.append('\0');
    out.append(QByteArray(64, '\1'));
    out.append("\xFF\xC0", 2);
    put16be(out, 8 + 3 * 4);
    out.append('\x08');
    put16be(out, h);
    put16be(out, w);
    out.append('\x04');
    for (int c = 1; c <= 4; ++c) {
        out.append(char(c));
        out.append('\x11');
        out.append('\0');
    }
    // DC table 0 and an AC table 0 holding only the end-of-block code (a single 1-bit code '0').
    out.append("\xFF\xC4", 2);
    put16be(out, 2 + 17 + 12 + 17 + 1);
    out.append('\x00');
    out.append(reinterpret_cast<const char *>(kDcBits), 16);
    for (int v = 0; v <= 11; ++v)
        out.append(char(v));
    out.append('\x10');
    out.append('\x01');
    out.append(QByteArray(15, '\0'));
    out.append('\0');
    out.append("\xFF\xDA", 2);
    put16be(out, 6 + 2 * 4);
    out.append('\x04');
    for (int c = 1; c <= 4; ++c) {
        out.append(char(c));
        out.append('\0');
    }
    out.append('\0');
    out.append('\x3F');
    out.append('\0');

    // Codes of the DC table, made from its lengths.
    quint32 codes[12];
    int lengths[12];
    {
        quint32 code = 0;
        int k = 0;
        for (int len = 1; len <= 16; ++len) {
            for (int i = 0; i < kDcBits[len - 1]; ++i) {
                codes[k] = code++;
                lengths[k] = len;
                ++k;
            }
            code <<= 1;
        }
    }
    JpegBits bits(out);
    int predictor[4] = {0, 0, 0, 0};
    const int bw = (w + 7) / 8;
    const int bh = (h + 7) / 8;
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const std::array<quint8, 4> colour = blockColour(bx, by);
            for (int c = 0; c < 4; ++c) {
                // A flat block of value v has the DC coefficient 8 (v - 128).
                const int dc = 8 * (int(colour[size_t(c)]) - 128);
                const int diff = dc - predictor[c];
                predictor[c] = dc;
                int magnitude = std::abs(diff);
                int category = 0;
                while (magnitude) {
                    ++category;
                    magnitude >>= 1;
                }
                bits.put(codes[category], lengths[category]);
                if (category) {
                    const int value = diff >= 0 ? diff : diff + (1 << category) - 1;
                    bits.put(quint32(value), category);
                }
                bits.put(0, 1); // end of block
            }
        }
    }
    bits.finish();
    out.append("\xFF\xD9", 2);
    return out;
}

QByteArray bmpFile(const QImage &indexed, BmpKind kind)
{
    const int w = indexed.width();
    const int h = indexed.height();
    const QVector<QRgb> table = indexed.colorTable();
    int bitCount = 24;
    int compression = 0;
    switch (kind) {
    case BmpKind::Bits1:
        bitCount = 1;
        break;
    case BmpKind::Bits4:
        bitCount = 4;
        break;
    case BmpKind::Bits8:
        bitCount = 8;
        break;
    case BmpKind::Bits16x555:
        bitCount = 16;
        break;
    case BmpKind::Bits16x565:
        bitCount = 16;
        compression = 3;
        break;
    case BmpKind::Bits24:
    case BmpKind::TopDown24:
        bitCount = 24;
        break;
    case BmpKind::Bits32:
        bitCount = 32;
        break;
    case BmpKind::Rle4:
        bitCount = 4;
        compression = 2;
        break;
    case BmpKind::Rle8:
        bitCount = 8;
        compression = 1;
        break;
    }
    const bool paletted = bitCount <= 8;
    const bool topDown = kind == BmpKind::TopDown24;
    const int paletteSize = paletted ? (1 << bitCount) : 0;

    QByteArray pixels;
    auto rowIndex = [&](int i) { return topDown ? i : h - 1 - i; };
    if (compression == 1 || compression == 2) {
        for (int i = 0; i < h; ++i) {
            const uchar *line = indexed.constScanLine(rowIndex(i));
            int x = 0;
            while (x < w) {
                int run = 1;
                while (x + run < w && run < 255 && line[x + run] == line[x])
                    ++run;
                pixels.append(char(run));
                pixels.append(compression == 1 ? char(line[x]) : char((line[x] << 4) | line[x]));
                x += run;
            }
            pixels.append('\0').append('\0'); // end of line
        }
        pixels.append('\0').append('\1'); // end of bitmap
    } else {
        const int stride = ((w * bitCount + 31) / 32) * 4;
        for (int i = 0; i < h; ++i) {
            const uchar *line = indexed.constScanLine(rowIndex(i));
            QByteArray row(stride, '\0');
            auto *r = reinterpret_cast<uchar *>(row.data());
            for (int x = 0; x < w; ++x) {
                const int index = line[x];
                const QRgb c = table.value(index);
                switch (bitCount) {
                case 1:
                    r[x / 8] |= uchar(index << (7 - x % 8));
                    break;
                case 4:
                    r[x / 2] |= uchar(index << ((x % 2) ? 0 : 4));
                    break;
                case 8:
                    r[x] = uchar(index);
                    break;
                case 16: {
                    const int v = compression == 3 ? ((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3)
                                                   : ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
                    r[2 * x] = uchar(v & 0xFF);
                    r[2 * x + 1] = uchar(v >> 8);
                    break;
                }
                default: {
                    const int n = bitCount / 8;
                    r[n * x] = uchar(qBlue(c));
                    r[n * x + 1] = uchar(qGreen(c));
                    r[n * x + 2] = uchar(qRed(c));
                    break;
                }
                }
            }
            pixels.append(row);
        }
    }

    QByteArray info;
    put32le(info, 40);
    put32le(info, w);
    put32le(info, topDown ? -h : h);
    put16le(info, 1);
    put16le(info, bitCount);
    put32le(info, compression);
    put32le(info, pixels.size());
    put32le(info, 3780);
    put32le(info, 3780);
    put32le(info, paletteSize);
    put32le(info, 0);
    if (compression == 3) {
        put32le(info, 0xF800);
        put32le(info, 0x07E0);
        put32le(info, 0x001F);
    }
    for (int i = 0; i < paletteSize; ++i) {
        const QRgb c = table.value(i);
        info.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    }
    QByteArray file("BM", 2);
    put32le(file, 14 + info.size() + pixels.size());
    put32le(file, 0);
    put32le(file, 14 + info.size());
    return file + info + pixels;
}

namespace {

// Variable-length codes packed least significant bit first into 255-byte sub-blocks.
class GifBits {
public:
    void put(int code, int length)
    {
        m_acc |= quint32(code) << m_count;
        m_count += length;
        while (m_count >= 8) {
            m_bytes.append(char(m_acc & 0xFF));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    QByteArray blocks()
    {
        if (m_count > 0)
            m_bytes.append(char(m_acc & 0xFF));
        m_count = 0;
        QByteArray out;
        for (qsizetype i = 0; i < m_bytes.size(); i += 255) {
            const QByteArray chunk = m_bytes.mid(i, 255);
            out.append(char(chunk.size()));
            out.append(chunk);
        }
        out.append('\0');
        return out;
    }

private:
    QByteArray m_bytes;
    quint32 m_acc = 0;
    int m_count = 0;
};

QByteArray lzw(const QByteArray &indices, int minCodeSize)
{
    const int clear = 1 << minCodeSize;
    const int endOfInfo = clear + 1;
    GifBits bits;
    QHash<quint32, int> table; // (prefix code << 8 | next index) -> code
    int codeSize = minCodeSize + 1;
    int next = clear + 2;
    bits.put(clear, codeSize);
    if (indices.isEmpty()) {
        bits.put(endOfInfo, codeSize);
        return bits.blocks();
    }
    int prefix = quint8(indices[0]);
    for (qsizetype i = 1; i < indices.size(); ++i) {
        const int c = quint8(indices[i]);
        const quint32 key = (quint32(prefix) << 8) | quint32(c);
        const auto it = table.constFind(key);
        if (it != table.constEnd()) {
            prefix = it.value();
            continue;
        }
        bits.put(prefix, codeSize);
        if (next < 4096) {
            table.insert(key, next++);
            // The decoder learns each code one step later, so it widens its codes when this one is past the range.
            if (next > (1 << codeSize) && codeSize < 12)
                ++codeSize;
        } else {
            bits.put(clear, codeSize);
            table.clear();
            codeSize = minCodeSize + 1;
            next = clear + 2;
        }
        prefix = c;
    }
    bits.put(prefix, codeSize);
    bits.put(endOfInfo, codeSize);
    return bits.blocks();
}

} // namespace

QByteArray gifFile(const QVector<QRgb> &colours, const QList<QImage> &frames, const GifOptions &options)
{
    if (frames.isEmpty())
        return QByteArray();
    const int w = frames.first().width();
    const int h = frames.first().height();
    int tableBits = 1;
    while ((1 << tableBits) < colours.size())
        ++tableBits;
    const int minCodeSize = std::max(2, tableBits);

    QByteArray out("GIF89a", 6);
    put16le(out, w);
    put16le(out, h);
    out.append(char(0x80 | 0x70 | (tableBits - 1)));
    out.append('\0');
    out.append('\0');
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = colours.value(i);
        out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    if (frames.size() > 1) {
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0", 11);
        out.append("\x03\x01", 2);
        put16le(out, 0);
        out.append('\0');
    }
    for (const QImage &frame : frames) {
        // Graphic control: a tenth of a second per frame, and the transparent index if any.
        out.append("\x21\xF9\x04", 3);
        out.append(char(options.transparentIndex >= 0 ? 0x01 : 0x00));
        put16le(out, 10);
        out.append(char(options.transparentIndex >= 0 ? options.transparentIndex : 0));
        out.append('\0');
        out.append('\x2C');
        put16le(out, 0);
        put16le(out, 0);
        put16le(out, w);
        put16le(out, h);
        out.append(char(options.interlaced ? 0x40 : 0x00));
        QList<int> rows;
        if (options.interlaced) {
            for (int y = 0; y < h; y += 8)
                rows << y;
            for (int y = 4; y < h; y += 8)
                rows << y;
            for (int y = 2; y < h; y += 4)
                rows << y;
            for (int y = 1; y < h; y += 2)
                rows << y;
        } else {
            for (int y = 0; y < h; ++y)
                rows << y;
        }
        QByteArray indices;
        indices.reserve(qsizetype(w) * h);
        for (int y : rows)
            indices.append(reinterpret_cast<const char *>(frame.constScanLine(y)), w);
        out.append(char(minCodeSize));
        out.append(lzw(indices, minCodeSize));
    }
    out.append('\x3B');
    return out;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

int colourDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

} // namespace zbtest
