#include "mainwnd/TvClientDlg.h"

void CTvClientDlg::ShowBitmap(UINT nCtrlId, UINT nBitmapId)
{
    GetDlgItem(static_cast<int>(nCtrlId))
        ->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_bitmaps.Get(nBitmapId)));
}

void CTvClientDlg::InitSkinImages()
{
    static const struct {
        UINT nCtrlId;
        UINT nBitmapId;
    } startImages[] = {
        // Player bar
        {IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON}, {IDC_STOP, IDB_STOP_BUTTON}, {IDC_VOLUME_DOWN, IDB_VOLUME_DOWN},
        {IDC_VOLUME_UP, IDB_VOLUME_UP}, {IDC_MUTE, IDB_SOUND_ON}, {IDC_BAR_RIGHT_END, IDB_BAR_RIGHT_END},
        // Title bar
        {IDC_LOGO, IDB_LOGO}, {IDC_TAB1, IDB_TAB1}, {IDC_TAB2, IDB_TAB2}, {IDC_TAB3, IDB_TAB3},
        {IDC_TAB4, IDB_TAB4}, {IDC_TAB5, IDB_TAB5}, {IDC_TAB6, IDB_TAB6}, {IDC_HELP_TAB, IDB_HELP_TAB},
        {IDC_SIGNOFF, IDB_SIGNOFF}, {IDC_TOPBAR_PANEL, IDB_TOPBAR_PANEL}, {IDC_FRAME_VERTICAL, IDB_FRAME_VERTICAL},
        {IDC_FRAME_STRIP, IDB_FRAME_STRIP}, {IDC_HIDE_BUTTON, IDB_HIDE_BUTTON},
        {IDC_FULLSCREEN_BUTTON, IDB_FULLSCREEN_BUTTON}, {IDC_CLOSE_BUTTON, IDB_CLOSE_BUTTON},
        {IDC_TITLE_PANEL, IDB_TITLE_PANEL}, {IDC_TITLE_RIGHT_END, IDB_TITLE_RIGHT_END},
        // Rest of the bar
        {IDC_BAR_LEFT_END, IDB_BAR_LEFT_END}, {IDC_BAR_BACKGROUND, IDB_BAR_BACKGROUND},
        {IDC_BAR_FULLSCREEN, IDB_BAR_FULLSCREEN},
        // Channel column
        {IDC_LIST_TOGGLE, IDB_LIST_HANDLE_SHOWN}, {IDC_LIST_HEADER, IDB_LIST_HEADER},
    };
    for (const auto& image : startImages)
        ShowBitmap(image.nCtrlId, image.nBitmapId);
    ResetChannelButtons();
    // Channel 0 is the current channel at start.
    ShowBitmap(kChannelButtonIds[0], kChannelSelectedBitmaps[0]);
}

void CTvClientDlg::ResetChannelButtons()
{
    for (int i = 0; i < kChannelButtonCount; ++i)
        ShowBitmap(kChannelButtonIds[i], kChannelNormalBitmaps[i]);
}
