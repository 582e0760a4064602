#include "AfxException.h"

#include <cstring>

#include "AfxApp.h"

int CException::ReportError(UINT nType, UINT nMessageID) const
{
    char message[1024];
    CString text;
    if (GetErrorMessage(message, sizeof(message)))
        text = message;
    if (text.IsEmpty() && nMessageID != 0)
        text.LoadString(nMessageID);
    return AfxMessageBox(text, nType, nMessageID);
}

BOOL CException::CopyMessage(const CString& strMessage, LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    if (pnHelpContext != NULL)
        *pnHelpContext = 0;
    if (lpszError == NULL || nMaxError == 0)
        return FALSE;
    const int limit = static_cast<int>(nMaxError - 1);
    int length = 0;
    // Stop before a character that would not fit whole.
    while (length < strMessage.GetLength()) {
        int size = AfxCharSize(strMessage, length);
        if (length + size > limit)
            break;
        length += size;
    }
    memcpy(lpszError, static_cast<LPCSTR>(strMessage), static_cast<size_t>(length));
    lpszError[length] = '\0';
    return TRUE;
}

CString CException::SystemMessageText(DWORD dwCode)
{
    CString text;
    LPSTR systemText = NULL;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        NULL, dwCode, 0, reinterpret_cast<LPSTR>(&systemText), 0, NULL);
    if (length != 0) {
        text = CString(systemText, static_cast<int>(length)).Trim();
        LocalFree(systemText);
    } else {
        text.Format("error 0x%08lX", static_cast<unsigned long>(dwCode));
    }
    return text;
}

BOOL CInvalidArgException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyMessage("An invalid argument was encountered.", lpszError, nMaxError, pnHelpContext);
}

void AfxThrowInvalidArgException()
{
    throw CInvalidArgException();
}

CFileException::CFileException(int cause, LONG lOsError, LPCSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName)
{
}

BOOL CFileException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    CString reason = SystemMessageText(static_cast<DWORD>(m_lOsError));
    CString message = m_strFileName.IsEmpty() ? reason : m_strFileName + ": " + reason;
    return CopyMessage(message, lpszError, nMaxError, pnHelpContext);
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError) {
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return badPath;
    case ERROR_ACCESS_DENIED:
        return accessDenied;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    default:
        return genericException;
    }
}

void AfxThrowFileException(int cause, LONG lOsError, LPCSTR lpszFileName)
{
    throw CFileException(cause, lOsError, lpszFileName);
}

COleException::COleException(HRESULT sc, LPCSTR lpszDescription) : m_sc(sc), m_strDescription(lpszDescription) {}

BOOL COleException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    CString message = m_strDescription.IsEmpty() ? SystemMessageText(static_cast<DWORD>(m_sc)) : m_strDescription;
    return CopyMessage(message, lpszError, nMaxError, pnHelpContext);
}

void AfxThrowOleException(HRESULT sc, LPCSTR lpszDescription)
{
    throw COleException(sc, lpszDescription);
}
