#include "portal/PortalTabs.h"

#include <shellapi.h>

// The portal's hosts: its main one, its sports one and its community.
#define PORTAL_MAIN "http://www.kalda.tv"
#define PORTAL_SPORTS "http://sports.kalda.tv"
#define PORTAL_COMMUNITY "http://club.kalda.tv"

namespace {

// The page of each portal tab, tab number k at k - 1.
const char* const kTabPages[kPortalTabCount] = {
    kPortalHome,
    PORTAL_MAIN "/film_new/default.jsp",
    PORTAL_SPORTS "/sports/index.jsp",
    PORTAL_MAIN "/music/music.jsp",
    PORTAL_COMMUNITY "/top.do",
    PORTAL_MAIN "/finance/finance.jsp",
};

const char kBrowser[] = "IEXPLORE.EXE";

}  // namespace

const char kPortalHome[] = PORTAL_MAIN;

// Always the same browser, whatever the system's default one.
void OpenPortalPage(const CWnd& owner, LPCSTR lpszAddress)
{
    ::ShellExecuteA(owner.m_hWnd, "Open", kBrowser, lpszAddress, nullptr, SW_SHOWNORMAL);
}

void CPortalTabs::CaptureRects(const CWnd& wnd)
{
    for (int k = 0; k < kPortalTabCount; ++k)
        wnd.GetDlgItem(static_cast<int>(kPortalTabs[k].nCtrlId))->GetWindowRect(&m_rcTab[k]);
}

void CPortalTabs::Track(CPoint point, CSkinImages& images)
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

void CPortalTabs::Click(const CWnd& wnd, CPoint point) const
{
    for (int k = 0; k < kPortalTabCount; ++k) {
        if (IsInTabClickBand(m_rcTab[k], point))
            OpenPortalPage(wnd, kTabPages[k]);
    }
}
