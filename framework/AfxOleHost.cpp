// The host window class: one per class id a dialog template names, each window hosting one control.
#include "AfxOleInternal.h"

#include <set>
#include <string>

namespace {

bool g_bContainerEnabled = false;

const char kSiteProperty[] = "AfxControlSite";

typedef CControlCreationScope::InitDataMap InitDataMap;
// The init data of the dialog being created on this thread.
thread_local const InitDataMap* t_pInitData = nullptr;

// The window procedure of every host window: it owns its site and keeps the control's
// window the size of itself.
LRESULT CALLBACK ControlHostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        char className[64] = "";
        ::GetClassNameA(hWnd, className, sizeof(className));
        WCHAR wideName[64];
        ::MultiByteToWideChar(CP_ACP, 0, className, -1, wideName, ARRAYSIZE(wideName));
        CLSID clsid;
        if (FAILED(::CLSIDFromString(wideName, &clsid)))
            return -1;
        const std::vector<BYTE>* pInitData = nullptr;
        if (t_pInitData != nullptr) {
            auto found = t_pInitData->find(static_cast<UINT>(::GetDlgCtrlID(hWnd)));
            if (found != t_pInitData->end())
                pInitData = &found->second;
        }
        COleControlSite* pSite = new COleControlSite(hWnd);
        ::SetPropA(hWnd, kSiteProperty, pSite);
        // A control that cannot be created fails the whole dialog.
        return SUCCEEDED(pSite->CreateControl(clsid, pInitData)) ? 0 : -1;
    }
    case WM_SIZE:
        if (COleControlSite* pSite = AfxGetControlSite(hWnd))
            pSite->Resize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        if (COleControlSite* pSite = AfxGetControlSite(hWnd))
            pSite->FocusControl();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the control paints all of it
    case WM_DESTROY:
        if (COleControlSite* pSite = AfxGetControlSite(hWnd))
            pSite->DestroyControl();
        return 0;
    case WM_NCDESTROY:
        if (COleControlSite* pSite = AfxGetControlSite(hWnd)) {
            ::RemovePropA(hWnd, kSiteProperty);
            pSite->Release();
        }
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

void RegisterHostClass(const std::string& name)
{
    static std::set<std::string> registered;
    if (!registered.insert(name).second)
        return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ControlHostProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = name.c_str();
    ::RegisterClassA(&wc);
}

}  // namespace

COleControlSite* AfxGetControlSite(HWND hWndHost)
{
    return static_cast<COleControlSite*>(::GetPropA(hWndHost, kSiteProperty));
}

void AfxEnableControlContainer()
{
    if (g_bContainerEnabled)
        return;
    ::OleInitialize(nullptr);
    g_bContainerEnabled = true;
}

CControlCreationScope::CControlCreationScope(HINSTANCE hInstance, UINT nIDTemplate, const CDialogTemplate& dlgTemplate)
    : m_pPrevious(t_pInitData)
{
    if (!g_bContainerEnabled)
        return;
    for (const std::wstring& name : dlgTemplate.GetItemClassNames()) {
        if (name[0] == L'{')
            RegisterHostClass(std::string(AfxWideToAnsi(name.c_str(), static_cast<int>(name.size()))));
    }
    m_initData = AfxLoadControlInitData(hInstance, nIDTemplate);
    t_pInitData = &m_initData;
}

CControlCreationScope::~CControlCreationScope() { t_pInitData = m_pPrevious; }
