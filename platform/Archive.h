// The framework's binary archive: buffered little-endian fields and length-prefixed strings over an open device.
#pragma once

#include "CString.h"
#include "Exceptions.h"
#include "WinTypes.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>
#include <memory>
#include <type_traits>

// LONG and int, DWORD and UINT are the same types here: one operator serves both names.
static_assert(std::is_same_v<LONG, int> && std::is_same_v<DWORD, UINT>, "32-bit int expected");

// Reads or writes a stream of fields on a device opened (and later closed) by its owner.
//
// Numbers are little-endian whatever the host. POINT is 8 bytes (x, y), RECT 16 bytes (left, top, right,
// bottom). A CString is its Windows-1252 bytes after a length prefix (one byte below 255; 0xFF and a
// 16-bit length below 0xFFFE; 0xFF 0xFFFF and a 32-bit length otherwise). A string that Windows-1252
// cannot hold is written in the UTF-16 form instead: 0xFF 0xFFFE, a prefix of the same kind counting
// 16-bit units, then UTF-16LE; the reader accepts both forms.
//
// Failures are the framework's exceptions, thrown as pointers (the catcher calls Delete()):
// - a number, POINT, RECT or string that the device cannot deliver in full: CArchiveException endOfFile
//   (a short POINT or RECT is reported at once, not at the next field);
// - a UTF-16 marker inside the length of a UTF-16 string: CArchiveException generic;
// - reading from a storing archive: CArchiveException writeOnly; writing to a loading one: readOnly;
// - a device that refuses bytes when the buffer is written out: CFileException diskFull (no space left,
//   or a short write) or hardIO (any other error), with the errno in m_lOsError;
// - a device read error reported by a file device: CFileException hardIO.
// A string is never allocated beyond the bytes the device still holds, so a lying length prefix fails
// with endOfFile without a large allocation.
class CArchive final {
public:
    enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2 };
    enum : UINT { bufferSize = 4096 };

    // `device` must stay open while the archive is. With nLength >= 0 the archive reads at most nLength
    // bytes from the device's current position (for a device that cannot tell its size); otherwise a
    // random-access device's size bounds the reading.
    CArchive(QIODevice *device, UINT nMode, qint64 nLength = -1);
    // Closes the archive if Close() was not called (a storing archive writes out its buffer, silently
    // dropping a write failure), unless the mode holds bNoFlushOnDelete.
    ~CArchive();
    CArchive(const CArchive &) = delete;
    CArchive &operator=(const CArchive &) = delete;

    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    QIODevice *GetFile() const { return m_pDevice; }

    // Storing: writes the buffer out and flushes a file device; throws CFileException on failure.
    // Loading: gives the unread buffered bytes back to a random-access device, whose position is then
    // just after the last byte consumed.
    void Flush();
    // Flush(), then detaches from the device (which stays open). The archive is closed even when the
    // flush throws.
    void Close();
    // Detaches from the device without writing the buffer.
    void Abort();

    // Bytes still readable (buffered plus left in the device, or within nLength), or -1 when unknown
    // (a sequential device without nLength, or a storing archive).
    qint64 BytesRemaining() const;

    CArchive &operator<<(BYTE b) { return putRaw(b); }
    CArchive &operator<<(WORD w) { return putRaw(w); }
    CArchive &operator<<(LONG l) { return putRaw(l); }
    CArchive &operator<<(DWORD dw) { return putRaw(dw); }
    CArchive &operator<<(const POINT &pt);
    CArchive &operator<<(const RECT &rc);
    CArchive &operator<<(const CString &str);
    // A flag is written as a 32-bit number by the caller; a bool has no implicit size here.
    CArchive &operator<<(bool) = delete;

    CArchive &operator>>(BYTE &b) { return getRaw(b); }
    CArchive &operator>>(WORD &w) { return getRaw(w); }
    CArchive &operator>>(LONG &l) { return getRaw(l); }
    CArchive &operator>>(DWORD &dw) { return getRaw(dw); }
    CArchive &operator>>(POINT &pt);
    CArchive &operator>>(RECT &rc);
    CArchive &operator>>(CString &str);
    CArchive &operator>>(bool &) = delete;

    // The path of the file, set by whoever opened it; named in the exceptions thrown.
    CString m_strFileName;

private:
    template <typename T> CArchive &putRaw(T v)
    {
        const T le = qToLittleEndian(v);
        if (m_nPos + qsizetype(sizeof(T)) <= m_nWriteEnd) {
            std::memcpy(m_pBuf.get() + m_nPos, &le, sizeof(T));
            m_nPos += qsizetype(sizeof(T));
        } else {
            writeBytes(&le, qint64(sizeof(T)));
        }
        return *this;
    }
    template <typename T> CArchive &getRaw(T &v)
    {
        T le;
        if (m_nPos + qsizetype(sizeof(T)) <= m_nReadEnd) {
            std::memcpy(&le, m_pBuf.get() + m_nPos, sizeof(T));
            m_nPos += qsizetype(sizeof(T));
        } else {
            readExact(&le, qint64(sizeof(T)));
        }
        v = qFromLittleEndian(le);
        return *this;
    }

    void checkLoading() const;
    void checkStoring() const;
    [[noreturn]] void throwEndOfFile() const;
    [[noreturn]] void throwWriteFailure(qint64 written, int osError) const;

    qint64 readBytes(void *dst, qint64 n);
    void readExact(void *dst, qint64 n);
    qint64 readDevice(char *dst, qint64 n);
    void writeBytes(const void *src, qint64 n);
    void writeDevice(const char *src, qint64 n);
    void writeBuffer();

    void writeStringLength(quint64 n);
    // A length prefix; -1 for the UTF-16 marker.
    qint64 readStringLength();
    // The n characters of a string (ANSI bytes, or UTF-16LE units when bWide); endOfFile when they are not all
    // there.
    QString readStringText(qint64 n, bool bWide);

    QIODevice *m_pDevice;
    UINT m_nMode;
    qint64 m_nLimit;      // bytes the archive may take from the device, -1 when unbounded
    qint64 m_nDeviceRead; // bytes taken from the device so far
    std::unique_ptr<char[]> m_pBuf;
    // Loading: unread bytes are [m_nPos, m_nReadEnd). Storing: pending bytes are [0, m_nPos), room up to
    // m_nWriteEnd. The end of the other direction stays 0, so its fast path always falls through.
    qsizetype m_nPos = 0;
    qsizetype m_nReadEnd = 0;
    qsizetype m_nWriteEnd = 0;
};
