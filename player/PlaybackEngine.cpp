#include "PlaybackEngine.h"

#include <cwctype>

#include "PersistedForm.h"

namespace {

bool IsBlank(const std::wstring& text)
{
    for (wchar_t c : text)
        if (!std::iswspace(c))
            return false;
    return true;
}

}  // namespace

CPlaybackEngine::~CPlaybackEngine()
{
    Destroy();
}

bool CPlaybackEngine::Initialize()
{
    return CreateWindowOf(kPlayerClockClass, 0, 0, RECT{}, HWND_MESSAGE);
}

void CPlaybackEngine::Play(const std::wstring& address)
{
    KillTimer(Handle(), ConnectTimer);
    KillTimer(Handle(), FrameTimer);
    m_address = address;
    if (IsBlank(address)) {
        SetState(PLAYSTATE_CONNECTING);
        // A handler of the first change may already have moved on.
        if (m_state == PLAYSTATE_CONNECTING)
            SetState(PLAYSTATE_STOPPED);
        return;
    }
    SetTimer(Handle(), ConnectTimer, kConnectDelayMs, nullptr);
    SetState(PLAYSTATE_CONNECTING);
}

void CPlaybackEngine::Pause()
{
    if (m_state != PLAYSTATE_PLAYING)
        return;
    KillTimer(Handle(), FrameTimer);
    SetState(PLAYSTATE_PAUSED);
}

void CPlaybackEngine::Resume()
{
    if (m_state != PLAYSTATE_PAUSED)
        return;
    SetTimer(Handle(), FrameTimer, kFrameIntervalMs, nullptr);
    SetState(PLAYSTATE_PLAYING);
}

void CPlaybackEngine::Stop()
{
    KillTimer(Handle(), ConnectTimer);
    KillTimer(Handle(), FrameTimer);
    SetState(PLAYSTATE_STOPPED);
}

void CPlaybackEngine::SetVolume(LONG volume)
{
    m_volume = ClampVolume(volume);
}

void CPlaybackEngine::StartFrames()
{
    m_frameNumber = 0;
    GetLocalTime(&m_frameTime);
    SetTimer(Handle(), FrameTimer, kFrameIntervalMs, nullptr);
}

void CPlaybackEngine::SetState(PlayState state)
{
    if (state == m_state)
        return;
    m_state = state;
    m_listener.OnPlayStateChanged(state);
}

LRESULT CPlaybackEngine::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_TIMER)
        return CPlayerWindow::HandleMessage(message, wParam, lParam);
    if (wParam == ConnectTimer) {
        KillTimer(Handle(), ConnectTimer);
        if (m_state == PLAYSTATE_CONNECTING) {
            StartFrames();
            SetState(PLAYSTATE_PLAYING);
        }
    } else if (wParam == FrameTimer && m_state == PLAYSTATE_PLAYING) {
        ++m_frameNumber;
        GetLocalTime(&m_frameTime);
        m_listener.OnFrameAdvanced();
    }
    return 0;
}
