// The icon in the notification area, which hides and shows the window and offers to close it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "AfxWnd.h"

// The icon's mouse events reach the window with this message.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 5;

class CTrayIcon {
public:
    static constexpr UINT kIconId = 221;

    // Adds the icon for the window, which is then shown.
    void Add(CWnd& wnd, HICON hIcon);
    // Takes the icon away; nothing happens when there is none.
    void Remove();
    // Handles a WM_TRAYNOTIFY: a left click hides or shows the window, a right click offers to close
    // the client. FALSE for another icon's message.
    BOOL OnNotify(CWnd& wnd, WPARAM nIconId, LPARAM nMouseMessage);
    void HideWindow(CWnd& wnd);

    // The icon's registration record, as the shell was given it.
    const NOTIFYICONDATAA& Record() const { return m_nid; }

private:
    NOTIFYICONDATAA m_nid = {};
    bool m_bWindowShown = false;
};
