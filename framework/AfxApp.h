// The application object, message boxes and the program's entry point.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // The application is named after its module's file name.
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application's windows run modally in here; the result is not looked at.
    virtual BOOL InitInstance();
    // The result is the process's exit code.
    virtual int ExitInstance();

    // Shows an AfxMessageBox: owned by the main window, captioned with the application's name.
    // nIDPrompt is the help context the box hands to its owner when the user asks for help.
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);
    // Every message box of the framework ends here; tests answer them by overriding it.
    virtual int ShowMessageBox(HWND hWndOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType,
                               DWORD dwContextHelpId);

    CWnd* m_pMainWnd;

private:
    std::string m_strAppName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();

// Adds the exclamation icon when the type names none.
int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp = 0);

int AfxWinMain();
