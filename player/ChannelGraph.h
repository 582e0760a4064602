// One DirectShow filter graph for one play address: its source, its decoders, the GDI video
// renderer drawing into a window of the control, and the download that feeds a network stream.
// Everything here runs on the player's graph thread; only the download has a thread of its own.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <memory>

#include "framework/ComRef.h"
#include "StreamFeed.h"
#include "PlayAddress.h"

class CChannelGraph {
public:
    // The graph's events arrive at the window as graphMessage, the download's notices as
    // downloadMessage (wParam a CStreamFeed::Notice); the lParam of both is the cookie.
    CChannelGraph(HWND notify, UINT graphMessage, UINT downloadMessage, LPARAM cookie);
    // Tears the channel down: the download is stopped and its connection closed, the graph released.
    ~CChannelGraph();
    CChannelGraph(const CChannelGraph&) = delete;
    CChannelGraph& operator=(const CChannelGraph&) = delete;

    // A file is rendered at once; a stream starts downloading and is rendered by RenderStream once
    // its download is ready, its reads waiting no longer than the start deadline (a tick count). A
    // partial render is fine: without a sound device the picture plays alone.
    HRESULT Open(const PlayAddress& address, DWORD startDeadline);
    HRESULT RenderStream();
    // Pauses the rendered graph, which completes once the renderer holds its first frame and has
    // drawn it.
    HRESULT Cue();
    // A stream's bytes, which another thread may close to fail the reads that a build waits in.
    const std::shared_ptr<CStreamBuffer>& Buffer() const { return m_buffer; }

    // Whether the cued graph's picture has its first frame, which the renderer then shows; the sound
    // catches up once the graph runs.
    bool HasFirstFrame();
    // Also ends the stream's start: from then on only a stall fails it.
    void Run();
    void Pause();
    // Takes the graph's events; true once the stream has ended or failed.
    bool TakeEndEvents();

    void SetVolume(LONG volume);
    // The renderer draws into the window's client area, the picture's shape kept; into none for null.
    // Nothing moves before StartShowing, once the graph is cued: a renderer's window inside one that
    // goes while the graph is built would go with it.
    void StartShowing(HWND window);
    void ShowIn(HWND window);

private:
    HRESULT CreateGraph();
    // The picture's display aspect, 0 by 0 while it has none.
    SIZE PictureAspect();

    HWND m_notify;
    UINT m_graphMessage;
    UINT m_downloadMessage;
    LPARAM m_cookie;
    LONG m_volume = 0;
    bool m_showing = false;

    CComRef<IGraphBuilder> m_graph;
    CComRef<IMediaControl> m_control;
    CComRef<IMediaEventEx> m_events;
    CComRef<IBaseFilter> m_renderer;
    CComRef<IVideoWindow> m_videoWindow;
    std::shared_ptr<CStreamBuffer> m_buffer;
    std::unique_ptr<CStreamFeed> m_download;
};
