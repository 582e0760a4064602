#include "GraphWorker.h"

#include <objbase.h>

#include <algorithm>

namespace {

// How long the hosting thread waits at most for the picture to move to another window, which it
// must: the window it leaves may be destroyed right after. Unless it builds a graph, the graph
// thread comes to the move within milliseconds.
constexpr DWORD kMoveWaitMs = 2000;

// Waits for the handle while answering what other threads send to this thread's windows: taking a
// picture out of a window, or tearing it down, sends to that window and waits for its answer.
void WaitAnsweringSentMessages(HANDLE handle, DWORD timeoutMs)
{
    const DWORD startedAt = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - startedAt;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : timeoutMs - std::min(waited, timeoutMs);
        if (MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE) != WAIT_OBJECT_0 + 1)
            return;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

CGraphWorker::~CGraphWorker()
{
    if (m_thread) {
        Post([] { PostQuitMessage(0); });
        WaitAnsweringSentMessages(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_ready)
        CloseHandle(m_ready);
}

bool CGraphWorker::Start()
{
    m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_ready)
        return false;
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (!m_thread)
        return false;
    WaitForSingleObject(m_ready, INFINITE);
    if (Handle())
        return true;
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
    return false;
}

DWORD WINAPI CGraphWorker::ThreadMain(void* worker)
{
    static_cast<CGraphWorker*>(worker)->Serve();
    return 0;
}

void CGraphWorker::Serve()
{
    // The graphs live in this thread's apartment; its message loop serves their windows too.
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const bool created = com && CreateWindowOf(kPlayerGraphClass, 0, 0, RECT{}, HWND_MESSAGE);
    SetEvent(m_ready);
    if (created) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CloseNow();
    Destroy();
    if (com)
        CoUninitialize();
}

void CGraphWorker::Post(std::function<void()> command)
{
    {
        std::lock_guard<std::mutex> lock(m_commandsMutex);
        m_commands.push_back(std::move(command));
    }
    PostMessageA(Handle(), Commands, 0, 0);
}

void CGraphWorker::AbandonCurrentStream()
{
    std::lock_guard<std::mutex> lock(m_commandsMutex);
    if (m_currentStream)
        m_currentStream->Close();
    m_currentStream.reset();
}

void CGraphWorker::Open(LPARAM channel, const PlayAddress& address, DWORD startDeadline)
{
    m_latestChannel = channel;
    AbandonCurrentStream();
    Post([this, channel, address, startDeadline] { OpenNow(channel, address, startDeadline); });
}

void CGraphWorker::Close()
{
    m_latestChannel = 0;
    AbandonCurrentStream();
    Post([this] { CloseNow(); });
}

void CGraphWorker::Pause()
{
    Post([this] {
        if (m_graph)
            m_graph->Pause();
    });
}

void CGraphWorker::Run()
{
    Post([this] {
        if (m_graph)
            m_graph->Run();
    });
}

void CGraphWorker::SetVolume(LONG volume)
{
    Post([this, volume] {
        m_volume = volume;
        if (m_graph)
            m_graph->SetVolume(volume);
    });
}

void CGraphWorker::ShowIn(HWND window)
{
    // Shared with the command, which may run after the wait has given up.
    std::shared_ptr<void> moved(CreateEventA(nullptr, TRUE, FALSE, nullptr), CloseHandle);
    bool placed;
    {
        // Together with the build's look at it: a picture placed after this goes to the new window,
        // one placed before is moved by the command, which this thread then waits for.
        std::lock_guard<std::mutex> lock(m_commandsMutex);
        m_window = window;
        placed = m_placed;
    }
    Post([this, moved] {
        if (m_graph)
            m_graph->ShowIn(Window());
        if (moved)
            SetEvent(moved.get());
    });
    if (moved && placed)
        WaitAnsweringSentMessages(moved.get(), kMoveWaitMs);
}

LRESULT CGraphWorker::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case Commands: {
        std::deque<std::function<void()>> commands;
        {
            std::lock_guard<std::mutex> lock(m_commandsMutex);
            commands.swap(m_commands);
        }
        for (auto& command : commands)
            command();
        return 0;
    }
    case GraphEvent:
        if (lParam == m_channel && m_graph && m_graph->TakeEndEvents())
            EndChannel();
        return 0;
    case DownloadNotice:
        // A torn-down or overtaken channel's notices may still be queued.
        if (lParam != m_channel || !m_graph || m_channel != m_latestChannel)
            return 0;
        if (wParam != CStreamFeed::Ready || FAILED(Build(*m_graph, [this] { return m_graph->RenderStream(); })))
            EndChannel();
        return 0;
    case WM_TIMER:
        if (wParam == FirstFrameTimer && m_graph && m_graph->HasFirstFrame()) {
            KillTimer(Handle(), FirstFrameTimer);
            m_graph->Run();
            Report(FirstFrame);
        }
        return 0;
    }
    return CPlayerWindow::HandleMessage(message, wParam, lParam);
}

void CGraphWorker::OpenNow(LPARAM channel, const PlayAddress& address, DWORD startDeadline)
{
    if (channel != m_latestChannel)
        return;  // overtaken: the Open that overtook it follows
    auto graph = std::make_unique<CChannelGraph>(Handle(), GraphEvent, DownloadNotice, channel);
    graph->SetVolume(m_volume);
    // A stream's connection is under way while the old channel is torn down; a file is rendered
    // at once, after the old one is gone.
    const bool file = address.kind == PlayAddress::File;
    if (file)
        CloseNow();
    CChannelGraph& opening = *graph;
    const HRESULT opened = file ? Build(opening, [&] { return opening.Open(address, startDeadline); })
                                : opening.Open(address, startDeadline);
    CloseNow();
    m_graph = std::move(graph);
    m_channel = channel;
    {
        std::lock_guard<std::mutex> lock(m_commandsMutex);
        // Unless it was overtaken meanwhile: then its reads must not wait.
        if (channel == m_latestChannel)
            m_currentStream = m_graph->Buffer();
        else if (m_graph->Buffer())
            m_graph->Buffer()->Close();
    }
    if (FAILED(opened)) {
        EndChannel();
        return;
    }
    // A file is cued already, a stream once its download is ready; the poll sees either.
    SetTimer(Handle(), FirstFrameTimer, kFirstFramePollMs, nullptr);
}

HRESULT CGraphWorker::Build(CChannelGraph& graph, const std::function<HRESULT()>& build)
{
    SetPlaced(false);
    const HRESULT built = build();
    if (FAILED(built))
        return built;
    // Shown before it is cued, so that the renderer draws its first frame into the window.
    HWND window;
    {
        std::lock_guard<std::mutex> lock(m_commandsMutex);
        m_placed = true;
        window = m_window;
    }
    graph.StartShowing(window);
    return graph.Cue();
}

HWND CGraphWorker::Window()
{
    std::lock_guard<std::mutex> lock(m_commandsMutex);
    return m_window;
}

void CGraphWorker::SetPlaced(bool placed)
{
    std::lock_guard<std::mutex> lock(m_commandsMutex);
    m_placed = placed;
}

void CGraphWorker::CloseNow()
{
    KillTimer(Handle(), FirstFrameTimer);
    m_graph.reset();
}

void CGraphWorker::EndChannel()
{
    CloseNow();
    Report(Ended);
}

void CGraphWorker::Report(enum Report report)
{
    PostMessageA(m_engine, m_reportMessage, report, m_channel);
}
