#include "mainwnd/TvClientDlg.h"

#include <cstring>

#include "channels/OnlineCountText.h"
#include "skin/SkinGeometry.h"

namespace {

const char kOnlineTipPrefix[] = "当前在线人数：";
const char kOnlineTipSuffix[] = ".双击收看";

}  // namespace

void CTvClientDlg::OnMouseMove(UINT, CPoint point)
{
    for (int k = 0; k < kPortalTabCount; ++k)
        UpdateTabHover(kPortalTabs[k].nCtrlId, point, m_rcTab[k], kPortalTabs[k].nHotBitmap,
                       kPortalTabs[k].nNormalBitmap, k + 1);
    // The counts may have changed since the last move: the texts are rebuilt every time.
    for (int i = 0; i < kChannelButtonCount; ++i) {
        // A channel the table does not hold reads like one whose count could not be fetched.
        LPCSTR count = i < m_arrOnlineCount.GetSize() ? static_cast<LPCSTR>(m_arrOnlineCount.GetAt(i))
                                                      : kCountUnavailable;
        m_tipChannel[i].UpdateTipText(CString(kOnlineTipPrefix) + count + kOnlineTipSuffix, m_pChannelButton[i]);
    }
    Default();
}

// A bitmap is loaded and shown only when the tab crosses its zone's edge.
void CTvClientDlg::UpdateTabHover(UINT nCtrlId, CPoint point, CRect rc, UINT nHotBitmap, UINT nNormalBitmap, int nTab)
{
    int& bHot = m_bTabHot[nTab - 1];
    bool bInside = IsInTabHoverZone(rc, point);
    if (bInside && !bHot) {
        ShowBitmap(nCtrlId, nHotBitmap);
        bHot = 1;
    } else if (!bInside && bHot) {
        ShowBitmap(nCtrlId, nNormalBitmap);
        bHot = 0;
    }
}

// Only statics that take the mouse ever name themselves here, so the hand marks what is clickable.
BOOL CTvClientDlg::OnSetCursor(CWnd* pWnd, UINT, UINT)
{
    char className[80] = "";
    if (pWnd != nullptr)
        ::GetClassNameA(pWnd->m_hWnd, className, sizeof(className));
    if (std::strcmp(className, "Static") == 0) {
        ::SetCursor(::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDC_SKIN_HAND)));
        return TRUE;
    }
    return static_cast<BOOL>(Default());
}
