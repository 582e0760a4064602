#include "AfxControls.h"

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    HWND hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    return hWnd != nullptr && SubclassWindow(hWnd);
}

TOOLINFOA CToolTipCtrl::MakeToolInfo(CWnd* pWnd, LPCSTR lpszText)
{
    TOOLINFOA info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND;
    info.hwnd = pWnd->GetSafeHwnd();
    info.uId = reinterpret_cast<UINT_PTR>(pWnd->GetSafeHwnd());
    info.lpszText = const_cast<LPSTR>(lpszText);
    return info;
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText)
{
    TOOLINFOA info = MakeToolInfo(pWnd, lpszText);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(LPCSTR lpszText, CWnd* pWnd)
{
    TOOLINFOA info = MakeToolInfo(pWnd, lpszText);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::SetTipTextColor(COLORREF clr) { SendMessage(TTM_SETTIPTEXTCOLOR, clr); }

void CToolTipCtrl::SetDelayTime(DWORD dwDuration, int iTime)
{
    SendMessage(TTM_SETDELAYTIME, dwDuration, MAKELPARAM(iTime, 0));
}

void CToolTipCtrl::RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg)); }
