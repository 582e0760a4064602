// CEWA: the wrapper of the hosted player component, one operation per dispatch member used.
#pragma once

#include "AfxOleControl.h"
#include "AfxWnd.h"
#include "product/PlayerContract.h"

class CEWA : public CWnd {
public:
    void SetUrl(LPCSTR lpszUrl) { SetProperty(PLAYER_DISPID_URL, COleVariant(lpszUrl)); }
    long GetVolume() { return GetProperty(PLAYER_DISPID_VOLUME).ToLong(); }
    void SetVolume(long nVolume) { SetProperty(PLAYER_DISPID_VOLUME, COleVariant(nVolume)); }
    long GetPlayState() { return GetProperty(PLAYER_DISPID_PLAYSTATE).ToLong(); }
    void SetFullScreen(BOOL bFullScreen) { SetProperty(PLAYER_DISPID_FULLSCREEN, COleVariant(bFullScreen, VT_BOOL)); }
    void SetContextMenu(BOOL bEnabled) { SetProperty(PLAYER_DISPID_CONTEXTMENU, COleVariant(bEnabled, VT_BOOL)); }
    void SetIdlePicture(LPCSTR lpszPath) { SetProperty(PLAYER_DISPID_IDLEPICTURE, COleVariant(lpszPath)); }
    void Pause() { InvokeMethod(PLAYER_DISPID_PAUSE); }
    void Stop() { InvokeMethod(PLAYER_DISPID_STOP); }
    void Resume() { InvokeMethod(PLAYER_DISPID_RESUME); }
};
