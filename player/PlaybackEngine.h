// The player's state machine: stopped, connecting, playing and paused, over one channel at a time.
// The graphs themselves are built and torn down on the graph thread; what it reports, and the start
// limit, arrive at the engine's message window on the thread that created it.
#pragma once

#include <windows.h>

#include <string>

#include "GraphWorker.h"
#include "product/PlayerContract.h"
#include "PlayerWindow.h"
#include "StreamBuffer.h"

class IPlaybackListener {
public:
    // The listener may release the last reference to the engine's owner: the engine does
    // nothing after notifying.
    virtual void OnPlayStateChanged(PlayState state) = 0;

protected:
    ~IPlaybackListener() = default;
};

class CPlaybackEngine final : private CPlayerWindow {
public:
    // A channel that is not playing this long after its address was put has failed, whatever its
    // server sends or withholds: it is given as long to start as it may stay silent once it plays.
    static constexpr DWORD kStartLimitMs = CStreamBuffer::kStallMs;

    explicit CPlaybackEngine(IPlaybackListener& listener) : m_listener(listener) {}
    ~CPlaybackEngine() override;

    // Creates the window the graph thread reports to, and the thread.
    bool Initialize();

    // Leaves what plays and connects to the address from any state; an address that plays
    // nothing fails at once.
    void Play(const std::wstring& address);
    // Each does nothing from a state it does not apply to.
    void Pause();
    void Resume();
    void Stop();

    PlayState State() const { return m_state; }
    const std::wstring& Address() const { return m_address; }
    LONG Volume() const { return m_volume; }
    void SetVolume(LONG volume);
    // The window the picture is drawn into: the in-place video window or the full-screen one.
    void ShowVideoIn(HWND window);

private:
    enum Message : UINT { WorkerReport = WM_APP + 1 };
    enum TimerId : UINT_PTR { StartLimitTimer = 1 };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Leaves the channel and reports the stop; the last thing a handler does.
    void EndChannel();
    void Leave();
    void SetState(PlayState state);

    IPlaybackListener& m_listener;
    PlayState m_state = PLAYSTATE_STOPPED;
    std::wstring m_address;
    LONG m_volume = 50;
    // Tells the current channel's reports from those a left one left in the queue; 0 is none.
    LPARAM m_channel = 0;
    LPARAM m_lastChannel = 0;
    // Made once the engine's window is there; torn down, with its thread, before the window goes.
    std::unique_ptr<CGraphWorker> m_worker;
};
