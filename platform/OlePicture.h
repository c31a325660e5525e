// The object linking services' picture decoding: a stream over a global memory block, the picture loader and the
// picture object that draws a decoded JPEG, GIF, BMP or PNG scaled into any rectangle of a device context.
#pragma once

#include "WinTypes.h"

#include <cstdint>

typedef LONG HRESULT;
typedef std::uint32_t ULONG;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;

// Results, with their documented values.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr HRESULT STG_E_INVALIDFUNCTION = HRESULT(0x80030001u);
constexpr HRESULT STG_E_FILENOTFOUND = HRESULT(0x80030002u);
constexpr HRESULT STG_E_ACCESSDENIED = HRESULT(0x80030005u);
constexpr HRESULT STG_E_READFAULT = HRESULT(0x8003001Eu);
constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef GUID IID;
typedef const IID &REFIID;
bool operator==(const GUID &a, const GUID &b);
inline bool operator!=(const GUID &a, const GUID &b)
{
    return !(a == b);
}

extern const IID IID_IUnknown; // {00000000-0000-0000-C000-000000000046}
extern const IID IID_IStream;  // {0000000C-0000-0000-C000-000000000046}
extern const IID IID_IPicture; // {7BF80980-BF32-101A-8BBB-00AA00300CAB}

// Reference-counted interface root: the last Release ends the object.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void **ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

enum : DWORD { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

// A stream of bytes with a position.
struct IStream : IUnknown {
    // Reads up to cb bytes from the position; fewer at the end of the stream (S_OK all the same).
    virtual HRESULT Read(void *pv, ULONG cb, ULONG *pcbRead) = 0;
    // Writes cb bytes at the position, growing the stream as needed; E_OUTOFMEMORY when it cannot grow.
    virtual HRESULT Write(const void *pv, ULONG cb, ULONG *pcbWritten) = 0;
    // Moves the position; STG_E_INVALIDFUNCTION for a position before the start.
    virtual HRESULT Seek(LONGLONG dlibMove, DWORD dwOrigin, ULONGLONG *plibNewPosition) = 0;
};

typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;

// A decoded picture. Sizes are in HIMETRIC units (hundredths of a millimetre, 2540 per inch): the picture's
// pixel size at 96 pixels per inch, so MulDiv(himetric, 96, 2540) gives the pixels back exactly.
struct IPicture : IUnknown {
    virtual HRESULT get_Width(OLE_XSIZE_HIMETRIC *pWidth) = 0;
    virtual HRESULT get_Height(OLE_YSIZE_HIMETRIC *pHeight) = 0;
    // Draws the source rectangle of the picture stretched into the destination rectangle (x, y, cx, cy) of the
    // context, in its logical units. The source is in HIMETRIC with the y axis pointing up, so
    // (0, hmHeight, hmWidth, -hmHeight) is the whole picture upright; a positive cySrc draws it upside down and a
    // negative cxSrc mirrors it. Scaling is smooth (photo quality) and the scaled copy is kept for the next call
    // with the same rectangles. Transparent pixels (GIF, PNG) let the destination show through. pRcWBounds is
    // for metafiles and not used. E_INVALIDARG for an empty destination or source, E_FAIL for a context that
    // cannot be drawn on.
    virtual HRESULT Render(HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
                           OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, LPCRECT pRcWBounds) = 0;
};

// A stream over the bytes of a movable or fixed global memory block; a NULL block makes a new empty one. The
// stream's size starts as the block's size. With fDeleteOnRelease the block is freed when the stream ends.
// E_INVALIDARG for an unknown block, E_POINTER for a null ppstm.
HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, IStream **ppstm);

enum : DWORD { STGM_READ = 0x00000000 };

// A read-only stream over a regular file, which stays open until the stream ends; its size is the file's. Only
// STGM_READ is accepted (STG_E_INVALIDFUNCTION otherwise). A missing file is STG_E_FILENOTFOUND; devices, FIFOs,
// sockets and folders are refused with STG_E_ACCESSDENIED without blocking. Writing is STG_E_ACCESSDENIED, a read
// the system fails is STG_E_READFAULT.
HRESULT SHCreateStreamOnFile(LPCTSTR pszFile, DWORD grfMode, IStream **ppstm);

// Decodes a picture of lSize bytes read from the stream's position (0: up to the stream's end) into a new
// picture object with one reference. JPEG (baseline, progressive, greyscale, CMYK, with its EXIF orientation
// applied), GIF (first frame, interlaced, transparent), BMP (1, 4, 8, 16, 24, 32 bits, RLE, top-down) and PNG.
// The picture is decoded once, here. *ppvObj is NULL on failure: E_FAIL for data that is not such a picture,
// E_OUTOFMEMORY for one whose pixels would exceed the image readers' allocation limit, E_NOINTERFACE for an
// interface other than IPicture or IUnknown, E_POINTER for null arguments. fRunmode is not used.
HRESULT OleLoadPicture(IStream *lpstream, LONG lSize, BOOL fRunmode, REFIID riid, void **ppvObj);

// Pictures alive (for leak checks in tests).
int AfxLivePictures();
