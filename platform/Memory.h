// The window system's global and local memory blocks: movable or fixed, locked to get at their bytes.
#pragma once

#include "WinTypes.h"

#include <cstddef>

typedef std::size_t SIZE_T;
typedef void *HLOCAL;

enum : UINT {
    GMEM_FIXED = 0x0000,
    GMEM_MOVEABLE = 0x0002,
    GMEM_ZEROINIT = 0x0040,
    GHND = GMEM_MOVEABLE | GMEM_ZEROINIT,
    GPTR = GMEM_FIXED | GMEM_ZEROINIT,
    LMEM_FIXED = 0x0000,
    LMEM_MOVEABLE = 0x0002,
    LMEM_ZEROINIT = 0x0040,
    LPTR = LMEM_FIXED | LMEM_ZEROINIT,
};

// A block of dwBytes bytes (zeroed with GMEM_ZEROINIT). A fixed block's handle is its address. NULL when the
// memory cannot be had: allocation failure never throws or aborts, however large the request.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// The block's address (NULL for an unknown handle); each lock wants one GlobalUnlock.
void *GlobalLock(HGLOBAL hMem);
// TRUE while the block stays locked.
BOOL GlobalUnlock(HGLOBAL hMem);
// Frees the block: NULL on success, the handle for an unknown one.
HGLOBAL GlobalFree(HGLOBAL hMem);
// The requested size; 0 for an unknown handle.
SIZE_T GlobalSize(HGLOBAL hMem);
// A new size, keeping the content (zeroing the growth with GMEM_ZEROINIT); a movable block keeps its handle.
// NULL on failure, the old block then unchanged.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL LocalFree(HLOCAL hMem);

// Blocks not yet freed (for leak checks in tests).
int AfxLiveMemoryBlocks();
