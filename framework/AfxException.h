// Exceptions of the framework. They are thrown by value and caught by const reference.
#pragma once

#include <windows.h>

#include "AfxString.h"

class CException {
public:
    virtual ~CException() = default;

    // Copies the message, cut to nMaxError - 1 bytes without splitting a character.
    // Returns FALSE when there is no buffer to copy into.
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const = 0;

    // Shows the message in a message box and returns the box's answer. When the exception
    // gives no message or an empty one, the string resource nMessageID is shown instead.
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0) const;

protected:
    // The system's text for an error code, or the code itself when the system has none.
    static CString SystemMessageText(DWORD dwCode);
    static BOOL CopyMessage(const CString& strMessage, LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext);
};

class CInvalidArgException : public CException {
public:
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
};

[[noreturn]] void AfxThrowInvalidArgException();

class CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        accessDenied,
        sharingViolation,
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCSTR lpszFileName = NULL);

    // "<file name>: <the system's text for m_lOsError>".
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;

    // The cause that matches a Windows error code.
    static int OsErrorToException(LONG lOsError);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, LPCSTR lpszFileName = NULL);

// A failed call into a COM object, such as a hosted control.
class COleException : public CException {
public:
    explicit COleException(HRESULT sc, LPCSTR lpszDescription = NULL);

    // The object's own description when it gave one, else the system's text for m_sc.
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;

    HRESULT m_sc;
    CString m_strDescription;
};

[[noreturn]] void AfxThrowOleException(HRESULT sc, LPCSTR lpszDescription = NULL);
