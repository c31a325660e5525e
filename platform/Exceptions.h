// The framework's exception classes: thrown as pointers, the catcher calls Delete().
#pragma once

#include "CString.h"
#include "Object.h"
#include "WinTypes.h"

// Root of the framework's exceptions. Thrown with `throw new ...`; caught as `CException *e`;
// the handler ends it with e->Delete().
class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
    ~CException() override = default;
    CException(const CException &) = delete;
    CException &operator=(const CException &) = delete;

    // Ends an exception caught by pointer; an exception that is not auto-deleting (a static one) stays.
    void Delete()
    {
        if (m_bAutoDelete)
            delete this;
    }

    BOOL m_bAutoDelete;
};

// A resource (window, drawing object, bitmap) could not be created or loaded.
class CResourceException final : public CException {
    DECLARE_DYNAMIC(CResourceException)
public:
    CResourceException() = default;
};

// A file could not be opened, read or written; m_cause says why.
class CFileException final : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, const CString &strFileName = CString())
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(strFileName)
    {
    }

    int m_cause;
    LONG m_lOsError; // errno of the failing call, -1 when unknown
    CString m_strFileName;
};

// The archive met data it cannot read; m_cause says why (endOfFile for a file that ends too soon).
class CArchiveException final : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum {
        none = 0,
        generic = 1,
        readOnly = 2,
        endOfFile = 3,
        writeOnly = 4,
        badIndex = 5,
        badClass = 6,
        badSchema = 7,
    };

    explicit CArchiveException(int cause = none, const CString &strFileName = CString())
        : m_cause(cause), m_strFileName(strFileName)
    {
    }

    int m_cause;
    CString m_strFileName;
};

// Throwing helpers of the framework.
[[noreturn]] void AfxThrowArchiveException(int cause, const CString &strFileName = CString());
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, const CString &strFileName = CString());
[[noreturn]] void AfxThrowResourceException();
