// The texture routines: a built-in 8-bit bitmap made into a device bitmap with its palette, and painted tiled or
// stretched into a rectangle.
#pragma once

#include "platform/Gdi.h"

// Loads bitmap resource nResourceID into hTexture, hPalette, nWidth, nHeight. The pair held before is deleted
// first when bDeletePrevious, else only forgotten. FALSE, with no texture held, when there is no such resource.
BOOL LoadTextureResource(UINT nResourceID, HBITMAP &hTexture, HPALETTE &hPalette, int &nWidth, int &nHeight,
                         bool bDeletePrevious = true);

// Paints the texture into rect: stretched over it when the texture is wider, otherwise tiled from its top-left.
void PaintTexture(CDC *pDC, const RECT &rect, HBITMAP hTexture, HPALETTE hPalette, int nWidth, int nHeight);
