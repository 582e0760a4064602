// The player's state machine: stopped, connecting, playing and paused, driven by window timers on
// the creating thread. Until decoding arrives, "playing" runs the test card's clock.
#pragma once

#include <windows.h>

#include <string>

#include "PlayerIds.h"
#include "PlayerWindow.h"

class IPlaybackListener {
public:
    // The listener may release the last reference to the engine's owner: the engine does
    // nothing after notifying.
    virtual void OnPlayStateChanged(PlayState state) = 0;
    virtual void OnFrameAdvanced() = 0;

protected:
    ~IPlaybackListener() = default;
};

class CPlaybackEngine final : private CPlayerWindow {
public:
    static constexpr UINT kConnectDelayMs = 400;
    static constexpr UINT kFrameIntervalMs = 100;

    explicit CPlaybackEngine(IPlaybackListener& listener) : m_listener(listener) {}
    ~CPlaybackEngine() override;

    // Creates the window that carries the timers.
    bool Initialize();

    // Connects to the address from any state; an empty address fails at once.
    void Play(const std::wstring& address);
    // Each does nothing from a state it does not apply to.
    void Pause();
    void Resume();
    void Stop();

    PlayState State() const { return m_state; }
    const std::wstring& Address() const { return m_address; }
    LONG Volume() const { return m_volume; }
    void SetVolume(LONG volume);

    // The test card's current frame: its wall-clock time and how many frames have run.
    const SYSTEMTIME& FrameTime() const { return m_frameTime; }
    unsigned FrameNumber() const { return m_frameNumber; }

private:
    enum TimerId : UINT_PTR { ConnectTimer = 1, FrameTimer = 2 };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void StartFrames();
    void SetState(PlayState state);

    IPlaybackListener& m_listener;
    PlayState m_state = PLAYSTATE_STOPPED;
    std::wstring m_address;
    LONG m_volume = 50;
    SYSTEMTIME m_frameTime = {};
    unsigned m_frameNumber = 0;
};
