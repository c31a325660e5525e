// Drawing objects of the window system: bitmaps, brushes, pens, fonts, palettes, regions and icons, their stock
// objects and the bookkeeping that lets tests prove there are no leaks or double releases.
#include "GdiImpl.h"
#include "SysParams.h"

#include <QFontMetricsF>
#include <QHash>
#include <QtMath>

#include <array>
#include <climits>
#include <cstring>
#include <unordered_set>

namespace {

std::unordered_set<const void *> &liveObjects()
{
    // Never destroyed: objects ending during static destruction still reach it.
    static auto *set = new std::unordered_set<const void *>;
    return *set;
}
std::unordered_set<const void *> &liveIcons()
{
    // Never destroyed: objects ending during static destruction still reach it.
    static auto *set = new std::unordered_set<const void *>;
    return *set;
}
QHash<DWORD, int> &liveCounts()
{
    // Never destroyed: objects ending during static destruction still reach it.
    static auto *counts = new QHash<DWORD, int>;
    return *counts;
}

template <class T> T *registerObject(T *pObject, bool bStock = false)
{
    pObject->stock = bStock;
    liveObjects().insert(static_cast<HGDIOBJ__ *>(pObject));
    if (!bStock)
        afx::countObject(pObject->objectType, +1);
    return pObject;
}

template <class T> T *objectOfType(HGDIOBJ h, DWORD type)
{
    if (!h || !afx::isLiveObject(h) || h->objectType != type)
        return nullptr;
    return static_cast<T *>(h);
}

LOGFONT makeLogFont(LONG height, LONG weight, const char *face, BYTE pitchAndFamily = VARIABLE_PITCH | FF_SWISS)
{
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfPitchAndFamily = pitchAndFamily;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

HGDIOBJ makeStockObject(int nIndex)
{
    auto solidBrush = [](COLORREF c, UINT style = BS_SOLID) {
        auto *b = new HBRUSH__;
        b->style = style;
        b->color = c;
        return registerObject(b, true);
    };
    auto font = [](const LOGFONT &lf) {
        auto *f = new HFONT__;
        f->logFont = lf;
        f->font = afx::qfontFromLogFont(lf);
        return registerObject(f, true);
    };
    switch (nIndex) {
    case WHITE_BRUSH:
        return solidBrush(RGB(255, 255, 255));
    case LTGRAY_BRUSH:
        return solidBrush(RGB(192, 192, 192));
    case GRAY_BRUSH:
        return solidBrush(RGB(128, 128, 128));
    case DKGRAY_BRUSH:
        return solidBrush(RGB(64, 64, 64));
    case BLACK_BRUSH:
        return solidBrush(RGB(0, 0, 0));
    case NULL_BRUSH:
        return solidBrush(0, BS_NULL);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        return font(makeLogFont(13, FW_NORMAL, "Courier", FIXED_PITCH | FF_MODERN));
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT:
        return font(makeLogFont(-11, FW_NORMAL, "MS Shell Dlg"));
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        return font(makeLogFont(16, FW_BOLD, "System"));
    case DEFAULT_PALETTE: {
        // The twenty static colours of a palette display.
        static const BYTE rgb[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                                        {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                                        {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                                        {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                                        {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
        auto *p = new HPALETTE__;
        for (const auto &c : rgb)
            p->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
        return registerObject(p, true);
    }
    default:
        return nullptr;
    }
}

CGdiObject *makeWrapper(DWORD type)
{
    switch (type) {
    case OBJ_BITMAP:
        return new CBitmap;
    case OBJ_BRUSH:
        return new CBrush;
    case OBJ_FONT:
        return new CFont;
    case OBJ_PAL:
        return new CPalette;
    case OBJ_REGION:
        return new CRgn;
    default:
        return new CGdiObject;
    }
}

int regionType(const QRegion &r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QRect normalizedRect(int left, int top, int right, int bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// Decodes one colour component selected by a bit mask to 0..255.
struct MaskChannel {
    explicit MaskChannel(DWORD m) : mask(m)
    {
        if (!mask)
            return;
        while (!((mask >> shift) & 1))
            ++shift;
        max = mask >> shift;
    }
    int operator()(DWORD v) const { return max ? int((qint64((v & mask) >> shift) * 255 + max / 2) / max) : 0; }
    DWORD mask;
    int shift = 0;
    DWORD max = 0;
};

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Bookkeeping.

HGDIOBJ__::HGDIOBJ__(DWORD type) : objectType(type) {}
HGDIOBJ__::~HGDIOBJ__() = default;

HICON__::HICON__()
{
    liveIcons().insert(this);
    afx::countObject(AFX_OBJ_ICON, +1);
}
HICON__::~HICON__()
{
    liveIcons().erase(this);
    afx::countObject(AFX_OBJ_ICON, -1);
}

void afx::countObject(DWORD objectType, int delta)
{
    liveCounts()[objectType] += delta;
}

int AfxGdiLiveObjects(DWORD objectType)
{
    if (objectType != 0)
        return liveCounts().value(objectType);
    int total = 0;
    for (int n : liveCounts())
        total += n;
    return total;
}

bool afx::isLiveObject(HGDIOBJ h)
{
    return h && liveObjects().count(h) != 0;
}
HBITMAP__ *afx::bitmapFromHandle(HGDIOBJ h)
{
    return objectOfType<HBITMAP__>(h, OBJ_BITMAP);
}
HBRUSH__ *afx::brushFromHandle(HGDIOBJ h)
{
    return objectOfType<HBRUSH__>(h, OBJ_BRUSH);
}
HFONT__ *afx::fontFromHandle(HGDIOBJ h)
{
    return objectOfType<HFONT__>(h, OBJ_FONT);
}
HPALETTE__ *afx::paletteFromHandle(HGDIOBJ h)
{
    return objectOfType<HPALETTE__>(h, OBJ_PAL);
}
HRGN__ *afx::regionFromHandle(HGDIOBJ h)
{
    return objectOfType<HRGN__>(h, OBJ_REGION);
}
HICON__ *afx::iconFromHandle(HICON h)
{
    return h && liveIcons().count(h) ? h : nullptr;
}

// ---------------------------------------------------------------------------------------------------------------
// Objects in general.

HBITMAP afx::defaultBitmap()
{
    static HBITMAP bitmap = [] {
        auto *b = new HBITMAP__;
        b->image = QImage(1, 1, QImage::Format_RGB32);
        b->image.fill(Qt::black);
        return registerObject(b, true);
    }();
    return bitmap;
}

HGDIOBJ GetStockObject(int nIndex)
{
    static std::array<HGDIOBJ, DEFAULT_GUI_FONT + 1> stock{};
    if (nIndex < 0 || nIndex > DEFAULT_GUI_FONT)
        return nullptr;
    if (!stock[size_t(nIndex)])
        stock[size_t(nIndex)] = makeStockObject(nIndex);
    return stock[size_t(nIndex)];
}

BOOL DeleteObject(HGDIOBJ hObject)
{
    if (!afx::isLiveObject(hObject))
        return FALSE;
    if (hObject->stock)
        return TRUE;
    if (hObject->selectCount > 0)
        return FALSE;
    // Wrappers must not delete the object a second time when they end.
    if (hObject->permanent)
        hObject->permanent->m_hObject = nullptr;
    if (hObject->temporary)
        hObject->temporary->m_hObject = nullptr;
    liveObjects().erase(hObject);
    afx::countObject(hObject->objectType, -1);
    delete hObject;
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ hObject)
{
    return afx::isLiveObject(hObject) ? hObject->objectType : 0;
}

int GetObject(HGDIOBJ hObject, int cb, void *pv)
{
    if (!afx::isLiveObject(hObject) || cb < 0)
        return 0;
    auto copyOut = [&](const void *src, int size) {
        if (!pv)
            return size;
        const int n = std::min(cb, size);
        std::memcpy(pv, src, size_t(n));
        return n;
    };
    switch (hObject->objectType) {
    case OBJ_BITMAP: {
        const QImage &img = static_cast<HBITMAP__ *>(hObject)->image;
        BITMAP bm{};
        const QSize logical = afx::logicalSize(img);
        bm.bmWidth = logical.width();
        bm.bmHeight = logical.height();
        bm.bmWidthBytes = LONG(img.bytesPerLine());
        bm.bmPlanes = 1;
        bm.bmBitsPixel = WORD(img.isNull() ? 1 : img.depth());
        return copyOut(&bm, int(sizeof bm));
    }
    case OBJ_BRUSH: {
        const auto *b = static_cast<HBRUSH__ *>(hObject);
        const LOGBRUSH lb{b->style, afx::brushColor(b), std::uintptr_t(b->hatch)};
        return copyOut(&lb, int(sizeof lb));
    }
    case OBJ_FONT:
        return copyOut(&static_cast<HFONT__ *>(hObject)->logFont, int(sizeof(LOGFONT)));
    case OBJ_PAL: {
        const WORD n = WORD(static_cast<HPALETTE__ *>(hObject)->entries.size());
        return copyOut(&n, int(sizeof n));
    }
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Bitmaps.

HBITMAP CreateCompatibleBitmap(HDC hDC, int cx, int cy)
{
    if (cx < 0 || cy < 0)
        return nullptr;
    // A bitmap for a surface of higher density has as many device pixels as that surface would.
    const HDC__ *dc = afx::dcFromHandle(hDC);
    const qreal ratio = dc ? dc->pixelRatio() : 1.0;
    auto *b = new HBITMAP__;
    if (cx > 0 && cy > 0) {
        if (ratio == 1.0) {
            b->image = QImage(cx, cy, QImage::Format_RGB32);
        } else {
            const qreal w = std::ceil(qreal(cx) * ratio), h = std::ceil(qreal(cy) * ratio);
            if (w < INT_MAX && h < INT_MAX)
                b->image = QImage(int(w), int(h), QImage::Format_RGB32);
        }
        if (b->image.isNull()) {
            delete b;
            return nullptr;
        }
        b->image.setDevicePixelRatio(ratio);
        b->image.fill(Qt::black);
    }
    return registerObject(b);
}

HBITMAP AfxCreateBitmapFromImage(const QImage &image)
{
    if (image.isNull())
        return nullptr;
    auto *b = new HBITMAP__;
    b->image =
        image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (b->image.isNull()) {
        delete b;
        return nullptr;
    }
    return registerObject(b);
}

QImage *AfxGetBitmapImage(HBITMAP hBitmap)
{
    HBITMAP__ *b = afx::bitmapFromHandle(hBitmap);
    return b && !b->image.isNull() ? &b->image : nullptr;
}

QImage AfxImageFromDib(const BITMAPINFOHEADER *pHeader, const RGBQUAD *pColors, int nColors, const void *pBits,
                       qint64 nBitsAvailable)
{
    if (!pHeader || !pBits || pHeader->biSize < sizeof(BITMAPINFOHEADER))
        return QImage();
    const qint64 width = pHeader->biWidth;
    const qint64 rawHeight = pHeader->biHeight;
    const int bpp = pHeader->biBitCount;
    const DWORD compression = pHeader->biCompression;
    if (width <= 0 || rawHeight == 0 || rawHeight == INT_MIN)
        return QImage();
    const qint64 height = rawHeight < 0 ? -rawHeight : rawHeight;
    const bool topDown = rawHeight < 0;
    if (width * height > (qint64(1) << 28))
        return QImage();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return QImage();
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
        return QImage();
    const qint64 stride = ((width * bpp + 31) / 32) * 4;
    if (nBitsAvailable >= 0 && stride * height > nBitsAvailable)
        return QImage();

    QVector<QRgb> lut;
    if (bpp <= 8) {
        lut.fill(qRgb(0, 0, 0), 1 << bpp);
        const int n = pColors ? std::min(nColors, int(lut.size())) : 0;
        for (int i = 0; i < n; ++i)
            lut[i] = qRgb(pColors[i].rgbRed, pColors[i].rgbGreen, pColors[i].rgbBlue);
    }
    DWORD masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    if (bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    if (compression == BI_BITFIELDS) {
        if (!pColors)
            return QImage();
        std::memcpy(masks, pColors, sizeof masks);
    }
    const MaskChannel red(masks[0]), green(masks[1]), blue(masks[2]);

    QImage img(int(width), int(height), QImage::Format_RGB32);
    if (img.isNull())
        return QImage();
    const auto *bits = static_cast<const BYTE *>(pBits);
    for (int y = 0; y < int(height); ++y) {
        const BYTE *src = bits + stride * (topDown ? y : height - 1 - y);
        auto *dst = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < int(width); ++x) {
            switch (bpp) {
            case 1:
                dst[x] = lut[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                dst[x] = lut[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
                break;
            case 8:
                dst[x] = lut[src[x]];
                break;
            case 16: {
                const DWORD v = DWORD(src[2 * x]) | (DWORD(src[2 * x + 1]) << 8);
                dst[x] = qRgb(red(v), green(v), blue(v));
                break;
            }
            case 24:
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default: {
                DWORD v;
                std::memcpy(&v, src + 4 * x, 4);
                dst[x] = qRgb(red(v), green(v), blue(v));
                break;
            }
            }
        }
    }
    return img;
}

HBITMAP CreateDIBitmap(HDC hDC, const BITMAPINFOHEADER *pHeader, DWORD dwInit, const void *pBits,
                       const BITMAPINFO *pInfo, UINT uUsage)
{
    if (!pHeader)
        return nullptr;
    if (!(dwInit & CBM_INIT))
        return CreateCompatibleBitmap(hDC, pHeader->biWidth, std::abs(pHeader->biHeight));
    if (!pInfo || !pBits)
        return nullptr;
    const BITMAPINFOHEADER &h = pInfo->bmiHeader;
    const BYTE *table = reinterpret_cast<const BYTE *>(pInfo) + h.biSize;
    int nColors = h.biBitCount <= 8 ? (h.biClrUsed ? int(std::min<DWORD>(h.biClrUsed, 256)) : 1 << h.biBitCount) : 0;
    std::vector<RGBQUAD> colors;
    if (uUsage == DIB_PAL_COLORS) {
        // The table holds indices into the context's palette.
        HDC__ *dc = afx::dcFromHandle(hDC);
        const HPALETTE__ *pal = dc ? afx::paletteFromHandle(dc->palette) : nullptr;
        for (int i = 0; i < nColors; ++i) {
            WORD index;
            std::memcpy(&index, table + 2 * i, 2);
            PALETTEENTRY e{0, 0, 0, 0};
            if (pal && index < pal->entries.size())
                e = pal->entries[index];
            colors.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
        }
    } else {
        const int n = h.biCompression == BI_BITFIELDS ? 3 : nColors;
        colors.resize(size_t(n));
        if (n > 0)
            std::memcpy(colors.data(), table, sizeof(RGBQUAD) * size_t(n));
    }
    QImage img = AfxImageFromDib(&h, colors.empty() ? nullptr : colors.data(), nColors, pBits);
    if (img.isNull())
        return nullptr;
    auto *b = new HBITMAP__;
    b->image = std::move(img);
    return registerObject(b);
}

// ---------------------------------------------------------------------------------------------------------------
// Brushes, pens, fonts, palettes.

COLORREF afx::brushColor(const HBRUSH__ *pBrush)
{
    return pBrush->color;
}

QBrush afx::qbrush(const HBRUSH__ *pBrush)
{
    if (pBrush->style == BS_NULL)
        return QBrush(Qt::NoBrush);
    const QColor c = AfxQColor(brushColor(pBrush));
    if (pBrush->style != BS_HATCHED)
        return QBrush(c);
    static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                             Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    return QBrush(c, hatches[std::clamp(pBrush->hatch, 0, 5)]);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH *pLogBrush)
{
    if (!pLogBrush || pLogBrush->lbStyle > BS_HATCHED)
        return nullptr;
    if (pLogBrush->lbStyle == BS_HATCHED && pLogBrush->lbHatch > std::uintptr_t(HS_DIAGCROSS))
        return nullptr;
    auto *b = new HBRUSH__;
    b->style = pLogBrush->lbStyle;
    b->color = pLogBrush->lbColor & 0x00FFFFFF;
    b->hatch = int(pLogBrush->lbHatch);
    return registerObject(b);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    const LOGBRUSH lb{BS_SOLID, color, 0};
    return CreateBrushIndirect(&lb);
}

QFont afx::qfontFromLogFont(const LOGFONT &lf)
{
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
    QString family = QString::fromLatin1(face);
    const QString key = family.toLower();
    const BYTE fontFamily = lf.lfPitchAndFamily & 0xF0;
    // Faces of the classic desktop are not installed here; map them to families that are.
    static const char *const sans[] = {
        "",      "ms sans serif", "ms shell dlg", "ms shell dlg 2",       "tahoma", "system",
        "arial", "helv",          "segoe ui",     "microsoft sans serif", "verdana"};
    static const char *const mono[] = {"courier", "courier new", "fixedsys", "terminal", "lucida console"};
    static const char *const serif[] = {"times new roman", "times", "tms rmn", "georgia"};
    auto in = [&key](const auto &list) {
        return std::any_of(std::begin(list), std::end(list), [&key](const char *s) { return key == QLatin1String(s); });
    };
    QFont::StyleHint hint = QFont::SansSerif;
    if (in(mono) || (key.isEmpty() && ((lf.lfPitchAndFamily & 3) == FIXED_PITCH || fontFamily == FF_MODERN))) {
        family = QStringLiteral("DejaVu Sans Mono");
        hint = QFont::Monospace;
    } else if (in(serif) || (key.isEmpty() && fontFamily == FF_ROMAN)) {
        family = QStringLiteral("DejaVu Serif");
        hint = QFont::Serif;
    } else if (in(sans)) {
        family = QStringLiteral("DejaVu Sans");
    }
    QFont f(family);
    f.setStyleHint(hint);
    f.setWeight(QFont::Weight(std::clamp(lf.lfWeight == 0 ? LONG(FW_NORMAL) : lf.lfWeight, LONG(1), LONG(1000))));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfQuality == NONANTIALIASED_QUALITY)
        f.setStyleStrategy(QFont::NoAntialias);
    int pixels = 11; // 8 points at 96 pixels per inch
    if (lf.lfHeight < 0) {
        pixels = lf.lfHeight == INT_MIN ? INT_MAX : -lf.lfHeight;
    } else if (lf.lfHeight > 0) {
        // A positive height is the cell height (ascent + descent): scale the em size to fit it.
        QFont probe(f);
        probe.setPixelSize(100);
        const qreal cell = QFontMetricsF(probe).height();
        pixels = cell > 0 ? qRound(lf.lfHeight * 100.0 / cell) : lf.lfHeight;
    }
    f.setPixelSize(std::clamp(pixels, 1, 4096));
    return f;
}

HFONT CreateFontIndirect(const LOGFONT *pLogFont)
{
    if (!pLogFont)
        return nullptr;
    auto *f = new HFONT__;
    f->logFont = *pLogFont;
    f->font = afx::qfontFromLogFont(*pLogFont);
    return registerObject(f);
}

QFont AfxQFont(HFONT hFont)
{
    const HFONT__ *f = afx::fontFromHandle(hFont);
    return f ? f->font : static_cast<HFONT__ *>(GetStockObject(DEFAULT_GUI_FONT))->font;
}

HPALETTE CreatePalette(const LOGPALETTE *pLogPalette)
{
    if (!pLogPalette || pLogPalette->palNumEntries == 0)
        return nullptr;
    auto *p = new HPALETTE__;
    p->entries.resize(pLogPalette->palNumEntries);
    // The entries run past the declared one-element array.
    std::memcpy(p->entries.data(), reinterpret_cast<const BYTE *>(pLogPalette) + offsetof(LOGPALETTE, palPalEntry),
                sizeof(PALETTEENTRY) * p->entries.size());
    return registerObject(p);
}

UINT GetPaletteEntries(HPALETTE hPal, UINT iStart, UINT nEntries, PALETTEENTRY *pEntries)
{
    const HPALETTE__ *p = afx::paletteFromHandle(hPal);
    if (!p)
        return 0;
    if (!pEntries)
        return UINT(p->entries.size());
    UINT n = 0;
    for (UINT i = iStart; i < p->entries.size() && n < nEntries; ++i, ++n)
        pEntries[n] = p->entries[i];
    return n;
}

// ---------------------------------------------------------------------------------------------------------------
// Regions.

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    auto *r = new HRGN__;
    if (left != right && top != bottom)
        r->region = QRegion(normalizedRect(left, top, right, bottom));
    return registerObject(r);
}

HRGN CreateRectRgnIndirect(const RECT *pRect)
{
    return pRect ? CreateRectRgn(pRect->left, pRect->top, pRect->right, pRect->bottom) : nullptr;
}

QRegion AfxRegionToQRegion(HRGN hRgn)
{
    const HRGN__ *r = afx::regionFromHandle(hRgn);
    return r ? r->region : QRegion();
}

int CombineRgn(HRGN hDst, HRGN hSrc1, HRGN hSrc2, int nMode)
{
    HRGN__ *dst = afx::regionFromHandle(hDst);
    const HRGN__ *a = afx::regionFromHandle(hSrc1);
    const HRGN__ *b = afx::regionFromHandle(hSrc2);
    if (!dst || !a || (nMode != RGN_COPY && !b))
        return ERROR;
    switch (nMode) {
    case RGN_AND:
        dst->region = a->region & b->region;
        break;
    case RGN_OR:
        dst->region = a->region | b->region;
        break;
    case RGN_XOR:
        dst->region = a->region ^ b->region;
        break;
    case RGN_DIFF:
        dst->region = a->region - b->region;
        break;
    case RGN_COPY:
        dst->region = a->region;
        break;
    default:
        return ERROR;
    }
    return regionType(dst->region);
}

BOOL RectInRegion(HRGN hRgn, const RECT *pRect)
{
    const HRGN__ *r = afx::regionFromHandle(hRgn);
    if (!r || !pRect || pRect->left == pRect->right || pRect->top == pRect->bottom)
        return FALSE;
    return r->region.intersects(normalizedRect(pRect->left, pRect->top, pRect->right, pRect->bottom));
}

BOOL PtInRegion(HRGN hRgn, int x, int y)
{
    const HRGN__ *r = afx::regionFromHandle(hRgn);
    return r && r->region.contains(QPoint(x, y));
}

// ---------------------------------------------------------------------------------------------------------------
// Icons.

QImage afx::scaleNearest(const QImage &source, int width, int height)
{
    if (source.isNull() || width <= 0 || height <= 0)
        return QImage();
    if (source.width() == width && source.height() == height)
        return source;
    const QImage src = source.depth() == 32 ? source : source.convertToFormat(QImage::Format_RGB32);
    QImage out(width, height, src.format());
    if (out.isNull())
        return QImage();
    std::vector<int> xs(size_t(width), 0);
    for (int i = 0; i < width; ++i)
        xs[size_t(i)] = int((qint64(2 * i + 1) * src.width()) / (2 * qint64(width)));
    for (int j = 0; j < height; ++j) {
        const int sy = int((qint64(2 * j + 1) * src.height()) / (2 * qint64(height)));
        const auto *s = reinterpret_cast<const QRgb *>(src.constScanLine(sy));
        auto *d = reinterpret_cast<QRgb *>(out.scanLine(j));
        for (int i = 0; i < width; ++i)
            d[i] = s[xs[size_t(i)]];
    }
    return out;
}

QSize afx::logicalSize(const QImage &image)
{
    const qreal r = image.devicePixelRatio();
    if (r == 1.0)
        return image.size();
    // Surfaces are made with the device size rounded up, so rounding down gives the logical size back.
    return QSize(int(image.width() / r + 1e-6), int(image.height() / r + 1e-6));
}

qreal afx::painterRatio(const QPainter *p)
{
    const QPaintDevice *d = p ? p->device() : nullptr;
    return d ? d->devicePixelRatio() : 1.0;
}

QImage afx::imageForDensity(const QImage &art, const QImage &hires, int cx, int cy, qreal ratio)
{
    if (ratio <= 1.0 || cx <= 0 || cy <= 0)
        return scaleNearest(art, cx, cy);
    const int dw = qCeil(cx * ratio - 1e-6), dh = qCeil(cy * ratio - 1e-6);
    QImage out;
    if (!hires.isNull() && hires.width() == dw && hires.height() == dh)
        out = hires;
    else if (!hires.isNull() && (hires.width() > dw || ratio != qRound(ratio)))
        // Art drawn for twice the size, shrunk or grown a little: smoothing keeps its lines even.
        out = hires.scaled(dw, dh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    else
        out = scaleNearest(hires.isNull() ? art : hires, dw, dh);
    out.setDevicePixelRatio(qreal(dw) / cx);
    return out;
}

HICON afx::createIcon(const QImage &color, const QImage &mask)
{
    if (color.isNull())
        return nullptr;
    auto *icon = new HICON__;
    const int w = color.width(), h = color.height();
    bool alpha = false;
    if (color.hasAlphaChannel()) {
        const QImage argb = color.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < h && !alpha; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            for (int x = 0; x < w && !alpha; ++x)
                alpha = qAlpha(line[x]) != 0;
        }
    }
    QImage m = mask.isNull() ? QImage() : mask.convertToFormat(QImage::Format_RGB32);
    if (!m.isNull() && m.size() != color.size())
        m = scaleNearest(m, w, h);
    QImage img = color.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32)
                     .convertToFormat(QImage::Format_ARGB32);
    QImage derivedMask(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        const auto *mline = m.isNull() ? nullptr : reinterpret_cast<const QRgb *>(m.constScanLine(y));
        auto *dm = reinterpret_cast<QRgb *>(derivedMask.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const bool transparent = mline ? (qGray(mline[x]) >= 128) : false;
            if (transparent)
                line[x] = 0;
            else if (!alpha)
                line[x] |= 0xFF000000u;
            dm[x] = (transparent || qAlpha(line[x]) == 0) ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    icon->image = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    icon->color = color.convertToFormat(QImage::Format_RGB32);
    icon->mask = derivedMask;
    return icon;
}

HICON afx::copyIconScaled(HICON hIcon, int cx, int cy)
{
    const HICON__ *src = iconFromHandle(hIcon);
    if (!src || cx <= 0 || cy <= 0)
        return nullptr;
    auto *icon = new HICON__;
    icon->image = scaleNearest(src->image, cx, cy);
    icon->color = scaleNearest(src->color, cx, cy);
    icon->mask = scaleNearest(src->mask, cx, cy);
    if (!src->hires.isNull())
        icon->hires = src->hires.scaled(2 * cx, 2 * cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return icon;
}

HICON AfxIconFromImage(const QImage &image)
{
    return afx::createIcon(image, QImage());
}

QImage AfxIconImage(HICON hIcon)
{
    const HICON__ *icon = afx::iconFromHandle(hIcon);
    return icon ? icon->image : QImage();
}

QSize AfxIconSize(HICON hIcon)
{
    const HICON__ *icon = afx::iconFromHandle(hIcon);
    return icon ? icon->image.size() : QSize();
}

BOOL DestroyIcon(HICON hIcon)
{
    HICON__ *icon = afx::iconFromHandle(hIcon);
    if (!icon)
        return FALSE;
    delete icon;
    return TRUE;
}

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0)
        return -1;
    const qint64 product = qint64(nNumber) * nNumerator;
    // Round half away from zero, as the window system does.
    const bool negative = (product < 0) != (nDenominator < 0);
    const qint64 p = product < 0 ? -product : product;
    const qint64 d = nDenominator < 0 ? -qint64(nDenominator) : qint64(nDenominator);
    const qint64 q = (p + d / 2) / d;
    const qint64 result = negative ? -q : q;
    if (result > INT_MAX || result < INT_MIN)
        return -1;
    return int(result);
}

// ---------------------------------------------------------------------------------------------------------------
// The framework's drawing object classes.

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)

CGdiObject::~CGdiObject()
{
    // An object still selected somewhere cannot be deleted: let go of it as the window system would.
    if (m_hObject && !DeleteObject())
        Detach();
}

CGdiObject *CGdiObject::FromHandle(HGDIOBJ hObject)
{
    if (!afx::isLiveObject(hObject))
        return nullptr;
    if (hObject->permanent)
        return hObject->permanent;
    if (!hObject->temporary) {
        hObject->temporary.reset(makeWrapper(hObject->objectType));
        hObject->temporary->m_hObject = hObject;
    }
    return hObject->temporary.get();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (!hObject || m_hObject)
        return FALSE;
    m_hObject = hObject;
    if (afx::isLiveObject(hObject) && !hObject->stock)
        hObject->permanent = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    if (afx::isLiveObject(h) && h->permanent == this)
        h->permanent = nullptr;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    HGDIOBJ h = m_hObject;
    if (afx::isLiveObject(h) && h->stock) {
        Detach();
        return TRUE;
    }
    if (!::DeleteObject(h))
        return FALSE;
    m_hObject = nullptr;
    return TRUE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC *pDC, int nWidth, int nHeight)
{
    return !m_hObject && Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}
int CBitmap::GetBitmap(BITMAP *pBitMap) const
{
    return ::GetObject(m_hObject, int(sizeof(BITMAP)), pBitMap);
}
QImage *CBitmap::GetImage() const
{
    return AfxGetBitmapImage(static_cast<HBITMAP>(m_hObject));
}

CBrush::CBrush(COLORREF color)
{
    if (!CreateSolidBrush(color))
        AfxThrowResourceException();
}
BOOL CBrush::CreateSolidBrush(COLORREF color)
{
    return !m_hObject && Attach(::CreateSolidBrush(color));
}

BOOL CFont::CreateFontIndirect(const LOGFONT *pLogFont)
{
    return !m_hObject && Attach(::CreateFontIndirect(pLogFont));
}
int CFont::GetLogFont(LOGFONT *pLogFont) const
{
    return ::GetObject(m_hObject, int(sizeof(LOGFONT)), pLogFont);
}

BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2)
{
    return !m_hObject && Attach(::CreateRectRgn(x1, y1, x2, y2));
}
BOOL CRgn::CreateRectRgnIndirect(LPCRECT pRect)
{
    return !m_hObject && Attach(::CreateRectRgnIndirect(pRect));
}
int CRgn::CombineRgn(const CRgn *pRgn1, const CRgn *pRgn2, int nCombineMode)
{
    return ::CombineRgn(static_cast<HRGN>(m_hObject), pRgn1 ? static_cast<HRGN>(pRgn1->m_hObject) : nullptr,
                        pRgn2 ? static_cast<HRGN>(pRgn2->m_hObject) : nullptr, nCombineMode);
}
