#include "PlayerMenu.h"

PlayerMenuCommand TrackPlayerMenu(HWND owner, POINT screenPoint, const PlayerMenuState& menuState)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return MENU_NONE;
    // One item toggles: it pauses what plays and plays what is paused or stopped.
    const bool pauses = menuState.state == PLAYSTATE_PLAYING || menuState.state == PLAYSTATE_CONNECTING;
    const bool playPauseEnabled = menuState.state == PLAYSTATE_PLAYING || menuState.state == PLAYSTATE_PAUSED ||
                                  (menuState.state == PLAYSTATE_STOPPED && menuState.hasAddress);
    AppendMenuA(menu, MF_STRING | (playPauseEnabled ? 0 : MF_GRAYED), MENU_PLAYPAUSE, pauses ? "暂停" : "播放");
    AppendMenuA(menu, MF_STRING | (menuState.state == PLAYSTATE_STOPPED ? MF_GRAYED : 0), MENU_STOP, "停止");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | (menuState.fullScreen ? MF_CHECKED : 0), MENU_FULLSCREEN, "全屏");
    UINT command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                    screenPoint.x, screenPoint.y, 0, owner, nullptr));
    DestroyMenu(menu);
    return static_cast<PlayerMenuCommand>(command);
}
