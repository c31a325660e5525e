// Resource lookup over the Qt resource system, and the reader of icon files.
#include "Resources.h"
#include "GdiImpl.h"

#include <QFile>
#include <QHash>

#include <cstring>
#include <map>

struct HRSRC__ {
    quint32 magic = 0x52535243; // tells a resource record from a stray pointer
    QByteArray data;            // what LockResource hands out; never changed after lookup
};

namespace {

struct ResourceKey {
    QString name;
    std::uintptr_t type;
    bool operator<(const ResourceKey &o) const { return type != o.type ? type < o.type : name < o.name; }
};

// Found resources stay for the life of the process, so locked pointers stay valid.
std::map<ResourceKey, HRSRC__ *> &resources()
{
    // Never destroyed: objects ending during static destruction still reach it.
    static auto *map = new std::map<ResourceKey, HRSRC__ *>;
    return *map;
}

char g_instance;

QString nameOf(LPCTSTR lpName)
{
    if (IS_INTRESOURCE(lpName))
        return QString::number(reinterpret_cast<std::uintptr_t>(lpName));
    qsizetype n = 0;
    while (!lpName[n].isNull())
        ++n;
    return QString(lpName, n);
}

HRSRC__ *recordOf(const void *p)
{
    for (const auto &entry : resources())
        if (entry.second == p)
            return entry.second;
    return nullptr;
}

template <class T> T readLE(const QByteArray &bytes, qsizetype offset)
{
    T v{};
    std::memcpy(&v, bytes.constData() + offset, sizeof v);
    return v;
}

// One image of an icon file: a BITMAPINFOHEADER with doubled height, colour table, XOR bits, AND mask; or PNG.
HICON iconFromEntry(const QByteArray &image)
{
    if (image.startsWith("\x89PNG")) {
        const QImage png = QImage::fromData(image, "PNG");
        return png.isNull() ? nullptr : AfxIconFromImage(png);
    }
    if (image.size() < qsizetype(sizeof(BITMAPINFOHEADER)))
        return nullptr;
    BITMAPINFOHEADER h;
    std::memcpy(&h, image.constData(), sizeof h);
    if (h.biSize < sizeof h || h.biSize > DWORD(image.size()) || h.biWidth <= 0 || h.biWidth > 1024 ||
        h.biHeight <= 0 || h.biHeight > 2048)
        return nullptr;
    const int w = h.biWidth, ht = h.biHeight / 2;
    if (ht <= 0)
        return nullptr;
    const int bpp = h.biBitCount;
    const int nColors = bpp <= 8 ? (h.biClrUsed ? int(std::min<DWORD>(h.biClrUsed, 256)) : 1 << bpp) : 0;
    const qsizetype tableOffset = h.biSize;
    const qsizetype xorOffset = tableOffset + 4 * qsizetype(nColors);
    const qsizetype xorStride = ((qsizetype(w) * bpp + 31) / 32) * 4;
    const qsizetype andOffset = xorOffset + xorStride * ht;
    const qsizetype andStride = ((qsizetype(w) + 31) / 32) * 4;
    if (xorOffset > image.size())
        return nullptr;
    BITMAPINFOHEADER colorHeader = h;
    colorHeader.biHeight = ht;
    colorHeader.biSizeImage = 0;
    std::vector<RGBQUAD> table(static_cast<size_t>(nColors));
    const QByteArray tableBytes = image.mid(tableOffset, 4 * qsizetype(nColors));
    if (tableBytes.size() != 4 * qsizetype(nColors))
        return nullptr;
    if (nColors)
        std::memcpy(table.data(), tableBytes.constData(), size_t(tableBytes.size()));
    QImage color = AfxImageFromDib(&colorHeader, table.empty() ? nullptr : table.data(), nColors,
                                   image.constData() + xorOffset, image.size() - xorOffset);
    if (color.isNull())
        return nullptr;
    if (bpp == 32) {
        // 32-bit entries may carry alpha in the fourth byte.
        QImage argb(w, ht, QImage::Format_ARGB32);
        for (int y = 0; y < ht; ++y) {
            const char *src = image.constData() + xorOffset + xorStride * (ht - 1 - y);
            std::memcpy(argb.scanLine(y), src, size_t(w) * 4);
        }
        color = argb;
    }
    QImage mask;
    if (andOffset + andStride * ht <= image.size()) {
        mask = QImage(w, ht, QImage::Format_RGB32);
        for (int y = 0; y < ht; ++y) {
            const auto *src = reinterpret_cast<const uchar *>(image.constData() + andOffset + andStride * (ht - 1 - y));
            auto *dst = reinterpret_cast<QRgb *>(mask.scanLine(y));
            for (int x = 0; x < w; ++x)
                dst[x] = ((src[x >> 3] >> (7 - (x & 7))) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    return afx::createIcon(color, mask);
}

} // namespace

HINSTANCE AfxGetInstanceHandle()
{
    return &g_instance;
}

HRSRC FindResource(HINSTANCE, LPCTSTR lpName, LPCTSTR lpType)
{
    if (!lpName || !lpType || !IS_INTRESOURCE(lpType))
        return nullptr;
    const auto type = reinterpret_cast<std::uintptr_t>(lpType);
    const char *folder = type == reinterpret_cast<std::uintptr_t>(RT_BITMAP) ? "bitmap"
                         : type == reinterpret_cast<std::uintptr_t>(RT_ICON) ? "icon"
                                                                             : nullptr;
    if (!folder)
        return nullptr;
    const ResourceKey key{nameOf(lpName), type};
    auto &map = resources();
    if (const auto it = map.find(key); it != map.end())
        return it->second;
    QFile file(QStringLiteral(":/resources/%1/%2").arg(QLatin1String(folder), key.name));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    QByteArray content = file.readAll();
    if (type == reinterpret_cast<std::uintptr_t>(RT_BITMAP)) {
        // The packed bitmap follows the 14-byte file header; a copy of it starts on an aligned address.
        if (content.size() <= 14 || !content.startsWith("BM"))
            return nullptr;
        content = QByteArray(content.constData() + 14, content.size() - 14);
    }
    auto *record = new HRSRC__;
    record->data = content;
    map.emplace(key, record);
    return record;
}

HRSRC FindResource(HINSTANCE hModule, int nID, LPCTSTR lpType)
{
    // A number beyond 16 bits names no resource (a board file may carry any number).
    return (nID < 0 || nID > 0xFFFF) ? nullptr : FindResource(hModule, MAKEINTRESOURCE(std::uintptr_t(nID)), lpType);
}

HGLOBAL LoadResource(HINSTANCE, HRSRC hResInfo)
{
    return recordOf(hResInfo);
}

void *LockResource(HGLOBAL hResData)
{
    HRSRC__ *record = recordOf(hResData);
    return record ? record->data.data() : nullptr;
}

DWORD SizeofResource(HINSTANCE, HRSRC hResInfo)
{
    const HRSRC__ *record = recordOf(hResInfo);
    return record ? DWORD(record->data.size()) : 0;
}

namespace {
// Art at twice the size from an icon file's entry of that size, when it has one: drawn on surfaces of higher
// density.
void attachHires(HICON hIcon, const QByteArray &ico, int cx, int cy)
{
    HICON__ *icon = afx::iconFromHandle(hIcon);
    if (!icon || !icon->hires.isNull() || cx <= 0 || cy <= 0 || cx > 512 || cy > 512 || ico.size() < 6 ||
        readLE<WORD>(ico, 0) != 0 || readLE<WORD>(ico, 2) != 1)
        return;
    const int count = readLE<WORD>(ico, 4);
    if (6 + 16 * qsizetype(count) > ico.size())
        return;
    for (int i = 0; i < count; ++i) {
        const qsizetype h = 6 + 16 * qsizetype(i);
        const int w = uchar(ico[h]) ? uchar(ico[h]) : 256;
        const int ht = uchar(ico[h + 1]) ? uchar(ico[h + 1]) : 256;
        const DWORD size = readLE<DWORD>(ico, h + 8);
        const DWORD offset = readLE<DWORD>(ico, h + 12);
        if (w != 2 * cx || ht != 2 * cy || offset >= DWORD(ico.size()) || size > DWORD(ico.size()) - offset)
            continue;
        if (HICON big = iconFromEntry(ico.mid(offset, size))) {
            if (AfxIconSize(big) == QSize(2 * cx, 2 * cy))
                icon->hires = AfxIconImage(big);
            DestroyIcon(big);
        }
        return;
    }
}
} // namespace

HICON AfxIconFromIcoData(const QByteArray &ico, int cx, int cy)
{
    if (ico.size() < 6 || readLE<WORD>(ico, 0) != 0 || readLE<WORD>(ico, 2) != 1)
        return nullptr;
    const int count = readLE<WORD>(ico, 4);
    if (count == 0 || 6 + 16 * qsizetype(count) > ico.size())
        return nullptr;
    // The entry of the requested size with the most colours; else the nearest size, larger ones first.
    int best = -1;
    qint64 bestScore = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype e = 6 + 16 * qsizetype(i);
        const int w = uchar(ico[e]) ? uchar(ico[e]) : 256;
        const int h = uchar(ico[e + 1]) ? uchar(ico[e + 1]) : 256;
        const int bpp = readLE<WORD>(ico, e + 6);
        const DWORD size = readLE<DWORD>(ico, e + 8);
        const DWORD offset = readLE<DWORD>(ico, e + 12);
        if (offset >= DWORD(ico.size()) || size > DWORD(ico.size()) - offset)
            continue;
        const qint64 distance = qint64(std::abs(w - cx)) + std::abs(h - cy);
        const qint64 score = -distance * 4096 + (w >= cx ? 2048 : 0) + bpp;
        if (best < 0 || score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    if (best < 0)
        return nullptr;
    const qsizetype e = 6 + 16 * qsizetype(best);
    const QByteArray image = ico.mid(readLE<DWORD>(ico, e + 12), readLE<DWORD>(ico, e + 8));
    HICON icon = iconFromEntry(image);
    if (icon && cx > 0 && cy > 0 && AfxIconSize(icon) != QSize(cx, cy)) {
        HICON scaled = afx::copyIconScaled(icon, cx, cy);
        DestroyIcon(icon);
        icon = scaled;
    }
    attachHires(icon, ico, cx, cy);
    return icon;
}

HICON AfxLoadIconResource(UINT nID, int cx, int cy)
{
    HRSRC res = FindResource(AfxGetInstanceHandle(), int(nID), RT_ICON);
    HICON icon = res ? AfxIconFromIcoData(res->data, cx, cy) : nullptr;
    if (icon && cx > 0 && cy > 0) {
        QFile hires(QStringLiteral(":/resources/icon/%1@2x").arg(nID));
        if (hires.open(QIODevice::ReadOnly))
            attachHires(icon, hires.readAll(), cx, cy);
    }
    return icon;
}
