// What a host and the tests need to know about the player control: its identities, the members
// of its dispatch interface and of its event interface, and the classes of its windows.
#pragma once

#include <windows.h>

// {18226BF8-DC0B-4D81-80E9-A41AE37BB73A}
inline constexpr CLSID CLSID_P2PPlayer =
    {0x18226BF8, 0xDC0B, 0x4D81, {0x80, 0xE9, 0xA4, 0x1A, 0xE3, 0x7B, 0xB7, 0x3A}};
// The outgoing dispinterface the control fires its events on.
// {CF7D44D5-D12C-404E-BF6C-64ADA6CA55BB}
inline constexpr IID DIID_P2PPlayerEvents =
    {0xCF7D44D5, 0xD12C, 0x404E, {0xBF, 0x6C, 0x64, 0xAD, 0xA6, 0xCA, 0x55, 0xBB}};

#define P2PPLAYER_PROGID "Kalda.P2PPlayer"
#define P2PPLAYER_PROGID_VERSIONED "Kalda.P2PPlayer.1"

// Members of the control's dispatch interface.
enum PlayerDispId : DISPID {
    PLAYER_DISPID_URL = 2,              // put BSTR (get too): the play address; writing it plays it
    PLAYER_DISPID_VOLUME = 5,           // get/put I4, 0..100
    PLAYER_DISPID_PLAYSTATE = 6,        // get I4, a PlayState
    PLAYER_DISPID_FULLSCREEN = 7,       // get/put BOOL
    PLAYER_DISPID_CONTEXTMENU = 12,     // get/put BOOL: the control's own right-click menu
    PLAYER_DISPID_IDLEPICTURE = 19,     // get/put BSTR: a .bmp shown while stopped
    PLAYER_DISPID_PAUSE = 26,           // method
    PLAYER_DISPID_STOP = 27,            // method
    PLAYER_DISPID_RESUME = 28,          // method
};

// Members of DIID_P2PPlayerEvents.
enum PlayerEventId : DISPID {
    PLAYER_EVENT_STATECHANGE = 6,       // (I4 new state)
    PLAYER_EVENT_ENTERKEY = 204,        // ()
    PLAYER_EVENT_DOUBLECLICK = 6506,    // (I2 button, I2 shift, I4 x, I4 y)
};

enum PlayState : LONG {
    PLAYSTATE_STOPPED = 0,
    PLAYSTATE_PAUSED = 1,
    PLAYSTATE_PLAYING = 2,
    PLAYSTATE_CONNECTING = 3,
};

// The in-place video window (a child of the host's window) and the full-screen popup.
#define P2PPLAYER_VIDEO_CLASS "KaldaPlayerVideo"
#define P2PPLAYER_FULLSCREEN_CLASS "KaldaPlayerFullScreen"
