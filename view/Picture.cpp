#include "Picture.h"

#include "platform/Gdi.h"
#include "platform/Memory.h"
#include "platform/OlePicture.h"

#include <cstring>

namespace {
// No picture a board can show comes near this; anything larger is refused before it is read.
constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t(256) * 1024 * 1024;
constexpr int kHimetricPerInch = 2540;
} // namespace

CPicture::CPicture() = default;

CPicture::~CPicture()
{
    Free();
}

BOOL CPicture::LoadFromFile(CString strPath)
{
    if (m_pPicture)
        Free();
    // Decoded from the file as it lies: its header and declared size are checked before anything the size of
    // the file or of the picture is allocated.
    IStream *pStream = nullptr;
    if (SHCreateStreamOnFile(strPath, STGM_READ, &pStream) != S_OK)
        return FALSE;
    ULONGLONG nLength = 0;
    HRESULT hr = pStream->Seek(0, STREAM_SEEK_END, &nLength);
    if (hr == S_OK)
        hr = pStream->Seek(0, STREAM_SEEK_SET, nullptr);
    if (hr != S_OK || nLength == 0 || nLength > kMaxPictureFileBytes) {
        pStream->Release();
        return FALSE;
    }
    IPicture *pPicture = nullptr;
    hr = OleLoadPicture(pStream, LONG(nLength), FALSE, IID_IPicture, reinterpret_cast<void **>(&pPicture));
    pStream->Release();
    if (hr != S_OK) {
        if (pPicture)
            pPicture->Release();
        return FALSE;
    }
    m_pPicture = pPicture;
    return TRUE;
}

BOOL CPicture::LoadFromMemory(const BYTE *pBuffer, int nSize)
{
    if (!pBuffer || nSize <= 0)
        return FALSE;
    HGLOBAL hGlobal = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(nSize));
    if (!hGlobal)
        return FALSE;
    void *pData = GlobalLock(hGlobal);
    std::memcpy(pData, pBuffer, SIZE_T(nSize));
    GlobalUnlock(hGlobal);

    IStream *pStream = nullptr;
    if (CreateStreamOnHGlobal(hGlobal, TRUE, &pStream) != S_OK) {
        GlobalFree(hGlobal);
        return FALSE;
    }
    IPicture *pPicture = nullptr;
    const HRESULT hr = OleLoadPicture(pStream, nSize, FALSE, IID_IPicture, reinterpret_cast<void **>(&pPicture));
    pStream->Release();
    // The loader's result replaces what was held, as the loader writes straight into the member; the picture it
    // replaces is released rather than lost.
    if (m_pPicture)
        m_pPicture->Release();
    m_pPicture = hr == S_OK ? pPicture : nullptr;
    if (hr != S_OK && pPicture)
        pPicture->Release();
    return hr == S_OK;
}

void CPicture::Free()
{
    if (m_pPicture) {
        m_pPicture->Release();
        m_pPicture = nullptr;
    }
}

BOOL CPicture::Draw(CDC *pDC, int x, int y, int cx, int cy)
{
    if (!m_pPicture)
        return FALSE;
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    m_pPicture->get_Width(&hmWidth);
    m_pPicture->get_Height(&hmHeight);
    return Render(pDC, x, y, cx, cy);
}

BOOL CPicture::Render(CDC *pDC, int x, int y, int cx, int cy)
{
    if (!m_pPicture || !pDC)
        return FALSE;
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    m_pPicture->get_Width(&hmWidth);
    m_pPicture->get_Height(&hmHeight);
    // The picture is stored bottom-up: start at its top edge and go down.
    const HRESULT hr = m_pPicture->Render(pDC->GetSafeHdc(), x, y, cx, cy, 0, hmHeight, hmWidth, -hmHeight, nullptr);
    return hr == S_OK;
}

CSize CPicture::GetPixelSize(CDC *pDC) const
{
    if (!m_pPicture || !pDC)
        return CSize(0, 0);
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    m_pPicture->get_Width(&hmWidth);
    m_pPicture->get_Height(&hmHeight);
    return CSize(MulDiv(hmWidth, pDC->GetDeviceCaps(LOGPIXELSX), kHimetricPerInch),
                 MulDiv(hmHeight, pDC->GetDeviceCaps(LOGPIXELSY), kHimetricPerInch));
}
