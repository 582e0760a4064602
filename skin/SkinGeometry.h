// The layout arithmetic of the skin: the caption's offset and the collapsible channel column.
//
// The rectangles are window rectangles taken while the window stood at the screen's origin, so
// they measure from the window's outer corner; moves are in client coordinates.
#pragma once

#include "AfxGeometry.h"

// The caption and frame above the client area, as the layout counts it.
constexpr int kLayoutTopOffset = 31;

// A place for MoveWindow in the client area.
struct Placement {
    int x;
    int y;
    int cx;
    int cy;

    bool operator==(const Placement& other) const
    {
        return x == other.x && y == other.y && cx == other.cx && cy == other.cy;
    }
};

// Where the column's moving parts go.
struct ChannelColumnLayout {
    Placement listPane;
    Placement toggle;
    Placement lowerPane;
    Placement player;
};

// P, T, B and G are the captured rectangles of the list pane, the handle, the pane below the
// video and the logo. Collapsed, the lower pane and the player widen over the list pane's width.
inline ChannelColumnLayout LayoutChannelColumn(bool bCollapsed, const CRect& P, const CRect& T, const CRect& B,
                                               const CRect& G)
{
    const int shift = bCollapsed ? P.Width() : 0;
    ChannelColumnLayout layout;
    layout.listPane = bCollapsed ? Placement{0, 0, 0, 0}
                                 : Placement{P.left, P.top - kLayoutTopOffset, P.Width(), P.Height()};
    layout.toggle = {T.left - shift - 2, T.top - kLayoutTopOffset, T.Width(), T.Height()};
    layout.lowerPane = {B.left - shift, B.top - kLayoutTopOffset, B.Width() + shift, B.Height()};
    layout.player = {B.left - shift, G.bottom - kLayoutTopOffset, B.Width() + shift, B.top - G.bottom};
    return layout;
}
