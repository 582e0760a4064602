#include "config/DocumentFetch.h"

#include <wininet.h>

#include <algorithm>

namespace config {

namespace {

// Closes an Internet handle when it goes.
struct CInternetHandle {
    HINTERNET h = nullptr;
    ~CInternetHandle()
    {
        if (h != nullptr)
            ::InternetCloseHandle(h);
    }
};

// A connection that ends before the length the server stated has not brought the document.
bool HasItsStatedLength(HINTERNET hRequest, const std::string& document)
{
    DWORD length = 0, size = sizeof(length);
    return !::HttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) ||
           length == document.size();
}

}  // namespace

std::optional<std::string> FetchDocument(LPCSTR lpszUrl)
{
    char host[INTERNET_MAX_HOST_NAME_LENGTH] = "", path[INTERNET_MAX_PATH_LENGTH + INTERNET_MAX_PATH_LENGTH] = "";
    URL_COMPONENTSA url{};
    url.dwStructSize = sizeof(url);
    url.lpszHostName = host;
    url.dwHostNameLength = sizeof(host);
    url.lpszUrlPath = path;
    url.dwUrlPathLength = sizeof(path);
    if (lpszUrl == nullptr || !::InternetCrackUrlA(lpszUrl, 0, 0, &url) ||
        (url.nScheme != INTERNET_SCHEME_HTTP && url.nScheme != INTERNET_SCHEME_HTTPS))
        return std::nullopt;
    const DWORD start = ::GetTickCount();
    CInternetHandle session{::InternetOpenA("Kalda", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)};
    CInternetHandle connection{session.h ? ::InternetConnectA(session.h, host, url.nPort, nullptr, nullptr,
                                                              INTERNET_SERVICE_HTTP, 0, 0)
                                         : nullptr};
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                        (url.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    CInternetHandle request{connection.h ? ::HttpOpenRequestA(connection.h, "GET", path, nullptr, nullptr, nullptr,
                                                              flags, 0)
                                         : nullptr};
    if (request.h == nullptr)
        return std::nullopt;
    // Each wait of the connection is bounded; the whole fetch is bounded below.
    DWORD nWaitMs = kFetchTimeLimitMs / 2;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(request.h, option, &nWaitMs, sizeof(nWaitMs));
    DWORD status = 0, size = sizeof(status);
    if (!::HttpSendRequestA(request.h, nullptr, 0, nullptr, 0) ||
        !::HttpQueryInfoA(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status != HTTP_STATUS_OK)
        return std::nullopt;
    std::string document;
    char buffer[8192];
    for (DWORD nRead = 0;; document.append(buffer, nRead)) {
        // A server that sends a byte now and then still ends within the limit: only what has
        // arrived is read, so that no read waits for a whole buffer.
        DWORD nAvailable = 0;
        if (::GetTickCount() - start >= kFetchTimeLimitMs || document.size() > kFetchMaxBytes ||
            !::InternetQueryDataAvailable(request.h, &nAvailable, 0, 0) ||
            !::InternetReadFile(request.h, buffer, std::min<DWORD>(nAvailable, sizeof(buffer)), &nRead))
            return std::nullopt;
        if (nRead == 0)
            return HasItsStatedLength(request.h, document) ? std::optional<std::string>(document) : std::nullopt;
    }
}

// What the fetching thread and its owner share: the owner reads the result once the event is set.
struct CDocumentFetch::Shared {
    std::optional<std::string> result;
    HANDLE hEnded = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Shared() = default;
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
    ~Shared() { ::CloseHandle(hEnded); }
};

CDocumentFetch::~CDocumentFetch()
{
    if (m_thread.joinable())
        m_thread.detach();
}

void CDocumentFetch::Start(LPCSTR lpszUrl, HWND hWndNotify, UINT nMessage)
{
    if (m_thread.joinable())
        m_thread.join();
    m_shared = std::make_shared<Shared>();
    m_thread = std::thread([shared = m_shared, url = std::string(lpszUrl), hWndNotify, nMessage] {
        shared->result = FetchDocument(url.c_str());
        ::SetEvent(shared->hEnded);
        if (hWndNotify != nullptr)
            ::PostMessageA(hWndNotify, nMessage, 0, 0);
    });
}

bool CDocumentFetch::IsRunning() const
{
    return m_shared != nullptr && ::WaitForSingleObject(m_shared->hEnded, 0) != WAIT_OBJECT_0;
}

void CDocumentFetch::Wait()
{
    // Sent messages are answered so that no other program waits on this thread meanwhile; the
    // fetch itself ends within its limits.
    while (IsRunning() &&
           ::MsgWaitForMultipleObjects(1, &m_shared->hEnded, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::optional<std::string> CDocumentFetch::TakeResult()
{
    if (m_shared == nullptr || IsRunning())
        return std::nullopt;
    m_thread.join();
    std::optional<std::string> result = std::move(m_shared->result);
    m_shared.reset();
    return result;
}

}  // namespace config
