// Picture decoding of the object linking services, on Qt's image readers.
#include "OlePicture.h"

#include "File.h"
#include "Gdi.h"
#include "Memory.h"

#include <QIODevice>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <climits>
#include <cstring>
#include <new>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPicture = {0x7BF80980, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

bool operator==(const GUID &a, const GUID &b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

namespace {

constexpr int kHimetricPerInch = 2540;
constexpr int kPixelsPerInch = 96;
// Above this many destination pixels a scaled copy would cost more memory than it saves time: such
// placements are scaled while drawing, clipped to what the context shows.
constexpr qint64 kMaxCachedPixels = qint64(4096) * 4096;
// Nor is a copy made longer than this on either side: a thin placement would cost its whole length in scaling
// while only a screenful of it can show.
constexpr qint64 kMaxCachedSide = 8192;

int g_livePictures = 0;

// ---------------------------------------------------------------------------------------------------------------

// IUnknown for an object with one interface: reference counting, deleted with its last reference.
template <class Interface, const IID *pIID> class UnknownImpl : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void **ppvObject) override
    {
        if (!ppvObject)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == *pIID) {
            AddRef();
            *ppvObject = static_cast<Interface *>(this);
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_nRef; }
    ULONG Release() override
    {
        const ULONG n = --m_nRef;
        if (n == 0)
            delete this;
        return n;
    }

private:
    ULONG m_nRef = 1;
};

class GlobalStream final : public UnknownImpl<IStream, &IID_IStream> {
public:
    GlobalStream(HGLOBAL hGlobal, BOOL bDeleteOnRelease)
        : m_hGlobal(hGlobal), m_bDeleteOnRelease(bDeleteOnRelease), m_nSize(GlobalSize(hGlobal))
    {
    }

    HRESULT Read(void *pv, ULONG cb, ULONG *pcbRead) override
    {
        if (pcbRead)
            *pcbRead = 0;
        if (!pv && cb)
            return E_POINTER;
        const ULONGLONG available = m_nPos < m_nSize ? m_nSize - m_nPos : 0;
        const ULONG n = ULONG(std::min<ULONGLONG>(cb, available));
        if (n) {
            const auto *p = static_cast<const BYTE *>(GlobalLock(m_hGlobal));
            if (!p)
                return E_FAIL;
            std::memcpy(pv, p + m_nPos, n);
            GlobalUnlock(m_hGlobal);
            m_nPos += n;
        }
        if (pcbRead)
            *pcbRead = n;
        return S_OK;
    }

    HRESULT Write(const void *pv, ULONG cb, ULONG *pcbWritten) override
    {
        if (pcbWritten)
            *pcbWritten = 0;
        if (!pv && cb)
            return E_POINTER;
        const ULONGLONG end = m_nPos + cb;
        if (end > GlobalSize(m_hGlobal)) {
            HGLOBAL h = GlobalReAlloc(m_hGlobal, SIZE_T(end), GMEM_MOVEABLE);
            if (!h)
                return E_OUTOFMEMORY;
            m_hGlobal = h;
        }
        if (cb) {
            auto *p = static_cast<BYTE *>(GlobalLock(m_hGlobal));
            if (!p)
                return E_FAIL;
            std::memcpy(p + m_nPos, pv, cb);
            GlobalUnlock(m_hGlobal);
        }
        m_nPos = end;
        m_nSize = std::max(m_nSize, end);
        if (pcbWritten)
            *pcbWritten = cb;
        return S_OK;
    }

    HRESULT Seek(LONGLONG dlibMove, DWORD dwOrigin, ULONGLONG *plibNewPosition) override
    {
        LONGLONG base = 0;
        switch (dwOrigin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = LONGLONG(m_nPos);
            break;
        case STREAM_SEEK_END:
            base = LONGLONG(m_nSize);
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        if ((dlibMove < 0 && base + dlibMove < 0) || (dlibMove > 0 && base > LLONG_MAX - dlibMove))
            return STG_E_INVALIDFUNCTION;
        m_nPos = ULONGLONG(base + dlibMove);
        if (plibNewPosition)
            *plibNewPosition = m_nPos;
        return S_OK;
    }

private:
    ~GlobalStream() override
    {
        if (m_bDeleteOnRelease)
            GlobalFree(m_hGlobal);
    }

    HGLOBAL m_hGlobal;
    BOOL m_bDeleteOnRelease;
    ULONGLONG m_nSize;
    ULONGLONG m_nPos = 0;
};

// A file read where it lies: pictures are decoded from it without holding its bytes.
class FileStream final : public UnknownImpl<IStream, &IID_IStream> {
public:
    CFile m_file;

    HRESULT Read(void *pv, ULONG cb, ULONG *pcbRead) override
    {
        if (pcbRead)
            *pcbRead = 0;
        if (!pv && cb)
            return E_POINTER;
        UINT n = 0;
        try {
            n = m_file.Read(pv, cb);
        } catch (CFileException *e) {
            e->Delete();
            return STG_E_READFAULT;
        }
        if (pcbRead)
            *pcbRead = n;
        return S_OK;
    }

    HRESULT Write(const void *, ULONG, ULONG *pcbWritten) override
    {
        if (pcbWritten)
            *pcbWritten = 0;
        return STG_E_ACCESSDENIED;
    }

    HRESULT Seek(LONGLONG dlibMove, DWORD dwOrigin, ULONGLONG *plibNewPosition) override
    {
        if (dwOrigin > STREAM_SEEK_END)
            return STG_E_INVALIDFUNCTION;
        try {
            const ULONGLONG pos = m_file.Seek(dlibMove, dwOrigin);
            if (plibNewPosition)
                *plibNewPosition = pos;
        } catch (CFileException *e) {
            e->Delete();
            return STG_E_INVALIDFUNCTION;
        }
        return S_OK;
    }
};

// ---------------------------------------------------------------------------------------------------------------

// Lets Qt's image readers read a window of a stream without copying it. Opened unbuffered, so the stream's
// position is the device's position.
class StreamDevice final : public QIODevice {
public:
    StreamDevice(IStream *pStream, ULONGLONG nStart, qint64 nLength)
        : m_pStream(pStream), m_nStart(nStart), m_nLength(nLength)
    {
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_nLength; }
    bool seek(qint64 pos) override
    {
        if (pos < 0 || pos > m_nLength || !QIODevice::seek(pos))
            return false;
        if (FAILED(m_pStream->Seek(LONGLONG(m_nStart) + pos, STREAM_SEEK_SET, nullptr)))
            return false;
        m_nOffset = pos;
        return true;
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 wanted = std::min<qint64>({maxSize, m_nLength - m_nOffset, qint64(INT_MAX)});
        if (wanted <= 0)
            return 0;
        ULONG got = 0;
        if (FAILED(m_pStream->Read(data, ULONG(wanted), &got)))
            return -1;
        m_nOffset += got;
        return qint64(got);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    IStream *m_pStream;
    ULONGLONG m_nStart;
    qint64 m_nLength;
    qint64 m_nOffset = 0;
};

// ---------------------------------------------------------------------------------------------------------------

class Picture final : public UnknownImpl<IPicture, &IID_IPicture> {
public:
    explicit Picture(QImage image) : m_image(std::move(image))
    {
        m_hmWidth = MulDiv(m_image.width(), kHimetricPerInch, kPixelsPerInch);
        m_hmHeight = MulDiv(m_image.height(), kHimetricPerInch, kPixelsPerInch);
        ++g_livePictures;
    }

    HRESULT get_Width(OLE_XSIZE_HIMETRIC *pWidth) override
    {
        if (!pWidth)
            return E_POINTER;
        *pWidth = m_hmWidth;
        return S_OK;
    }
    HRESULT get_Height(OLE_YSIZE_HIMETRIC *pHeight) override
    {
        if (!pHeight)
            return E_POINTER;
        *pHeight = m_hmHeight;
        return S_OK;
    }

    HRESULT Render(HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
                   OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, LPCRECT) override;

private:
    ~Picture() override { --g_livePictures; }

    QImage m_image; // upright, RGB32 or premultiplied ARGB
    LONG m_hmWidth = 0;
    LONG m_hmHeight = 0;

    // The picture as last drawn: source rectangle, mirroring and destination size it was made for.
    QImage m_scaled;
    QRect m_scaledSource;
    QSize m_scaledSize;
    bool m_scaledMirrorX = false;
    bool m_scaledMirrorY = false;
};

// A HIMETRIC position along a side of hm units to the pixel position along the same side of px pixels.
qint64 toPixels(qint64 himetric, LONG hm, int px)
{
    return hm ? (himetric * px + hm / 2) / hm : 0;
}

HRESULT Picture::Render(HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
                        OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, LPCRECT)
{
    if (cx == 0 || cy == 0 || cxSrc == 0 || cySrc == 0)
        return E_INVALIDARG;
    const int w = m_image.width();
    const int h = m_image.height();
    // Source columns and rows, top-down: HIMETRIC y runs upwards from the picture's bottom edge.
    qint64 c0 = toPixels(xSrc, m_hmWidth, w);
    qint64 c1 = toPixels(qint64(xSrc) + cxSrc, m_hmWidth, w);
    qint64 r0 = toPixels(qint64(m_hmHeight) - ySrc, m_hmHeight, h);
    qint64 r1 = toPixels(qint64(m_hmHeight) - ySrc - cySrc, m_hmHeight, h);
    bool mirrorX = c1 < c0;
    bool mirrorY = r1 < r0;
    if (mirrorX)
        std::swap(c0, c1);
    if (mirrorY)
        std::swap(r0, r1);
    const QRect source = QRect(QPoint(int(std::clamp<qint64>(c0, 0, w)), int(std::clamp<qint64>(r0, 0, h))),
                               QPoint(int(std::clamp<qint64>(c1, 0, w)) - 1, int(std::clamp<qint64>(r1, 0, h)) - 1));
    if (source.isEmpty())
        return E_INVALIDARG;
    qint64 dx = x, dy = y, dw = cx, dh = cy;
    if (dw < 0) {
        dx += dw;
        dw = -dw;
        mirrorX = !mirrorX;
    }
    if (dh < 0) {
        dy += dh;
        dh = -dh;
        mirrorY = !mirrorY;
    }

    QPainter *p = AfxGetPainter(hDC);
    if (!p)
        return E_FAIL;
    if (dw * dh > kMaxCachedPixels || dw > kMaxCachedSide || dh > kMaxCachedSide) {
        p->save();
        p->setRenderHint(QPainter::SmoothPixmapTransform, true);
        p->translate(double(dx) + (mirrorX ? double(dw) : 0.0), double(dy) + (mirrorY ? double(dh) : 0.0));
        p->scale(mirrorX ? -1.0 : 1.0, mirrorY ? -1.0 : 1.0);
        p->drawImage(QRectF(0, 0, double(dw), double(dh)), m_image, QRectF(source));
        p->restore();
        return S_OK;
    }

    const QSize size{int(dw), int(dh)};
    if (m_scaled.isNull() || m_scaledSize != size || m_scaledSource != source || m_scaledMirrorX != mirrorX ||
        m_scaledMirrorY != mirrorY) {
        const QImage part = source == m_image.rect() ? m_image : m_image.copy(source);
        QImage scaled = part.size() == size ? part : part.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (mirrorX || mirrorY)
            scaled = scaled.mirrored(mirrorX, mirrorY);
        if (scaled.isNull())
            return E_OUTOFMEMORY;
        m_scaled = std::move(scaled);
        m_scaledSource = source;
        m_scaledSize = size;
        m_scaledMirrorX = mirrorX;
        m_scaledMirrorY = mirrorY;
    }
    p->drawImage(QPoint(int(dx), int(dy)), m_scaled);
    return S_OK;
}

bool isAcceptedFormat(const QByteArray &format)
{
    return format == "jpeg" || format == "jpg" || format == "gif" || format == "bmp" || format == "png";
}

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, IStream **ppstm)
{
    if (!ppstm)
        return E_POINTER;
    *ppstm = nullptr;
    bool made = false;
    if (!hGlobal) {
        hGlobal = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!hGlobal)
            return E_OUTOFMEMORY;
        made = true;
    } else {
        if (!GlobalLock(hGlobal))
            return E_INVALIDARG;
        GlobalUnlock(hGlobal);
    }
    auto *stream = new (std::nothrow) GlobalStream(hGlobal, fDeleteOnRelease);
    if (!stream) {
        if (made)
            GlobalFree(hGlobal);
        return E_OUTOFMEMORY;
    }
    *ppstm = stream;
    return S_OK;
}

HRESULT SHCreateStreamOnFile(LPCTSTR pszFile, DWORD grfMode, IStream **ppstm)
{
    if (!ppstm)
        return E_POINTER;
    *ppstm = nullptr;
    if (!pszFile)
        return E_INVALIDARG;
    if (grfMode != STGM_READ)
        return STG_E_INVALIDFUNCTION;
    auto *stream = new (std::nothrow) FileStream;
    if (!stream)
        return E_OUTOFMEMORY;
    CFileException e;
    if (!stream->m_file.Open(CString(pszFile), CFile::modeRead | CFile::typeBinary, &e)) {
        stream->Release();
        return e.m_cause == CFileException::fileNotFound || e.m_cause == CFileException::badPath ? STG_E_FILENOTFOUND
                                                                                                 : STG_E_ACCESSDENIED;
    }
    *ppstm = stream;
    return S_OK;
}

HRESULT OleLoadPicture(IStream *lpstream, LONG lSize, BOOL, REFIID riid, void **ppvObj)
{
    if (!ppvObj)
        return E_POINTER;
    *ppvObj = nullptr;
    if (!lpstream)
        return E_POINTER;
    if (riid != IID_IPicture && riid != IID_IUnknown)
        return E_NOINTERFACE;

    ULONGLONG start = 0;
    ULONGLONG end = 0;
    if (FAILED(lpstream->Seek(0, STREAM_SEEK_CUR, &start)) || FAILED(lpstream->Seek(0, STREAM_SEEK_END, &end)) ||
        FAILED(lpstream->Seek(LONGLONG(start), STREAM_SEEK_SET, nullptr)))
        return E_FAIL;
    const ULONGLONG available = end > start ? end - start : 0;
    const qint64 length = qint64(lSize > 0 ? std::min<ULONGLONG>(ULONGLONG(lSize), available) : available);
    if (length <= 0)
        return E_FAIL;

    StreamDevice device(lpstream, start, length);
    device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QImageReader reader(&device);
    if (!isAcceptedFormat(reader.format()))
        return E_FAIL;
    reader.setAutoTransform(true);
    // Refuse before decoding what could not be held: the pixels become 32-bit.
    const QSize declared = reader.size();
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (declared.isValid() && limit > 0 && qint64(declared.width()) * declared.height() * 4 > limit)
        return E_OUTOFMEMORY;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return E_FAIL;
    // The HIMETRIC size must be representable, so that the pixel size comes back from it.
    if (image.width() > INT_MAX / kHimetricPerInch || image.height() > INT_MAX / kHimetricPerInch)
        return E_FAIL;
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull())
        return E_OUTOFMEMORY;
    auto *picture = new (std::nothrow) Picture(std::move(image));
    if (!picture)
        return E_OUTOFMEMORY;
    *ppvObj = static_cast<IPicture *>(picture);
    return S_OK;
}

int AfxLivePictures()
{
    return g_livePictures;
}
