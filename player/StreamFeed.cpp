#include "StreamFeed.h"

#include "HttpDownload.h"
#include "SwarmDownload.h"

std::unique_ptr<CStreamFeed> CStreamFeed::For(const PlayAddress& address, std::shared_ptr<CStreamBuffer> buffer,
    HWND notify, UINT message, LPARAM cookie)
{
    if (address.swarm)
        return std::make_unique<CSwarmDownload>(std::move(buffer), notify, message, cookie);
    return std::make_unique<CHttpDownload>(std::move(buffer), notify, message, cookie);
}

CStreamFeed::CStreamFeed(std::shared_ptr<CStreamBuffer> buffer, HWND notify, UINT message, LPARAM cookie)
    : m_buffer(std::move(buffer)), m_cancel(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_notify(notify),
      m_message(message), m_cookie(cookie)
{
}

CStreamFeed::~CStreamFeed()
{
    Stop();
    if (m_cancel)
        CloseHandle(m_cancel);
}

bool CStreamFeed::RunThread(std::function<void()> work)
{
    if (!m_cancel)
        return false;
    m_thread = std::thread(std::move(work));
    return true;
}

void CStreamFeed::Stop()
{
    m_stopped = true;
    if (m_cancel)
        SetEvent(m_cancel);
    m_buffer->Close();
    if (m_thread.joinable())
        m_thread.join();
}

bool CStreamFeed::Deliver(const BYTE* data, size_t size)
{
    if (!m_buffer->Append(data, size))
        return false;
    m_delivered += static_cast<LONGLONG>(size);
    if (!m_readySent && IsReady()) {
        m_readySent = true;
        Notify(Ready);
    }
    return true;
}

void CStreamFeed::Finish(bool whole)
{
    m_buffer->Finish();
    if (m_stopped)
        return;
    if (!whole || m_delivered == 0)
        Notify(Failed);
    else if (!m_readySent)
        Notify(Ready);  // a short stream, all of it here
}

bool CStreamFeed::IsReady()
{
    switch (m_buffer->StartVerdict()) {
    case CTransportProbe::Ready:
        return true;
    case CTransportProbe::NotTransport:
        return m_delivered >= kReadyBytes;
    default:
        return false;
    }
}

void CStreamFeed::Notify(Notice notice)
{
    PostMessageA(m_notify, m_message, notice, m_cookie);
}
