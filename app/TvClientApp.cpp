#include "app/TvClientApp.h"

#include "mainwnd/TvClientDlg.h"

namespace {
const char kAlreadyRunning[] = "Kalda网络电视的一个实例已经运行!";
}  // namespace

CTvClientApp theApp;

CTvClientApp::CTvClientApp() : m_hMutex(nullptr) {}

// Runs the main window as a modal dialog, in the dialog's own message loop.
BOOL CTvClientApp::InitInstance()
{
    AfxEnableControlContainer();
    m_hMutex = ::CreateMutexA(nullptr, FALSE, kSingleInstanceMutex);
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        AfxMessageBox(kAlreadyRunning, MB_OK, 0);
        return FALSE;
    }
    CTvClientDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

// The exit code is 1 whatever happened.
int CTvClientApp::ExitInstance()
{
    ::CloseHandle(m_hMutex);
    return 1;
}
