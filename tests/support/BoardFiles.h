// Board files built byte by byte, field by field, so that tests state exactly what lies in a file.
#pragma once

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace zbtest {

// A string field: the shortest length prefix and the bytes as they are.
QByteArray ansiField(const QByteArray &bytes);
// A string field with a chosen prefix size (1, 3 or 7 bytes) whatever the length.
QByteArray ansiFieldWithPrefix(const QByteArray &bytes, int nPrefixSize);
// A string field in the UTF-16 form: 0xFF 0xFFFE, a prefix counting 16-bit units, then UTF-16LE.
QByteArray utf16Field(const QString &text);
// Little-endian 32-bit values, points and rectangles as the file holds them.
QByteArray int32Field(quint32 v);
QByteArray pointField(int x, int y);
QByteArray rectField(const RECT &rc);

struct BoardNote {
    RECT rect{20, 60, 220, 210};
    quint32 stored = 0;
    QByteArray caption = ansiField(QByteArray());
    quint32 colour = 0x000000FF;
    QByteArray text = ansiField(QByteArray());
};

struct Board {
    std::optional<qint32> count; // the number of records when not set
    POINT storage{100, 10};
    POINT trash{10, 10};
    quint32 pureColour = 0;
    quint32 texture = 0;
    quint32 picture = 0;
    quint32 colour = 0x00FFFFFF;
    qint32 textureId = 0;
    QByteArray pictureName = ansiField(QByteArray());
    qint32 pictureWidth = 200;
    qint32 pictureHeight = 200;
    qint32 pictureLeft = 100;
    qint32 pictureTop = 100;
    QList<BoardNote> notes;

    QByteArray bytes() const;
};

// The two boards every reader of the format knows: a new board saved at once (57 bytes), and one note at
// (20, 60, 220, 210) with caption "abc" in red and the text "x", line break, "y" (90 bytes).
QByteArray newBoardBytes();
QByteArray oneNoteBoardBytes();

QByteArray readWholeFile(const QString &path);

} // namespace zbtest
