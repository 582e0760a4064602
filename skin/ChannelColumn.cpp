#include "skin/ChannelColumn.h"

#include "skin/SkinCatalogue.h"
#include "skin/SkinGeometry.h"

namespace {

void MoveTo(CWnd& wnd, UINT nCtrlId, const Placement& place)
{
    wnd.GetDlgItem(static_cast<int>(nCtrlId))->MoveWindow(place.x, place.y, place.cx, place.cy, TRUE);
}

}  // namespace

void CChannelColumn::CaptureRects(const CWnd& wnd)
{
    wnd.GetDlgItem(IDC_WEB_MIDDLE)->GetWindowRect(&m_rcLowerPane);
    wnd.GetDlgItem(IDC_WEB_LIST)->GetWindowRect(&m_rcListPane);
    wnd.GetDlgItem(IDC_LIST_TOGGLE)->GetWindowRect(&m_rcToggle);
    wnd.GetDlgItem(IDC_LOGO)->GetWindowRect(&m_rcLogo);
}

void CChannelColumn::Toggle(CWnd& wnd, CSkinImages& images)
{
    const bool bCollapse = !m_bListHidden;
    const int nShow = bCollapse ? SW_HIDE : SW_SHOW;
    wnd.GetDlgItem(IDC_LIST_HEADER)->ShowWindow(nShow);
    for (const ChannelButton& button : kChannelButtons)
        wnd.GetDlgItem(static_cast<int>(button.nCtrlId))->ShowWindow(nShow);
    images.Show(IDC_LIST_TOGGLE, bCollapse ? IDB_LIST_HANDLE_COLLAPSED : IDB_LIST_HANDLE_SHOWN);

    const ChannelColumnLayout layout =
        LayoutChannelColumn(bCollapse, m_rcListPane, m_rcToggle, m_rcLowerPane, m_rcLogo);
    MoveTo(wnd, IDC_WEB_LIST, layout.listPane);
    MoveTo(wnd, IDC_LIST_TOGGLE, layout.toggle);
    MoveTo(wnd, IDC_WEB_MIDDLE, layout.lowerPane);
    MoveTo(wnd, IDC_PLAYER, layout.player);

    m_bListHidden = bCollapse;
    wnd.Invalidate(TRUE);
}
