#include "skin/TabHover.h"

#include "skin/SkinGeometry.h"

void CTabHover::CaptureRects(const CWnd& wnd)
{
    for (int k = 0; k < kPortalTabCount; ++k)
        wnd.GetDlgItem(static_cast<int>(kPortalTabs[k].nCtrlId))->GetWindowRect(&m_rcTab[k]);
}

void CTabHover::Track(CPoint point, CSkinImages& images)
{
    for (int k = 0; k < kPortalTabCount; ++k) {
        const bool bInside = IsInTabHoverZone(m_rcTab[k], point);
        if (bInside == m_bTabHot[k])
            continue;
        const UINT nCtrlId = kPortalTabs[k].nCtrlId;
        images.Show(nCtrlId, bInside ? kPortalTabs[k].nHotBitmap : StartBitmapOf(nCtrlId));
        m_bTabHot[k] = bInside;
    }
}
