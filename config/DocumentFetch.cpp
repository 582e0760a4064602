#include "config/DocumentFetch.h"

#include <mutex>
#include <thread>

#include "config/HttpFetch.h"

namespace config {

// What the fetching thread and its owner share.
struct CDocumentFetch::Shared {
    std::mutex mutex;
    bool bEnded = false;
    std::optional<std::string> result;
    HANDLE hEnded = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND hWndNotify = nullptr;
    UINT nMessage = 0;

    Shared() = default;
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
    ~Shared() { ::CloseHandle(hEnded); }

    void End(std::optional<std::string> fetched)
    {
        std::lock_guard<std::mutex> lock(mutex);
        bEnded = true;
        result = std::move(fetched);
        ::SetEvent(hEnded);
        if (hWndNotify != nullptr)
            ::PostMessageA(hWndNotify, nMessage, 0, 0);
    }

    bool HasEnded()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return bEnded;
    }
};

namespace {

struct CTooLarge {};

// The whole body, within the time and size limits.
std::optional<std::string> FetchWhole(LPCSTR lpszUrl)
{
    CFetchStop stop;
    stop.SetTimeLimit(::GetTickCount64(), kFetchTimeLimitMs);
    std::string document;
    try {
        if (Fetch(lpszUrl, [&](const BYTE* pData, DWORD nSize) {
                if (document.size() + nSize > kFetchMaxBytes)
                    throw CTooLarge();
                document.append(reinterpret_cast<const char*>(pData), nSize);
            }, stop) == FetchResult::Complete)
            return document;
    } catch (const CTooLarge&) {
    }
    return std::nullopt;
}

}  // namespace

void CDocumentFetch::Start(LPCSTR lpszUrl, HWND hWndNotify, UINT nMessage)
{
    m_shared = std::make_shared<Shared>();
    m_shared->hWndNotify = hWndNotify;
    m_shared->nMessage = nMessage;
    if (lpszUrl == nullptr || *lpszUrl == '\0') {
        m_shared->End(std::nullopt);
        return;
    }
    std::thread([shared = m_shared, url = std::string(lpszUrl)] { shared->End(FetchWhole(url.c_str())); }).detach();
}

bool CDocumentFetch::HasEnded() const
{
    return m_shared != nullptr && m_shared->HasEnded();
}

void CDocumentFetch::Wait()
{
    // Sent messages are answered so that no other program waits on this thread meanwhile; the
    // fetch itself ends by its deadline.
    while (IsActive() && !HasEnded() &&
           ::MsgWaitForMultipleObjects(1, &m_shared->hEnded, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::optional<std::string> CDocumentFetch::TakeResult()
{
    if (!HasEnded())
        return std::nullopt;
    std::optional<std::string> result;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        result = std::move(m_shared->result);
    }
    m_shared.reset();
    return result;
}

std::optional<std::string> FetchDocument(LPCSTR lpszUrl)
{
    CDocumentFetch fetch;
    fetch.Start(lpszUrl);
    fetch.Wait();
    return fetch.TakeResult();
}

}  // namespace config
