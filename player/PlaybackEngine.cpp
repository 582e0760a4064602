#include "PlaybackEngine.h"

#include "PersistedForm.h"

CPlaybackEngine::~CPlaybackEngine()
{
    TearDown();
    Destroy();
}

bool CPlaybackEngine::Initialize()
{
    return CreateWindowOf(kPlayerEngineClass, 0, 0, RECT{}, HWND_MESSAGE);
}

void CPlaybackEngine::Play(const std::wstring& address)
{
    TearDown();
    m_address = address;
    m_putAt = GetTickCount();
    const LPARAM channel = ++m_channel;
    const PlayAddress parsed = ParsePlayAddress(address);
    bool started = false;
    if (parsed.kind != PlayAddress::Unplayable) {
        m_graph = std::make_unique<CChannelGraph>(Handle(), GraphEvent, DownloadNotice, channel);
        m_graph->SetVolume(m_volume);
        m_graph->ShowIn(m_videoWindow);
        started = SUCCEEDED(m_graph->Open(parsed, m_putAt + kStartLimitMs));
        // A file is rendered already, a stream once enough of it has come; the poll keeps the start
        // limit meanwhile.
        if (started)
            SetTimer(Handle(), FirstFrameTimer, kFirstFramePollMs, nullptr);
    }
    if (!started)
        TearDown();
    SetState(PLAYSTATE_CONNECTING);
    // A handler of the first change may already have moved on.
    if (!started && m_channel == channel && m_state == PLAYSTATE_CONNECTING)
        SetState(PLAYSTATE_STOPPED);
}

void CPlaybackEngine::Pause()
{
    if (m_state != PLAYSTATE_PLAYING)
        return;
    m_graph->Pause();
    SetState(PLAYSTATE_PAUSED);
}

void CPlaybackEngine::Resume()
{
    if (m_state != PLAYSTATE_PAUSED)
        return;
    m_graph->Run();
    SetState(PLAYSTATE_PLAYING);
}

void CPlaybackEngine::Stop()
{
    TearDown();
    SetState(PLAYSTATE_STOPPED);
}

void CPlaybackEngine::SetVolume(LONG volume)
{
    m_volume = ClampVolume(volume);
    if (m_graph)
        m_graph->SetVolume(m_volume);
}

void CPlaybackEngine::ShowVideoIn(HWND window)
{
    m_videoWindow = window;
    if (m_graph)
        m_graph->ShowIn(window);
}

LRESULT CPlaybackEngine::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case GraphEvent:
        if (lParam == m_channel && m_graph && m_graph->TakeEndEvents())
            EndChannel();
        return 0;
    case DownloadNotice:
        // A torn-down channel's notices may still be queued.
        if (lParam != m_channel || !m_graph)
            return 0;
        if (wParam == CHttpDownload::Ready)
            OnDownloadReady();
        else
            EndChannel();
        return 0;
    case WM_TIMER:
        if (wParam == FirstFrameTimer)
            OnFirstFramePoll();
        return 0;
    }
    return CPlayerWindow::HandleMessage(message, wParam, lParam);
}

void CPlaybackEngine::OnDownloadReady()
{
    if (FAILED(m_graph->RenderStream()))
        EndChannel();
}

void CPlaybackEngine::OnFirstFramePoll()
{
    if (m_graph && m_graph->HasFirstFrame()) {
        KillTimer(Handle(), FirstFrameTimer);
        m_graph->Run();
        SetState(PLAYSTATE_PLAYING);
    } else if (!m_graph || GetTickCount() - m_putAt > kStartLimitMs) {
        EndChannel();
    }
}

void CPlaybackEngine::EndChannel()
{
    TearDown();
    SetState(PLAYSTATE_STOPPED);
}

void CPlaybackEngine::TearDown()
{
    KillTimer(Handle(), FirstFrameTimer);
    m_graph.reset();
}

void CPlaybackEngine::SetState(PlayState state)
{
    if (state == m_state)
        return;
    m_state = state;
    m_listener.OnPlayStateChanged(state);
}
