#include "Archive.h"

#include "CodePage.h"

#include <QFileDevice>

#include <algorithm>
#include <cerrno>

namespace {
// Growth step for a string read from a device of unknown size: memory follows the data that arrives.
constexpr qint64 kUnknownSizeChunk = 64 * 1024;
// Bytes of a long string read per step.
constexpr qint64 kStringChunk = 64 * 1024;
} // namespace

CArchive::CArchive(QIODevice *device, UINT nMode, qint64 nLength)
    : m_pDevice(device), m_nMode(nMode), m_nLimit(nLength < 0 ? -1 : nLength), m_nDeviceRead(0),
      m_pBuf(new char[bufferSize])
{
    ASSERT(device);
    ASSERT(device && (IsLoading() ? device->isReadable() : device->isWritable()));
    if (IsStoring())
        m_nWriteEnd = bufferSize;
}

CArchive::~CArchive()
{
    if (!m_pDevice)
        return;
    if (m_nMode & bNoFlushOnDelete) {
        Abort();
        return;
    }
    try {
        Close();
    } catch (CException *e) {
        e->Delete();
    }
}

void CArchive::Flush()
{
    if (!m_pDevice)
        return;
    if (IsStoring()) {
        writeBuffer();
        if (auto *file = qobject_cast<QFileDevice *>(m_pDevice)) {
            errno = 0;
            if (!file->flush())
                throwWriteFailure(-1, errno);
        }
        return;
    }
    const qsizetype unread = m_nReadEnd - m_nPos;
    if (unread > 0 && !m_pDevice->isSequential() && m_pDevice->seek(m_pDevice->pos() - unread)) {
        m_nDeviceRead -= unread;
        m_nPos = m_nReadEnd = 0;
    }
}

void CArchive::Close()
{
    if (!m_pDevice)
        return;
    try {
        Flush();
    } catch (...) {
        Abort();
        throw;
    }
    Abort();
}

void CArchive::Abort()
{
    m_pDevice = nullptr;
    m_nPos = m_nReadEnd = m_nWriteEnd = 0;
}

qint64 CArchive::BytesRemaining() const
{
    if (!m_pDevice || IsStoring())
        return -1;
    qint64 left = -1;
    if (m_nLimit >= 0)
        left = m_nLimit - m_nDeviceRead;
    if (!m_pDevice->isSequential()) {
        const qint64 inDevice = std::max<qint64>(0, m_pDevice->size() - m_pDevice->pos());
        left = left < 0 ? inDevice : std::min(left, inDevice);
    }
    return left < 0 ? -1 : left + (m_nReadEnd - m_nPos);
}

void CArchive::checkLoading() const
{
    if (!m_pDevice)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    if (!IsLoading())
        AfxThrowArchiveException(CArchiveException::writeOnly, m_strFileName);
}

void CArchive::checkStoring() const
{
    if (!m_pDevice)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    if (!IsStoring())
        AfxThrowArchiveException(CArchiveException::readOnly, m_strFileName);
}

void CArchive::throwEndOfFile() const
{
    AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
}

void CArchive::throwWriteFailure(qint64 written, int osError) const
{
    // A device that takes only part of the bytes without an error is out of room.
    const bool full = written >= 0 || osError == ENOSPC || osError == EDQUOT;
    AfxThrowFileException(full ? CFileException::diskFull : CFileException::hardIO, osError ? osError : -1,
                          m_strFileName);
}

// ---- reading

qint64 CArchive::readDevice(char *dst, qint64 n)
{
    if (m_nLimit >= 0)
        n = std::min(n, m_nLimit - m_nDeviceRead);
    if (n <= 0)
        return 0;
    const qint64 got = m_pDevice->read(dst, n);
    if (got < 0) {
        auto *file = qobject_cast<QFileDevice *>(m_pDevice);
        if (file && file->error() != QFileDevice::NoError)
            AfxThrowFileException(CFileException::hardIO, -1, m_strFileName);
        return 0;
    }
    m_nDeviceRead += got;
    return got;
}

qint64 CArchive::readBytes(void *dst, qint64 n)
{
    checkLoading();
    char *out = static_cast<char *>(dst);
    qint64 done = 0;
    while (done < n) {
        const qint64 buffered = m_nReadEnd - m_nPos;
        if (buffered > 0) {
            const qint64 take = std::min(buffered, n - done);
            std::memcpy(out + done, m_pBuf.get() + m_nPos, size_t(take));
            m_nPos += qsizetype(take);
            done += take;
            continue;
        }
        // Large requests bypass the buffer; small ones refill it.
        if (n - done >= qint64(bufferSize)) {
            const qint64 got = readDevice(out + done, n - done);
            if (got <= 0)
                break;
            done += got;
        } else {
            const qint64 got = readDevice(m_pBuf.get(), bufferSize);
            if (got <= 0)
                break;
            m_nPos = 0;
            m_nReadEnd = qsizetype(got);
        }
    }
    return done;
}

void CArchive::readExact(void *dst, qint64 n)
{
    if (readBytes(dst, n) != n)
        throwEndOfFile();
}

CArchive &CArchive::operator>>(POINT &pt)
{
    // Read whole before assigning, so a short read leaves the point as it was.
    LONG v[2];
    readExact(v, sizeof(v));
    pt.x = qFromLittleEndian(v[0]);
    pt.y = qFromLittleEndian(v[1]);
    return *this;
}

CArchive &CArchive::operator>>(RECT &rc)
{
    LONG v[4];
    readExact(v, sizeof(v));
    rc.left = qFromLittleEndian(v[0]);
    rc.top = qFromLittleEndian(v[1]);
    rc.right = qFromLittleEndian(v[2]);
    rc.bottom = qFromLittleEndian(v[3]);
    return *this;
}

qint64 CArchive::readStringLength()
{
    BYTE b;
    *this >> b;
    if (b < 0xFF)
        return b;
    WORD w;
    *this >> w;
    if (w == 0xFFFE)
        return -1;
    if (w < 0xFFFF)
        return w;
    DWORD dw;
    *this >> dw;
    return dw;
}

QString CArchive::readStringText(qint64 n, bool bWide)
{
    const qint64 nBytes = bWide ? 2 * n : n;
    const qint64 left = BytesRemaining();
    if (left >= 0 && nBytes > left)
        throwEndOfFile();
    // The text is made in its final form as its bytes arrive: no copy of the bytes is held beside it. Of unknown
    // size it grows with the data, so a lying prefix costs at most about twice what arrives.
    QString text(qsizetype(left >= 0 ? n : std::min(n, kUnknownSizeChunk)), Qt::Uninitialized);
    std::unique_ptr<char[]> chunk;
    if (!bWide)
        chunk.reset(new char[size_t(std::min(n, kStringChunk))]);
    qint64 have = 0;
    while (have < n) {
        if (have == text.size())
            text.resize(qsizetype(std::min(n, 2 * have)));
        const qint64 step = std::min(qint64(text.size()) - have, bWide ? kStringChunk / 2 : kStringChunk);
        char16_t *dst = reinterpret_cast<char16_t *>(text.data()) + have;
        if (bWide) {
            if (readBytes(dst, 2 * step) != 2 * step)
                throwEndOfFile();
            // UTF-16 text is kept as it is, lone surrogates included.
            qFromLittleEndian<quint16>(dst, qsizetype(step), dst);
        } else {
            if (readBytes(chunk.get(), step) != step)
                throwEndOfFile();
            AfxFromAnsi(chunk.get(), qsizetype(step), dst);
        }
        have += step;
    }
    return text;
}

CArchive &CArchive::operator>>(CString &str)
{
    checkLoading();
    qint64 n = readStringLength();
    const bool wide = n < 0;
    if (wide) {
        n = readStringLength();
        if (n < 0)
            AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    }
    const qint64 nBytes = wide ? 2 * n : n;

    // Common case: the whole text is already buffered.
    if (m_nReadEnd - m_nPos < nBytes) {
        str = readStringText(n, wide);
        return *this;
    }
    const char *src = m_pBuf.get() + m_nPos;
    m_nPos += qsizetype(nBytes);
    if (!wide) {
        str = AfxFromAnsi(src, qsizetype(n));
        return *this;
    }
    QString text(qsizetype(n), Qt::Uninitialized);
    qFromLittleEndian<quint16>(src, qsizetype(n), text.data());
    str = std::move(text);
    return *this;
}

// ---- writing

void CArchive::writeDevice(const char *src, qint64 n)
{
    errno = 0;
    const qint64 written = m_pDevice->write(src, n);
    if (written != n)
        throwWriteFailure(written, errno);
}

void CArchive::writeBuffer()
{
    if (m_nPos == 0)
        return;
    const qsizetype pending = m_nPos;
    // The bytes are gone whether or not the device takes them; never write them twice.
    m_nPos = 0;
    writeDevice(m_pBuf.get(), pending);
}

void CArchive::writeBytes(const void *src, qint64 n)
{
    checkStoring();
    const char *in = static_cast<const char *>(src);
    const qint64 room = m_nWriteEnd - m_nPos;
    if (n <= room) {
        std::memcpy(m_pBuf.get() + m_nPos, in, size_t(n));
        m_nPos += qsizetype(n);
        return;
    }
    writeBuffer();
    if (n >= qint64(bufferSize)) {
        writeDevice(in, n);
        return;
    }
    std::memcpy(m_pBuf.get(), in, size_t(n));
    m_nPos = qsizetype(n);
}

CArchive &CArchive::operator<<(const POINT &pt)
{
    const LONG v[2] = {qToLittleEndian(pt.x), qToLittleEndian(pt.y)};
    writeBytes(v, sizeof(v));
    return *this;
}

CArchive &CArchive::operator<<(const RECT &rc)
{
    const LONG v[4] = {qToLittleEndian(rc.left), qToLittleEndian(rc.top), qToLittleEndian(rc.right),
                       qToLittleEndian(rc.bottom)};
    writeBytes(v, sizeof(v));
    return *this;
}

void CArchive::writeStringLength(quint64 n)
{
    if (n > 0xFFFFFFFFu)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    if (n < 0xFF) {
        *this << BYTE(n);
    } else if (n < 0xFFFE) {
        *this << BYTE(0xFF) << WORD(n);
    } else {
        *this << BYTE(0xFF) << WORD(0xFFFF) << DWORD(n);
    }
}

CArchive &CArchive::operator<<(const CString &str)
{
    checkStoring();
    if (AfxIsAnsiRepresentable(str)) {
        const QByteArray bytes = AfxToAnsi(str);
        writeStringLength(quint64(bytes.size()));
        writeBytes(bytes.constData(), bytes.size());
        return *this;
    }
    // Text Windows-1252 would lose goes in the UTF-16 form.
    *this << BYTE(0xFF) << WORD(0xFFFE);
    const qsizetype n = str.size();
    writeStringLength(quint64(n));
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    writeBytes(str.utf16(), 2 * qint64(n));
#else
    QByteArray le(2 * n, Qt::Uninitialized);
    qToLittleEndian<quint16>(str.utf16(), n, le.data());
    writeBytes(le.constData(), le.size());
#endif
    return *this;
}
