// Internal: the drawing interface's device contexts and icons, and helpers shared by its sources.
#pragma once

#include "Gdi.h"

#include <QPainter>

// One device context. Logical point p lands on device pixel p - windowOrg + viewportOrg, which is pixel
// surfaceOrigin + that of the paint device.
struct HDC__ {
    enum class Kind { Memory, Screen, Device, Printer };

    explicit HDC__(Kind k);
    ~HDC__();
    HDC__(const HDC__ &) = delete;
    HDC__ &operator=(const HDC__ &) = delete;

    Kind kind;
    QPaintDevice *device = nullptr; // the surface; NULL when there is nothing to draw on
    QImage ownSurface;              // the screen context's surface
    QPoint surfaceOrigin;
    bool hasSystemClip = false;
    QRegion systemClip; // paint-device pixels
    bool hasUserClip = false;
    QRegion userClip; // device units of the context

    // Ratio of device pixels to logical pixels for bitmaps made compatible with this context while it has no
    // surface of its own (a fresh memory context takes it from the context it was made compatible with).
    qreal ratio = 1.0;

    QPoint windowOrg;
    QPoint viewportOrg;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);

    HBITMAP bitmap = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    HPALETTE palette = nullptr;

    CDC *permanent = nullptr;       // the CDC attached to it
    std::unique_ptr<CDC> temporary; // wrapper made by CDC::FromHandle

    // The painter stays open across calls; it is ended when the surface changes, when another context needs the
    // device, and when the context is deleted.
    std::unique_ptr<QPainter> painter;
    bool clipDirty = true;
    bool transformDirty = true;

    QPoint logicalToDevice(QPoint p) const { return p - windowOrg + viewportOrg; }
    QPoint deviceToLogical(QPoint p) const { return p + windowOrg - viewportOrg; }
    // Offset from logical coordinates to paint-device pixels.
    QPoint logicalToPixelOffset() const { return surfaceOrigin - windowOrg + viewportOrg; }
    // The surface rectangle in logical pixels of the paint device.
    QRect surfaceRect() const;
    // Device pixels per logical pixel of the surface (1 for a context without one, unless it inherited another).
    qreal pixelRatio() const;
    // The clip in paint-device pixels (the surface when nothing else clips).
    QRegion effectiveClip() const;
    // The painter, opened and brought up to date; NULL without a surface.
    QPainter *ensurePainter();
    void endPainter();
    // A new surface (bitmap selected): the painter must be reopened.
    void setDevice(QPaintDevice *pDevice);
};

struct HICON__ {
    HICON__();
    ~HICON__();
    HICON__(const HICON__ &) = delete;
    HICON__ &operator=(const HICON__ &) = delete;

    QImage image; // premultiplied ARGB, transparent where the mask is set
    QImage color; // the colour (XOR) picture, RGB32
    QImage mask;  // Format_Mono-like RGB32: white where transparent, black where opaque
    QImage hires; // optional art at twice the size (premultiplied ARGB), drawn on surfaces of higher density
};

namespace afx {
// Validated handles: NULL when the handle is not a live object of that kind.
HDC__ *dcFromHandle(HDC hDC);
HBITMAP__ *bitmapFromHandle(HGDIOBJ h);
HBRUSH__ *brushFromHandle(HGDIOBJ h);
HFONT__ *fontFromHandle(HGDIOBJ h);
HPALETTE__ *paletteFromHandle(HGDIOBJ h);
HRGN__ *regionFromHandle(HGDIOBJ h);
HICON__ *iconFromHandle(HICON h);
bool isLiveObject(HGDIOBJ h);

// Bookkeeping of live objects for AfxGdiLiveObjects.
void countObject(DWORD objectType, int delta);
// The 1 x 1 stock bitmap of a fresh memory context (nothing to draw on).
HBITMAP defaultBitmap();

// The brush's colour now (a system colour brush follows the system colour).
COLORREF brushColor(const HBRUSH__ *pBrush);
QBrush qbrush(const HBRUSH__ *pBrush);
QFont qfontFromLogFont(const LOGFONT &lf);

// The logical size of an image: its pixel size over its device pixel ratio.
QSize logicalSize(const QImage &image);
// An image of art made for logical size (cx, cy) at the density of the surface painter p draws on: the high
// resolution art when there is some, else the normal art scaled by nearest neighbour, so pixel art stays sharp.
QImage imageForDensity(const QImage &art, const QImage &hires, int cx, int cy, qreal ratio);
// The device pixel ratio of what the painter paints on.
qreal painterRatio(const QPainter *p);

// Nearest-neighbour scaling: destination pixel i samples source pixel (2i + 1) * sw / (2 * dw).
QImage scaleNearest(const QImage &source, int width, int height);

// Builds an icon from its colour picture and mask (white = transparent); the mask may be null when the colour
// picture has alpha.
HICON createIcon(const QImage &color, const QImage &mask);
HICON copyIconScaled(HICON hIcon, int cx, int cy);
} // namespace afx
