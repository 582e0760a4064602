// The player's graph thread: it builds, cues, runs and tears down the channel graphs, so that the
// window that hosts the player never waits for a parser, a connection or a teardown. The engine
// hands it commands; it reports back to the engine's window what the states are made of.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "ChannelGraph.h"
#include "PlayAddress.h"
#include "PlayerWindow.h"

class CGraphWorker final : private CPlayerWindow {
public:
    // Posted to the engine's window as (report, channel).
    enum Report : WPARAM { FirstFrame = 1, Ended = 2 };
    static constexpr UINT kFirstFramePollMs = 10;

    CGraphWorker(HWND engine, UINT reportMessage) : m_engine(engine), m_reportMessage(reportMessage) {}
    // Tears down what plays and ends the thread.
    ~CGraphWorker() override;

    bool Start();

    // The channel replaces whatever plays. A channel that a later Open has overtaken before the
    // thread came to it is never built.
    void Open(LPARAM channel, const PlayAddress& address, DWORD startDeadline);
    void Close();
    void Pause();
    void Run();
    void SetVolume(LONG volume);
    void ShowIn(HWND window);

private:
    enum Message : UINT { Commands = WM_APP + 1, GraphEvent, DownloadNotice };
    enum TimerId : UINT_PTR { FirstFrameTimer = 1 };

    static DWORD WINAPI ThreadMain(void* worker);
    void Serve();
    void Post(std::function<void()> command);
    // Fails the reads of the channel being left, which a graph's build may be waiting in.
    void AbandonCurrentStream();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OpenNow(LPARAM channel, const PlayAddress& address, DWORD startDeadline);
    // Builds the graph, which the hosting thread does not wait for, shows its picture where the
    // hosting thread last asked and cues it.
    HRESULT Build(CChannelGraph& graph, const std::function<HRESULT()>& build);
    HWND Window();
    void SetPlaced(bool placed);
    void CloseNow();
    // Tears the channel down and tells the engine; the last thing a handler does with it.
    void EndChannel();
    void Report(Report report);

    HWND m_engine;
    UINT m_reportMessage;
    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    std::mutex m_commandsMutex;
    std::deque<std::function<void()>> m_commands;
    std::atomic<LPARAM> m_latestChannel{0};
    std::shared_ptr<CStreamBuffer> m_currentStream;  // under the commands' mutex

    // Where the picture goes, and whether one is placed in a window: while a graph is built none is,
    // and the thread may not come to a move for seconds, so the hosting thread does not wait for
    // it. Both under the commands' mutex.
    HWND m_window = nullptr;
    bool m_placed = true;

    // The graph thread's own.
    std::unique_ptr<CChannelGraph> m_graph;
    LPARAM m_channel = 0;
    LONG m_volume = 50;
};
