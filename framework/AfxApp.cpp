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

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(nullptr),
      m_hInstance(::GetModuleHandleA(nullptr)),
      m_pMainWnd(nullptr),
      m_strAppName(lpszAppName != nullptr ? lpszAppName : ModuleBaseName())
{
    m_pszAppName = m_strAppName.c_str();
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
{
    HWND hWndOwner = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr;
    return ShowMessageBox(hWndOwner, lpszPrompt, m_pszAppName, nType);
}

int CWinApp::ShowMessageBox(HWND hWndOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(hWndOwner, lpszText, lpszCaption, nType);
}

CWinApp* AFXAPI AfxGetApp() { return g_pApp; }

HINSTANCE AFXAPI AfxGetInstanceHandle() { return ::GetModuleHandleA(nullptr); }

HINSTANCE AFXAPI AfxGetResourceHandle() { return ::GetModuleHandleA(nullptr); }

int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    if ((nType & MB_ICONMASK) == 0)
        nType |= MB_ICONEXCLAMATION;
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return ::MessageBoxA(nullptr, lpszText, nullptr, nType);
    return pApp->DoMessageBox(lpszText, nType, nIDHelp);
}

int AFXAPI AfxWinMain()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    // The application's windows run modally inside InitInstance, each in its own loop.
    pApp->InitInstance();
    return pApp->ExitInstance();
}
