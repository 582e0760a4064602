// CEWA: the wrapper of the hosted player component, one operation per dispatch member used.
#pragma once

#include "Afx.h"

class CEWA : public CWnd {
public:
    enum Dispid : DISPID {
        dispidUrl = 2,
        dispidVolume = 5,
        dispidPlayState = 6,
        dispidFullScreen = 7,
        dispidContextMenu = 12,
        dispidIdlePicture = 19,
        dispidPause = 26,
        dispidStop = 27,
        dispidResume = 28,
    };

    // The events the client handles.
    enum EventDispid : DISPID { eventStateChange = 6, eventEnterKey = 204, eventDoubleClick = 6506 };

    // Player states the client tells apart.
    enum PlayState { stateStopped = 0, statePaused = 1, statePlaying = 2, stateConnecting = 3 };

    void SetUrl(LPCSTR lpszUrl) { SetProperty(dispidUrl, COleVariant(lpszUrl)); }
    long GetVolume() { return GetProperty(dispidVolume).ToLong(); }
    void SetVolume(long nVolume) { SetProperty(dispidVolume, COleVariant(nVolume)); }
    long GetPlayState() { return GetProperty(dispidPlayState).ToLong(); }
    void SetFullScreen(BOOL bFullScreen) { SetProperty(dispidFullScreen, COleVariant(bFullScreen, VT_BOOL)); }
    void SetIdlePicture(LPCSTR lpszPath) { SetProperty(dispidIdlePicture, COleVariant(lpszPath)); }
    void Pause() { InvokeMethod(dispidPause); }
    void Stop() { InvokeMethod(dispidStop); }
    void Resume() { InvokeMethod(dispidResume); }
};
