// Device contexts of the window system on QPainter: memory contexts over bitmaps, contexts over widgets and window
// surfaces, the screen and printer contexts, and the drawing operations on them.
#include "GdiImpl.h"
#include "SysParams.h"

#include <QFontMetrics>
#include <QHash>
#include <QPaintDevice>

#include <climits>
#include <cmath>
#include <unordered_set>

namespace {

std::unordered_set<const void *> &liveDCs()
{
    // Never destroyed: objects ending during static destruction still reach it.
    static auto *set = new std::unordered_set<const void *>;
    return *set;
}

// Which context keeps a painter open on which paint device: a device takes one painter at a time.
QHash<QPaintDevice *, HDC__ *> &activePainters()
{
    // Never destroyed: objects ending during static destruction still reach it.
    static auto *map = new QHash<QPaintDevice *, HDC__ *>;
    return *map;
}

AfxWindowDCProvider g_windowDCProvider = nullptr;
AfxWindowDCReleaser g_windowDCReleaser = nullptr;

DWORD countedKind(HDC__::Kind kind)
{
    return kind == HDC__::Kind::Memory ? OBJ_MEMDC : OBJ_DC;
}

int regionType(const QRegion &r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Rectangle from two corners in any order, right and bottom exclusive.
QRect orderedRect(int left, int top, int right, int bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return QRect(left, top, right - left, bottom - top);
}

template <class T> void select(T &slot, T value)
{
    if (slot)
        --slot->selectCount;
    slot = value;
    if (slot)
        ++slot->selectCount;
}

QPainter *beginOp(HDC__ *dc, QPainter::CompositionMode mode)
{
    QPainter *p = dc->ensurePainter();
    if (p)
        p->setCompositionMode(mode);
    return p;
}

// Fills with a brush: solid, or hatched over the background colour in OPAQUE mode.
void fillWithBrush(HDC__ *dc, QPainter *p, const QRect &r, const HBRUSH__ *brush)
{
    if (!brush || brush->style == BS_NULL || r.isEmpty())
        return;
    if (brush->style == BS_HATCHED) {
        if (dc->bkMode == OPAQUE) {
            p->setCompositionMode(QPainter::CompositionMode_Source);
            p->fillRect(r, AfxQColor(dc->bkColor));
        }
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        p->setBrushOrigin(-dc->logicalToPixelOffset());
        p->fillRect(r, afx::qbrush(brush));
        return;
    }
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->fillRect(r, AfxQColor(afx::brushColor(brush)));
}

// A brush handle, or a system colour index + 1 in its place as the window system allows.
const HBRUSH__ *brushOrSysColor(HBRUSH hBrush, HBRUSH__ *scratch)
{
    const auto value = reinterpret_cast<std::uintptr_t>(hBrush);
    if (value >= 1 && value <= std::uintptr_t(AFX_MAX_SYSCOLOR) + 1) {
        scratch->color = GetSysColor(int(value - 1));
        return scratch;
    }
    return afx::brushFromHandle(hBrush);
}

const QImage *readableImage(const HDC__ *dc)
{
    if (!dc->device || dc->device->devType() != QInternal::Image)
        return nullptr;
    return static_cast<const QImage *>(static_cast<const QPaintDevice *>(dc->device));
}

bool compositionFor(DWORD rop, QPainter::CompositionMode *mode)
{
    switch (rop) {
    case SRCCOPY:
        *mode = QPainter::CompositionMode_Source;
        return true;
    case SRCPAINT:
        *mode = QPainter::RasterOp_SourceOrDestination;
        return true;
    case SRCAND:
        *mode = QPainter::RasterOp_SourceAndDestination;
        return true;
    case SRCINVERT:
        *mode = QPainter::RasterOp_SourceXorDestination;
        return true;
    default:
        return false;
    }
}

bool isPatternRop(DWORD rop)
{
    return rop == PATCOPY || rop == PATINVERT || rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS;
}

QFont dcFont(const HDC__ *dc)
{
    return AfxQFont(dc->font);
}

QString stripPrefixes(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&'))
                out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}

// The longest start of the text that fits with "..." after it.
QString endEllipsis(const QFontMetrics &fm, const QString &s, int width)
{
    if (fm.horizontalAdvance(s) <= width)
        return s;
    const QString dots = QStringLiteral("...");
    qsizetype lo = 0, hi = s.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (fm.horizontalAdvance(s.left(mid) + dots) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return s.left(lo) + dots;
}

QStringList wrapWords(const QFontMetrics &fm, const QString &line, int width)
{
    QStringList out;
    QString current;
    for (const QString &word : line.split(QLatin1Char(' '))) {
        const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        if (!current.isEmpty() && fm.horizontalAdvance(candidate) > width) {
            out << current;
            current = word;
        } else {
            current = candidate;
        }
    }
    out << current;
    return out;
}

// One line of text with its top-left corner at (x, y) in logical units.
void paintTextLine(HDC__ *dc, QPainter *p, const QFont &font, const QFontMetrics &fm, int x, int y, const QString &s)
{
    if (s.isEmpty())
        return;
    if (dc->bkMode == OPAQUE) {
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), AfxQColor(dc->bkColor));
    }
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setFont(font);
    p->setPen(AfxQColor(dc->textColor));
    p->drawText(QPoint(x, y + fm.ascent()), s);
}

int drawTextImpl(HDC__ *dc, QString text, RECT *pRect, UINT fmt)
{
    const QFont font = dcFont(dc);
    const QFontMetrics fm(font);
    const QRect box = orderedRect(pRect->left, pRect->top, pRect->right, pRect->bottom);
    if (!(fmt & DT_NOPREFIX))
        text = stripPrefixes(text);
    if (fmt & DT_EXPANDTABS)
        text.replace(QLatin1Char('\t'), QStringLiteral("        "));
    QStringList lines;
    if (fmt & DT_SINGLELINE) {
        text.remove(QLatin1Char('\r'));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines << text;
    } else {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        for (const QString &line : text.split(QLatin1Char('\n')))
            lines << ((fmt & DT_WORDBREAK) ? wrapWords(fm, line, box.width()) : QStringList{line});
    }
    const bool ellipsis = (fmt & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) != 0;
    int maxWidth = 0;
    for (QString &line : lines) {
        if (ellipsis && !(fmt & DT_CALCRECT))
            line = endEllipsis(fm, line, box.width());
        maxWidth = std::max(maxWidth, fm.horizontalAdvance(line));
    }
    const int lineHeight = fm.height();
    const int total = lineHeight * int(lines.size());
    if (fmt & DT_CALCRECT) {
        pRect->right = pRect->left + maxWidth;
        pRect->bottom = pRect->top + total;
        return total;
    }
    int y = box.top();
    if (fmt & DT_SINGLELINE) {
        if (fmt & DT_VCENTER)
            y = box.top() + (box.height() - lineHeight) / 2;
        else if (fmt & DT_BOTTOM)
            y = box.bottom() + 1 - lineHeight;
    }
    QPainter *p = dc->ensurePainter();
    if (p) {
        const bool clip = !(fmt & DT_NOCLIP);
        if (clip) {
            p->save();
            p->setClipRect(box, Qt::IntersectClip);
        }
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const int w = fm.horizontalAdvance(lines[i]);
            int x = box.left();
            if (fmt & DT_CENTER)
                x = box.left() + (box.width() - w) / 2;
            else if (fmt & DT_RIGHT)
                x = box.right() + 1 - w;
            paintTextLine(dc, p, font, fm, x, y + int(i) * lineHeight, lines[i]);
        }
        if (clip)
            p->restore();
    }
    return (y - box.top()) + total;
}

QString textOf(LPCTSTR pText, int nCount)
{
    if (!pText)
        return QString();
    if (nCount < 0) {
        nCount = 0;
        while (!pText[nCount].isNull())
            ++nCount;
    }
    return QString(pText, nCount);
}

// A ring of a 3-D edge: top and left in one colour, bottom and right (corners included) in the other.
void edgeRing(QPainter *p, QRect &r, UINT sides, COLORREF topLeft, COLORREF bottomRight)
{
    if (r.isEmpty())
        return;
    const QColor tl = AfxQColor(topLeft), br = AfxQColor(bottomRight);
    if (sides & BF_TOP)
        p->fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), tl);
    if (sides & BF_LEFT)
        p->fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), tl);
    if (sides & BF_BOTTOM)
        p->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
    if (sides & BF_RIGHT)
        p->fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
    r.adjust((sides & BF_LEFT) ? 1 : 0, (sides & BF_TOP) ? 1 : 0, (sides & BF_RIGHT) ? -1 : 0,
             (sides & BF_BOTTOM) ? -1 : 0);
}

// The glyph of a caption button inside box g.
void captionGlyph(QPainter *p, const QRect &g, UINT kind, const QColor &c, const QColor &face)
{
    const int n = std::max(3, std::min(g.width(), g.height()) - 1);
    const int gx = g.left() + (g.width() - n) / 2;
    const int gy = g.top() + (g.height() - n) / 2;
    const int thick = std::max(2, n / 4);
    auto frame = [&](int x, int y, int w, int h) {
        p->fillRect(QRect(x, y, w, h), face);
        p->fillRect(QRect(x, y, w, thick), c);
        p->fillRect(QRect(x, y, 1, h), c);
        p->fillRect(QRect(x + w - 1, y, 1, h), c);
        p->fillRect(QRect(x, y + h - 1, w, 1), c);
    };
    switch (kind) {
    case DFCS_CAPTIONMIN: {
        const int w = std::max(2, n * 2 / 3);
        p->fillRect(QRect(gx, gy + n - thick, w, thick), c);
        break;
    }
    case DFCS_CAPTIONMAX:
        frame(gx, gy, n, n);
        break;
    case DFCS_CAPTIONRESTORE: {
        const int m = std::max(3, n * 2 / 3);
        frame(gx + n - m, gy, m, m);
        frame(gx, gy + n - m, m, m);
        break;
    }
    case DFCS_CAPTIONHELP: {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setPixelSize(std::max(6, n + 2));
        p->setFont(f);
        p->setPen(c);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        p->drawText(QRect(gx, gy - 1, n, n + 2), Qt::AlignCenter, QStringLiteral("?"));
        p->setCompositionMode(QPainter::CompositionMode_Source);
        break;
    }
    default: { // close: an X of two-pixel strokes
        const int k = n - 1;
        for (int j = 0; j < k; ++j) {
            p->fillRect(QRect(gx + j, gy + j, 2, 1), c);
            p->fillRect(QRect(gx + k - 1 - j, gy + j, 2, 1), c);
        }
        break;
    }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// The context record.

HDC__::HDC__(Kind k) : kind(k)
{
    liveDCs().insert(this);
    afx::countObject(countedKind(kind), +1);
    if (kind == Kind::Memory)
        select(bitmap, afx::defaultBitmap());
    select(brush, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    select(font, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    select(palette, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
}

HDC__::~HDC__()
{
    endPainter();
    if (bitmap)
        bitmap->selectedInto = nullptr;
    select(bitmap, HBITMAP(nullptr));
    select(brush, HBRUSH(nullptr));
    select(font, HFONT(nullptr));
    select(palette, HPALETTE(nullptr));
    if (temporary) {
        temporary->m_hDC = nullptr;
        temporary->m_hAttribDC = nullptr;
        temporary.reset();
    }
    if (permanent) {
        // The CDC must not delete this context a second time.
        if (permanent->m_hDC == this)
            permanent->m_hDC = nullptr;
        if (permanent->m_hAttribDC == this)
            permanent->m_hAttribDC = nullptr;
    }
    liveDCs().erase(this);
    afx::countObject(countedKind(kind), -1);
}

QRect HDC__::surfaceRect() const
{
    if (device && device->devType() == QInternal::Image)
        return QRect(QPoint(0, 0), afx::logicalSize(*static_cast<const QImage *>(device)));
    if (device)
        return QRect(0, 0, device->width(), device->height());
    if (kind == Kind::Memory && bitmap && !bitmap->image.isNull())
        return bitmap->image.rect(); // the 1 x 1 stock bitmap
    return QRect();
}

qreal HDC__::pixelRatio() const
{
    return device ? device->devicePixelRatio() : ratio;
}

QRegion HDC__::effectiveClip() const
{
    QRegion r = hasSystemClip ? (systemClip & surfaceRect()) : QRegion(surfaceRect());
    if (hasUserClip)
        r &= userClip.translated(surfaceOrigin);
    return r;
}

QPainter *HDC__::ensurePainter()
{
    if (!device)
        return nullptr;
    if (!painter) {
        HDC__ *other = activePainters().value(device);
        if (other && other != this)
            other->endPainter();
        if (device->paintingActive())
            return nullptr; // someone else paints it now
        auto fresh = std::make_unique<QPainter>();
        if (!fresh->begin(device))
            return nullptr;
        painter = std::move(fresh);
        activePainters().insert(device, this);
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        clipDirty = true;
    }
    if (clipDirty) {
        // Clips are in device pixels: set them without the logical translation.
        painter->resetTransform();
        if (hasSystemClip || hasUserClip)
            painter->setClipRegion(effectiveClip());
        else
            painter->setClipping(false);
        clipDirty = false;
        transformDirty = true;
    }
    if (transformDirty) {
        const QPoint off = logicalToPixelOffset();
        painter->setTransform(QTransform::fromTranslate(off.x(), off.y()));
        transformDirty = false;
    }
    return painter.get();
}

void HDC__::endPainter()
{
    if (!painter)
        return;
    painter->end();
    painter.reset();
    const auto it = activePainters().find(device);
    if (it != activePainters().end() && it.value() == this)
        activePainters().erase(it);
}

void HDC__::setDevice(QPaintDevice *pDevice)
{
    endPainter();
    device = pDevice;
    clipDirty = true;
}

HDC__ *afx::dcFromHandle(HDC hDC)
{
    return hDC && liveDCs().count(hDC) ? hDC : nullptr;
}

// ---------------------------------------------------------------------------------------------------------------
// Making and releasing contexts.

HDC CreateCompatibleDC(HDC hDC)
{
    const HDC__ *other = afx::dcFromHandle(hDC);
    if (hDC && !other)
        return nullptr;
    auto *dc = new HDC__(HDC__::Kind::Memory);
    if (other && other->kind != HDC__::Kind::Printer)
        dc->ratio = other->pixelRatio();
    return dc;
}

BOOL DeleteDC(HDC hDC)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc)
        return FALSE;
    delete dc;
    return TRUE;
}

HDC GetDC(HWND hWnd)
{
    if (hWnd)
        return g_windowDCProvider ? g_windowDCProvider(hWnd, false) : nullptr;
    auto *dc = new HDC__(HDC__::Kind::Screen);
    dc->ownSurface = QImage(8, 8, QImage::Format_RGB32);
    dc->ownSurface.fill(Qt::white);
    dc->device = &dc->ownSurface;
    return dc;
}

HDC GetWindowDC(HWND hWnd)
{
    if (hWnd)
        return g_windowDCProvider ? g_windowDCProvider(hWnd, true) : nullptr;
    return GetDC(nullptr);
}

int ReleaseDC(HWND hWnd, HDC hDC)
{
    if (hWnd)
        return g_windowDCReleaser ? g_windowDCReleaser(hWnd, hDC) : 0;
    return DeleteDC(hDC) ? 1 : 0;
}

void AfxSetWindowDCProvider(AfxWindowDCProvider provider, AfxWindowDCReleaser releaser)
{
    g_windowDCProvider = provider;
    g_windowDCReleaser = releaser;
}

HDC AfxCreateDeviceDC(QPaintDevice *pDevice, const QRegion &clipInDeviceCoords, QPoint logicalOrigin)
{
    if (!pDevice)
        return nullptr;
    auto *dc = new HDC__(HDC__::Kind::Device);
    dc->device = pDevice;
    dc->surfaceOrigin = logicalOrigin;
    dc->hasSystemClip = !clipInDeviceCoords.isEmpty();
    dc->systemClip = clipInDeviceCoords;
    return dc;
}

void AfxDeleteDeviceDC(HDC hDC)
{
    DeleteDC(hDC);
}

HDC AfxCreatePrinterDC(QImage *pPage)
{
    if (!pPage || pPage->isNull())
        return nullptr;
    auto *dc = new HDC__(HDC__::Kind::Printer);
    dc->device = pPage;
    return dc;
}

QPainter *AfxGetPainter(HDC hDC)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    return dc ? beginOp(dc, QPainter::CompositionMode_SourceOver) : nullptr;
}

void AfxEndPainting(QPaintDevice *pDevice)
{
    if (HDC__ *dc = activePainters().value(pDevice))
        dc->endPainter();
}

// ---------------------------------------------------------------------------------------------------------------
// Selection and attributes.

HGDIOBJ SelectObject(HDC hDC, HGDIOBJ hObject)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || !afx::isLiveObject(hObject))
        return nullptr;
    switch (hObject->objectType) {
    case OBJ_BITMAP: {
        auto *b = static_cast<HBITMAP>(hObject);
        if (dc->kind != HDC__::Kind::Memory || (b->selectedInto && b->selectedInto != dc))
            return nullptr;
        HBITMAP old = dc->bitmap;
        if (old == b)
            return old;
        if (old)
            old->selectedInto = nullptr;
        select(dc->bitmap, b);
        // The stock bitmap is shared by every fresh context: nothing draws on it.
        if (b != afx::defaultBitmap())
            b->selectedInto = dc;
        dc->setDevice((b == afx::defaultBitmap() || b->image.isNull()) ? nullptr : &b->image);
        return old;
    }
    case OBJ_BRUSH: {
        HBRUSH old = dc->brush;
        select(dc->brush, static_cast<HBRUSH>(hObject));
        return old;
    }
    case OBJ_FONT: {
        HFONT old = dc->font;
        select(dc->font, static_cast<HFONT>(hObject));
        return old;
    }
    case OBJ_REGION:
        return reinterpret_cast<HGDIOBJ>(std::intptr_t(SelectClipRgn(hDC, static_cast<HRGN>(hObject))));
    default:
        return nullptr;
    }
}

HPALETTE SelectPalette(HDC hDC, HPALETTE hPal, BOOL)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || !afx::paletteFromHandle(hPal))
        return nullptr;
    HPALETTE old = dc->palette;
    select(dc->palette, hPal);
    return old;
}

UINT RealizePalette(HDC hDC)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    const HPALETTE__ *pal = dc ? afx::paletteFromHandle(dc->palette) : nullptr;
    return pal ? UINT(pal->entries.size()) : 0;
}

int SetBkMode(HDC hDC, int nMode)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || (nMode != TRANSPARENT && nMode != OPAQUE))
        return 0;
    return std::exchange(dc->bkMode, nMode);
}
COLORREF SetBkColor(HDC hDC, COLORREF color)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    return dc ? std::exchange(dc->bkColor, color & 0x00FFFFFF) : 0xFFFFFFFF;
}
COLORREF GetBkColor(HDC hDC)
{
    const HDC__ *dc = afx::dcFromHandle(hDC);
    return dc ? dc->bkColor : 0xFFFFFFFF;
}
COLORREF SetTextColor(HDC hDC, COLORREF color)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    return dc ? std::exchange(dc->textColor, color & 0x00FFFFFF) : 0xFFFFFFFF;
}
COLORREF GetTextColor(HDC hDC)
{
    const HDC__ *dc = afx::dcFromHandle(hDC);
    return dc ? dc->textColor : 0xFFFFFFFF;
}
int SetMapMode(HDC hDC, int nMode)
{
    return afx::dcFromHandle(hDC) && nMode == MM_TEXT ? MM_TEXT : 0;
}
int GetMapMode(HDC hDC)
{
    return afx::dcFromHandle(hDC) ? MM_TEXT : 0;
}

BOOL SetWindowOrgEx(HDC hDC, int x, int y, LPPOINT pOld)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc)
        return FALSE;
    if (pOld)
        *pOld = CPoint(dc->windowOrg);
    dc->windowOrg = QPoint(x, y);
    dc->transformDirty = true;
    return TRUE;
}
BOOL SetViewportOrgEx(HDC hDC, int x, int y, LPPOINT pOld)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc)
        return FALSE;
    if (pOld)
        *pOld = CPoint(dc->viewportOrg);
    dc->viewportOrg = QPoint(x, y);
    dc->transformDirty = true;
    return TRUE;
}
BOOL LPtoDP(HDC hDC, LPPOINT pPoints, int nCount)
{
    const HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || (!pPoints && nCount > 0))
        return FALSE;
    for (int i = 0; i < nCount; ++i)
        pPoints[i] = CPoint(dc->logicalToDevice(QPoint(pPoints[i].x, pPoints[i].y)));
    return TRUE;
}
BOOL DPtoLP(HDC hDC, LPPOINT pPoints, int nCount)
{
    const HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || (!pPoints && nCount > 0))
        return FALSE;
    for (int i = 0; i < nCount; ++i)
        pPoints[i] = CPoint(dc->deviceToLogical(QPoint(pPoints[i].x, pPoints[i].y)));
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------------
// Clipping.

int GetClipBox(HDC hDC, LPRECT pRect)
{
    const HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || !pRect)
        return ERROR;
    const QRegion clip = dc->effectiveClip();
    if (clip.isEmpty()) {
        *pRect = CRect();
        return NULLREGION;
    }
    const QRect box = clip.boundingRect().translated(-dc->surfaceOrigin + dc->windowOrg - dc->viewportOrg);
    *pRect = CRect(box);
    return regionType(clip);
}

int SelectClipRgn(HDC hDC, HRGN hRgn)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc)
        return ERROR;
    if (hRgn) {
        const HRGN__ *r = afx::regionFromHandle(hRgn);
        if (!r)
            return ERROR;
        dc->userClip = r->region;
        dc->hasUserClip = true;
    } else {
        dc->userClip = QRegion();
        dc->hasUserClip = false;
    }
    dc->clipDirty = true;
    return regionType(dc->effectiveClip());
}

// ---------------------------------------------------------------------------------------------------------------
// Fills and block transfers.

BOOL PatBlt(HDC hDC, int x, int y, int nWidth, int nHeight, DWORD dwRop)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || !isPatternRop(dwRop))
        return FALSE;
    const QRect r = orderedRect(x, y, x + nWidth, y + nHeight);
    if (r.isEmpty())
        return TRUE;
    QPainter *p = beginOp(dc, QPainter::CompositionMode_Source);
    if (!p)
        return TRUE;
    switch (dwRop) {
    case PATCOPY:
        fillWithBrush(dc, p, r, afx::brushFromHandle(dc->brush));
        break;
    case PATINVERT:
        if (const HBRUSH__ *b = afx::brushFromHandle(dc->brush); b && b->style != BS_NULL) {
            p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p->fillRect(r, afx::qbrush(b));
        }
        break;
    case DSTINVERT:
        p->setCompositionMode(QPainter::RasterOp_NotDestination);
        p->fillRect(r, Qt::black);
        break;
    case BLACKNESS:
        p->fillRect(r, Qt::black);
        break;
    default:
        p->fillRect(r, Qt::white);
        break; // WHITENESS
    }
    return TRUE;
}

namespace {

// A plain-density source (a texture) enlarged once by nearest neighbour for a surface of integer density, so
// that tiling it is a one-to-one copy instead of a scaled drawing per tile. A few small images are kept, known by
// Qt's cache key, which changes whenever the image is drawn on.
const QImage *denseCopy(const QImage &source, int factor)
{
    struct Entry {
        qint64 key;
        int factor;
        QImage image;
    };
    constexpr qint64 kLargest = 512 * 512;
    if (qint64(source.width()) * source.height() > kLargest)
        return nullptr;
    static auto *cache = new std::vector<Entry>; // never destroyed, like the other registries
    for (const Entry &e : *cache)
        if (e.key == source.cacheKey() && e.factor == factor)
            return &e.image;
    QImage big = afx::scaleNearest(source, source.width() * factor, source.height() * factor);
    if (big.isNull())
        return nullptr;
    big.setDevicePixelRatio(factor);
    if (cache->size() >= 8)
        cache->erase(cache->begin());
    cache->push_back(Entry{source.cacheKey(), factor, std::move(big)});
    return &cache->back().image;
}

} // namespace

BOOL BitBlt(HDC hDest, int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc, DWORD dwRop)
{
    if (isPatternRop(dwRop))
        return PatBlt(hDest, x, y, nWidth, nHeight, dwRop);
    HDC__ *dst = afx::dcFromHandle(hDest);
    HDC__ *src = afx::dcFromHandle(hSrc);
    QPainter::CompositionMode mode;
    if (!dst || !src || !compositionFor(dwRop, &mode))
        return FALSE;
    if (nWidth <= 0 || nHeight <= 0)
        return TRUE;
    const QImage *srcImage = readableImage(src);
    if (!srcImage)
        return src->kind == HDC__::Kind::Memory; // a fresh memory context has nothing to give
    const QPoint srcPixel = QPoint(xSrc, ySrc) + src->logicalToPixelOffset();
    const QRect srcRect = QRect(srcPixel, QSize(nWidth, nHeight)) & src->surfaceRect();
    if (srcRect.isEmpty())
        return TRUE;
    const QPoint destPoint = QPoint(x, y) + (srcRect.topLeft() - srcPixel);
    // Reading a surface another context paints: let that painter go first.
    if (src != dst)
        src->endPainter();
    QPainter *p = beginOp(dst, mode);
    if (!p)
        return TRUE;
    const qreal srcRatio = srcImage->devicePixelRatio();
    if (srcRatio != 1.0 || dst->pixelRatio() != 1.0) {
        // Logical rectangles on both sides; the painter maps them to the device pixels of each surface.
        const QRectF from(srcRect.x() * srcRatio, srcRect.y() * srcRatio, srcRect.width() * srcRatio,
                          srcRect.height() * srcRatio);
        const QRectF to(destPoint, srcRect.size());
        const qreal dr = dst->pixelRatio();
        const int factor = int(dr);
        if (static_cast<const QPaintDevice *>(srcImage) == dst->device) {
            p->drawImage(to, srcImage->copy(from.toAlignedRect()));
        } else if (const QImage *big =
                       (srcRatio == 1.0 && dr == factor && factor > 1) ? denseCopy(*srcImage, factor) : nullptr) {
            p->drawImage(to, *big,
                         QRectF(from.x() * factor, from.y() * factor, from.width() * factor, from.height() * factor));
        } else {
            p->drawImage(to, *srcImage, from);
        }
        return TRUE;
    }
    if (static_cast<const QPaintDevice *>(srcImage) == dst->device) {
        // Copying within one surface: take the source out first, the areas may overlap.
        const QImage part = srcImage->copy(srcRect);
        p->drawImage(destPoint, part);
    } else {
        p->drawImage(destPoint, *srcImage, srcRect);
    }
    return TRUE;
}

namespace {

// StretchBlt between surfaces of any density: the same nearest-neighbour rule, taken in device pixels of both
// surfaces, so a stretched picture gets the destination's full resolution. dest is in logical units of the
// destination context, source in logical pixels of the source surface; both are ordered.
BOOL stretchDense(HDC__ *dst, HDC__ *src, const QImage &srcImage, QPainter::CompositionMode mode, QRect dest,
                  QRect source, bool flipX, bool flipY)
{
    const qreal dr = dst->pixelRatio(), sr = srcImage.devicePixelRatio();
    const QPoint destOffset = dst->logicalToPixelOffset();
    dest.translate(destOffset);
    auto span = [](int from, int length, qreal r) {
        const qint64 a = qRound64(from * r), b = qRound64((qint64(from) + length) * r);
        return std::make_pair(a, b - a);
    };
    const auto [dx, dw] = span(dest.x(), dest.width(), dr);
    const auto [dy, dh] = span(dest.y(), dest.height(), dr);
    const auto [sx, sw] = span(source.x(), source.width(), sr);
    const auto [sy, sh] = span(source.y(), source.height(), sr);
    const QRect visible = dst->effectiveClip().boundingRect() & dest;
    if (visible.isEmpty() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return TRUE;
    const qint64 vx0 = std::max<qint64>(dx, qint64(std::floor(visible.left() * dr)));
    const qint64 vx1 = std::min<qint64>(dx + dw, qint64(std::ceil((visible.right() + 1) * dr)));
    const qint64 vy0 = std::max<qint64>(dy, qint64(std::floor(visible.top() * dr)));
    const qint64 vy1 = std::min<qint64>(dy + dh, qint64(std::ceil((visible.bottom() + 1) * dr)));
    if (vx1 <= vx0 || vy1 <= vy0)
        return TRUE;
    auto sample = [](qint64 i, qint64 n, qint64 srcN, qint64 srcStart, int limit, bool flip) {
        const qint64 k = flip ? n - 1 - i : i;
        const qint64 s = srcStart + ((2 * k + 1) * srcN) / (2 * n);
        return (s >= 0 && s < limit) ? int(s) : -1;
    };
    std::vector<int> cols, rows;
    qint64 i0 = -1, i1 = -1, j0 = -1, j1 = -1;
    for (qint64 i = vx0; i < vx1; ++i) {
        cols.push_back(sample(i - dx, dw, sw, sx, srcImage.width(), flipX));
        if (cols.back() >= 0) {
            i0 = i0 < 0 ? i : i0;
            i1 = i;
        }
    }
    for (qint64 j = vy0; j < vy1; ++j) {
        rows.push_back(sample(j - dy, dh, sh, sy, srcImage.height(), flipY));
        if (rows.back() >= 0) {
            j0 = j0 < 0 ? j : j0;
            j1 = j;
        }
    }
    if (i0 < 0 || j0 < 0)
        return TRUE;
    const QImage from = srcImage.depth() == 32 ? srcImage : srcImage.convertToFormat(QImage::Format_RGB32);
    QImage scaled(int(i1 - i0 + 1), int(j1 - j0 + 1), from.format());
    if (scaled.isNull())
        return FALSE;
    for (qint64 j = j0; j <= j1; ++j) {
        const auto *line = reinterpret_cast<const QRgb *>(from.constScanLine(rows[size_t(j - vy0)]));
        auto *out = reinterpret_cast<QRgb *>(scaled.scanLine(int(j - j0)));
        for (qint64 i = i0; i <= i1; ++i)
            out[i - i0] = line[cols[size_t(i - vx0)]];
    }
    scaled.setDevicePixelRatio(dr);
    if (src != dst)
        src->endPainter();
    if (QPainter *p = beginOp(dst, mode))
        p->drawImage(QPointF(qreal(i0) / dr - destOffset.x(), qreal(j0) / dr - destOffset.y()), scaled);
    return TRUE;
}

} // namespace

BOOL StretchBlt(HDC hDest, int x, int y, int nWidth, int nHeight, HDC hSrc, int xSrc, int ySrc, int nSrcWidth,
                int nSrcHeight, DWORD dwRop)
{
    if (nWidth == nSrcWidth && nHeight == nSrcHeight && nWidth > 0 && nHeight > 0)
        return BitBlt(hDest, x, y, nWidth, nHeight, hSrc, xSrc, ySrc, dwRop);
    if (isPatternRop(dwRop))
        return PatBlt(hDest, x, y, nWidth, nHeight, dwRop);
    HDC__ *dst = afx::dcFromHandle(hDest);
    HDC__ *src = afx::dcFromHandle(hSrc);
    QPainter::CompositionMode mode;
    if (!dst || !src || !compositionFor(dwRop, &mode))
        return FALSE;
    if (nWidth == 0 || nHeight == 0 || nSrcWidth == 0 || nSrcHeight == 0)
        return TRUE;
    const QImage *srcImage = readableImage(src);
    if (!srcImage)
        return src->kind == HDC__::Kind::Memory;
    // Opposite signs mirror; put both rectangles in order and remember the flips.
    const bool flipX = (nWidth < 0) != (nSrcWidth < 0);
    const bool flipY = (nHeight < 0) != (nSrcHeight < 0);
    if (nWidth < 0) {
        x += nWidth;
        nWidth = -nWidth;
    }
    if (nHeight < 0) {
        y += nHeight;
        nHeight = -nHeight;
    }
    if (nSrcWidth < 0) {
        xSrc += nSrcWidth;
        nSrcWidth = -nSrcWidth;
    }
    if (nSrcHeight < 0) {
        ySrc += nSrcHeight;
        nSrcHeight = -nSrcHeight;
    }
    const QPoint srcOrigin = QPoint(xSrc, ySrc) + src->logicalToPixelOffset();
    if (srcImage->devicePixelRatio() != 1.0 || dst->pixelRatio() != 1.0)
        return stretchDense(dst, src, *srcImage, mode, QRect(x, y, nWidth, nHeight),
                            QRect(srcOrigin, QSize(nSrcWidth, nSrcHeight)), flipX, flipY);

    // Only destination pixels inside the clip are worth computing.
    const QPoint destOffset = dst->logicalToPixelOffset();
    const QRect visible = dst->effectiveClip().boundingRect().translated(-destOffset) & QRect(x, y, nWidth, nHeight);
    if (visible.isEmpty())
        return TRUE;
    // Source column or row of destination index i, or -1 outside the source surface.
    auto sample = [](int i, int n, int srcN, int srcStart, int limit, bool flip) {
        const int k = flip ? n - 1 - i : i;
        const int s = srcStart + int((qint64(2 * k + 1) * srcN) / (2 * qint64(n)));
        return (s >= 0 && s < limit) ? s : -1;
    };
    std::vector<int> cols, rows;
    int i0 = INT_MAX, i1 = -1, j0 = INT_MAX, j1 = -1;
    for (int i = visible.left() - x; i <= visible.right() - x; ++i) {
        const int s = sample(i, nWidth, nSrcWidth, srcOrigin.x(), srcImage->width(), flipX);
        cols.push_back(s);
        if (s >= 0) {
            i0 = std::min(i0, i);
            i1 = std::max(i1, i);
        }
    }
    for (int j = visible.top() - y; j <= visible.bottom() - y; ++j) {
        const int s = sample(j, nHeight, nSrcHeight, srcOrigin.y(), srcImage->height(), flipY);
        rows.push_back(s);
        if (s >= 0) {
            j0 = std::min(j0, j);
            j1 = std::max(j1, j);
        }
    }
    if (i1 < 0 || j1 < 0)
        return TRUE;
    const QImage source = srcImage->depth() == 32 ? *srcImage : srcImage->convertToFormat(QImage::Format_RGB32);
    QImage scaled(i1 - i0 + 1, j1 - j0 + 1, source.format());
    if (scaled.isNull())
        return FALSE;
    const int firstI = visible.left() - x, firstJ = visible.top() - y;
    for (int j = j0; j <= j1; ++j) {
        const auto *s = reinterpret_cast<const QRgb *>(source.constScanLine(rows[size_t(j - firstJ)]));
        auto *d = reinterpret_cast<QRgb *>(scaled.scanLine(j - j0));
        for (int i = i0; i <= i1; ++i)
            d[i - i0] = s[cols[size_t(i - firstI)]];
    }
    if (src != dst)
        src->endPainter();
    if (QPainter *p = beginOp(dst, mode))
        p->drawImage(QPoint(x + i0, y + j0), scaled);
    return TRUE;
}

int FillRect(HDC hDC, const RECT *pRect, HBRUSH hBrush)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    HBRUSH__ scratch;
    const HBRUSH__ *brush = brushOrSysColor(hBrush, &scratch);
    if (!dc || !pRect || !brush)
        return 0;
    const QRect r(pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top);
    if (r.isEmpty())
        return 1;
    if (QPainter *p = dc->ensurePainter())
        fillWithBrush(dc, p, r, brush);
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Text.

int DrawText(HDC hDC, LPCTSTR pText, int nCount, LPRECT pRect, UINT uFormat)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || !pRect)
        return 0;
    return drawTextImpl(dc, textOf(pText, nCount), pRect, uFormat);
}

BOOL ExtTextOut(HDC hDC, int x, int y, UINT uOptions, const RECT *pRect, LPCTSTR pText, UINT nCount, const int *)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc)
        return FALSE;
    QPainter *p = dc->ensurePainter();
    if (!p)
        return TRUE;
    QRect box;
    if (pRect)
        box = orderedRect(pRect->left, pRect->top, pRect->right, pRect->bottom);
    if ((uOptions & ETO_OPAQUE) && !box.isEmpty()) {
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->fillRect(box, AfxQColor(dc->bkColor));
    }
    const QString text = textOf(pText, int(nCount));
    if (text.isEmpty())
        return TRUE;
    const QFont font = dcFont(dc);
    const bool clip = (uOptions & ETO_CLIPPED) && pRect;
    if (clip) {
        p->save();
        p->setClipRect(box, Qt::IntersectClip);
    }
    paintTextLine(dc, p, font, QFontMetrics(font), x, y, text);
    if (clip)
        p->restore();
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------------
// Icons and frames.

BOOL DrawIconEx(HDC hDC, int x, int y, HICON hIcon, int cx, int cy, UINT, HBRUSH hbrFlickerFreeDraw, UINT diFlags)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    const HICON__ *icon = afx::iconFromHandle(hIcon);
    if (!dc || !icon)
        return FALSE;
    if (cx == 0)
        cx = (diFlags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : icon->image.width();
    if (cy == 0)
        cy = (diFlags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : icon->image.height();
    if (cx <= 0 || cy <= 0)
        return FALSE;
    QPainter *p = dc->ensurePainter();
    if (!p)
        return TRUE;
    if (hbrFlickerFreeDraw)
        fillWithBrush(dc, p, QRect(x, y, cx, cy), afx::brushFromHandle(hbrFlickerFreeDraw));
    const qreal ratio = dc->pixelRatio();
    if ((diFlags & DI_NORMAL) == DI_NORMAL) {
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        p->drawImage(QPoint(x, y), afx::imageForDensity(icon->image, icon->hires, cx, cy, ratio));
    } else if (diFlags & DI_IMAGE) {
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->drawImage(QPoint(x, y), afx::imageForDensity(icon->color, QImage(), cx, cy, ratio));
    } else if (diFlags & DI_MASK) {
        p->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p->drawImage(QPoint(x, y), afx::imageForDensity(icon->mask, QImage(), cx, cy, ratio));
    }
    return TRUE;
}

BOOL DrawEdge(HDC hDC, LPRECT pRect, UINT edge, UINT grfFlags)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || !pRect)
        return FALSE;
    QRect r(pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top);
    if (QPainter *p = beginOp(dc, QPainter::CompositionMode_Source)) {
        const bool soft = (grfFlags & BF_SOFT) != 0;
        const UINT sides = grfFlags & BF_RECT;
        QRect inner = r;
        if (grfFlags & BF_MONO) {
            edgeRing(p, inner, sides, GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME));
        } else if (grfFlags & BF_FLAT) {
            edgeRing(p, inner, sides, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
            if (edge & 0x0C)
                edgeRing(p, inner, sides, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
        } else {
            if (edge & BDR_RAISEDOUTER)
                edgeRing(p, inner, sides, GetSysColor(soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT),
                         GetSysColor(COLOR_3DDKSHADOW));
            else if (edge & BDR_SUNKENOUTER)
                edgeRing(p, inner, sides, GetSysColor(soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW),
                         GetSysColor(COLOR_BTNHIGHLIGHT));
            if (edge & BDR_RAISEDINNER)
                edgeRing(p, inner, sides, GetSysColor(soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT),
                         GetSysColor(COLOR_BTNSHADOW));
            else if (edge & BDR_SUNKENINNER)
                edgeRing(p, inner, sides, GetSysColor(soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW),
                         GetSysColor(COLOR_3DLIGHT));
        }
        if ((grfFlags & BF_MIDDLE) && !inner.isEmpty())
            p->fillRect(inner, AfxQColor(GetSysColor(COLOR_BTNFACE)));
        r = inner;
    }
    if (grfFlags & BF_ADJUST)
        *pRect = CRect(r);
    return TRUE;
}

BOOL DrawFrameControl(HDC hDC, LPRECT pRect, UINT uType, UINT uState)
{
    HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc || !pRect || (uType != DFC_CAPTION && uType != DFC_BUTTON))
        return FALSE;
    const bool pushed = (uState & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
    RECT inner = *pRect;
    DrawEdge(hDC, &inner, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT | BF_ADJUST);
    if (uType != DFC_CAPTION)
        return TRUE;
    QPainter *p = beginOp(dc, QPainter::CompositionMode_Source);
    if (!p)
        return TRUE;
    QRect g(inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top);
    if (g.isEmpty())
        return TRUE;
    if (pushed)
        g.translate(1, 1);
    const UINT kind = uState & 0x00FF;
    const QColor face = AfxQColor(GetSysColor(COLOR_BTNFACE));
    p->save();
    p->setClipRect(QRect(inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top), Qt::IntersectClip);
    if (uState & DFCS_INACTIVE) {
        // Disabled glyphs are grey with a white shadow below and to the right.
        captionGlyph(p, g.translated(1, 1), kind, AfxQColor(GetSysColor(COLOR_BTNHIGHLIGHT)), face);
        captionGlyph(p, g, kind, AfxQColor(GetSysColor(COLOR_BTNSHADOW)), face);
    } else {
        captionGlyph(p, g, kind, AfxQColor(GetSysColor(COLOR_BTNTEXT)), face);
    }
    p->restore();
    return TRUE;
}

int GetDeviceCaps(HDC hDC, int nIndex)
{
    const HDC__ *dc = afx::dcFromHandle(hDC);
    if (!dc)
        return 0;
    const bool screen = dc->kind == HDC__::Kind::Screen;
    const QRect surface = dc->surfaceRect();
    switch (nIndex) {
    case TECHNOLOGY:
        return dc->kind == HDC__::Kind::Printer ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZRES:
        return screen ? GetSystemMetrics(SM_CXSCREEN) : surface.width();
    case VERTRES:
        return screen ? GetSystemMetrics(SM_CYSCREEN) : surface.height();
    case HORZSIZE:
        return MulDiv(GetDeviceCaps(hDC, HORZRES), 254, 960);
    case VERTSIZE:
        return MulDiv(GetDeviceCaps(hDC, VERTRES), 254, 960);
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case SIZEPALETTE:
        return 0;
    case NUMRESERVED:
        return 20;
    case COLORRES:
        return 24;
    default:
        return 0;
    }
}
