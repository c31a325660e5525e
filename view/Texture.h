// The texture routines: a built-in 8-bit bitmap made into a device bitmap with its palette, and painted tiled or
// stretched into a rectangle.
#pragma once

#include "platform/Gdi.h"

#include <memory>

// A texture bitmap and its palette, shared by everything that shows them (the board, open texture dialogs). Copies
// hold the same pair; the last holder to let go deletes both objects.
class CTexturePair {
public:
    CTexturePair() = default;
    // Takes both objects over; either may be null.
    CTexturePair(HBITMAP hBitmap, HPALETTE hPalette);

    HBITMAP GetBitmap() const { return m_pObjects ? m_pObjects->hBitmap : nullptr; }
    HPALETTE GetPalette() const { return m_pObjects ? m_pObjects->hPalette : nullptr; }
    // This holder lets go; the pair goes when no other holder is left.
    void Release() { m_pObjects.reset(); }

    bool operator==(const CTexturePair &other) const { return m_pObjects == other.m_pObjects; }
    bool operator!=(const CTexturePair &other) const { return m_pObjects != other.m_pObjects; }

private:
    struct Objects {
        HBITMAP hBitmap;
        HPALETTE hPalette;
        Objects(HBITMAP hBmp, HPALETTE hPal) : hBitmap(hBmp), hPalette(hPal) {}
        ~Objects();
        Objects(const Objects &) = delete;
        Objects &operator=(const Objects &) = delete;
    };
    std::shared_ptr<const Objects> m_pObjects;
};

// Loads bitmap resource nResourceID into hTexture, hPalette, nWidth, nHeight, deleting the pair held before first.
// FALSE, with no texture held, when there is no such resource.
BOOL LoadTextureResource(UINT nResourceID, HBITMAP &hTexture, HPALETTE &hPalette, int &nWidth, int &nHeight);
// The same into a shared pair: the pair held before is only let go of, so whoever else shows it keeps it.
BOOL LoadTextureResource(UINT nResourceID, CTexturePair &texture, int &nWidth, int &nHeight);

// Paints the texture into rect: stretched over it when the texture is wider, otherwise tiled from its top-left.
void PaintTexture(CDC *pDC, const RECT &rect, HBITMAP hTexture, HPALETTE hPalette, int nWidth, int nHeight);
