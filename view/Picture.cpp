#include "Picture.h"

#include "platform/File.h"
#include "platform/Gdi.h"
#include "platform/Memory.h"
#include "platform/OlePicture.h"

#include <cstring>
#include <memory>
#include <new>

namespace {
// No picture a board can show comes near this; anything larger is refused before it is read.
constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t(256) * 1024 * 1024;
constexpr int kHimetricPerInch = 2540;
} // namespace

CPicture::CPicture() = default;

CPicture::~CPicture() { Free(); }

BOOL CPicture::LoadFromFile(CString strPath)
{
    if (m_pPicture)
        Free();
    CFile file;
    CFileException e;
    if (!file.Open(strPath, CFile::modeRead | CFile::typeBinary, &e))
        return FALSE;
    const std::uint64_t nLength = file.GetLength();
    if (nLength == 0 || nLength > kMaxPictureFileBytes)
        return FALSE;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[nLength]);
    if (!buffer)
        return FALSE;
    UINT nRead = 0;
    try {
        nRead = file.Read(buffer.get(), UINT(nLength));
    } catch (CFileException *pe) {
        pe->Delete();
        return FALSE;
    }
    // A file that shrank while it was read is decoded as far as it was read.
    if (nRead == 0)
        return FALSE;
    return LoadFromMemory(buffer.get(), int(nRead));
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
