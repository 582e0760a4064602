#include "AfxWnd.h"

#include <map>
#include <memory>
#include <new>

#include "AfxApp.h"
#include "AfxDialog.h"
#include "AfxException.h"
#include "AfxMenu.h"
#include "AfxTempMap.h"

namespace {

std::map<HWND, CWnd*>& PermanentMap()
{
    static std::map<HWND, CWnd*> map;
    return map;
}

using CTempWndMap = CTempHandleMap<CWnd, HWND, &CWnd::m_hWnd>;

// Mouse positions are signed: a point left of or above a window is negative.
CPoint PointFromLParam(LPARAM lParam)
{
    return CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
}

// The message being handled on this thread, for Default().
thread_local MSG t_currentMessage;
thread_local CWnd* t_pWndInit = nullptr;

}  // namespace

BOOL AfxCallHandler(const std::function<void()>& handler)
{
    try {
        handler();
        return TRUE;
    } catch (const CException& e) {
        e.ReportError(MB_ICONSTOP);
    } catch (const std::bad_alloc&) {
        AfxMessageBox("Out of memory.", MB_ICONSTOP);
    }
    return FALSE;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);

    MSG previous = t_currentMessage;
    t_currentMessage = MSG{hWnd, message, wParam, lParam, 0, {0, 0}};
    LRESULT lResult = 0;
    // Nothing may unwind through the system's window-procedure frames.
    if (!AfxCallHandler([&] { lResult = pWnd->WindowProc(message, wParam, lParam); })) {
        if (message == WM_PAINT)
            ::ValidateRect(hWnd, nullptr);  // else the window would ask to be painted for ever
        lResult = message == WM_CREATE ? -1 : 0;
    }
    t_currentMessage = previous;
    if (message == WM_NCDESTROY)
        pWnd->OnNcDestroyed();
    return lResult;
}

LRESULT CALLBACK AfxCbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && t_pWndInit != nullptr) {
        CWnd* pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        pWnd->SubclassWindow(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

CWndCreationHook::CWndCreationHook(CWnd* pWnd)
    : m_hHook(::SetWindowsHookExA(WH_CBT, AfxCbtFilterHook, nullptr, ::GetCurrentThreadId()))
{
    t_pWndInit = pWnd;
}

CWndCreationHook::~CWndCreationHook()
{
    t_pWndInit = nullptr;
    ::UnhookWindowsHookEx(m_hHook);
}

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

CWnd::~CWnd()
{
    if (m_hWnd == nullptr)
        return;
    // The derived parts are gone: detach first so that no handler runs on them.
    HWND hWnd = m_pfnSuper != nullptr ? UnsubclassWindow() : Detach();
    ::DestroyWindow(hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto found = PermanentMap().find(hWnd);
    return found == PermanentMap().end() ? nullptr : found->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    return CTempWndMap::FromHandle(hWnd);
}

void CWnd::DeleteTempMap()
{
    CTempWndMap::DeleteAll();
    CMenu::DeleteTempMap();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (hWnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hWnd) != nullptr)
        return FALSE;
    m_hWnd = hWnd;
    PermanentMap()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr)
        PermanentMap().erase(hWnd);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hWndControl != nullptr && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper != nullptr)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd != nullptr && ::DestroyWindow(m_hWnd);
}

void CWnd::OnNcDestroyed()
{
    if (m_hWnd == nullptr)
        return;
    UnsubclassWindow();
}

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD style = static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE));
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
    if (nFlags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }

void CWnd::CenterWindow()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const CRect area(monitor.rcWork);
    CRect window;
    GetWindowRect(&window);
    int x = area.left + (area.Width() - window.Width()) / 2;
    int y = area.top + (area.Height() - window.Height()) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                               reinterpret_cast<LPARAM>(hIcon)));
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
{
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return AfxGetApp()->ShowMessageBox(m_hWnd, lpszText, lpszCaption, nType, 0);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::UpdateData()
{
    CDataExchange dx(this);
    DoDataExchange(&dx);
}

BOOL CWnd::WalkPreTranslateTree(MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != nullptr && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if ((::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) == 0)
            break;
    }
    return FALSE;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY messageEntries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, &messageEntries[0]};
    return &messageMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CWnd::FindEntry(UINT message, UINT nCode, UINT nID) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap != nullptr ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->nSig != AfxSig_end; ++pEntry) {
            if (pEntry->nMessage != message)
                continue;
            if (message != WM_COMMAND)
                return pEntry;
            if (pEntry->nCode == nCode && pEntry->nID <= nID && nID <= pEntry->nLastID)
                return pEntry;
        }
    }
    return nullptr;
}

// Each entry's handler was stored from the signature its entry names; it is cast back to that one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
LRESULT CWnd::Dispatch(const AFX_MSGMAP_ENTRY& entry, WPARAM wParam, LPARAM lParam)
{
    switch (entry.nSig) {
    case AfxSig_v_v:
        (this->*entry.pfn)();
        return 0;
    case AfxSig_v_u:
        (this->*reinterpret_cast<void (CWnd::*)(UINT)>(entry.pfn))(LOWORD(wParam));
        return 0;
    case AfxSig_v_u_l:
        (this->*reinterpret_cast<void (CWnd::*)(UINT, LPARAM)>(entry.pfn))(static_cast<UINT>(wParam), lParam);
        return 0;
    case AfxSig_v_u_pt:
        (this->*reinterpret_cast<void (CWnd::*)(UINT, CPoint)>(entry.pfn))(
            static_cast<UINT>(wParam), PointFromLParam(lParam));
        return 0;
    case AfxSig_v_up:
        (this->*reinterpret_cast<void (CWnd::*)(UINT_PTR)>(entry.pfn))(wParam);
        return 0;
    case AfxSig_b_W_u_u:
        return (this->*reinterpret_cast<BOOL (CWnd::*)(CWnd*, UINT, UINT)>(entry.pfn))(
            FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
    case AfxSig_h_v:
        return reinterpret_cast<LRESULT>((this->*reinterpret_cast<HCURSOR (CWnd::*)()>(entry.pfn))());
    case AfxSig_l_w_l:
        return (this->*reinterpret_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(entry.pfn))(wParam, lParam);
    case AfxSig_end:
        break;
    }
    return 0;
}
#pragma GCC diagnostic pop

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        *pResult = 0;
        return OnCommand(wParam, lParam);
    }
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(message, 0, 0);
    if (pEntry == nullptr)
        return FALSE;
    *pResult = Dispatch(*pEntry, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // Menus and accelerators both count as commands; controls keep their notification code.
    UINT nCode = lParam == 0 ? CN_COMMAND : HIWORD(wParam);
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(WM_COMMAND, nCode, LOWORD(wParam));
    if (pEntry == nullptr)
        return FALSE;
    Dispatch(*pEntry, wParam, lParam);
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_currentMessage.message, t_currentMessage.wParam, t_currentMessage.lParam);
}

void CWnd::OnDestroy() { Default(); }
