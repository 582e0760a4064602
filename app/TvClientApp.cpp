#include "app/TvClientApp.h"

#include <string>

#include "config/Configuration.h"
#include "mainwnd/TvClientDlg.h"
#include "product/PlayerContract.h"
#include "updater/Journal.h"

namespace {

const char kAlreadyRunning[] = "Kalda网络电视的一个实例已经运行!";

// An installation copied by hand, or one whose registration failed, has no player to host.
bool IsPlayerRegistered()
{
    IClassFactory* pFactory = nullptr;
    if (FAILED(::CoGetClassObject(CLSID_P2PPlayer, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                  nullptr, IID_IClassFactory, reinterpret_cast<void**>(&pFactory))))
        return false;
    pFactory->Release();
    return true;
}

}  // namespace

CTvClientApp theApp;

CTvClientApp::CTvClientApp() : m_hMutex(nullptr) {}

// Runs the main window as a modal dialog, in the dialog's own message loop.
BOOL CTvClientApp::InitInstance()
{
    AfxEnableControlContainer();
    m_hMutex = ::CreateMutexA(nullptr, FALSE, product::kSingleInstanceMutex);
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        AfxMessageBox(kAlreadyRunning, MB_OK, 0);
        return FALSE;
    }
    // Only the mutex's holder may take an update for cut off: an updater at work holds it too.
    if (!RecoverAtClientStart())
        return FALSE;
    CTvClientDlg dlg;
    m_pMainWnd = &dlg;
    const INT_PTR nResult = dlg.DoModal();
    m_pMainWnd = nullptr;
    // The window could not be made: without the player that is all the user would see.
    if (nResult == -1 && !IsPlayerRegistered())
        AfxMessageBox((std::string("找不到播放组件 ") + product::kPlayerComponent +
                       "（没有注册或已损坏），无法收看节目。\n请重新运行安装程序修复。").c_str(), MB_OK);
    return FALSE;
}

// The exit code is 1 whatever happened.
int CTvClientApp::ExitInstance()
{
    ::CloseHandle(m_hMutex);
    return 1;
}
