// Menus: the window menu and pop-up menus.
#pragma once

#include <windows.h>

class CWnd;

class CMenu {
public:
    CMenu();
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu;

    // A temporary object for a menu that the object does not own, such as the window menu.
    static CMenu* FromHandle(HMENU hMenu);
    static void DeleteTempMap();

    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd);
};
