// Real encoded picture files made at test time: JPEG, PNG through Qt's writers; GIF, BMP variants and CMYK JPEG
// written byte by byte here, so that every variant the program must read can be tested without sample files.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QVector>
#include <array>
#include <functional>

namespace zbtest {

// The four colours of the test pattern, top-left, top-right, bottom-left, bottom-right.
extern const QRgb kQuadrantColours[4];
// w x h in four quadrants of kQuadrantColours, split at w / 2 and h / 2 (see quadrantAt), as Format_Indexed8 with
// those four colours as its colour table.
QImage quadrantImage(int w, int h);
// Index of the quadrant colour at a pixel of a w x h pattern.
int quadrantAt(int w, int h, int x, int y);

// Qt's own writers ("jpeg", "png", "bmp"); quality applies to JPEG.
QByteArray encodeWithQt(const QImage &image, const char *format, int quality = 95, bool progressive = false);
// The JPEG with an EXIF block (APP1) saying the stored picture must be turned (orientation 1..8) to stand upright.
QByteArray withExifOrientation(const QByteArray &jpeg, int orientation);
// A baseline four-component (CMYK, Adobe inverted) JPEG whose 8 x 8 blocks each have one colour, given per
// block column and row as the stored C, M, Y, K bytes.
QByteArray cmykJpeg(int w, int h, const std::function<std::array<quint8, 4>(int bx, int by)> &blockColour);

enum class BmpKind { Bits1, Bits4, Bits8, Bits16x555, Bits16x565, Bits24, Bits32, Rle4, Rle8, TopDown24 };
// A BMP file of the indexed image (its colour table is the palette of the indexed kinds; true-colour kinds
// write the colours). Bits1 needs at most 2 colours, Bits4 and Rle4 at most 16.
QByteArray bmpFile(const QImage &indexed, BmpKind kind);

struct GifOptions {
    bool interlaced = false;
    int transparentIndex = -1; // -1: none
};
// A GIF89a file: the frames (Format_Indexed8, all of the first frame's size) share the colour table; with more
// than one frame it loops as an animation.
QByteArray gifFile(const QVector<QRgb> &colours, const QList<QImage> &frames, const GifOptions &options = {});

// Writes the bytes to the file; false when that fails.
bool writeFile(const QString &path, const QByteArray &data);

// Colour distance: the largest difference of the three channels.
int colourDistance(QRgb a, QRgb b);

} // namespace zbtest
