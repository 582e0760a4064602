// The control's own right-click menu.
#pragma once

#include <windows.h>

#include "product/PlayerContract.h"

enum PlayerMenuCommand : UINT {
    MENU_NONE = 0,
    MENU_PLAYPAUSE = 1,
    MENU_STOP,
    MENU_FULLSCREEN,
};

struct PlayerMenuState {
    PlayState state;
    bool hasAddress;
    bool fullScreen;
};

// Shows the menu at a screen point and returns the chosen command.
PlayerMenuCommand TrackPlayerMenu(HWND owner, POINT screenPoint, const PlayerMenuState& menuState);
