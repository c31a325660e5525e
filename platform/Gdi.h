// The window system's drawing interface (device contexts, bitmaps, brushes, pens, fonts, palettes, regions,
// icons) and the framework's wrappers of it, drawn with QPainter on QImage surfaces and widgets.
#pragma once

#include "CString.h"
#include "Exceptions.h"
#include "Object.h"
#include "WinTypes.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class CGdiObject;
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

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
static_assert(sizeof(PALETTEENTRY) == 4, "PALETTEENTRY layout");

struct LOGPALETTE {
    WORD palVersion; // 0x300
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};
typedef LOGPALETTE *LPLOGPALETTE;
typedef LOGPALETTE *NPLOGPALETTE;
static_assert(sizeof(LOGPALETTE) == 8, "LOGPALETTE layout");

enum : int { LF_FACESIZE = 32 };
// The ANSI logical font.
struct LOGFONT {
    LONG lfHeight; // < 0: character height in pixels; > 0: cell height; 0: default size
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};
typedef LOGFONT *LPLOGFONT;
static_assert(sizeof(LOGFONT) == 60, "LOGFONT layout");

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void *bmBits;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    std::uintptr_t lbHatch;
};

// The ANSI text metrics.
struct TEXTMETRIC {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
typedef TEXTMETRIC *LPTEXTMETRIC;
typedef POINT *LPPOINT;
typedef SIZE *LPSIZE;

// ---------------------------------------------------------------------------------------------------------------
// Constants, with their documented values.

// Object types (GetObjectType); also the kinds counted by AfxGdiLiveObjects.
enum : DWORD {
    OBJ_BRUSH = 2,
    OBJ_DC = 3,
    OBJ_PAL = 5,
    OBJ_FONT = 6,
    OBJ_BITMAP = 7,
    OBJ_REGION = 8,
    OBJ_MEMDC = 10,
    AFX_OBJ_ICON = 100,      // icons (not a drawing object of the window system, counted all the same)
    AFX_OBJ_IMAGELIST = 101, // image lists
};

// Stock objects.
enum : int {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    HOLLOW_BRUSH = NULL_BRUSH,
    OEM_FIXED_FONT = 10,
    ANSI_FIXED_FONT = 11,
    ANSI_VAR_FONT = 12,
    SYSTEM_FONT = 13,
    DEVICE_DEFAULT_FONT = 14,
    DEFAULT_PALETTE = 15,
    SYSTEM_FIXED_FONT = 16,
    DEFAULT_GUI_FONT = 17,
};

// Region results and combination modes.
enum : int { ERROR = 0, RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

// Raster operations.
enum : DWORD {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    PATCOPY = 0x00F00021,
    PATINVERT = 0x005A0049,
    DSTINVERT = 0x00550009,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};

// Background modes, mapping modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { MM_TEXT = 1 };

// Brush styles and hatches.
enum : UINT { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = BS_NULL, BS_HATCHED = 2 };
enum : int { HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4, HS_DIAGCROSS = 5 };

// Font weights, qualities, families.
enum : int {
    FW_DONTCARE = 0,
    FW_THIN = 100,
    FW_LIGHT = 300,
    FW_NORMAL = 400,
    FW_MEDIUM = 500,
    FW_SEMIBOLD = 600,
    FW_BOLD = 700,
    FW_HEAVY = 900
};
enum : BYTE { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1 };
enum : BYTE { DEFAULT_QUALITY = 0, NONANTIALIASED_QUALITY = 3, ANTIALIASED_QUALITY = 4 };
enum : BYTE {
    FF_DONTCARE = 0x00,
    FF_ROMAN = 0x10,
    FF_SWISS = 0x20,
    FF_MODERN = 0x30,
    VARIABLE_PITCH = 0x02,
    FIXED_PITCH = 0x01
};

// Device-independent bitmaps.
enum : DWORD { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };
enum : DWORD { CBM_INIT = 4 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

// DrawText formats.
enum : UINT {
    DT_TOP = 0x0000,
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_EXPANDTABS = 0x0040,
    DT_NOCLIP = 0x0100,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
    DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000,
    DT_HIDEPREFIX = 0x00100000,
    DT_WORD_ELLIPSIS = 0x00040000,
};
enum : UINT { ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004 };

// DrawIconEx flags.
enum : UINT { DI_MASK = 0x0001, DI_IMAGE = 0x0002, DI_NORMAL = 0x0003, DI_COMPAT = 0x0004, DI_DEFAULTSIZE = 0x0008 };

// DrawFrameControl types and states.
enum : UINT { DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4 };
enum : UINT {
    DFCS_CAPTIONCLOSE = 0x0000,
    DFCS_CAPTIONMIN = 0x0001,
    DFCS_CAPTIONMAX = 0x0002,
    DFCS_CAPTIONRESTORE = 0x0003,
    DFCS_CAPTIONHELP = 0x0004,
    DFCS_BUTTONPUSH = 0x0010,
    DFCS_INACTIVE = 0x0100,
    DFCS_PUSHED = 0x0200,
    DFCS_CHECKED = 0x0400,
    DFCS_FLAT = 0x4000,
    DFCS_MONO = 0x8000,
};

// DrawEdge edges and borders.
enum : UINT {
    BDR_RAISEDOUTER = 0x0001,
    BDR_SUNKENOUTER = 0x0002,
    BDR_RAISEDINNER = 0x0004,
    BDR_SUNKENINNER = 0x0008,
    EDGE_RAISED = 0x0005,
    EDGE_SUNKEN = 0x000A,
    EDGE_ETCHED = 0x0006,
    EDGE_BUMP = 0x0009,
    BF_LEFT = 0x0001,
    BF_TOP = 0x0002,
    BF_RIGHT = 0x0004,
    BF_BOTTOM = 0x0008,
    BF_RECT = 0x000F,
    BF_MIDDLE = 0x0800,
    BF_SOFT = 0x1000,
    BF_ADJUST = 0x2000,
    BF_FLAT = 0x4000,
    BF_MONO = 0x8000,
};

// GetDeviceCaps indices and answers.
enum : int {
    TECHNOLOGY = 2,
    HORZSIZE = 4,
    VERTSIZE = 6,
    HORZRES = 8,
    VERTRES = 10,
    BITSPIXEL = 12,
    PLANES = 14,
    NUMCOLORS = 24,
    RASTERCAPS = 38,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
    SIZEPALETTE = 104,
    NUMRESERVED = 106,
    COLORRES = 108,
};
enum : int { DT_PLOTTER = 0, DT_RASDISPLAY = 1, DT_RASPRINTER = 2 };
enum : int {
    RC_BITBLT = 0x0001,
    RC_BITMAP64 = 0x0008,
    RC_DI_BITMAP = 0x0080,
    RC_PALETTE = 0x0100,
    RC_DIBTODEV = 0x0200,
    RC_STRETCHBLT = 0x0800,
    RC_STRETCHDIB = 0x2000,
};

// ---------------------------------------------------------------------------------------------------------------
// Handles: pointers to the platform's objects. One object per handle; the framework classes below wrap them.

struct HGDIOBJ__ {
    explicit HGDIOBJ__(DWORD type);
    virtual ~HGDIOBJ__();
    HGDIOBJ__(const HGDIOBJ__ &) = delete;
    HGDIOBJ__ &operator=(const HGDIOBJ__ &) = delete;

    const DWORD objectType;                // OBJ_BITMAP, OBJ_BRUSH, ...
    bool stock = false;                    // stock and system-colour objects are never deleted
    int selectCount = 0;                   // device contexts that hold it selected; DeleteObject refuses while not 0
    CGdiObject *permanent = nullptr;       // the framework object attached to it, if any
    std::unique_ptr<CGdiObject> temporary; // wrapper handed out for it (FromHandle, SelectObject)
};

struct HBITMAP__ final : HGDIOBJ__ {
    HBITMAP__() : HGDIOBJ__(OBJ_BITMAP) {}
    QImage image;               // Format_RGB32, or Format_ARGB32_Premultiplied when alpha is needed
    HDC selectedInto = nullptr; // a bitmap is selected into one device context at most
};

struct HBRUSH__ final : HGDIOBJ__ {
    HBRUSH__() : HGDIOBJ__(OBJ_BRUSH) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int hatch = 0;
};

struct HFONT__ final : HGDIOBJ__ {
    HFONT__() : HGDIOBJ__(OBJ_FONT) {}
    LOGFONT logFont{};
    QFont font;
};

struct HPALETTE__ final : HGDIOBJ__ {
    HPALETTE__() : HGDIOBJ__(OBJ_PAL) {}
    std::vector<PALETTEENTRY> entries;
};

struct HRGN__ final : HGDIOBJ__ {
    HRGN__() : HGDIOBJ__(OBJ_REGION) {}
    QRegion region;
};

// ---------------------------------------------------------------------------------------------------------------
// Drawing objects (Win32 functions). Drawing runs on the user-interface thread only.

// A stock object; never NULL for a known index. Stock objects ignore DeleteObject.
HGDIOBJ GetStockObject(int nIndex);
// Deletes a drawing object. FALSE for an unknown handle and for an object selected into a device context.
BOOL DeleteObject(HGDIOBJ hObject);
// OBJ_* of a live handle, 0 otherwise.
DWORD GetObjectType(HGDIOBJ hObject);
// Copies the object's description (BITMAP, LOGBRUSH, LOGFONT, WORD entry count) into pv; returns the
// bytes written, or the size needed when pv is NULL; 0 on failure.
int GetObject(HGDIOBJ hObject, int cb, void *pv);

// A cx x cy true-colour bitmap, initially black; NULL for negative sizes or when memory runs out.
HBITMAP CreateCompatibleBitmap(HDC hDC, int cx, int cy);
// A true-colour bitmap made from a device-independent bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel (rows
// bottom-up or top-down), converted once. Without CBM_INIT the bitmap is black. NULL for a format it cannot read.
HBITMAP CreateDIBitmap(HDC hDC, const BITMAPINFOHEADER *pHeader, DWORD dwInit, const void *pBits,
                       const BITMAPINFO *pInfo, UINT uUsage);

HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH *pLogBrush);
// A font for the description; faces missing here (MS Sans Serif, Tahoma, ...) map to installed families.
HFONT CreateFontIndirect(const LOGFONT *pLogFont);
// NULL for a missing description or one without entries.
HPALETTE CreatePalette(const LOGPALETTE *pLogPalette);
UINT GetPaletteEntries(HPALETTE hPal, UINT iStart, UINT nEntries, PALETTEENTRY *pEntries);

// Regions (right and bottom edges exclusive; inverted corners are put in order).
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT *pRect);
// hDst = hSrc1 <mode> hSrc2 (hSrc2 unused for RGN_COPY); returns the region type, ERROR on a bad handle or mode.
int CombineRgn(HRGN hDst, HRGN hSrc1, HRGN hSrc2, int nMode);
BOOL RectInRegion(HRGN hRgn, const RECT *pRect);
BOOL PtInRegion(HRGN hRgn, int x, int y);

// ---------------------------------------------------------------------------------------------------------------
// Device contexts. A memory context starts with a 1 x 1 stock bitmap (nothing to draw on), the white brush, the
// default font and the default palette selected; background white, text black, OPAQUE, MM_TEXT.

HDC CreateCompatibleDC(HDC hDC);
// Deselects everything and releases the context; FALSE for an unknown handle.
BOOL DeleteDC(HDC hDC);
// NULL window: a context on the screen (true colour, a small private surface). A real window: the context that
// the window module's provider makes, NULL while none is installed.
HDC GetDC(HWND hWnd);
HDC GetWindowDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);

// Selects a bitmap, brush or font and returns the previous one (NULL on failure; a bitmap already selected
// into another context fails). A region becomes the clip region; the result is then the region type.
HGDIOBJ SelectObject(HDC hDC, HGDIOBJ hObject);
HPALETTE SelectPalette(HDC hDC, HPALETTE hPal, BOOL bForceBackground);
// True colour: bookkeeping only; returns the entry count of the selected palette.
UINT RealizePalette(HDC hDC);

int SetBkMode(HDC hDC, int nMode);
COLORREF SetBkColor(HDC hDC, COLORREF color);
COLORREF GetBkColor(HDC hDC);
COLORREF SetTextColor(HDC hDC, COLORREF color);
COLORREF GetTextColor(HDC hDC);
int SetMapMode(HDC hDC, int nMode); // MM_TEXT only; 0 for any other mode
int GetMapMode(HDC hDC);
BOOL SetWindowOrgEx(HDC hDC, int x, int y, LPPOINT pOld);
BOOL SetViewportOrgEx(HDC hDC, int x, int y, LPPOINT pOld);
BOOL LPtoDP(HDC hDC, LPPOINT pPoints, int nCount);
BOOL DPtoLP(HDC hDC, LPPOINT pPoints, int nCount);

// Bounding box of the clip region (or of the surface) in logical units; returns the region type.
int GetClipBox(HDC hDC, LPRECT pRect);
// The region is in device units and copied; NULL removes the clip region.
int SelectClipRgn(HDC hDC, HRGN hRgn);

// Block transfers, pixel-exact. Negative or zero extents draw nothing (PatBlt puts negative extents in order).
BOOL PatBlt(HDC hDC, int x, int y, int nWidth, int nHeight, DWORD dwRop);
BOOL BitBlt(HDC hDest, int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc, DWORD dwRop);
// Nearest-neighbour, whatever the stretching mode; opposite signs of the extents mirror.
BOOL StretchBlt(HDC hDest, int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc, int nSrcWidth,
                int nSrcHeight, DWORD dwRop);
int FillRect(HDC hDC, const RECT *pRect, HBRUSH hBrush);

// Text, in the selected font and text colour; OPAQUE mode fills behind it with the background colour.
// nCount -1 means NUL-terminated. DrawText returns the height of the text (0 on failure).
int DrawText(HDC hDC, LPCTSTR pText, int nCount, LPRECT pRect, UINT uFormat);
BOOL ExtTextOut(HDC hDC, int x, int y, UINT uOptions, const RECT *pRect, LPCTSTR pText, UINT nCount, const int *pDx);

// Icons: drawn through their mask (transparent where the AND mask is set). cx, cy 0: the icon's own size
// (SM_CXICON x SM_CYICON with DI_DEFAULTSIZE). A brush fills the box first.
BOOL DrawIconEx(HDC hDC, int x, int y, HICON hIcon, int cx, int cy, UINT istepIfAniCur, HBRUSH hbrFlickerFreeDraw,
                UINT diFlags);
BOOL DestroyIcon(HICON hIcon);

// Classic 3-D frames in the system colours.
BOOL DrawEdge(HDC hDC, LPRECT pRect, UINT edge, UINT grfFlags);
BOOL DrawFrameControl(HDC hDC, LPRECT pRect, UINT uType, UINT uState);

int GetDeviceCaps(HDC hDC, int nIndex);
// nNumber * nNumerator / nDenominator with a 64-bit product, rounded to nearest (halves away from zero); -1 when
// the denominator is 0 or the result does not fit.
int MulDiv(int nNumber, int nNumerator, int nDenominator);

// ---------------------------------------------------------------------------------------------------------------
// Platform extensions (not in the window system).

// Live objects of one kind (OBJ_*, AFX_OBJ_ICON, AFX_OBJ_IMAGELIST; OBJ_DC counts device contexts of windows,
// screen and printer, OBJ_MEMDC memory contexts); 0 counts every kind. Stock objects are not counted.
int AfxGdiLiveObjects(DWORD objectType = 0);

// A context drawing on a widget (during its paint event) or an image: clip in device pixels of that paint device
// (an empty region: the whole device), logicalOrigin the device pixel of logical (0, 0). LPtoDP answers relative to
// logicalOrigin, as a window's context answers in window or client coordinates. Release with AfxDeleteDeviceDC (or
// DeleteDC).
HDC AfxCreateDeviceDC(QPaintDevice *pDevice, const QRegion &clipInDeviceCoords, QPoint logicalOrigin);
void AfxDeleteDeviceDC(HDC hDC);
// A printer context on an image: CDC::IsPrinting is TRUE for it.
HDC AfxCreatePrinterDC(QImage *pPage);

// The context's painter (opened if needed), drawing in the context's logical coordinates and clipped to its clip
// region; NULL when the context has no surface. Restore any state you change (save/restore).
QPainter *AfxGetPainter(HDC hDC);
// Ends the painter any context keeps open on the device: call before painting the device with a painter of your own.
void AfxEndPainting(QPaintDevice *pDevice);

// Window contexts: the window module installs the functions that make and release them.
using AfxWindowDCProvider = HDC (*)(HWND hWnd, bool bWholeWindow);
using AfxWindowDCReleaser = int (*)(HWND hWnd, HDC hDC);
void AfxSetWindowDCProvider(AfxWindowDCProvider provider, AfxWindowDCReleaser releaser);

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

QRegion AfxRegionToQRegion(HRGN hRgn);
QFont AfxQFont(HFONT hFont);

inline QColor AfxQColor(COLORREF color)
{
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}
inline COLORREF AfxColorRef(const QColor &color)
{
    return RGB(color.red(), color.green(), color.blue());
}

// ---------------------------------------------------------------------------------------------------------------
// The framework's drawing object classes. An object deletes the drawing object it holds when it ends.

class CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
public:
    CGdiObject() = default;
    ~CGdiObject() override;
    CGdiObject(const CGdiObject &) = delete;
    CGdiObject &operator=(const CGdiObject &) = delete;

    HGDIOBJ m_hObject = nullptr;

    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    // The object attached to the handle, or a wrapper that lives as long as the drawing object; NULL for NULL.
    static CGdiObject *FromHandle(HGDIOBJ hObject);
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    // Deletes the drawing object held; FALSE (and the handle is kept) when there is none or it is selected.
    BOOL DeleteObject();
    BOOL UnrealizeObject() { return m_hObject != nullptr; }
};

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

class CBrush final : public CGdiObject {
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() = default;
    // Throws CResourceException when the brush cannot be made.
    explicit CBrush(COLORREF color);
    ~CBrush() override = default;
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }

    BOOL CreateSolidBrush(COLORREF color);
};

class CFont final : public CGdiObject {
    DECLARE_DYNAMIC(CFont)
public:
    CFont() = default;
    ~CFont() override = default;
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }

    BOOL CreateFontIndirect(const LOGFONT *pLogFont);
    int GetLogFont(LOGFONT *pLogFont) const;
};

class CPalette final : public CGdiObject {
    DECLARE_DYNAMIC(CPalette)
public:
    CPalette() = default;
    ~CPalette() override = default;
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
};

class CRgn final : public CGdiObject {
    DECLARE_DYNAMIC(CRgn)
public:
    CRgn() = default;
    ~CRgn() override = default;
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }

    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRectRgnIndirect(LPCRECT pRect);
    int CombineRgn(const CRgn *pRgn1, const CRgn *pRgn2, int nCombineMode);
    int CopyRgn(const CRgn *pRgnSrc) { return CombineRgn(pRgnSrc, nullptr, RGN_COPY); }
};

// ---------------------------------------------------------------------------------------------------------------
// The framework's device context. Output goes to m_hDC, queries to m_hAttribDC (the same context unless a
// derived class splits them). The destructor deletes a non-null m_hDC: whoever shares another context's handles
// sets them to NULL before.

class CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    CDC() = default;
    ~CDC() override;
    CDC(const CDC &) = delete;
    CDC &operator=(const CDC &) = delete;

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
    BOOL m_bPrinting = FALSE;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }
    // The object attached to the context, or a wrapper that lives as long as the context; NULL for NULL.
    static CDC *FromHandle(HDC hDC);
    BOOL Attach(HDC hDC);
    HDC Detach();
    void SetAttribDC(HDC hDC) { m_hAttribDC = hDC; }
    void SetOutputDC(HDC hDC) { m_hDC = hDC; }
    void ReleaseAttribDC() { m_hAttribDC = nullptr; }
    void ReleaseOutputDC() { m_hDC = nullptr; }

    BOOL CreateCompatibleDC(CDC *pDC);
    BOOL DeleteDC();
    BOOL IsPrinting() const { return m_bPrinting; }
    int GetDeviceCaps(int nIndex) const;

    // Selection. The previous object is the one attached to its handle or a wrapper living as long as it.
    CBrush *SelectObject(CBrush *pBrush);
    CFont *SelectObject(CFont *pFont);
    CBitmap *SelectObject(CBitmap *pBitmap);
    int SelectObject(CRgn *pRgn); // the clip region; returns the region type
    CGdiObject *SelectObject(CGdiObject *pObject);
    CBrush *GetCurrentBrush() const;

    // Attributes.
    int SetBkMode(int nBkMode);
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    int SetMapMode(int nMapMode);
    int GetMapMode() const;

    // Coordinates: device = logical - window origin + viewport origin.
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT point) { return SetWindowOrg(point.x, point.y); }
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
    void LPtoDP(LPRECT pRect) const;
    void LPtoDP(LPSIZE) const {} // MM_TEXT: sizes are the same in both
    void DPtoLP(LPRECT pRect) const;
    void DPtoLP(LPSIZE) const {}

    // Clipping.
    int GetClipBox(LPRECT pRect) const;

    // Fills and block transfers.
    // Sets the background colour and fills the rectangle with it (inverted corners are put in order).
    void FillSolidRect(LPCRECT pRect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FillRect(LPCRECT pRect, CBrush *pBrush);
    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC *pSrcDC, int xSrc, int ySrc, DWORD dwRop);

    // Text.
    int DrawText(const CString &str, LPRECT pRect, UINT nFormat);

    // Icons and frames.
    BOOL DrawIconEx(int x, int y, HICON hIcon, int cx, int cy, UINT istepIfAniCur, HBRUSH hbrFlickerFreeDraw,
                    UINT diFlags);
    BOOL DrawFrameControl(LPRECT pRect, UINT nType, UINT nState);
};
