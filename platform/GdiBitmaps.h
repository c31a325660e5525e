// Bitmaps: device-independent layouts, true-colour bitmaps on images, icons made from images, and CBitmap.
#pragma once

#include "GdiObjects.h"

#include <QImage>

class CDC;

// ---------------------------------------------------------------------------------------------------------------
// Structures, with the window system's layouts.

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; // positive: rows bottom-up; negative: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
typedef BITMAPINFOHEADER *LPBITMAPINFOHEADER;
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER layout");

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD layout");

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1]; // the colour table starts here, bmiHeader.biSize bytes after the header
};
typedef BITMAPINFO *LPBITMAPINFO;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void *bmBits;
};

// ---------------------------------------------------------------------------------------------------------------
// Constants, with their documented values.

// Device-independent bitmaps.
enum : DWORD { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };
enum : DWORD { CBM_INIT = 4 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

// ---------------------------------------------------------------------------------------------------------------
// The handle of a bitmap.

struct HBITMAP__ final : HGDIOBJ__ {
    HBITMAP__() : HGDIOBJ__(OBJ_BITMAP) {}
    QImage image;               // Format_RGB32, or Format_ARGB32_Premultiplied when alpha is needed
    HDC selectedInto = nullptr; // a bitmap is selected into one device context at most
};

// ---------------------------------------------------------------------------------------------------------------
// Bitmaps (Win32 functions).

// A cx x cy true-colour bitmap, initially black; NULL for negative sizes or when memory runs out.
HBITMAP CreateCompatibleBitmap(HDC hDC, int cx, int cy);
// A true-colour bitmap made from a device-independent bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel (rows
// bottom-up or top-down), converted once. Without CBM_INIT the bitmap is black. NULL for a format it cannot read.
HBITMAP CreateDIBitmap(HDC hDC, const BITMAPINFOHEADER *pHeader, DWORD dwInit, const void *pBits,
                       const BITMAPINFO *pInfo, UINT uUsage);

// ---------------------------------------------------------------------------------------------------------------
// Platform extensions (not in the window system).

// Bitmaps and images. The image belongs to the bitmap; do not replace it while the bitmap is selected.
QImage *AfxGetBitmapImage(HBITMAP hBitmap);
// A bitmap holding a copy of the image (RGB32, or premultiplied ARGB when the image has alpha); NULL for a null
// image.
HBITMAP AfxCreateBitmapFromImage(const QImage &image);
// A true-colour image of a device-independent bitmap; null for a format it cannot read. nBitsAvailable < 0: the
// caller vouches for the size of the bits.
QImage AfxImageFromDib(const BITMAPINFOHEADER *pHeader, const RGBQUAD *pColors, int nColors, const void *pBits,
                       qint64 nBitsAvailable = -1);

// Icons made from images: transparent where the image's alpha is 0.
HICON AfxIconFromImage(const QImage &image);
// The icon's picture as premultiplied ARGB (transparent outside the mask); null for an unknown icon.
QImage AfxIconImage(HICON hIcon);
QSize AfxIconSize(HICON hIcon);

// ---------------------------------------------------------------------------------------------------------------
// The framework's bitmap class.

class CBitmap final : public CGdiObject {
    DECLARE_DYNAMIC(CBitmap)
public:
    CBitmap() = default;
    ~CBitmap() override = default;
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }

    // nWidth x nHeight true-colour bitmap, initially black.
    BOOL CreateCompatibleBitmap(CDC *pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP *pBitMap) const;
    // The bitmap's pixels, for platform code; NULL when empty.
    QImage *GetImage() const;
};
