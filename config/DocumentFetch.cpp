#include "config/DocumentFetch.h"

#include <wininet.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace config {

// What the fetching thread, its deadline and its owner share. Whichever of the thread and the
// deadline comes first ends the fetch; the deadline also closes the connection, which cuts short
// whatever call of it the thread is waiting in.
struct CDocumentFetch::Shared {
    std::mutex mutex;
    bool bEnded = false;
    std::optional<std::string> result;
    // Session, connection and request, in the order they were opened; closed once, in reverse.
    std::vector<HINTERNET> handles;
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
        if (bEnded)
            return;
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

    // The handle opened, kept to be closed with the others; nothing once the fetch has ended.
    HINTERNET Keep(HINTERNET h)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (h != nullptr && bEnded) {
            ::InternetCloseHandle(h);
            return nullptr;
        }
        if (h != nullptr)
            handles.push_back(h);
        return h;
    }

    void CloseHandles()
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto it = handles.rbegin(); it != handles.rend(); ++it)
            ::InternetCloseHandle(*it);
        handles.clear();
    }
};

namespace {

// A connection that ends before the length the server stated has not brought the document.
bool HasItsStatedLength(HINTERNET hRequest, const std::string& document)
{
    DWORD length = 0, size = sizeof(length);
    return !::HttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) ||
           length == document.size();
}

std::optional<std::string> Exchange(const std::string& strUrl, CDocumentFetch::Shared& shared)
{
    char host[INTERNET_MAX_HOST_NAME_LENGTH] = "", path[INTERNET_MAX_PATH_LENGTH + INTERNET_MAX_PATH_LENGTH] = "";
    URL_COMPONENTSA url{};
    url.dwStructSize = sizeof(url);
    url.lpszHostName = host;
    url.dwHostNameLength = sizeof(host);
    url.lpszUrlPath = path;
    url.dwUrlPathLength = sizeof(path);
    if (!::InternetCrackUrlA(strUrl.c_str(), 0, 0, &url) ||
        (url.nScheme != INTERNET_SCHEME_HTTP && url.nScheme != INTERNET_SCHEME_HTTPS))
        return std::nullopt;
    HINTERNET hSession = shared.Keep(::InternetOpenA("Kalda", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    HINTERNET hConnection = hSession ? shared.Keep(::InternetConnectA(hSession, host, url.nPort, nullptr, nullptr,
                                                                      INTERNET_SERVICE_HTTP, 0, 0))
                                     : nullptr;
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                        (url.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    HINTERNET hRequest = hConnection ? shared.Keep(::HttpOpenRequestA(hConnection, "GET", path, nullptr, nullptr,
                                                                      nullptr, flags, 0))
                                     : nullptr;
    if (hRequest == nullptr)
        return std::nullopt;
    // A connection that stalls lets the thread go before the deadline has to cut it.
    DWORD nWaitMs = kFetchTimeLimitMs / 2;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(hRequest, option, &nWaitMs, sizeof(nWaitMs));
    DWORD status = 0, size = sizeof(status);
    if (!::HttpSendRequestA(hRequest, nullptr, 0, nullptr, 0) ||
        !::HttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status != HTTP_STATUS_OK)
        return std::nullopt;
    std::string document;
    char buffer[8192];
    for (DWORD nRead = 0;; document.append(buffer, nRead)) {
        // Only what has arrived is read, so that no read waits for a whole buffer.
        DWORD nAvailable = 0;
        if (shared.HasEnded() || document.size() > kFetchMaxBytes ||
            !::InternetQueryDataAvailable(hRequest, &nAvailable, 0, 0) ||
            !::InternetReadFile(hRequest, buffer, std::min<DWORD>(nAvailable, sizeof(buffer)), &nRead))
            return std::nullopt;
        if (nRead == 0)
            return HasItsStatedLength(hRequest, document) ? std::optional<std::string>(document) : std::nullopt;
    }
}

void CALLBACK OnDeadline(PVOID pShared, BOOLEAN)
{
    auto& shared = *static_cast<CDocumentFetch::Shared*>(pShared);
    shared.End(std::nullopt);
    shared.CloseHandles();
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
    std::thread([shared = m_shared, url = std::string(lpszUrl)] {
        HANDLE hDeadline = nullptr;
        if (!::CreateTimerQueueTimer(&hDeadline, nullptr, OnDeadline, shared.get(), kFetchTimeLimitMs, 0,
                                     WT_EXECUTEONLYONCE)) {
            shared->End(std::nullopt);
            return;
        }
        shared->End(Exchange(url, *shared));
        // Waits for a deadline that is running, so that it never outlives what it closes.
        ::DeleteTimerQueueTimer(nullptr, hDeadline, INVALID_HANDLE_VALUE);
        shared->CloseHandles();
    }).detach();
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
