#include "tray/TrayIcon.h"

#include <cstring>

#include "AfxMenu.h"

namespace {
const char kTrayTip[] = "Kalda网络电视";
const char kCloseItem[] = "关闭";
}  // namespace

void CTrayIcon::Add(CWnd& wnd, HICON hIcon)
{
    // The record's first layout, which every version of the shell accepts.
    m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_nid.hWnd = wnd.m_hWnd;
    m_nid.uID = kIconId;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAYNOTIFY;
    m_nid.hIcon = hIcon;
    std::strncpy(m_nid.szTip, kTrayTip, sizeof(m_nid.szTip) - 1);
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
    m_bWindowShown = true;
}

void CTrayIcon::Remove()
{
    if (m_nid.hWnd == nullptr)
        return;
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
    m_nid.hWnd = nullptr;
}

BOOL CTrayIcon::OnNotify(CWnd& wnd, WPARAM nIconId, LPARAM nMouseMessage)
{
    if (nIconId != kIconId)
        return FALSE;
    if (nMouseMessage == WM_LBUTTONDOWN || nMouseMessage == WM_LBUTTONDBLCLK) {
        m_bWindowShown = !m_bWindowShown;
        wnd.ShowWindow(m_bWindowShown ? SW_SHOWNORMAL : SW_HIDE);
    } else if (nMouseMessage == WM_RBUTTONDOWN) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, IDCANCEL, kCloseItem);
        menu.TrackPopupMenu(0, cursor.x, cursor.y, &wnd);
    }
    return TRUE;
}

void CTrayIcon::HideWindow(CWnd& wnd)
{
    m_bWindowShown = false;
    wnd.ShowWindow(SW_HIDE);
}
