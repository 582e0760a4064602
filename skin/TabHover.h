// The portal tabs' hot look while the mouse is over them.
#pragma once

#include "Afx.h"
#include "skin/SkinCatalogue.h"
#include "skin/SkinImages.h"

class CTabHover {
public:
    // Takes the tabs' rectangles; the window must stand at the screen's origin.
    void CaptureRects(const CWnd& wnd);
    // Lights up the tab under the point and puts out the others, loading a bitmap only when a tab
    // crosses its zone's edge.
    void Track(CPoint point, CSkinImages& images);

    CRect m_rcTab[kPortalTabCount];
    bool m_bTabHot[kPortalTabCount] = {};
};
