// The control's two views of the video: the in-place child window in the host's window and the
// full-screen popup. Both draw through the host and report input to it.
#pragma once

#include <windows.h>

#include "PlayerWindow.h"

class IVideoWindowHost {
public:
    virtual void DrawVideo(HDC dc, const RECT& rect) = 0;
    // Input callbacks may release the last reference to the control: a window does nothing
    // after calling one.
    virtual void OnVideoEnterKey() = 0;
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl.
    virtual void OnVideoDoubleClick(SHORT button, SHORT shift, LONG x, LONG y) = 0;
    virtual void OnVideoContextMenu(HWND window, POINT screenPoint) = 0;
    virtual void OnVideoFocus(bool focused) = 0;
    virtual void OnVideoSized() = 0;
    virtual void OnFullScreenDismissed() = 0;

protected:
    ~IVideoWindowHost() = default;
};

// A window that the host draws the video into, around the video renderer's window.
class CVideoSurface : public CPlayerWindow {
public:
    void Invalidate();

protected:
    explicit CVideoSurface(IVideoWindowHost& host) : m_host(host) {}
    // Paints through the host and tells it of a new size, then hands the message to the kind of
    // surface, a second click in time as a double click.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) final;
    // What a kind of surface does with its messages; the default leaves them to the system.
    virtual LRESULT HandleSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam);

    IVideoWindowHost& m_host;

private:
    // The video renderer's window passes clicks on as they come, and under Wine its class makes
    // no double clicks of them.
    UINT AsDoubleClick(UINT message, LPARAM lParam);

    UINT m_lastDown = 0;
    DWORD m_lastDownTime = 0;
    POINT m_lastDownPoint = {};
};

class CVideoWindow final : public CVideoSurface {
public:
    explicit CVideoWindow(IVideoWindowHost& host) : CVideoSurface(host) {}
    ~CVideoWindow() override { Destroy(); }

    bool Create(HWND parent, const RECT& position, bool border);
    void SetBorder(bool border);
    // Positions are in the parent's client coordinates; the window shows only its part
    // inside the clip rectangle.
    void SetRects(const RECT& position, const RECT& clip);

private:
    LRESULT HandleSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CFullScreenWindow final : public CVideoSurface {
public:
    explicit CFullScreenWindow(IVideoWindowHost& host) : CVideoSurface(host) {}
    ~CFullScreenWindow() override { Destroy(); }

    // Covers the monitor and takes the keyboard; owned by the host's top-level window.
    bool Show(HWND owner, const RECT& monitor);
    bool IsShown() const { return Handle() != nullptr; }

private:
    LRESULT HandleSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
