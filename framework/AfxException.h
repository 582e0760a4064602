// Exceptions of the framework. They are thrown by value and caught by const reference.
#pragma once

#include <windows.h>

#include "AfxString.h"

class CException {
public:
    virtual ~CException() = default;

    // Copies the message, cut to nMaxError - 1 bytes without splitting a character.
    // Returns FALSE when there is no buffer to copy into.
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError) const = 0;

    // Shows the message in a message box and returns the box's answer.
    int ReportError(UINT nType) const;

protected:
    // The system's text for an error code, or the code itself when the system has none.
    static CString SystemMessageText(DWORD dwCode);
    static BOOL CopyMessage(const CString& strMessage, LPSTR lpszError, UINT nMaxError);
};

class CInvalidArgException : public CException {
public:
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError) const override;
};

[[noreturn]] void AfxThrowInvalidArgException();

class CFileException : public CException {
public:
    CFileException(LONG lOsError, LPCSTR lpszFileName);

    // "<file name>: <the system's text for the error>".
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError) const override;

private:
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(LONG lOsError, LPCSTR lpszFileName);

// A failed call into a COM object, such as a hosted control.
class COleException : public CException {
public:
    explicit COleException(HRESULT sc, LPCSTR lpszDescription = NULL);

    // The object's own description when it gave one, else the system's text for the error.
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError) const override;

private:
    HRESULT m_sc;
    CString m_strDescription;
};

[[noreturn]] void AfxThrowOleException(HRESULT sc, LPCSTR lpszDescription = NULL);
