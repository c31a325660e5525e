// The board's background picture: read from a file, decoded once, drawn scaled into any rectangle.
#pragma once

#include "platform/CString.h"
#include "platform/WinTypes.h"

class CDC;
struct IPicture;

class CPicture {
public:
    CPicture();
    virtual ~CPicture();
    CPicture(const CPicture &) = delete;
    CPicture &operator=(const CPicture &) = delete;

    // Empties the object, then decodes the file, read where it lies; FALSE when it cannot be read or decoded, and
    // for anything but a regular file of at most 256 MiB.
    BOOL LoadFromFile(CString strPath);
    // Decodes a picture held in memory, replacing the one held; FALSE (and then no picture) when the data is not a
    // picture.
    BOOL LoadFromMemory(const BYTE *pBuffer, int nSize);
    void Free();
    // FALSE when empty; otherwise draws the whole picture stretched into the rectangle.
    BOOL Draw(CDC *pDC, int x, int y, int cx, int cy);
    // Draws the whole picture upright, stretched into the rectangle; FALSE when it cannot be drawn.
    BOOL Render(CDC *pDC, int x, int y, int cx, int cy);
    // The natural size in device pixels of the context; (0, 0) when empty.
    CSize GetPixelSize(CDC *pDC) const;

    IPicture *m_pPicture = nullptr;
};
