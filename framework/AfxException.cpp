#include "AfxException.h"

#include <cstdio>
#include <cstring>

#include "AfxApp.h"

int CException::ReportError(UINT nType) const
{
    char message[1024] = "";
    GetErrorMessage(message, sizeof(message));
    return AfxMessageBox(message, nType);
}

BOOL CException::CopyMessage(const CString& strMessage, LPSTR lpszError, UINT nMaxError)
{
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
    LPSTR systemText = NULL;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        NULL, dwCode, 0, reinterpret_cast<LPSTR>(&systemText), 0, NULL);
    if (length == 0) {
        char code[32];
        snprintf(code, sizeof(code), "error 0x%08lX", static_cast<unsigned long>(dwCode));
        return code;
    }
    CString text = CString(systemText, static_cast<int>(length)).Trim();
    LocalFree(systemText);
    return text;
}

BOOL CInvalidArgException::GetErrorMessage(LPSTR lpszError, UINT nMaxError) const
{
    return CopyMessage("An invalid argument was encountered.", lpszError, nMaxError);
}

void AfxThrowInvalidArgException()
{
    throw CInvalidArgException();
}

CFileException::CFileException(LONG lOsError, LPCSTR lpszFileName) : m_lOsError(lOsError), m_strFileName(lpszFileName) {}

BOOL CFileException::GetErrorMessage(LPSTR lpszError, UINT nMaxError) const
{
    return CopyMessage(m_strFileName + ": " + SystemMessageText(static_cast<DWORD>(m_lOsError)), lpszError, nMaxError);
}

void AfxThrowFileException(LONG lOsError, LPCSTR lpszFileName)
{
    throw CFileException(lOsError, lpszFileName);
}

COleException::COleException(HRESULT sc, LPCSTR lpszDescription) : m_sc(sc), m_strDescription(lpszDescription) {}

BOOL COleException::GetErrorMessage(LPSTR lpszError, UINT nMaxError) const
{
    CString message = m_strDescription.IsEmpty() ? SystemMessageText(static_cast<DWORD>(m_sc)) : m_strDescription;
    return CopyMessage(message, lpszError, nMaxError);
}

void AfxThrowOleException(HRESULT sc, LPCSTR lpszDescription)
{
    throw COleException(sc, lpszDescription);
}
