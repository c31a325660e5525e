#include "BoardFiles.h"

#include <QFile>
#include <QtEndian>

namespace zbtest {

QByteArray int32Field(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray pointField(int x, int y)
{
    return int32Field(quint32(x)) + int32Field(quint32(y));
}

QByteArray rectField(const RECT &rc)
{
    return pointField(rc.left, rc.top) + pointField(rc.right, rc.bottom);
}

namespace {
QByteArray lengthPrefix(quint32 n, int nPrefixSize)
{
    QByteArray p;
    if (nPrefixSize == 1) {
        p.append(char(n));
    } else if (nPrefixSize == 3) {
        p.append(char(0xFF));
        p.append(char(n & 0xFF));
        p.append(char(n >> 8));
    } else {
        p.append(3, char(0xFF));
        p += int32Field(n);
    }
    return p;
}
} // namespace

QByteArray ansiFieldWithPrefix(const QByteArray &bytes, int nPrefixSize)
{
    return lengthPrefix(quint32(bytes.size()), nPrefixSize) + bytes;
}

QByteArray ansiField(const QByteArray &bytes)
{
    const qsizetype n = bytes.size();
    return ansiFieldWithPrefix(bytes, n < 0xFF ? 1 : n < 0xFFFE ? 3 : 7);
}

QByteArray utf16Field(const QString &text)
{
    const qsizetype n = text.size();
    QByteArray out("\xFF\xFE\xFF", 3);
    out += lengthPrefix(quint32(n), n < 0xFF ? 1 : n < 0xFFFE ? 3 : 7);
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray Board::bytes() const
{
    QByteArray b;
    b += int32Field(quint32(count.value_or(qint32(notes.size()))));
    b += pointField(storage.x, storage.y);
    b += pointField(trash.x, trash.y);
    b += int32Field(pureColour);
    b += int32Field(texture);
    b += int32Field(picture);
    b += int32Field(colour);
    b += int32Field(quint32(textureId));
    b += pictureName;
    b += int32Field(quint32(pictureWidth));
    b += int32Field(quint32(pictureHeight));
    b += int32Field(quint32(pictureLeft));
    b += int32Field(quint32(pictureTop));
    for (const BoardNote &n : notes) {
        b += rectField(n.rect);
        b += int32Field(n.stored);
        b += n.caption;
        b += int32Field(n.colour);
        b += n.text;
    }
    return b;
}

QByteArray newBoardBytes()
{
    return QByteArray::fromHex("00000000"
                               "640000000A000000"
                               "0A0000000A000000"
                               "000000000000000000000000"
                               "FFFFFF00"
                               "00000000"
                               "00"
                               "C8000000C80000006400000064000000");
}

QByteArray oneNoteBoardBytes()
{
    QByteArray b = newBoardBytes();
    b[0] = 1;
    b += QByteArray::fromHex("140000003C000000DC000000D2000000"
                             "00000000"
                             "03616263"
                             "FF000000"
                             "0478"
                             "0D0A"
                             "79");
    return b;
}

QByteArray readWholeFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace zbtest
