#include "File.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFile::~CFile()
{
    Close();
}

BOOL CFile::Open(const CString &strFileName, UINT nOpenFlags, CFileException *pError)
{
    Close();
    auto fail = [&](int cause, int osError) {
        if (pError) {
            pError->m_cause = cause;
            pError->m_lOsError = osError;
            pError->m_strFileName = strFileName;
        }
        return FALSE;
    };
    if (nOpenFlags & (modeWrite | modeReadWrite))
        return fail(CFileException::accessDenied, -1);
    if (strFileName.isEmpty())
        return fail(CFileException::badPath, -1);
    const QByteArray path = QFile::encodeName(strFileName);
    // Non-blocking, so that opening a FIFO returns at once; the type is checked on what was opened.
    int fd = -1;
    do
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        const int cause = (err == ENOENT)                           ? CFileException::fileNotFound
                          : (err == ENOTDIR || err == ENAMETOOLONG) ? CFileException::badPath
                          : (err == EMFILE || err == ENFILE)        ? CFileException::tooManyOpenFiles
                          : (err == EACCES || err == EPERM)         ? CFileException::accessDenied
                                                                    : CFileException::generic;
        return fail(cause, err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(CFileException::accessDenied, -1);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    m_fd = fd;
    m_strFileName = strFileName;
    return TRUE;
}

UINT CFile::Read(void *lpBuf, UINT nCount)
{
    if (m_fd < 0)
        AfxThrowFileException(CFileException::invalidFile, -1, m_strFileName);
    auto *p = static_cast<char *>(lpBuf);
    UINT done = 0;
    while (done < nCount) {
        const ssize_t n = ::read(m_fd, p + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            AfxThrowFileException(CFileException::hardIO, errno, m_strFileName);
        }
        if (n == 0)
            break;
        done += UINT(n);
    }
    return done;
}

std::uint64_t CFile::Seek(std::int64_t lOff, UINT nFrom)
{
    const int whence = nFrom == begin ? SEEK_SET : nFrom == current ? SEEK_CUR : nFrom == end ? SEEK_END : -1;
    const off_t pos = (m_fd < 0 || whence < 0) ? off_t(-1) : ::lseek(m_fd, off_t(lOff), whence);
    if (pos < 0)
        AfxThrowFileException(CFileException::badSeek, m_fd < 0 ? -1 : errno, m_strFileName);
    return std::uint64_t(pos);
}

void CFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_strFileName.clear();
}
