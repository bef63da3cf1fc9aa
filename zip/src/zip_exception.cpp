// CZipException: built from a code and a file name, with the last Windows error.
#include "zip/zip_exception.h"

#include "win32/error.h"

CZipException::CZipException(int code, const ZIPCHAR* fileName)
    : m_szFileName(fileName), m_iCause(code), m_uSystemError(GetLastError()) {}

void CZipException::Throw(int code, const ZIPCHAR* fileName) { throw CZipException(code, fileName); }
