// Drawing objects: stock objects, brushes, fonts, palettes, their handles and classes (the base of the others).
#pragma once

#include "CString.h"
#include "Exceptions.h"
#include "Object.h"
#include "WinTypes.h"

#include <QColor>
#include <QFont>
#include <memory>
#include <vector>

class CGdiObject;

// ---------------------------------------------------------------------------------------------------------------
// Structures, with the window system's layouts.

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

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    std::uintptr_t lbHatch;
};

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

HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH *pLogBrush);
// A font for the description; faces missing here (MS Sans Serif, Tahoma, ...) map to installed families.
HFONT CreateFontIndirect(const LOGFONT *pLogFont);
// NULL for a missing description or one without entries.
HPALETTE CreatePalette(const LOGPALETTE *pLogPalette);
UINT GetPaletteEntries(HPALETTE hPal, UINT iStart, UINT nEntries, PALETTEENTRY *pEntries);

// ---------------------------------------------------------------------------------------------------------------
// Platform extensions (not in the window system).

// Live objects of one kind (OBJ_*, AFX_OBJ_ICON, AFX_OBJ_IMAGELIST; OBJ_DC counts device contexts of windows,
// screen and printer, OBJ_MEMDC memory contexts); 0 counts every kind. Stock objects are not counted.
int AfxGdiLiveObjects(DWORD objectType = 0);

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
