// The framework's binary file for reading whole files by name, as the picture loader does.
#pragma once

#include "CString.h"
#include "Exceptions.h"
#include "WinTypes.h"

#include <cstdint>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Closes the file.
    virtual ~CFile();
    CFile(const CFile &) = delete;
    CFile &operator=(const CFile &) = delete;

    // Opens a regular file for reading (modeRead; other modes fail with accessDenied). Devices, FIFOs, sockets
    // and folders fail with accessDenied without ever blocking. FALSE on failure, with the cause in *pError.
    BOOL Open(const CString &strFileName, UINT nOpenFlags, CFileException *pError = nullptr);
    // Reads up to nCount bytes from the position; fewer only at the end of the file. Throws a CFileException
    // (hardIO) when the system cannot read.
    UINT Read(void *lpBuf, UINT nCount);
    // Moves the position by lOff from nFrom and returns the new position. Throws a CFileException (badSeek) for a
    // position before the start or when no file is open.
    std::uint64_t Seek(std::int64_t lOff, UINT nFrom);
    void Close();

    CString m_strFileName;

private:
    int m_fd = -1;
};
