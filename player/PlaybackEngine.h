// The player's state machine: stopped, connecting, playing and paused, over one channel graph at
// a time. The graph's events, the download's notices and the wait for the first frame all arrive
// at the engine's message window, on the thread that created it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ChannelGraph.h"
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
    static constexpr UINT kFirstFramePollMs = 20;

    explicit CPlaybackEngine(IPlaybackListener& listener) : m_listener(listener) {}
    ~CPlaybackEngine() override;

    // Creates the window that the graph and the download report to.
    bool Initialize();

    // Tears down what plays and connects to the address from any state; an address that plays
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
    enum Message : UINT { GraphEvent = WM_APP + 1, DownloadNotice };
    enum TimerId : UINT_PTR { FirstFrameTimer = 1 };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDownloadReady();
    void OnFirstFramePoll();
    // Tears the channel down and reports the stop; the last thing a handler does.
    void EndChannel();
    void TearDown();
    void SetState(PlayState state);

    IPlaybackListener& m_listener;
    PlayState m_state = PLAYSTATE_STOPPED;
    std::wstring m_address;
    LONG m_volume = 50;
    HWND m_videoWindow = nullptr;
    std::unique_ptr<CChannelGraph> m_graph;
    // Tells the current channel's messages from those a torn-down one left in the queue.
    LPARAM m_channel = 0;
    DWORD m_putAt = 0;
};
