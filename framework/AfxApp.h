// The application object, message boxes and the program's entry point.
#pragma once

#include <windows.h>

#include <string>

#define AFXAPI __stdcall

class CWnd;

class CWinApp {
public:
    // Without a name the application is named after its module's file name.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application's windows run modally in here; the result is not looked at.
    virtual BOOL InitInstance();
    // The result is the process's exit code.
    virtual int ExitInstance();

    // Shows an AfxMessageBox: owned by the main window, captioned with the application's name.
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);
    // Every message box of the framework ends here; tests answer them by overriding it.
    virtual int ShowMessageBox(HWND hWndOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd;

private:
    std::string m_strAppName;
};

CWinApp* AFXAPI AfxGetApp();
HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();

// Adds the exclamation icon when the type names none.
int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

int AFXAPI AfxWinMain();
