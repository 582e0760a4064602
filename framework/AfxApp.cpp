#include "AfxApp.h"

#include "AfxWnd.h"

namespace {

CWinApp* g_pApp = nullptr;

std::string ModuleBaseName()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

}  // namespace

CWinApp::CWinApp() : m_pMainWnd(nullptr), m_strAppName(ModuleBaseName())
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt)
{
    HWND hWndOwner = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr;
    return ShowMessageBox(hWndOwner, lpszPrompt, m_strAppName.c_str(), nType, nIDPrompt);
}

int CWinApp::ShowMessageBox(HWND hWndOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType, DWORD dwContextHelpId)
{
    MSGBOXPARAMSA params{};
    params.cbSize = sizeof(params);
    params.hwndOwner = hWndOwner;
    params.lpszText = lpszText;
    params.lpszCaption = lpszCaption;
    params.dwStyle = nType;
    params.dwContextHelpId = dwContextHelpId;
    return ::MessageBoxIndirectA(&params);
}

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleA(nullptr); }

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    if ((nType & MB_ICONMASK) == 0)
        nType |= MB_ICONEXCLAMATION;
    return AfxGetApp()->DoMessageBox(lpszText, nType, nIDHelp);
}

int AfxWinMain()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    // The application's windows run modally inside InitInstance, each in its own loop.
    pApp->InitInstance();
    return pApp->ExitInstance();
}
