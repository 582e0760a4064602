#include "PlaybackEngine.h"

#include "PersistedForm.h"

CPlaybackEngine::~CPlaybackEngine()
{
    m_worker.reset();
    Destroy();
}

bool CPlaybackEngine::Initialize()
{
    if (!CreateWindowOf(kPlayerEngineClass, 0, 0, RECT{}, HWND_MESSAGE))
        return false;
    m_worker = std::make_unique<CGraphWorker>(Handle(), WorkerReport);
    if (m_worker->Start())
        return true;
    m_worker.reset();
    return false;
}

void CPlaybackEngine::Play(const std::wstring& address)
{
    m_address = address;
    const PlayAddress parsed = ParsePlayAddress(address);
    const bool playable = parsed.kind != PlayAddress::Unplayable && m_worker;
    if (playable) {
        m_channel = ++m_lastChannel;
        m_worker->Open(m_channel, parsed, GetTickCount() + kStartLimitMs);
        SetTimer(Handle(), StartLimitTimer, kStartLimitMs, nullptr);
    } else {
        Leave();
    }
    const LPARAM channel = m_channel;
    SetState(PLAYSTATE_CONNECTING);
    // A handler of the first change may already have moved on.
    if (!playable && m_channel == channel && m_state == PLAYSTATE_CONNECTING)
        SetState(PLAYSTATE_STOPPED);
}

void CPlaybackEngine::Pause()
{
    if (m_state != PLAYSTATE_PLAYING)
        return;
    m_worker->Pause();
    SetState(PLAYSTATE_PAUSED);
}

void CPlaybackEngine::Resume()
{
    if (m_state != PLAYSTATE_PAUSED)
        return;
    m_worker->Run();
    SetState(PLAYSTATE_PLAYING);
}

void CPlaybackEngine::Stop()
{
    Leave();
    SetState(PLAYSTATE_STOPPED);
}

void CPlaybackEngine::SetVolume(LONG volume)
{
    m_volume = ClampVolume(volume);
    if (m_worker)
        m_worker->SetVolume(m_volume);
}

void CPlaybackEngine::ShowVideoIn(HWND window)
{
    if (m_worker)
        m_worker->ShowIn(window);
}

LRESULT CPlaybackEngine::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WorkerReport:
        // A left channel's reports may still be queued.
        if (lParam != m_channel || m_channel == 0)
            return 0;
        if (wParam == CGraphWorker::FirstFrame && m_state == PLAYSTATE_CONNECTING) {
            KillTimer(Handle(), StartLimitTimer);
            SetState(PLAYSTATE_PLAYING);
        } else if (wParam == CGraphWorker::Ended) {
            EndChannel();
        }
        return 0;
    case WM_TIMER:
        if (wParam == StartLimitTimer && m_state == PLAYSTATE_CONNECTING)
            EndChannel();
        return 0;
    }
    return CPlayerWindow::HandleMessage(message, wParam, lParam);
}

void CPlaybackEngine::EndChannel()
{
    Leave();
    SetState(PLAYSTATE_STOPPED);
}

void CPlaybackEngine::Leave()
{
    KillTimer(Handle(), StartLimitTimer);
    if (m_channel != 0 && m_worker)
        m_worker->Close();
    m_channel = 0;
}

void CPlaybackEngine::SetState(PlayState state)
{
    if (state == m_state)
        return;
    m_state = state;
    m_listener.OnPlayStateChanged(state);
}
