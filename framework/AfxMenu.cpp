#include "AfxMenu.h"

#include <map>
#include <memory>

#include "AfxWnd.h"

namespace {

std::map<HMENU, std::unique_ptr<CMenu>>& TemporaryMap()
{
    static std::map<HMENU, std::unique_ptr<CMenu>> map;
    return map;
}

}  // namespace

CMenu::CMenu() : m_hMenu(nullptr) {}

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    if (hMenu == nullptr)
        return nullptr;
    auto& temporary = TemporaryMap()[hMenu];
    if (!temporary) {
        temporary = std::make_unique<CMenu>();
        temporary->m_hMenu = hMenu;
    }
    return temporary.get();
}

void CMenu::DeleteTempMap()
{
    for (auto& entry : TemporaryMap())
        entry.second->m_hMenu = nullptr;  // a temporary never owns its menu
    TemporaryMap().clear();
}

BOOL CMenu::CreatePopupMenu()
{
    DestroyMenu();
    m_hMenu = ::CreatePopupMenu();
    return m_hMenu != nullptr;
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == nullptr)
        return FALSE;
    BOOL bResult = ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    return bResult;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem)
{
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd)
{
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd->GetSafeHwnd(), nullptr);
}
