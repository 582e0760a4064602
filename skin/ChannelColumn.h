// The channel column at the window's left, which its handle folds away and brings back.
#pragma once

#include "AfxGeometry.h"
#include "AfxWnd.h"
#include "skin/SkinImages.h"

class CChannelColumn {
public:
    // Takes the rectangles the layout derives from; the window must stand at the screen's origin.
    void CaptureRects(const CWnd& wnd);
    // Collapses an expanded column or expands a collapsed one, moving the panes and the player.
    void Toggle(CWnd& wnd, CSkinImages& images);

private:
    bool m_bListHidden = false;
    CRect m_rcListPane;
    CRect m_rcToggle;
    CRect m_rcLogo;
    CRect m_rcLowerPane;
};
