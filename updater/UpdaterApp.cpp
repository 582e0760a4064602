#include "UpdaterApp.h"

#include <commctrl.h>

#include <string>

#include "ProgressDlg.h"
#include "UpdaterResource.h"
#include "config/Configuration.h"

namespace {

// From the installation folder, the current directory, as the client was started before.
bool StartClient()
{
    std::string commandLine = product::kClient;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(product::kClient, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return false;
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return true;
}

}  // namespace

CUpdaterApp theApp;

// The progress window runs the update; the one message comes after it has gone, once the update has
// let go of the installation.
BOOL CUpdaterApp::InitInstance()
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&classes);
    CProgressDlg dlg;
    m_pMainWnd = &dlg;
    const INT_PTR nResult = dlg.DoModal();
    m_pMainWnd = nullptr;
    if (nResult == IDCANCEL)
        return FALSE;  // the user's own choice: nothing to say, and nothing to start
    if (nResult != IDOK) {
        AfxMessageBox(FailureMessage(dlg.Failure()), MB_OK);
        return FALSE;
    }
    m_nExitCode = 0;
    if (!StartClient())
        AfxMessageBox(LoadText(IDS_RESTART_FAILED, {product::kClient}), MB_OK);
    return FALSE;
}

int CUpdaterApp::ExitInstance()
{
    return m_nExitCode;
}
