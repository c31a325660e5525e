#include "Texture.h"

#include "platform/Memory.h"
#include "platform/Resources.h"

#include <cstdlib>
#include <cstring>

CTexturePair::CTexturePair(HBITMAP hBitmap, HPALETTE hPalette)
{
    if (hBitmap || hPalette)
        m_pObjects = std::make_shared<const Objects>(hBitmap, hPalette);
}

CTexturePair::Objects::~Objects()
{
    if (hBitmap)
        DeleteObject(hBitmap);
    if (hPalette)
        DeleteObject(hPalette);
}

BOOL LoadTextureResource(UINT nResourceID, CTexturePair &texture, int &nWidth, int &nHeight)
{
    HBITMAP hBitmap = nullptr;
    HPALETTE hPalette = nullptr;
    const BOOL bLoaded = LoadTextureResource(nResourceID, hBitmap, hPalette, nWidth, nHeight);
    // The old pair is let go of after the new one is made, so that the new objects never take the handles of
    // ones just deleted. A failed load leaves no texture.
    texture = CTexturePair(hBitmap, hPalette);
    return bLoaded;
}

BOOL LoadTextureResource(UINT nResourceID, HBITMAP &hTexture, HPALETTE &hPalette, int &nWidth, int &nHeight)
{
    // The old pair goes before the lookup, so a failed load leaves no texture.
    if (hTexture) {
        DeleteObject(hTexture);
        hTexture = nullptr;
    }
    if (hPalette) {
        DeleteObject(hPalette);
        hPalette = nullptr;
    }

    HINSTANCE hInstance = AfxGetInstanceHandle();
    HRSRC hResource = FindResource(hInstance, nResourceID, RT_BITMAP);
    if (!hResource)
        return FALSE;
    HGLOBAL hGlobal = LoadResource(hInstance, hResource);
    const auto *pHeader = static_cast<const BITMAPINFOHEADER *>(LockResource(hGlobal));
    if (!pHeader)
        return FALSE;

    int nColors = int(pHeader->biClrUsed & 0xFFFF);
    if (nColors == 0)
        nColors = 256;
    // A board file may name any bitmap: refuse one whose table and pixels would reach past its data.
    const qint64 stride = ((qint64(pHeader->biWidth) * pHeader->biBitCount + 31) / 32) * 4;
    const qint64 needed = 40 + 4 * qint64(nColors) + stride * std::abs(qint64(pHeader->biHeight));
    if (pHeader->biSize != 40 || pHeader->biWidth <= 0 || stride <= 0 ||
        qint64(SizeofResource(hInstance, hResource)) < needed)
        return FALSE;

    const auto *pColorTable =
        reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const BYTE *>(pHeader) + pHeader->biSize);
    auto *pLogPalette = static_cast<LOGPALETTE *>(LocalAlloc(LMEM_FIXED, 8 + 4 * nColors));
    if (!pLogPalette)
        return FALSE;
    pLogPalette->palVersion = 0x300;
    pLogPalette->palNumEntries = WORD(nColors);
    for (int i = 0; i < nColors; ++i) {
        pLogPalette->palPalEntry[i].peRed = pColorTable[i].rgbRed;
        pLogPalette->palPalEntry[i].peGreen = pColorTable[i].rgbGreen;
        pLogPalette->palPalEntry[i].peBlue = pColorTable[i].rgbBlue;
        pLogPalette->palPalEntry[i].peFlags = 0;
    }
    hPalette = CreatePalette(pLogPalette);
    LocalFree(pLogPalette);

    HDC hScreen = GetDC(nullptr);
    HPALETTE hOldPalette = SelectPalette(hScreen, hPalette, FALSE);
    RealizePalette(hScreen);

    const BYTE *pBits = reinterpret_cast<const BYTE *>(pHeader) + 40 + 4 * nColors;
    hTexture = CreateDIBitmap(hScreen, pHeader, CBM_INIT, pBits, reinterpret_cast<const BITMAPINFO *>(pHeader),
                              DIB_RGB_COLORS);
    nWidth = pHeader->biWidth;
    nHeight = pHeader->biHeight;

    SelectPalette(hScreen, hOldPalette, FALSE);
    ReleaseDC(nullptr, hScreen);
    return TRUE;
}

void PaintTexture(CDC *pDC, const RECT &rect, HBITMAP hTexture, HPALETTE hPalette, int nWidth, int nHeight)
{
    const HDC hDC = pDC->GetSafeHdc();
    const int left = rect.left;
    const int top = rect.top;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    HDC hMemDC = CreateCompatibleDC(nullptr);
    HGDIOBJ hOldBitmap = SelectObject(hMemDC, hTexture);
    HPALETTE hOldPalette = SelectPalette(hDC, hPalette, FALSE);
    RealizePalette(hDC);

    if (nWidth > width) {
        StretchBlt(hDC, left, top, width, height, hMemDC, 0, 0, nWidth, nHeight, SRCCOPY);
    } else if (nWidth > 0 && nHeight > 0) {
        // Column by column; each copy is cut at the rectangle's edges, later tiles cover what a copy overreaches.
        for (int x = 0; x < width; x += nWidth)
            for (int y = 0; y < height; y += nHeight)
                BitBlt(hDC, left + x, top + y, width - x, height - y, hMemDC, 0, 0, SRCCOPY);
    }

    SelectPalette(hDC, hOldPalette, FALSE);
    SelectObject(hMemDC, hOldBitmap);
    DeleteDC(hMemDC);
}
