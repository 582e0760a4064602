// The portal tabs of the title bar: where they are, their hot look under the mouse and the pages
// their clicks open in the browser.
//
// The rectangles are window rectangles taken while the window stood at the screen's origin, so
// they measure from the window's outer corner; points are in client coordinates.
#pragma once

#include <windows.h>

#include "AfxGeometry.h"
#include "AfxWnd.h"
#include "skin/SkinCatalogue.h"
#include "skin/SkinGeometry.h"
#include "skin/SkinImages.h"

// A click opens a portal tab's page inside its rectangle shifted for the caption; every edge is outside.
inline bool IsInTabClickBand(const CRect& rcTab, CPoint point)
{
    return rcTab.left < point.x && point.x < rcTab.right && rcTab.top - 20 < point.y &&
           point.y < rcTab.bottom - kLayoutTopOffset;
}

// A portal tab lights up while the mouse is inside its click band shrunk by 10 pixels.
inline bool IsInTabHoverZone(CRect rcTab, CPoint point)
{
    rcTab.InflateRect(-10, -10);
    return IsInTabClickBand(rcTab, point);
}

// The portal's home page: the first tab's, and the logo's too.
extern const char kPortalHome[];

// Opens a page of the portal in its own browser, owned by the window.
void OpenPortalPage(const CWnd& owner, LPCSTR lpszAddress);

class CPortalTabs {
public:
    // Takes the tabs' rectangles; the window must stand at the screen's origin.
    void CaptureRects(const CWnd& wnd);
    // Lights up the tab under the point and puts out the others, loading a bitmap only when a tab
    // crosses its zone's edge.
    void Track(CPoint point, CSkinImages& images);
    // The tabs take no clicks themselves: every tab whose band holds the point opens its page, in tab order.
    void Click(const CWnd& wnd, CPoint point) const;

    // Tab number k's rectangle at k - 1, as captured.
    const CRect& TabRect(int nTab) const { return m_rcTab[nTab]; }

private:
    CRect m_rcTab[kPortalTabCount];
    bool m_bTabHot[kPortalTabCount] = {};
};
