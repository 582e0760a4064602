#include "ChannelGraph.h"

#include <evcode.h>
#include <uuids.h>
#include <vfwmsgs.h>

#include "AudioVolume.h"
#include "PictureFit.h"
#include "StreamSource.h"

CChannelGraph::CChannelGraph(HWND notify, UINT graphMessage, UINT downloadMessage, LPARAM cookie)
    : m_notify(notify), m_graphMessage(graphMessage), m_downloadMessage(downloadMessage), m_cookie(cookie)
{
}

CChannelGraph::~CChannelGraph()
{
    // Closing the buffer first fails the parser's waiting reads, so the graph stops at once.
    m_download.reset();
    if (m_buffer)
        m_buffer->Close();
    if (m_events)
        m_events->SetNotifyWindow(0, 0, 0);
    ShowIn(nullptr);
    if (m_control)
        m_control->Stop();
}

HRESULT CChannelGraph::Open(const PlayAddress& address, DWORD startDeadline)
{
    HRESULT hr = CreateGraph();
    if (FAILED(hr))
        return hr;
    if (address.kind == PlayAddress::File)
        return m_graph->RenderFile(address.file.c_str(), nullptr);
    if (address.kind != PlayAddress::Network)
        return E_INVALIDARG;
    m_buffer = std::make_shared<CStreamBuffer>(startDeadline);
    m_download = CStreamFeed::For(address, m_buffer, m_notify, m_downloadMessage, m_cookie);
    return m_download->Start(address) ? S_OK : E_FAIL;
}

HRESULT CChannelGraph::RenderStream()
{
    CComRef<IBaseFilter> source;
    HRESULT hr = CStreamSource::Create(m_buffer, source.Receive());
    if (SUCCEEDED(hr))
        hr = m_graph->AddFilter(source.Get(), L"Network stream");
    CComRef<IPin> output;
    if (SUCCEEDED(hr))
        hr = source->FindPin(L"Output", output.Receive());
    return SUCCEEDED(hr) ? m_graph->Render(output.Get()) : hr;
}

HRESULT CChannelGraph::CreateGraph()
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(m_graph.Receive()));
    if (SUCCEEDED(hr))
        hr = m_control.QueryFrom(m_graph.Get(), IID_IMediaControl);
    if (SUCCEEDED(hr))
        hr = m_events.QueryFrom(m_graph.Get(), IID_IMediaEventEx);
    if (SUCCEEDED(hr))
        hr = m_events->SetNotifyWindow(reinterpret_cast<OAHWND>(m_notify), m_graphMessage, m_cookie);
    // The renderers the graph would pick show nothing under a virtual X server; the GDI one does.
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(m_renderer.Receive()));
    if (SUCCEEDED(hr))
        hr = m_graph->AddFilter(m_renderer.Get(), L"Video renderer");
    if (SUCCEEDED(hr))
        hr = m_videoWindow.QueryFrom(m_renderer.Get(), IID_IVideoWindow);
    return hr;
}

HRESULT CChannelGraph::Cue()
{
    SetVolume(m_volume);
    HRESULT hr = m_control->Pause();
    return FAILED(hr) ? hr : S_OK;
}

bool CChannelGraph::HasFirstFrame()
{
    // A renderer's pause completes once it holds its first sample; one with no picture at once.
    FILTER_STATE state;
    return m_renderer && m_renderer->GetState(0, &state) == S_OK && state != State_Stopped;
}

void CChannelGraph::Run()
{
    if (m_buffer)
        m_buffer->Started();
    m_control->Run();
}

void CChannelGraph::Pause()
{
    m_control->Pause();
}

bool CChannelGraph::TakeEndEvents()
{
    bool ended = false;
    long code;
    LONG_PTR param1, param2;
    while (m_events && m_events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        m_events->FreeEventParams(code, param1, param2);
        ended = ended || code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_ERRORABORTEX ||
                code == EC_USERABORT || code == EC_STREAM_ERROR_STOPPED;
    }
    return ended;
}

void CChannelGraph::SetVolume(LONG volume)
{
    m_volume = volume;
    CComRef<IBasicAudio> audio;
    // A graph without sound has nothing to set: E_NOTIMPL from the graph is no failure.
    if (m_graph && SUCCEEDED(audio.QueryFrom(m_graph.Get(), IID_IBasicAudio)))
        audio->put_Volume(BasicAudioVolume(volume));
}

void CChannelGraph::StartShowing(HWND window)
{
    m_showing = true;
    ShowIn(window);
    // Until it draws its first frame the renderer's window shows its class's background, Wine's
    // near-white: black, as the bars, makes the switch look like a television's. The renderer's is
    // the window of this thread among the picture window's children.
    for (HWND child = window ? GetWindow(window, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowThreadProcessId(child, nullptr) == GetCurrentThreadId())
            SetClassLongPtrA(child, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(GetStockObject(BLACK_BRUSH)));
    }
}

void CChannelGraph::ShowIn(HWND window)
{
    if (!m_showing)
        return;
    if (!window) {
        // The renderer's window must not be destroyed with ours, nor outlive the graph inside it.
        m_videoWindow->put_Visible(OAFALSE);
        m_videoWindow->put_MessageDrain(0);
        m_videoWindow->put_Owner(0);
        return;
    }
    RECT client;
    GetClientRect(window, &client);
    const SIZE aspect = PictureAspect();
    const RECT picture = FitPicture(client, aspect.cx, aspect.cy);
    // Setting the style hides the window: it shows again if it showed before.
    long visible = OAFALSE;
    m_videoWindow->get_Visible(&visible);
    m_videoWindow->put_Owner(reinterpret_cast<OAHWND>(window));
    m_videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    m_videoWindow->put_Visible(visible);
    // Clicks and keys in the picture reach the control's window as if the renderer were not there.
    m_videoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(window));
    m_videoWindow->SetWindowPosition(picture.left, picture.top, picture.right - picture.left,
                                     picture.bottom - picture.top);
}

SIZE CChannelGraph::PictureAspect()
{
    SIZE aspect = {};
    // A renderer with no picture has no format to ask about: Wine's reads through a null one.
    CComRef<IEnumPins> pins;
    CComRef<IPin> input, upstream;
    if (FAILED(m_renderer->EnumPins(pins.Receive())) || pins->Next(1, input.Receive(), nullptr) != S_OK ||
        FAILED(input->ConnectedTo(upstream.Receive())))
        return aspect;
    // Wine's renderer is told the frame's size alone, which the stream's own aspect overrides.
    const VideoAspect told = m_buffer ? m_buffer->DisplayAspect() : VideoAspect{};
    if (told.x > 0 && told.y > 0)
        return {told.x, told.y};
    CComRef<IBasicVideo2> video2;
    if (SUCCEEDED(video2.QueryFrom(m_renderer.Get(), IID_IBasicVideo2)) &&
        SUCCEEDED(video2->GetPreferredAspectRatio(&aspect.cx, &aspect.cy)) && aspect.cx > 0 && aspect.cy > 0)
        return aspect;
    // Without a display aspect of its own, a picture's pixels are square.
    CComRef<IBasicVideo> video;
    if (FAILED(video.QueryFrom(m_renderer.Get(), IID_IBasicVideo)) || FAILED(video->GetVideoSize(&aspect.cx, &aspect.cy)))
        return SIZE{};
    return aspect;
}
