// The screen's size and display mode, behind a seam so that tests can stand in for the screen.
#pragma once

#include <windows.h>

// The client's layout needs at least 1024 x 768 pixels.
constexpr int kMinScreenWidth = 1024;
constexpr int kMinScreenHeight = 768;

inline bool NeedsResolutionChange(SIZE screen)
{
    return screen.cx < kMinScreenWidth || screen.cy < kMinScreenHeight;
}

class CDisplay {
public:
    virtual ~CDisplay() = default;
    // Width and height in pixels of the screen the window opens on.
    virtual SIZE GetScreenSize();
    // Switches to 1024 x 768 at the current refresh rate and colour depth, for this session only.
    virtual void SwitchToMinimumMode();
};
