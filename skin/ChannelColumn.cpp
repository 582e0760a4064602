#include "mainwnd/TvClientDlg.h"

#include "skin/SkinGeometry.h"

namespace {

void MoveTo(CWnd& wnd, const Placement& place)
{
    wnd.MoveWindow(place.x, place.y, place.cx, place.cy, TRUE);
}

}  // namespace

void CTvClientDlg::ToggleChannelList()
{
    const bool bCollapse = !m_bListHidden;
    const int nShow = bCollapse ? SW_HIDE : SW_SHOW;
    m_imgListHeader.ShowWindow(nShow);
    for (CStatic& button : m_imgChannel)
        button.ShowWindow(nShow);

    m_imgListToggle.ModifyStyle(0, SS_BITMAP, 0);
    ShowBitmap(IDC_LIST_TOGGLE, bCollapse ? IDB_LIST_HANDLE_COLLAPSED : IDB_LIST_HANDLE_SHOWN);

    ChannelColumnLayout layout = LayoutChannelColumn(bCollapse, m_rcListPane, m_rcToggle, m_rcLowerPane, m_rcLogo);
    MoveTo(m_webList, layout.listPane);
    MoveTo(m_imgListToggle, layout.toggle);
    MoveTo(m_webMiddle, layout.lowerPane);
    MoveTo(m_player, layout.player);

    m_bListHidden = bCollapse ? 1 : 0;
    Invalidate(TRUE);
}

void CTvClientDlg::OnHideToTray()
{
    m_bWindowShown = 0;
    ShowWindow(SW_HIDE);
}
