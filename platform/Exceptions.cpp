#include "Exceptions.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)

void AfxThrowArchiveException(int cause, const CString &strFileName)
{
    throw new CArchiveException(cause, strFileName);
}

void AfxThrowFileException(int cause, LONG lOsError, const CString &strFileName)
{
    throw new CFileException(cause, lOsError, strFileName);
}

void AfxThrowResourceException()
{
    throw new CResourceException;
}
