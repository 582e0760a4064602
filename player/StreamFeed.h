// What both of a channel's deliveries, over HTTP and through its swarm, share: a thread of their own
// fills the stream buffer, and a window hears when the graph can be built, or that the stream failed.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "PlayAddress.h"
#include "StreamBuffer.h"

class CStreamFeed {
public:
    enum Notice : WPARAM { Ready = 1, Failed = 2 };
    // A transport stream is ready once its programme tables and a key frame have come; a stream of
    // another kind once this much has, about what its parser reads before it knows the programmes.
    static constexpr LONGLONG kReadyBytes = 128 << 10;

    // The one that plays the address: its swarm when it names its channel key, else HTTP. Each notice
    // is posted as message(notice, cookie) to the window.
    static std::unique_ptr<CStreamFeed> For(const PlayAddress& address, std::shared_ptr<CStreamBuffer> buffer,
        HWND notify, UINT message, LPARAM cookie);

    // Derived feeds call Stop first in their destructor, while what their thread uses is still there.
    virtual ~CStreamFeed();
    CStreamFeed(const CStreamFeed&) = delete;
    CStreamFeed& operator=(const CStreamFeed&) = delete;

    virtual bool Start(const PlayAddress& address) = 0;

protected:
    CStreamFeed(std::shared_ptr<CStreamBuffer> buffer, HWND notify, UINT message, LPARAM cookie);

    // Hands bytes to the buffer, and tells the window once the graph can be built; false once the
    // buffer is closed.
    bool Deliver(const BYTE* data, size_t size);
    // Runs the feed's work on a thread of its own; false when it cannot. The work ends with Finish.
    bool RunThread(std::function<void()> work);
    // Stops the feed: its waits and its loop are told, the buffer is closed, and the thread has ended
    // when it returns.
    void Stop();
    // At the thread's end, unless the feed was stopped: no more bytes come, and the window hears that
    // the stream failed, or, for a short stream all of which came, that it is ready.
    void Finish(bool whole);

    std::shared_ptr<CStreamBuffer> m_buffer;
    // Both set by Stop: the event for the thread's waits, the flag for a loop that looks at it.
    HANDLE m_cancel;
    std::atomic<bool> m_stopped{false};

private:
    bool IsReady();
    void Notify(Notice notice);

    HWND m_notify;
    UINT m_message;
    LPARAM m_cookie;
    LONGLONG m_delivered = 0;
    bool m_readySent = false;
    std::thread m_thread;
};
