// The window's image statics: which control shows which bitmap, and which of them take clicks.
#pragma once

#include <windows.h>

#include "resource.h"

constexpr int kChannelButtonCount = 14;
// The featured link plays the channel after the buttons' ones.
constexpr int kFeaturedChannel = kChannelButtonCount;
constexpr int kPortalTabCount = 6;

// A static that shows a skin bitmap; its start image is also its normal look.
struct ImageStatic {
    UINT nCtrlId;
    UINT nStartBitmap;
    bool bTakesClicks;
};

// Every static of the window but the featured channel's text link.
constexpr ImageStatic kImageStatics[] = {
    // Title bar
    {IDC_LOGO, IDB_LOGO, true},
    {IDC_TAB1, IDB_TAB1, false},
    {IDC_TAB2, IDB_TAB2, false},
    {IDC_TAB3, IDB_TAB3, false},
    {IDC_TAB4, IDB_TAB4, false},
    {IDC_TAB5, IDB_TAB5, false},
    {IDC_TAB6, IDB_TAB6, false},
    {IDC_HELP_TAB, IDB_HELP_TAB, true},
    {IDC_SIGNOFF, IDB_SIGNOFF, false},
    {IDC_TOPBAR_PANEL, IDB_TOPBAR_PANEL, false},
    {IDC_FRAME_VERTICAL, IDB_FRAME_VERTICAL, false},
    {IDC_FRAME_STRIP, IDB_FRAME_STRIP, false},
    {IDC_HIDE_BUTTON, IDB_HIDE_BUTTON, true},
    {IDC_FULLSCREEN_BUTTON, IDB_FULLSCREEN_BUTTON, true},
    {IDC_CLOSE_BUTTON, IDB_CLOSE_BUTTON, true},
    {IDC_TITLE_PANEL, IDB_TITLE_PANEL, false},
    {IDC_TITLE_RIGHT_END, IDB_TITLE_RIGHT_END, false},
    // Channel column: the handle takes clicks so that the column can be collapsed and expanded
    {IDC_LIST_TOGGLE, IDB_LIST_HANDLE_SHOWN, true},
    {IDC_LIST_HEADER, IDB_LIST_HEADER, false},
    {IDC_CHANNEL0, IDB_CHANNEL0, true},
    {IDC_CHANNEL1, IDB_CHANNEL1, true},
    {IDC_CHANNEL2, IDB_CHANNEL2, true},
    {IDC_CHANNEL3, IDB_CHANNEL3, true},
    {IDC_CHANNEL4, IDB_CHANNEL4, true},
    {IDC_CHANNEL5, IDB_CHANNEL5, true},
    {IDC_CHANNEL6, IDB_CHANNEL6, true},
    {IDC_CHANNEL7, IDB_CHANNEL7, true},
    {IDC_CHANNEL8, IDB_CHANNEL8, true},
    {IDC_CHANNEL9, IDB_CHANNEL9, true},
    {IDC_CHANNEL10, IDB_CHANNEL10, true},
    {IDC_CHANNEL11, IDB_CHANNEL11, true},
    {IDC_CHANNEL12, IDB_CHANNEL12, true},
    {IDC_CHANNEL13, IDB_CHANNEL13, true},
    // Player bar
    {IDC_BAR_LEFT_END, IDB_BAR_LEFT_END, false},
    {IDC_PLAY_PAUSE, IDB_PAUSE_BUTTON, true},
    {IDC_STOP, IDB_STOP_BUTTON, true},
    {IDC_VOLUME_DOWN, IDB_VOLUME_DOWN, true},
    {IDC_MUTE, IDB_SOUND_ON, true},
    {IDC_VOLUME_UP, IDB_VOLUME_UP, true},
    {IDC_BAR_RIGHT_END, IDB_BAR_RIGHT_END, false},
    {IDC_BAR_FULLSCREEN, IDB_BAR_FULLSCREEN, true},
    {IDC_BAR_BACKGROUND, IDB_BAR_BACKGROUND, false},
};

// The start image of an image static; 0 for any other control.
constexpr UINT StartBitmapOf(UINT nCtrlId)
{
    for (const ImageStatic& image : kImageStatics) {
        if (image.nCtrlId == nCtrlId)
            return image.nStartBitmap;
    }
    return 0;
}

struct ChannelButton {
    UINT nCtrlId;
    UINT nSelectedBitmap;
};

// Channel buttons in channel-index order.
constexpr ChannelButton kChannelButtons[kChannelButtonCount] = {
    {IDC_CHANNEL0, IDB_CHANNEL0_SELECTED},   {IDC_CHANNEL1, IDB_CHANNEL1_SELECTED},
    {IDC_CHANNEL2, IDB_CHANNEL2_SELECTED},   {IDC_CHANNEL3, IDB_CHANNEL3_SELECTED},
    {IDC_CHANNEL4, IDB_CHANNEL4_SELECTED},   {IDC_CHANNEL5, IDB_CHANNEL5_SELECTED},
    {IDC_CHANNEL6, IDB_CHANNEL6_SELECTED},   {IDC_CHANNEL7, IDB_CHANNEL7_SELECTED},
    {IDC_CHANNEL8, IDB_CHANNEL8_SELECTED},   {IDC_CHANNEL9, IDB_CHANNEL9_SELECTED},
    {IDC_CHANNEL10, IDB_CHANNEL10_SELECTED}, {IDC_CHANNEL11, IDB_CHANNEL11_SELECTED},
    {IDC_CHANNEL12, IDB_CHANNEL12_SELECTED}, {IDC_CHANNEL13, IDB_CHANNEL13_SELECTED},
};

// The channel index of a channel button, or -1 for any other control.
constexpr int ChannelIndexOf(UINT nCtrlId)
{
    for (int i = 0; i < kChannelButtonCount; ++i) {
        if (kChannelButtons[i].nCtrlId == nCtrlId)
            return i;
    }
    return -1;
}

struct PortalTab {
    UINT nCtrlId;
    UINT nHotBitmap;
};

// The portal tabs; tab number k at k - 1.
constexpr PortalTab kPortalTabs[kPortalTabCount] = {
    {IDC_TAB1, IDB_TAB1_HOT}, {IDC_TAB2, IDB_TAB2_HOT}, {IDC_TAB3, IDB_TAB3_HOT},
    {IDC_TAB4, IDB_TAB4_HOT}, {IDC_TAB5, IDB_TAB5_HOT}, {IDC_TAB6, IDB_TAB6_HOT},
};
