// Device contexts: selection, coordinates, clipping, block transfers, text, icons and frames on QPainter; CDC.
#pragma once

#include "GdiBitmaps.h"
#include "GdiObjects.h"
#include "GdiRegions.h"

#include <QImage>
#include <QPoint>
#include <QRegion>

class QPaintDevice;
class QPainter;

// ---------------------------------------------------------------------------------------------------------------
// Constants, with their documented values.

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
