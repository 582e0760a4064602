#include "mainwnd/TvClientDlg.h"

#include <cstring>

namespace {
const char kTrayTip[] = "Kalda网络电视";
const char kCloseItem[] = "关闭";
}  // namespace

void CTvClientDlg::AddTrayIcon()
{
    // The record's first layout, which every version of the shell accepts.
    m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_nid.hWnd = m_hWnd;
    m_nid.uID = TRAY_ICON_UID;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAYNOTIFY;
    m_nid.hIcon = m_hIcon;
    std::strncpy(m_nid.szTip, kTrayTip, sizeof(m_nid.szTip) - 1);
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
}

// A left click hides or shows the window; a right click offers to close the client.
LRESULT CTvClientDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam != TRAY_ICON_UID)
        return 0;
    if (lParam == WM_LBUTTONDOWN || lParam == WM_LBUTTONDBLCLK) {
        m_bWindowShown = !m_bWindowShown;
        ShowWindow(m_bWindowShown ? SW_SHOWNORMAL : SW_HIDE);
    } else if (lParam == WM_RBUTTONDOWN) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, IDCANCEL, kCloseItem);
        menu.TrackPopupMenu(0, cursor.x, cursor.y, this);
    }
    return 1;
}

// Playback stops as with the stop button, and the icon goes with the window. A dialog that
// failed to create its controls has no player to stop.
void CTvClientDlg::OnDestroy()
{
    if (m_player.GetControlDispatch() != nullptr)
        OnStopClicked();
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
    CDialog::OnDestroy();
}
